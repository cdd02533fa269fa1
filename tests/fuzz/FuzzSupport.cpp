#include "FuzzSupport.h"

#include "cMessageBox.h"
#include "modErrorHandling.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {
// In memory when the system offers it: every save of the store and the calendar syncs its file.
QString fncTempBase()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}

struct cEnvironment
{
    QTemporaryDir home { fncTempBase() + QStringLiteral("/hvfuzz-XXXXXX") };
    int argc = 1;
    char arg0[8] = "hvfuzz";
    char* argv[2] = { arg0, nullptr };
    std::unique_ptr<QGuiApplication> app;

    cEnvironment()
    {
        if (!home.isValid())
            hvfuzz::subFail("a temporary HOME can be made", QDir::tempPath());
        const QByteArray h = home.path().toLocal8Bit();
        for (const auto& [name, sub] : { std::pair { "HOME", "" },
                 { "XDG_CONFIG_HOME", "/.config" }, { "XDG_DATA_HOME", "/.local/share" },
                 { "XDG_CACHE_HOME", "/.cache" }, { "XDG_RUNTIME_DIR", "/runtime" },
                 { "XDG_DOCUMENTS_DIR", "/Documents" }, { "HOURVANE_CALENDAR", "/calendar" } }) {
            setenv(name, QByteArray(h + sub).constData(), 1);
            QDir().mkpath(QString::fromLocal8Bit(h + sub));
        }
        setenv("HOURVANE_LOG", "0", 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // The program runs with a GUI application: the store's reader may build images.
        app = std::make_unique<QGuiApplication>(argc, argv);
        // Warnings about odd input are expected by the thousand; failures still show.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", qUtf8Printable(text));
        });
        QCoreApplication::setApplicationName(QStringLiteral("HVPersonalSettingsSingle"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        subSetTerminator([](int code) { throw cProgramEnded { code }; });
        subSetMailOpener([](const QUrl&) { return false; });
        cMessageBox::setPresenter(
            [](const cMessageBox::Request&) { return cMessageBox::Answer::No; });
    }
};
} // namespace

void hvfuzz::subStartInput()
{
    static cEnvironment environment;
    cMessageBox::clearNextAnswers();
    cMessageBox::clearHistory();
    subResetErrorState();
    subClearEndHooks();
}

void hvfuzz::subFail(const char* szRule, const QString& strDetail)
{
    QString strShown = strDetail.left(2000);
    strShown.replace(QChar(0), QStringLiteral("\\0"));
    std::fprintf(stderr, "\nBroken rule: %s\n%s\n", szRule, qUtf8Printable(strShown));
    std::fflush(stderr);
    std::abort();
}
