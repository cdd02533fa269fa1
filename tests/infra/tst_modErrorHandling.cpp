#include "TestSupport.h"
#include "modErrorHandling.h"
#include "modPhrases.h"

#include <QFile>
#include <QLocale>
#include <QUrlQuery>
#include <algorithm>
#include <random>
#include <sys/utsname.h>

namespace {
const QString strCrLf = QStringLiteral("\r\n");
constexpr qint16 intEnglish = 4;
constexpr qint16 intGerman = 7;

QString fncKernelText()
{
    utsname info {};
    uname(&info);
    return QString::fromLocal8Bit(info.sysname) + QLatin1Char(' ')
        + QString::fromLocal8Bit(info.release).section(QLatin1Char('-'), 0, 0);
}
} // namespace

class ErrorReport : public testing::Test
{
protected:
    void SetUp() override { LoadLanguages(intEnglish); }
    void TearDown() override
    {
        subSetOutlookVersionProvider({});
        LoadLanguages(intEnglish);
    }
};

TEST_F(ErrorReport, EnglishReportHasTheExactLayout)
{
    subLog(QStringLiteral("Checking for HourvaneConnection.txt"));
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    int intExitCode = 0;
    EXPECT_TRUE(hvtest::endsProgram(
        [] {
            subHandleError(
                QStringLiteral("File not found"), 53, 12, QStringLiteral("cOtherSettings.FromRS"));
        },
        &intExitCode));
    EXPECT_EQ(intExitCode, intExitFailure);
    ASSERT_EQ(cMessageBox::history().size(), 1);
    const auto& box = cMessageBox::history().first();
    const QString expected
        = "There has been an error in this application. Hourvane for Outlook Personal Settings SU ("
        + fncKernelText()
        + ")\r\n"
          "----------------------------------------------------------------------\r\n\r\n"
          "This error has occured: :\r\n"
          "Checking for HourvaneConnection.txt\r\n\r\n"
          "The system error message was: :\r\n"
          "File not found\r\n"
          "#53\r\n\r\n"
          "Sub routine : cOtherSettings.FromRS \r\n"
          "Error on line: 12\r\n\r\n"
          "Would you like to send an e-mail with an error report??";
    EXPECT_EQ(box.strText, expected);
    EXPECT_EQ(box.strTitle, QStringLiteral("Hourvane for Outlook Personal Settings SU"));
    EXPECT_EQ(box.buttons, cMessageBox::Buttons::YesNo);
    EXPECT_EQ(box.icon, cMessageBox::Icon::None);
    // Answering No creates no e-mail.
    EXPECT_TRUE(hvtest::openedMailUrls().isEmpty());
    // Only the first error of a run is reported: one raised while the report was under way ends
    // the program without a second box.
    EXPECT_TRUE(hvtest::endsProgram(
        [] { subHandleError(QStringLiteral("second"), 2, 0, QStringLiteral("b")); }));
    EXPECT_EQ(cMessageBox::history().size(), 1);
    EXPECT_TRUE(fncReportText().contains(QStringLiteral("File not found")));
    EXPECT_FALSE(fncReportText().contains(QStringLiteral("second")));
}

// In another language column; with no step logged an empty line stands where the last step goes.
TEST_F(ErrorReport, SecondLanguageColumnEmptyLastStepAndTheCurrentException)
{
    LoadLanguages(intGerman);
    subResetErrorState(); // loading logged steps of its own
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_TRUE(hvtest::endsProgram(
        [] { subHandleError(QStringLiteral("Boom"), -2147220503, 0, QStringLiteral("Main")); }));
    EXPECT_TRUE(fncReportText().contains(
        QStringLiteral("Dieser Fehler ist aufgetreten: :\r\n\r\n\r\nDie Fehlermeldung des Systems "
                       "lautete: :\r\nBoom\r\n#-2147220503\r\n")))
        << fncReportText().toStdString();

    // The current exception is reported with its number; an end passes through.
    subResetErrorState();
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_TRUE(hvtest::endsProgram([] {
        try {
            throw cHVError(lngObjectError + 1002, QStringLiteral("modRegistryEntry"),
                QStringLiteral("Key may not be empty"));
        } catch (...) {
            subHandleCurrentException(QStringLiteral("cPersonalSettings.SaveSettings"));
        }
    }));
    EXPECT_TRUE(
        fncReportText().contains(QStringLiteral("Key may not be empty\r\n#-2147220502\r\n")));
    EXPECT_TRUE(fncReportText().contains(QStringLiteral(": cPersonalSettings.SaveSettings \r\n")));

    subResetErrorState();
    cMessageBox::clearHistory();
    EXPECT_TRUE(hvtest::endsProgram([] {
        try {
            throw cProgramEnded { 0 };
        } catch (...) {
            subHandleCurrentException(QStringLiteral("Main"));
        }
    }));
    EXPECT_TRUE(cMessageBox::history().isEmpty());
}

