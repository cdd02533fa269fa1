#pragma once

#include <QFileDevice>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <functional>
#include <utility>

// Files, folders and the shell's open and print actions.

// The file system is always at hand on this platform; kept so that start-up reads as designed.
void subSetupFS();

// The temporary folder, symbolic links and relative parts resolved, without a trailing slash.
QString fncGetTempPath();
// The folder's full path with every link resolved (the long form of a folder path).
QString fncGetLongFolderPath(const QString& strFolder);

// Writes strText (double quotes removed) to strPath, replacing an existing file as a whole.
// An empty path gets a new name in the temporary folder. When the existing file cannot be
// replaced, blnShowError hands the failure to the error report; otherwise a free name is made by
// inserting a counter before the last four characters (report.txt -> report1.txt -> report12.txt).
// strPath holds the name written; it is also returned.
QString fncSaveTextFile(QString& strPath, QString strText, bool blnShowError);
// Replaces a set of files together (one file is a set of one). Each file's bytes go to a
// temporary beside it; only when all are on disk does a commit note name the set, and then the
// temporaries take their names. subRecoverFiles, run first by every replacement, completes a
// set whose note was written and drops the temporaries of one that was not, so after any
// interruption the set is all old or all new once it has run. An existing file keeps its
// permissions, unless permissions are given: then every file has those from its first byte on
// (for a file that may hold a password). Throws cHVError naming the file when one cannot be
// written; the old set stays.
void subReplaceFiles(const QList<std::pair<QString, QByteArray>>& colFiles,
    QFileDevice::Permissions permissions = {});
// The same for a single file; one that exists and is read-only is not replaced.
void subReplaceFile(
    const QString& strPath, const QByteArray& bytes, QFileDevice::Permissions permissions = {});
void subRecoverFiles(const QStringList& colPaths);
// True when a file at strPath could be deleted or replaced (false for a folder, a file in a
// folder we may not write, an immutable or append-only file).
bool fncFileReplaceable(const QString& strPath);

void subPrintFile(const QString& strPath);
// Runs the shell verb on FolderPath/FileName: "Print" prints, an empty verb opens the file with
// its default program. Missing folders or files do nothing.
void subInvokeShellVerb(
    const QString& strFolderPath, const QString& strFileName, const QString& strVerb);

// Without one trailing "/" or "\".
QString fncStripTrailingSlash(const QString& strPath);
// A database null becomes "" (or 0 when blnNumeric); text otherwise (or the value unchanged).
QVariant fncNullToValue(const QVariant& varValue, bool blnNumeric);
// fncNullToValue(varValue, false) as text; a text value is taken without a conversion.
QString fncNullToText(const QVariant& varValue);

// Windows' special-folder numbers this program understands.
inline constexpr qint32 CSIDL_DESKTOPDIRECTORY = 0x10;
inline constexpr qint32 CSIDL_PERSONAL = 5;
inline constexpr qint32 CSIDL_APPDATA = 0x1a;
inline constexpr qint32 CSIDL_LOCAL_APPDATA = 0x1c;
inline constexpr qint32 CSIDL_PROFILE = 0x28;
// The folder's path, or "" for a folder this platform does not have.
QString fncGetSpecialFolder(qint32 lngCSIDL);
// The documents folder's "OLAP Cubes" path, from which the data folder's name is made. Nothing
// uses the folder itself, so it is never created.
QString fncGetLocalCubePath();

// True for a folder that holds installed programs (bin, sbin, libexec, anything under /usr or
// /opt) or that we may not write: the program writes nothing of its own there.
bool fncIsInstallationFolder(const QString& strFolder);
// Where the program writes its own files (the XML export, the log): strProgramFolder, unless it is
// an installation folder; then the per-user data folder (~/.local/share/<program>), made when
// missing.
QString fncOutputFolderFor(const QString& strProgramFolder);

// Seams: who opens a file in its default program and who prints a file (the widget layer installs
// a Qt printer; without one the system's "lp" is used). Each returns false when it failed.
void subSetShellOpener(std::function<bool(const QUrl&)> opener);
void subSetFilePrinter(std::function<bool(const QString&)> printer);
