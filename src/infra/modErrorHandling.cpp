#include "modErrorHandling.h"

#include "cHVError.h"
#include "cMessageBox.h"
#include "modFileHandling.h"
#include "modPhrases.h"
#include "modProgramEnd.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QUrlQuery>
#include <sys/utsname.h>

namespace {
const QString strCrLf = QStringLiteral("\r\n");
const QString strSeparator = QString(70, QLatin1Char('-'));

struct State
{
    QString strLastStep;
    QString strReport;
    bool blnReportShown = false;
    int intFileLogging = -1; // -1: not decided yet, taken from HOURVANE_LOG
    std::function<QString()> outlookVersion;
    std::function<bool(const QUrl&)> mailOpener;
};

State& state()
{
    static State s;
    return s;
}
} // namespace

bool fncFileLoggingOn()
{
    State& s = state();
    if (s.intFileLogging < 0)
        s.intFileLogging = qEnvironmentVariable("HOURVANE_LOG") == QLatin1String("1") ? 1 : 0;
    return s.intFileLogging == 1;
}

void subSetFileLogging(bool blnOn)
{
    state().intFileLogging = blnOn ? 1 : 0;
}

void subLog(const QString& strText)
{
    state().strLastStep = strText;
    if (fncFileLoggingOn())
        subWriteLogFile(strText);
}

QString fncGetLastStep()
{
    return state().strLastStep;
}

QString fncLogFilePath()
{
    const QString dir
        = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    return QDir(fncOutputFolderFor(dir)).filePath(QStringLiteral("OrrevikLog.txt"));
}

// The system's general date format: short date and long time. Qt's long time names the time
// zone, which the general format leaves out.
QString fncGeneralDateTime(const QDateTime& when)
{
    const QLocale locale = QLocale::system();
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.replace(zone, QStringLiteral(" "));
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(when.time(), timeFormat.trimmed());
}

void subWriteLogFile(const QString& strText)
{
    if (strText.isEmpty())
        return;
    try {
        // Owner-only: the log names servers and users.
        constexpr QFileDevice::Permissions ownerOnly
            = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        QFile file(fncLogFilePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append, ownerOnly))
            return;
        constexpr QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup
            | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
            | QFileDevice::ExeOther;
        if (file.permissions() & others) // a log of an older version
            file.setPermissions(ownerOnly);
        const QString line = strProgramTitle + QLatin1Char('\t')
            + fncGeneralDateTime(QDateTime::currentDateTime()) + QLatin1Char('\t')
            + fncMaskPasswords(strText) + strCrLf;
        file.write(line.toUtf8());
    } catch (const std::exception&) {
        // Logging never disturbs the caller.
    }
}

namespace {
// Where a password value that starts at i ends, read the way the connection-string parser and
// ODBC read it: in double or single quotes (a doubled quote stands for itself), in braces (a
// doubled "}" stands for itself), or bare. Whatever follows up to the next ";" or line end
// goes too: the parser drops it, so it can only be more of a mistyped password.
qsizetype fncPasswordEnd(const QString& s, qsizetype i)
{
    const qsizetype n = s.size();
    if (i < n) {
        const QChar open = s.at(i);
        const QChar close = open == QLatin1Char('{') ? QLatin1Char('}') : open;
        if (open == QLatin1Char('"') || open == QLatin1Char('\'') || open == QLatin1Char('{')) {
            for (++i; i < n; ++i) {
                if (s.at(i) != close)
                    continue;
                if (i + 1 < n && s.at(i + 1) == close) {
                    ++i;
                    continue;
                }
                ++i;
                break;
            }
        }
    }
    while (i < n && s.at(i) != QLatin1Char(';') && s.at(i) != QLatin1Char('\r')
        && s.at(i) != QLatin1Char('\n'))
        ++i;
    return i;
}

QString fncMaskValues(const QString& strText, const QRegularExpression& key)
{
    QString masked;
    qsizetype pos = 0;
    for (auto m = key.match(strText); m.hasMatch(); m = key.match(strText, pos)) {
        masked += QStringView(strText).mid(pos, m.capturedEnd() - pos);
        masked += QStringLiteral("****");
        pos = fncPasswordEnd(strText, m.capturedEnd());
    }
    masked += QStringView(strText).mid(pos);
    return masked;
}
} // namespace

QString fncMaskPasswords(const QString& strText)
{
    // Any white space around "=" (the parser trims keys), but a line break ends the value. Keys
    // where the parser sees them (a line's start or after ";") go first, so that a "Password="
    // inside another value cannot hide the real one; then any other, inside sentences.
    const auto options = QRegularExpression::CaseInsensitiveOption
        | QRegularExpression::UseUnicodePropertiesOption | QRegularExpression::MultilineOption;
    static const QRegularExpression keyed(
        QStringLiteral(R"((?:^|;)\s*(?:password|pwd)\s*=[^\S\r\n]*)"), options);
    static const QRegularExpression anywhere(
        QStringLiteral(R"((?:password|pwd)\s*=[^\S\r\n]*)"), options);
    return fncMaskValues(fncMaskValues(strText, keyed), anywhere);
}