TEST_F(ErrorReport, YesOpensTheMailWithSubjectAndBody)
{
    subSetOutlookVersionProvider([] { return QStringLiteral("khal 0.11"); });
    subLog(QStringLiteral("Opening Provider=SQLOLEDB.1;Password=s3cr&t;User ID=sa"));
    cMessageBox::setNextAnswer(cMessageBox::Answer::Yes);
    EXPECT_TRUE(hvtest::endsProgram([] {
        subHandleError(
            QStringLiteral("Login failed; Password=s3cr&t"), 5, 7, QStringLiteral("fncOpen"));
    }));
    ASSERT_EQ(hvtest::openedMailUrls().size(), 1);
    const QUrl url = hvtest::openedMailUrls().first();
    EXPECT_EQ(url.toString(QUrl::RemoveQuery), QStringLiteral("mailto:") + strSupportAddress);
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
        "Error in Hourvane for Outlook Personal Settings SU " + fncProgramVersion() + " ("
            + fncKernelText() + ")");
    const QString body = query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded);
    EXPECT_EQ(body, fncReportText());
    EXPECT_TRUE(
        body.endsWith(QStringLiteral("Error on line: 7\r\nOutlook Version: khal 0.11\r\n")));
    // The password is in neither the box, the report nor the mail.
    EXPECT_FALSE(cMessageBox::history().first().strText.contains(QStringLiteral("s3cr")));
    EXPECT_FALSE(QUrl::fromPercentEncoding(url.toEncoded()).contains(QStringLiteral("s3cr")));
    EXPECT_TRUE(body.contains(QStringLiteral("Password=****;User ID=sa")));
}

TEST_F(ErrorReport, AMailThatCannotBeOpenedIsSaidOnce)
{
    hvtest::setMailOpenerFails(true);
    cMessageBox::setNextAnswer(cMessageBox::Answer::Yes);
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    EXPECT_TRUE(hvtest::endsProgram(
        [] { subHandleError(QStringLiteral("x"), 1, 0, QStringLiteral("p")); }));
    ASSERT_EQ(cMessageBox::history().size(), 2);
    EXPECT_EQ(cMessageBox::history().at(1).strText,
        QStringLiteral("Failed to send error email using MS Outlook!"));
    EXPECT_EQ(cMessageBox::history().at(1).icon, cMessageBox::Icon::Critical);
    EXPECT_EQ(cMessageBox::history().at(1).buttons, cMessageBox::Buttons::Ok);
}

TEST_F(ErrorReport, AnEndDuringTheVersionLookupIsNotSwallowed)
{
    int intHookRuns = 0;
    subAddEndHook([&] { ++intHookRuns; });
    // The calendar program could not be started: its own code ends the program.
    subSetOutlookVersionProvider([]() -> QString { subEndProgram(3); });
    cMessageBox::setNextAnswer(cMessageBox::Answer::Yes);
    int intCode = -1;
    EXPECT_TRUE(hvtest::endsProgram(
        [] { subHandleError(QStringLiteral("x"), 1, 0, QStringLiteral("p")); }, &intCode));
    EXPECT_EQ(intCode, 3);
    EXPECT_TRUE(hvtest::openedMailUrls().isEmpty());
    EXPECT_EQ(intHookRuns, 1);
}

