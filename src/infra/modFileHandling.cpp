#include "modFileHandling.h"

#include "cHVError.h"
#include "modErrorHandling.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
struct State
{
    std::function<bool(const QUrl&)> opener;
    std::function<bool(const QString&)> printer;
};

State& state()
{
    static State s;
    return s;
}

// Immutable and append-only files refuse deletion even for root.
bool fncHasProtectingAttribute(const QString& strPath)
{
    const int fd = ::open(QFile::encodeName(strPath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    const bool known = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(fd);
    return known && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

QString fncTempFileName()
{
    // Like GetTempName ("radXXXXX.tmp"), with the extension the caller's files use.
    const quint32 n = QRandomGenerator::global()->bounded(0x100000u);
    return QStringLiteral("rad") + QString::number(n, 16).toUpper().rightJustified(5, QLatin1Char('0'))
        + QStringLiteral(".ndf");
}

QString fncNumberedName(const QString& strPath, int intCounter)
{
    const qsizetype cut = qMax<qsizetype>(0, strPath.size() - 4);
    return strPath.left(cut) + QString::number(intCounter) + strPath.mid(cut);
}
} // namespace

void subSetupFS() { }

QString fncGetLongFolderPath(const QString& strFolder)
{
    const QString cleaned = QDir::cleanPath(QFileInfo(strFolder).absoluteFilePath());
    const QString canonical = QFileInfo(cleaned).canonicalFilePath();
    return canonical.isEmpty() ? cleaned : canonical;
}

QString fncGetTempPath()
{
    subSetupFS();
    subLog(QStringLiteral("Finding Temp folder path"));
    return fncGetLongFolderPath(QDir::tempPath());
}

bool fncFileReplaceable(const QString& strPath)
{
    const QFileInfo info(strPath);
    if (info.isDir())
        return false;
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir() || ::access(QFile::encodeName(folder.absoluteFilePath()).constData(), W_OK | X_OK) != 0)
        return false;
    return !(info.exists() && fncHasProtectingAttribute(strPath));
}

QString fncSaveTextFile(QString& strPath, QString strText, bool blnShowError)
{
    subSetupFS();
    if (strPath.isEmpty()) {
        const QString folder = fncStripTrailingSlash(fncGetTempPath());
        do {
            strPath = folder + QLatin1Char('/') + fncTempFileName();
        } while (QFileInfo::exists(strPath));
    }

    subLog(QStringLiteral("Checking for previoius existance of ") + strPath);
    // The old file is replaced only when the new one is complete, so a failed write keeps it.
    if (QFileInfo::exists(strPath) && !fncFileReplaceable(strPath)) {
        if (blnShowError)
            subHandleError(QStringLiteral("Permission denied: ") + strPath, 70, 0,
                QStringLiteral("fncSaveTextFile"));
        // A name that cannot be taken either does not stop the search: the text must land.
        QString candidate = strPath;
        int intCounter = 0;
        while (QFileInfo::exists(candidate) && !fncFileReplaceable(candidate) && intCounter < 10000)
            candidate = fncNumberedName(candidate, ++intCounter);
        strPath = candidate;
    }

    strText.remove(QLatin1Char('"'));

    subLog(QStringLiteral("Saving textfile ") + strPath);
    QSaveFile file(strPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(strText.toUtf8()) < 0 || !file.commit())
        throw cHVError(75, QStringLiteral("fncSaveTextFile"),
            QStringLiteral("Path/File access error: ") + strPath + QStringLiteral(" (")
                + file.errorString() + QLatin1Char(')'));
    return strPath;
}

void subPrintFile(const QString& strPath)
{
    subSetupFS();
    subLog(QStringLiteral("Attempting to print the file ") + strPath);
    const QFileInfo info(strPath);
    subInvokeShellVerb(info.absolutePath() + QLatin1Char('/'), info.fileName(), QStringLiteral("Print"));
}

void subInvokeShellVerb(const QString& strFolderPath, const QString& strFileName, const QString& strVerb)
{
    subLog(QStringLiteral("Trying to execute ") + strFolderPath + QLatin1Char(' ') + strFileName);
    const QDir folder(strFolderPath);
    if (strFolderPath.isEmpty() || !folder.exists() || strFileName.isEmpty() || !folder.exists(strFileName))
        return;
    const QString path = folder.absoluteFilePath(strFileName);
    State& s = state();
    if (strVerb.compare(QLatin1String("Print"), Qt::CaseInsensitive) == 0) {
        if (s.printer)
            s.printer(path);
        else
            QProcess::startDetached(QStringLiteral("lp"), { QStringLiteral("--"), path });
        return;
    }
    const QUrl url = QUrl::fromLocalFile(path);
    if (s.opener)
        s.opener(url);
    else
        QDesktopServices::openUrl(url);
}

QString fncStripTrailingSlash(const QString& strPath)
{
    if (strPath.endsWith(QLatin1Char('/')) || strPath.endsWith(QLatin1Char('\\')))
        return strPath.chopped(1);
    return strPath;
}

QVariant fncNullToValue(const QVariant& varValue, bool blnNumeric)
{
    if (blnNumeric)
        return varValue.isNull() ? QVariant(0) : varValue;
    return varValue.isNull() ? QVariant(QString()) : QVariant(varValue.toString());
}

QString fncGetSpecialFolder(qint32 lngCSIDL)
{
    QStandardPaths::StandardLocation location;
    switch (lngCSIDL) {
    case CSIDL_PERSONAL:
        location = QStandardPaths::DocumentsLocation;
        break;
    case 0:
    case CSIDL_DESKTOPDIRECTORY:
        location = QStandardPaths::DesktopLocation;
        break;
    case CSIDL_APPDATA:
        location = QStandardPaths::GenericConfigLocation;
        break;
    case CSIDL_LOCAL_APPDATA:
        location = QStandardPaths::GenericDataLocation;
        break;
    case CSIDL_PROFILE:
        location = QStandardPaths::HomeLocation;
        break;
    default:
        return QString();
    }
    return fncStripTrailingSlash(QStandardPaths::writableLocation(location));
}

QString fncGetLocalCubePath() { return fncGetSpecialFolder(CSIDL_PERSONAL) + QStringLiteral("/OLAP Cubes"); }

bool fncIsInstallationFolder(const QString& strFolder)
{
    const QString path = fncGetLongFolderPath(strFolder);
    static const QStringList programFolderNames
        = { QStringLiteral("bin"), QStringLiteral("sbin"), QStringLiteral("libexec") };
    static const QStringList systemTrees = { QStringLiteral("/usr/"), QStringLiteral("/opt/") };
    if (strFolder.isEmpty() || programFolderNames.contains(QFileInfo(path).fileName()))
        return true;
    for (const QString& tree : systemTrees)
        if (QString(path + QLatin1Char('/')).startsWith(tree))
            return true;
    return ::access(QFile::encodeName(path).constData(), W_OK | X_OK) != 0;
}

QString fncOutputFolderFor(const QString& strProgramFolder)
{
    if (!fncIsInstallationFolder(strProgramFolder))
        return fncStripTrailingSlash(strProgramFolder);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return folder;
}

void subSetShellOpener(std::function<bool(const QUrl&)> opener) { state().opener = std::move(opener); }

void subSetFilePrinter(std::function<bool(const QString&)> printer) { state().printer = std::move(printer); }