QString fncGetWindowsVersion()
{
#ifdef Q_OS_WIN
    return QSysInfo::productType() == QLatin1String("windows")
        ? QStringLiteral("Windows NT ") + QSysInfo::kernelVersion().section(QLatin1Char('.'), 0, 1)
        : QString();
#else
    utsname info {};
    if (uname(&info) != 0)
        return QString();
    QString release = QString::fromLocal8Bit(info.release);
    // "6.1.0-18-amd64" -> "6.1.0": the version numbers, not the distribution's build tag.
    const int dash = release.indexOf(QLatin1Char('-'));
    if (dash > 0)
        release.truncate(dash);
    return QString::fromLocal8Bit(info.sysname) + QLatin1Char(' ') + release;
#endif
}

QString fncProgramVersion()
{
    return QStringLiteral("%1.%2.%3")
        .arg(HV_VERSION_MAJOR)
        .arg(HV_VERSION_MINOR)
        .arg(HV_VERSION_PATCH);
}

QString fncReportText()
{
    return state().strReport;
}

void subSetOutlookVersionProvider(std::function<QString()> provider)
{
    state().outlookVersion = std::move(provider);
}

void subSetMailOpener(std::function<bool(const QUrl&)> opener)
{
    state().mailOpener = std::move(opener);
}

void subResetErrorState()
{
    State& s = state();
    s.strReport.clear();
    s.blnReportShown = false;
    s.strLastStep.clear();
}

void subHandleError(
    const QString& strDescription, qint32 lngNumber, int intLine, const QString& strProcName)
{
    State& s = state();
    if (!s.blnReportShown) {
        const QString heading = fncPhrase("LNGERRINAPP") + QLatin1Char(' ') + strProgramTitle
            + QStringLiteral(" (") + fncGetWindowsVersion() + QStringLiteral(")") + strCrLf
            + strSeparator + strCrLf + strCrLf;
        s.strReport = fncPhrase("LNGERRTHISERROR") + QStringLiteral(" :") + strCrLf
            + fncMaskPasswords(fncGetLastStep()) + strCrLf + strCrLf
            + fncPhrase("LNGERRSYSTEMERROR") + QStringLiteral(" :") + strCrLf
            + fncMaskPasswords(strDescription) + strCrLf + QLatin1Char('#')
            + QString::number(lngNumber) + strCrLf + strCrLf + fncPhrase("LNGSUBROUTINE")
            + QStringLiteral(" : ") + strProcName + QLatin1Char(' ') + strCrLf
            + fncPhrase("LNGERRLINE") + QStringLiteral(": ") + QString::number(intLine);
        const QString message = heading + s.strReport + strCrLf + strCrLf
            + fncPhrase("LNGERRSENDREPORT") + QLatin1Char('?');
        s.blnReportShown = true;
        const auto answer = cMessageBox::Show(
            message, cMessageBox::Buttons::YesNo, cMessageBox::Icon::None, strProgramTitle);
        if (answer == cMessageBox::Answer::Yes) {
            QString version;
            try {
                if (s.outlookVersion)
                    version = s.outlookVersion();
            } catch (const cProgramEnded&) {
                throw;
            } catch (...) {
                // The report goes out without the version rather than not at all.
            }
            s.strReport += strCrLf + QStringLiteral("Outlook Version: ") + version + strCrLf;
            subSendErrorMail();
        }
    }
    subEndProgram(intExitFailure);
}

void subHandleCurrentException(const QString& strProcName, std::source_location loc)
{
    const int line = static_cast<int>(loc.line());
    try {
        throw;
    } catch (const cProgramEnded&) {
        throw;
    } catch (const cHVError& e) {
        subHandleError(e.Description(), e.Number(), line, strProcName);
    } catch (const std::exception& e) {
        subHandleError(QString::fromUtf8(e.what()), 0, line, strProcName);
    } catch (...) {
        subHandleError(QStringLiteral("Unknown error"), 0, line, strProcName);
    }
}

void subSendErrorMail()
{
    State& s = state();
    bool ok = false;
    try {
        const QString subject = QStringLiteral("Error in ") + strProgramTitle + QLatin1Char(' ')
            + fncProgramVersion() + QStringLiteral(" (") + fncGetWindowsVersion()
            + QStringLiteral(")");
        QUrl url(QStringLiteral("mailto:") + strSupportAddress);
        QUrlQuery query;
        query.addQueryItem(
            QStringLiteral("subject"), QString::fromLatin1(QUrl::toPercentEncoding(subject)));
        query.addQueryItem(
            QStringLiteral("body"), QString::fromLatin1(QUrl::toPercentEncoding(s.strReport)));
        url.setQuery(query.query(QUrl::FullyEncoded), QUrl::StrictMode);
        ok = s.mailOpener ? s.mailOpener(url) : QDesktopServices::openUrl(url);
    } catch (const cProgramEnded&) {
        throw;
    } catch (...) {
        ok = false;
    }
    if (!ok)
        cMessageBox::Show(QStringLiteral("Failed to send error email using MS Outlook!"),
            cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical, strProgramTitle);
    subEndProgram(intExitFailure);
}
