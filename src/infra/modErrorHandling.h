#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <exception>
#include <functional>
#include <source_location>

// The program title: title of every message box, first field of every log line.
inline const QString strProgramTitle = QStringLiteral("Hourvane for Outlook Personal Settings SU");
// Where error reports are mailed to.
inline const QString strSupportAddress = QStringLiteral("support@hourvane.example");

void subLog(const QString& strText);
QString fncGetLastStep();
void subWriteLogFile(const QString& strText);
// The log file's path: the program's folder, or the per-user data folder when that is read-only.
QString fncLogFilePath();
bool fncFileLoggingOn();
// A date and time in the system's general format (short date, long time), as log lines show it.
QString fncGeneralDateTime(const QDateTime& when);
void subSetFileLogging(bool blnOn);

// Shows the one error report of the run, offers the e-mail and ends the program.
[[noreturn]] void subHandleError(
    const QString& strDescription, qint32 lngNumber, int intLine, const QString& strProcName);
// The same for the exception being handled (call inside a catch block). cProgramEnded passes
// through unchanged so that an end already under way is not reported again.
[[noreturn]] void subHandleCurrentException(
    const QString& strProcName, std::source_location loc = std::source_location::current());
[[noreturn]] void subSendErrorMail();
QString fncGetWindowsVersion();
QString fncProgramVersion();

// The report text of this run (empty until subHandleError built it).
QString fncReportText();
// Every Password/Pwd value of the connection strings in strText replaced by asterisks: the one
// mask for connection texts in log lines, error reports, e-mails and messages.
QString fncMaskPasswords(const QString& strText);

// Seams: the running calendar program's version for the report, and the hand-off of the
// mailto: address to the user's mail program (returns false when it could not be opened).
void subSetOutlookVersionProvider(std::function<QString()> provider);
void subSetMailOpener(std::function<bool(const QUrl&)> opener);
// For tests: forget that a report was shown and the report text.
void subResetErrorState();
