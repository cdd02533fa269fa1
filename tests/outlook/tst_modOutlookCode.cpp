#include "OutlookTestSupport.h"
#include "modOutlookCode.h"
#include "modPhrases.h"

#include <QDir>

using namespace hvtest;

namespace {
constexpr qint16 intEnglish = 4;

class Session : public CalendarTest
{
protected:
    // The start-up order of the program: start, take the active folder, and fall back to the
    // default calendar when the active folder holds no appointments.
    cOlFolderPtr startSession()
    {
        subStartOutlook(olFolderInbox);
        subFindActiveFolder(olFolderCalendar);
        if (!fncCurrentFolder() || fncCurrentFolder()->DefaultItemType() != olAppointmentItem)
            subSetCurrentFolder(fncOutlookNameSpace()->GetDefaultFolder(olFolderCalendar));
        return fncCurrentFolder();
    }

    // Ends this session and opens a new one on the same folder, as the next run would.
    cOlAppointmentItemPtr settingsFromFreshSession()
    {
        subResetOutlookState();
        startSession();
        return fncGetSettingsAppointment();
    }

    cOlAppointmentItemPtr newSettingsAppointment()
    {
        startSession()->AddAppointment(strSettingsSubject, dteSettingsDate);
        return fncGetSettingsAppointment();
    }
};

// ---- long properties and typed values ----

// A text of the given length made of the characters that are hardest to carry.
QString awkwardText(qsizetype length)
{
    const QString pattern = QStringLiteral("2\r\nC:\\Data\\;\"q\",Æ日; x\r\n");
    QString text;
    while (text.size() < length)
        text += pattern;
    text.truncate(length);
    return text;
}

// Never written or no item reads empty. Texts come back whole from a fresh session (one split
// inside a surrogate pair too), each rewrite replacing the longer one before it, in pieces of
// 1000 characters whose last index rounds half to even as the other program's readers expect.
TEST_F(Session, LongPropertiesComeBackInTheirPiecesAndTypedValuesByTheReadingRules)
{
    EXPECT_EQ(fncGetLongProperty(nullptr, QStringLiteral("Settings")), QString());
    auto item = newSettingsAppointment();
    EXPECT_EQ(fncGetLongProperty(item, QStringLiteral("Settings")), QString());
    const QString split = QString(999, QLatin1Char('a')) + QString::fromUtf8("\xF0\x9F\x98\x80")
        + awkwardText(1499);
    for (const auto& [text, lastIndex] :
        { std::pair { split, 2 }, { awkwardText(1500), 2 }, { QStringLiteral("short"), 0 } }) {
        subFixLongProperty(item, text, QStringLiteral("Settings"));
        item->Save();
        item = settingsFromFreshSession();
        EXPECT_EQ(fncGetLongProperty(item, QStringLiteral("Settings")), text);
        EXPECT_EQ(
            valueOf(item->UserProperties(), QStringLiteral("SettingsCount")).toInt(), lastIndex);
        EXPECT_EQ(valueOf(item->UserProperties(), QStringLiteral("Settings2")).toString(),
            text.mid(2000));
    }
    EXPECT_EQ(icsProblems(readFile(item->FilePath())), "");

    // Typed values, each rule on a property of its own read back from a fresh session; integers
    // and Booleans come back as those types, not as the stored one.
    const QVariant vEmpty = QString();
    const struct
    {
        int propType; // 0: the property is missing
        QVariant stored;
        qint16 askedType;
        QVariant def;
        QVariant expected;
    } cases[] = { { 0, {}, vbInteger, vEmpty, 0 }, { 0, {}, vbInteger, QStringLiteral("8"), 8 },
        { 0, {}, vbInteger, 2.5, 2 }, { 0, {}, vbInteger, QStringLiteral("x"), 0 },
        { 0, {}, vbString, QStringLiteral("d"), QStringLiteral("d") },
        { 0, {}, vbBoolean, vEmpty, false }, { 0, {}, vbBoolean, -1, true },
        { 0, {}, vbDate, vEmpty, QVariant() }, { 0, {}, vbDouble, 0.25, 0.25 },
        { olNumber, 12, vbInteger, vEmpty, 12 }, { olNumber, 7.5, vbInteger, vEmpty, 8 },
        { olNumber, 6.5, vbInteger, vEmpty, 6 }, { olNumber, 40000, vbInteger, vEmpty, 0 },
        { olText, QStringLiteral(" 42 "), vbInteger, vEmpty, 42 },
        { olText, QStringLiteral("abc"), vbInteger, 5, 0 },
        { olText, QStringLiteral("6,5"), vbInteger, vEmpty, 6 },
        { olYesNo, true, vbInteger, vEmpty, -1 },
        { olText, QStringLiteral("v;\r\n"), vbString, QStringLiteral("d"),
            QStringLiteral("v;\r\n") },
        { olText, vEmpty, vbString, QStringLiteral("d"), QStringLiteral("d") },
        { olYesNo, true, vbString, vEmpty, QStringLiteral("True") },
        { olYesNo, true, vbBoolean, vEmpty, true },
        { olText, QStringLiteral("FALSE"), vbBoolean, vEmpty, false },
        { olNumber, 2, vbBoolean, vEmpty, true },
        { olText, QStringLiteral("maybe"), vbBoolean, vEmpty, false },
        { olNumber, 7.5, vbDouble, vEmpty, 7.5 },
        { olText, QStringLiteral("0,75"), vbDouble, vEmpty, 0.75 },
        { olDateTime, QDateTime(QDate(2050, 1, 1), QTime(8, 0)), vbDate, vEmpty,
            QDateTime(QDate(2050, 1, 1), QTime(8, 0)) } };
    for (int i = 0; i < int(std::size(cases)); ++i) {
        if (cases[i].propType != 0)
            item->UserProperties()
                .Add(QStringLiteral("Prop%1").arg(i), cases[i].propType)
                ->setValue(cases[i].stored);
    }
    item->Save();
    const auto back = settingsFromFreshSession();
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(i);
        const QVariant got
            = fncGetOutlookValue(back, QStringLiteral("prop%1").arg(i), c.askedType, c.def);
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(got.typeId(),
            c.askedType == vbInteger       ? QMetaType::Short
                : c.askedType == vbBoolean ? QMetaType::Bool
                                           : c.expected.typeId());
    }
}

