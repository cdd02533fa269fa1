#include "TestSupport.h"
#include "modErrorHandling.h"

#include <QTemporaryDir>
#include <cstdlib>

namespace {
// Before each test: no answers left over, no report shown yet, nothing recorded.
class ResetListener : public testing::EmptyTestEventListener
{
    void OnTestStart(const testing::TestInfo&) override
    {
        cMessageBox::clearNextAnswers();
        cMessageBox::clearHistory();
        subResetErrorState();
        subClearEndHooks();
        hvtest::clearOpenedMailUrls();
        hvtest::setMailOpenerFails(false);
    }
};
} // namespace

int main(int argc, char** argv)
{
    // Never the user's folders: HOME, the XDG folders and the calendar live in a temporary tree.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/hvtest-XXXXXX"));
    if (!home.isValid())
        return 2;
    const QByteArray h = home.path().toLocal8Bit();
    const auto set = [&h](const char* name, const char* sub) {
        setenv(name, QByteArray(h + sub).constData(), 1);
    };
    set("HOME", "");
    set("XDG_CONFIG_HOME", "/.config");
    set("XDG_DATA_HOME", "/.local/share");
    set("XDG_CACHE_HOME", "/.cache");
    set("XDG_RUNTIME_DIR", "/runtime");
    set("XDG_DOCUMENTS_DIR", "/Documents");
    set("HOURVANE_CALENDAR", "/calendar");
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QDir(home.path()).mkpath(QStringLiteral("Documents"));
    QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("HVPersonalSettingsSingle"));

    // The end of the program is observed, not carried out.
    subSetTerminator([](int code) { throw cProgramEnded { code }; });
    subSetMailOpener(&hvtest::recordMailUrl);
    // A box nobody answered in advance is a fault of the test or of the code under test.
    cMessageBox::setPresenter([](const cMessageBox::Request& r) {
        ADD_FAILURE() << "Unanswered message box: " << r.strText.toStdString();
        return cMessageBox::Answer::Cancel;
    });

    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new ResetListener);
    return RUN_ALL_TESTS();
}
