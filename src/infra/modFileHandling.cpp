#include "modFileHandling.h"

#include "cHVError.h"
#include "modErrorHandling.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
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
    const QByteArray path = QFile::encodeName(strPath);
    // Where the file system reports these flags with the file's status, that one call answers.
    constexpr quint64 flagsProtecting = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
    struct statx stx
    {
    };
    if (::statx(AT_FDCWD, path.constData(), 0, STATX_BASIC_STATS, &stx) == 0
        && (stx.stx_attributes_mask & flagsProtecting) == flagsProtecting)
        return (stx.stx_attributes & flagsProtecting) != 0;
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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
    return QStringLiteral("rad")
        + QString::number(n, 16).toUpper().rightJustified(5, QLatin1Char('0'))
        + QStringLiteral(".ndf");
}

constexpr QLatin1String strTempSuffix(".~new");
constexpr QLatin1String strNoteSuffix(".~set");

[[noreturn]] void subCannotWrite(const QString& strPath, const QString& strWhy)
{
    throw cHVError(75, QStringLiteral("subReplaceFiles"),
        QStringLiteral("Cannot write ") + strPath + QStringLiteral(": ") + strWhy);
}

QString fncErrnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Qt's permission flags as a Unix mode: the owner's bits, not those Qt reports for the caller.
mode_t fncModeOf(QFileDevice::Permissions permissions)
{
    const uint bits = permissions.toInt();
    return ((bits >> 12) & 07) << 6 | ((bits >> 4) & 07) << 3 | (bits & 07);
}

// Writes all bytes to fd (synced when blnSync), names it linkAs when given, and closes it;
// false with errno set on failure.
bool fncWriteAndClose(int fd, const QByteArray& bytes, QFileDevice::Permissions permissions,
    bool blnSync, const QByteArray& linkAs = {})
{
    bool blnOk = !permissions || ::fchmod(fd, fncModeOf(permissions)) == 0;
    for (qsizetype done = 0; blnOk && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        blnOk = n > 0;
        done += n;
    }
    blnOk = blnOk && (!blnSync || ::fdatasync(fd) == 0);
    if (blnOk && !linkAs.isEmpty()) {
        const QByteArray proc = "/proc/self/fd/" + QByteArray::number(fd);
        blnOk
            = ::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, linkAs.constData(), AT_SYMLINK_FOLLOW)
            == 0;
    }
    const int savedErrno = errno;
    ::close(fd);
    errno = savedErrno;
    return blnOk;
}

// Written (on the disk when blnSync) and closed, or throws; a file of that name is replaced.
void subWriteFile(const QString& strPath, const QByteArray& bytes,
    QFileDevice::Permissions permissions, bool blnSync)
{
    const QByteArray path = QFile::encodeName(strPath);
    ::unlink(path.constData());
    // A file with permissions of its own is born readable by its owner alone, so that no one
    // else can open it before it has them.
    const mode_t mode = permissions ? 0600 : 0666;
    // Written unnamed and named once complete where the file system allows: a write cut short
    // leaves nothing behind, and its sync need not take the folder along.
    const QByteArray folder = QFile::encodeName(QFileInfo(strPath).absolutePath());
    const int unnamed = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (unnamed >= 0 && fncWriteAndClose(unnamed, bytes, permissions, blnSync, path))
        return;
    if (unnamed >= 0 && errno != ENOENT && errno != EPERM && errno != EOPNOTSUPP)
        subCannotWrite(strPath, fncErrnoText());
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        subCannotWrite(strPath, fncErrnoText());
    if (!fncWriteAndClose(fd, bytes, permissions, blnSync)) {
        const QString why = fncErrnoText();
        ::unlink(path.constData());
        subCannotWrite(strPath, why);
    }
}