TEST_F(Session, FailedPieceIsReportedOnceUnlessSilentAndTheRestIsStillWritten)
{
    LoadLanguages(intEnglish);
    const auto item = newSettingsAppointment();
    item->UserProperties().Add(QStringLiteral("Settings1"), olNumber);
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    subFixLongProperty(item, awkwardText(2000), QStringLiteral("Settings"));
    ASSERT_EQ(cMessageBox::history().size(), 1);
    EXPECT_EQ(cMessageBox::history().at(0).strText,
        QStringLiteral("Failed to save Settings ") + fncPhrase("LNGCHECKPERM"));
    EXPECT_EQ(valueOf(item->UserProperties(), QStringLiteral("Settings2")).toString(),
        awkwardText(2000).mid(2000));
    EXPECT_EQ(valueOf(item->UserProperties(), QStringLiteral("SettingsCount")).toInt(), 2);

    cMessageBox::clearHistory();
    subFixLongProperty(item, awkwardText(2000), QStringLiteral("Settings"), true);
    EXPECT_TRUE(cMessageBox::history().isEmpty());
}

// ---- starting the session ----

TEST_F(Session, StartCreatesTheCalendarThenAttachesToItWithVersionNineOrLater)
{
    ASSERT_FALSE(QFileInfo::exists(calendarPath()));
    subStartOutlook(olFolderInbox);
    ASSERT_TRUE(fncOutlookApplication());
    EXPECT_FALSE(fncOutlookApplication()->Attached());
    EXPECT_TRUE(QFileInfo(calendarPath()).isDir());
    EXPECT_EQ(fncGetOutlookVersion(), 12);
    subFindActiveFolder(olFolderCalendar); // the calendar by default
    ASSERT_TRUE(fncCurrentFolder());
    EXPECT_EQ(fncCurrentFolder()->Path(), QDir::cleanPath(calendarPath()));

    subReleaseOutlook();
    EXPECT_FALSE(fncOutlookApplication());
    EXPECT_FALSE(fncOutlookNameSpace());
    EXPECT_FALSE(fncCurrentFolder());
    subStartOutlook(olFolderInbox);
    EXPECT_TRUE(fncOutlookApplication()->Attached());

    // Nine is enough, and the version read first is kept for the run; below nine the program
    // ends saying which version it found.
    subResetOutlookState();
    LoadLanguages(intEnglish);
    cOlApplication::setVersionText(QStringLiteral("9.0.0.2711"));
    EXPECT_EQ(fncGetOutlookVersion(), 9); // opens the session itself
    EXPECT_TRUE(fncOutlookNameSpace());
    cOlApplication::setVersionText(QStringLiteral("11.0.0.8312"));
    EXPECT_EQ(fncGetOutlookVersion(), 9);
    subResetOutlookState();
    cOlApplication::setVersionText(QStringLiteral("8.5.0.1234"));
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    EXPECT_TRUE(endsProgram([] { subStartOutlook(olFolderInbox); }));
    ASSERT_EQ(cMessageBox::history().size(), 1);
    const auto& box = cMessageBox::history().at(0);
    EXPECT_EQ(box.strText, fncPhrase("LNGO2KNEEDED") + QStringLiteral("\r\n8"));
    EXPECT_EQ(box.icon, cMessageBox::Icon::Critical);
    EXPECT_EQ(box.strTitle, QStringLiteral("Hourvane for Outlook Personal Settings SU"));
}