TEST(PasswordMasking, NoPieceOfAGeneratedPasswordSurvivesAndTheRestStays)
{
    std::mt19937 random(20260306);
    const auto pick
        = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const QString alphabet = QStringLiteral("abcxyzQRS0189;=\"'{} ");
    const auto spaces = [&] { return QString(pick(3), QLatin1Char(' ')); };
    int intPieces = 0;
    for (int intCase = 0; intCase < 3000; ++intCase) {
        QString password;
        for (int i = 3 + pick(14); i > 0; --i)
            password += alphabet.at(pick(static_cast<int>(alphabet.size())));
        // Bare only where the parser would read the value back whole; else "...", '...' or {...}.
        const bool blnBareReadable = !password.contains(QLatin1Char(';'))
            && !QStringLiteral("\"'{ ").contains(password.at(0));
        const int intStyle = blnBareReadable ? pick(4) : 1 + pick(3);
        QString key = pick(2) ? QStringLiteral("password") : QStringLiteral("pwd");
        for (QChar& ch : key)
            ch = pick(2) ? ch.toUpper() : ch;
        key = spaces() + key + spaces() + QLatin1Char('=') + spaces();
        const QString user = QStringLiteral("U%1").arg(pick(100000));
        const QString host = QStringLiteral("H%1:1433").arg(pick(100000));
        QStringList parts
            = { QStringLiteral("Provider=SQLOLEDB.1"), QStringLiteral("Persist Security Info=True"),
                  QStringLiteral("User ID") + spaces() + QLatin1Char('=') + user,
                  QStringLiteral("Data Source=") + host, QString() };
        std::shuffle(parts.begin(), parts.end(), random);
        const QString prefix
            = pick(2) ? QStringLiteral("Trying to open a connection with the string ") : QString();
        const QString suffix = pick(2) ? QStringLiteral("\r\nLogin failed for U9") : QString();
        // As the logon dialog, a hand-edited connection file or an ODBC string writes it. The same
        // layout with an empty password gives what the masked text may hold anyway.
        const auto text = [&](QString value) -> QString {
            if (intStyle > 0) {
                const QChar close = QStringLiteral("\"'}").at(intStyle - 1);
                value = QStringLiteral("\"'{").at(intStyle - 1)
                    + value.replace(close, QString(2, close)) + close;
            }
            QStringList all = parts;
            all[all.indexOf(QString())] = key + value;
            return prefix + all.join(QLatin1Char(';')) + suffix;
        };

        const QString masked = fncMaskPasswords(text(password));
        const QString reference = fncMaskPasswords(text(QString()));
        for (qsizetype i = 0; i + 3 <= password.size(); ++i) {
            const QString piece = password.mid(i, 3);
            if (reference.contains(piece))
                continue;
            ++intPieces;
            ASSERT_FALSE(masked.contains(piece))
                << "\"" << piece.toStdString() << "\" survives in: " << text(password).toStdString()
                << "\n -> " << masked.toStdString();
        }
        EXPECT_TRUE(masked.contains(user) && masked.contains(host) && masked.endsWith(suffix))
            << text(password).toStdString() << "\n -> " << masked.toStdString();
    }
    EXPECT_GT(intPieces, 10000);
    // A "Password=" inside another value does not hide the real one.
    EXPECT_EQ(fncMaskPasswords(QStringLiteral("Data Source=h:Password=\"x;Password=\"Qv3;Lm=Rt8")),
        QStringLiteral("Data Source=h:Password=****"));
}

TEST(StepLog, WritesTitleDateInTheGeneralFormatAndStepSeparatedByTabs)
{
    QFile::remove(fncLogFilePath());
    subSetFileLogging(true);
    const QDateTime before = QDateTime::currentDateTime();
    subLog(QStringLiteral("Attempting to start MS Outlook 2000 or later"));
    subLog(QString());
    subLog(QStringLiteral("Opening Password=geheim;User ID=sa"));
    EXPECT_EQ(fncGetLastStep(), QStringLiteral("Opening Password=geheim;User ID=sa"));
    const QString log = QString::fromUtf8(hvtest::readFile(fncLogFilePath()));
    ASSERT_TRUE(log.endsWith(strCrLf));
    const QStringList lines = log.chopped(2).split(strCrLf);
    ASSERT_EQ(lines.size(), 2) << "an empty step writes no line";
    const QStringList fields = lines.at(0).split(QLatin1Char('\t'));
    ASSERT_EQ(fields.size(), 3);
    EXPECT_EQ(fields.at(0), strProgramTitle);
    EXPECT_EQ(fields.at(2), QStringLiteral("Attempting to start MS Outlook 2000 or later"));
    // The time stamp is this run's local time in the general format (to the second).
    const QDateTime after = QDateTime::currentDateTime();
    EXPECT_TRUE(
        fields.at(1) == fncGeneralDateTime(before) || fields.at(1) == fncGeneralDateTime(after))
        << fields.at(1).toStdString();
    EXPECT_FALSE(fields.at(1).contains(QLatin1Char('\t')));
    EXPECT_EQ(lines.at(1).section(QLatin1Char('\t'), 2),
        QStringLiteral("Opening Password=****;User ID=sa"));
    // It names servers and users: readable by its owner alone.
    const QFileDevice::Permissions userBits
        = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    EXPECT_EQ(QFile::permissions(fncLogFilePath()) & ~userBits,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // With the flag off nothing is written, but the step is still kept.
    subSetFileLogging(false);
    QFile::remove(fncLogFilePath());
    subLog(QStringLiteral("Reading phrases"));
    EXPECT_EQ(fncGetLastStep(), QStringLiteral("Reading phrases"));
    EXPECT_FALSE(QFile::exists(fncLogFilePath()));

    // The general date and time: the short date and the long time, without the zone.
    const QDateTime when(QDate(2026, 3, 9), QTime(14, 5, 7));
    const QString text = fncGeneralDateTime(when);
    EXPECT_TRUE(text.startsWith(
        QLocale::system().toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')));
    EXPECT_TRUE(text.contains(QStringLiteral("05:07")) || text.contains(QStringLiteral("5:07")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(when.timeZoneAbbreviation())) << text.toStdString();
}