// Renames last through a power cut only once their folder is on the disk.
void subSyncFolders(const QStringList& colPaths)
{
    QSet<QString> folders;
    for (const QString& path : colPaths)
        folders.insert(QFileInfo(path).absolutePath());
    for (const QString& folder : std::as_const(folders)) {
        const int fd
            = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
}

bool fncRename(const QString& strFrom, const QString& strTo)
{
    return ::rename(QFile::encodeName(strFrom).constData(), QFile::encodeName(strTo).constData())
        == 0;
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
    if (!folder.isDir()
        || ::access(QFile::encodeName(folder.absoluteFilePath()).constData(), W_OK | X_OK) != 0)
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
    try {
        subReplaceFiles({ { strPath, strText.toUtf8() } });
    } catch (const cHVError& e) {
        throw cHVError(75, QStringLiteral("fncSaveTextFile"),
            QStringLiteral("Path/File access error: ") + strPath + QStringLiteral(" (")
                + e.Description() + QLatin1Char(')'));
    }
    return strPath;
}

namespace {
// Renames the temporaries of the set the note names into place, then removes the note.
void subCompleteSet(const QString& strNote, const QStringList& noted)
{
    for (const QString& path : noted) {
        // A temporary already gone was renamed by an earlier, interrupted completion.
        if (!fncRename(path + strTempSuffix, path)
            && (errno != ENOENT || QFileInfo::exists(path + strTempSuffix)))
            subCannotWrite(path, fncErrnoText());
    }
    subSyncFolders(noted);
    QFile::remove(strNote);
}

// The note's text is not synced: a power cut can leave it named but empty, and then the set
// is the one the caller replaces.
void subCompleteNotedSet(const QString& strNote, const QStringList& colCallersSet)
{
    QFile noteFile(strNote);
    if (!noteFile.open(QIODevice::ReadOnly))
        return;
    const QStringList noted
        = QString::fromUtf8(noteFile.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    noteFile.close();
    subCompleteSet(strNote, noted.isEmpty() ? colCallersSet : noted);
}
} // namespace

void subRecoverFiles(const QStringList& colPaths)
{
    if (colPaths.isEmpty())
        return;
    const QString note = colPaths.first() + strNoteSuffix;
    if (QFileInfo::exists(note)) {
        subLog(QStringLiteral("Completing the replacement of the files named in ") + note);
        subCompleteNotedSet(note, colPaths);
    }
    // Whatever else carries a set member's name and ".~" is left from an interrupted write.
    QHash<QString, QStringList> prefixesByFolder;
    for (const QString& path : colPaths) {
        const QFileInfo info(path);
        prefixesByFolder[info.absolutePath()].append(info.fileName() + QStringLiteral(".~"));
    }
    for (auto it = prefixesByFolder.cbegin(); it != prefixesByFolder.cend(); ++it) {
        QDir folder(it.key());
        const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : names) {
            for (const QString& prefix : it.value()) {
                if (name.startsWith(prefix))
                    folder.remove(name);
            }
        }
    }
}

void subReplaceFile(
    const QString& strPath, const QByteArray& bytes, QFileDevice::Permissions permissions)
{
    // A file its owner made read-only is left alone, as an editor leaves it.
    const QFileInfo info(strPath);
    if (info.exists() && !info.isWritable())
        subCannotWrite(strPath, QStringLiteral("the file is read-only"));
    subReplaceFiles({ { strPath, bytes } }, permissions);
}

void subReplaceFiles(
    const QList<std::pair<QString, QByteArray>>& colFiles, QFileDevice::Permissions permissions)
{
    if (colFiles.isEmpty())
        return;
    QStringList paths;
    for (const auto& file : colFiles)
        paths.append(QFileInfo(file.first).absoluteFilePath());
    subRecoverFiles(paths);

    QStringList written;
    const auto discard = [&written] {
        for (const QString& temp : std::as_const(written))
            QFile::remove(temp);
    };
    try {
        for (qsizetype i = 0; i < colFiles.size(); ++i) {
            const QString& path = paths.at(i);
            // Checked before the commit, so that no rename fails once some have been done.
            if (!fncFileReplaceable(path))
                subCannotWrite(path, QStringLiteral("the file or its folder cannot be replaced"));
            subWriteFile(path + strTempSuffix, colFiles.at(i).second,
                permissions ? permissions : QFile::permissions(path), true);
            written.append(path + strTempSuffix);
        }
        // One rename is whole by itself; a set needs the note. The note is not synced on its
        // own: the file system keeps its metadata in order, so it is on the disk before the
        // renames that follow it.
        const QString commit = paths.size() == 1 ? paths.first() : paths.first() + strNoteSuffix;
        if (paths.size() > 1) {
            subWriteFile(commit + strTempSuffix, paths.join(QLatin1Char('\n')).toUtf8(), {}, false);
            written.append(commit + strTempSuffix);
        }
        if (!fncRename(commit + strTempSuffix, commit))
            subCannotWrite(commit, fncErrnoText());
    } catch (...) {
        discard();
        throw;
    }
    // The set is committed: from here on an interruption is completed by subRecoverFiles.
    if (paths.size() > 1)
        subCompleteSet(paths.first() + strNoteSuffix, paths);
}

void subPrintFile(const QString& strPath)
{
    subSetupFS();
    subLog(QStringLiteral("Attempting to print the file ") + strPath);
    const QFileInfo info(strPath);
    subInvokeShellVerb(
        info.absolutePath() + QLatin1Char('/'), info.fileName(), QStringLiteral("Print"));
}

void subInvokeShellVerb(
    const QString& strFolderPath, const QString& strFileName, const QString& strVerb)
{
    subLog(QStringLiteral("Trying to execute ") + strFolderPath + QLatin1Char(' ') + strFileName);
    const QDir folder(strFolderPath);
    if (strFolderPath.isEmpty() || !folder.exists() || strFileName.isEmpty()
        || !folder.exists(strFileName))
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

QString fncNullToText(const QVariant& varValue)
{
    if (varValue.typeId() == QMetaType::QString)
        return *static_cast<const QString*>(varValue.constData());
    return varValue.isNull() ? QString() : varValue.toString();
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

QString fncGetLocalCubePath()
{
    return fncGetSpecialFolder(CSIDL_PERSONAL) + QStringLiteral("/OLAP Cubes");
}

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

void subSetShellOpener(std::function<bool(const QUrl&)> opener)
{
    state().opener = std::move(opener);
}

void subSetFilePrinter(std::function<bool(const QString&)> printer)
{
    state().printer = std::move(printer);
}