// A calendar path below a file (it cannot be created), or a file itself: the program ends
// with a failure status and a message naming the folder, and the file is kept.
TEST_F(Session, CalendarThatCannotBeHadEndsTheProgramAndAGoodOneGivesTheUserName)
{
    const QString file = newTempDir() + QStringLiteral("/file");
    writeFile(file, "not a folder");
    for (const QString& path : QStringList { file + QStringLiteral("/calendar"), file }) {
        cMessageBox::clearHistory();
        useCalendar(path);
        cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
        int intExitCode = 0;
        EXPECT_TRUE(endsProgram([] { subStartOutlook(olFolderInbox); }, &intExitCode));
        EXPECT_NE(intExitCode, 0);
        ASSERT_EQ(cMessageBox::history().size(), 1);
        const auto& box = cMessageBox::history().at(0);
        EXPECT_TRUE(box.strText.contains(path + QLatin1Char(' '))) << box.strText.toStdString();
        EXPECT_TRUE(box.strText.contains(QStringLiteral("HOURVANE_CALENDAR")));
        EXPECT_EQ(box.buttons, cMessageBox::Buttons::Ok);
        EXPECT_FALSE(fncOutlookApplication());
        EXPECT_EQ(readFile(file), QByteArray("not a folder"));
    }
    // The user's name needs the calendar too.
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    EXPECT_TRUE(endsProgram([] { fncGetUserName(); }));

    // A displayname file of the mailbox folder, or else the folder's own name, gives the user's
    // name after the first " - "; other names give the login name.
    qputenv("USER", "loginname");
    const std::pair<const char*, const char*> cases[] = { { "Mailbox - Anna Berg", "Anna Berg" },
        { "Mailbox -   Anna Berg  \n", "Anna Berg" }, { "Mailbox - Berg - Sales", "Berg - Sales" },
        { "Berg, Anna", "Berg, Anna" }, { "Mailbox - Berg, Anna", "Berg, Anna" },
        { "Postkasse - Åse Ødegård", "Åse Ødegård" }, { "Personal Folders", "loginname" },
        { "Mailbox-Anna", "loginname" }, { nullptr, "Eva Lund" } };
    for (const auto& [folderName, expected] : cases) {
        SCOPED_TRACE(expected);
        subResetOutlookState();
        QString top = newTempDir(QStringLiteral("box"));
        if (folderName)
            writeFile(QDir(top).filePath(QStringLiteral("displayname")), folderName);
        else
            top += QStringLiteral("/Mailbox - Eva Lund");
        useCalendar(top + QStringLiteral("/calendar"));
        EXPECT_EQ(fncGetUserName(), QString::fromUtf8(expected));
        EXPECT_EQ(fncCurrentUserName(), QString::fromUtf8(expected));
    }
}

// ---- folders and the settings appointment ----

// No folder, another subject, a task of that subject and a damaged file are no settings
// appointment; the damaged file is kept as it was. An active inbox holds none until the calendar
// replaces it.
TEST_F(Session, OnlyAnAppointmentOfTheSubjectInTheCalendarIsTheSettingsAppointment)
{
    EXPECT_EQ(fncGetSettingsAppointment(), nullptr);
    const auto folder = startSession();
    folder->AddAppointment(QStringLiteral("Something else"), dteSettingsDate);
    writeFile(QDir(folder->Path()).filePath(QStringLiteral("task.ics")),
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTODO\r\nUID:t\r\n"
        "SUMMARY:Outlook Hourvane 3 Personal Settings\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
    const QString damaged = QDir(folder->Path()).filePath(QStringLiteral("0-damaged.ics"));
    const QByteArray bytes
        = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:Outlook Hourvane 3 Personal";
    writeFile(damaged, bytes);
    EXPECT_EQ(fncGetSettingsAppointment(), nullptr);
    folder->AddAppointment(strSettingsSubject, dteSettingsDate);
    const auto item = fncGetSettingsAppointment();
    ASSERT_TRUE(item);
    subFixLongProperty(item, QStringLiteral("body"), QStringLiteral("Settings"));
    item->Save();
    EXPECT_EQ(readFile(damaged), bytes);

    subResetOutlookState();
    cOlApplication::setActiveFolderType(olFolderInbox);
    subStartOutlook(olFolderInbox);
    subFindActiveFolder(olFolderCalendar);
    ASSERT_TRUE(fncCurrentFolder());
    EXPECT_EQ(fncCurrentFolder()->DefaultItemType(), olMailItem);
    EXPECT_EQ(fncCurrentFolder()->Name(), QStringLiteral("Inbox"));
    EXPECT_EQ(fncGetSettingsAppointment(), nullptr);
    subSetCurrentFolder(fncOutlookNameSpace()->GetDefaultFolder(olFolderCalendar));
    ASSERT_TRUE(fncGetSettingsAppointment());
    EXPECT_EQ(fncGetSettingsAppointment()->Start(), dteSettingsDate);
}

} // namespace
