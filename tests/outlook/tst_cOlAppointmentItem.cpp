#include "OutlookTestSupport.h"
#include "cOlApplication.h"
#include "olConstants.h"

#include <QDir>
#include <QRegularExpression>
#include <libical/ical.h>

using namespace hvtest;

namespace {
// Characters that libical and iCalendar treat specially, and text beyond ASCII.
const QString strAwkward
    = QStringLiteral("Line one;\r\nsecond, \"quoted\" \\back\\slash\\n;;\r\n\r\n\tTab, Æøå Größe "
                     "日本語 \x01\b\f\r end");

// Another program reads the file with libical, optionally edits the event, and writes it back.
void subRewriteWithLibical(const QString& path, void (*edit)(icalcomponent*) = nullptr)
{
    icalcomponent* root = icalparser_parse_string(readFile(path).constData());
    if (edit)
        edit(icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT));
    char* out = icalcomponent_as_ical_string_r(root);
    writeFile(path, QByteArray(out));
    icalmemory_free_buffer(out);
    icalcomponent_free(root);
}

class ItemStore : public CalendarTest
{
protected:
    void SetUp() override
    {
        CalendarTest::SetUp();
        app = cOlApplication::Start();
        calendar = app->GetNamespace(QStringLiteral("MAPI"))->GetDefaultFolder(olFolderCalendar);
    }

    // A fresh read from disk: nothing is carried over from the item that wrote it.
    cOlAppointmentItemPtr reread(const cOlAppointmentItemPtr& item) const
    {
        return cOlAppointmentItem::fromFile(item->FilePath());
    }

    cOlApplicationPtr app;
    cOlFolderPtr calendar;
};

TEST_F(ItemStore, NewAppointmentIsAWholeDayEventInItsOwnValidFileKeepingTextsExactly)
{
    const auto item = calendar->AddAppointment(QStringLiteral("Settings"), QDate(2050, 1, 1));
    ASSERT_EQ(QDir(calendarPath()).entryList(QDir::Files).size(), 1);
    const QByteArray bytes = readFile(item->FilePath());
    EXPECT_EQ(icsProblems(bytes), "");
    const QStringList lines = unfoldedLines(bytes);
    EXPECT_TRUE(lines.contains(QStringLiteral("DTSTART;VALUE=DATE:20500101")));
    EXPECT_TRUE(lines.contains(QStringLiteral("SUMMARY:Settings")));
    EXPECT_TRUE(lines.contains(QStringLiteral("UID:") + item->Uid()));
    EXPECT_EQ(QFileInfo(item->FilePath()).fileName(), item->Uid() + QStringLiteral(".ics"));

    const auto back = reread(item);
    EXPECT_EQ(back->Class(), olAppointment);
    EXPECT_EQ(back->Start(), QDate(2050, 1, 1));

    // Text fields come back exactly, and other programs see readable text.
    const auto awkward = calendar->AddAppointment(strAwkward, QDate(2050, 1, 1));
    awkward->setBody(strAwkward);
    const QString categories = QStringLiteral("Customer:Acme;Beta;\r\nTask:\r\nA, B,C");
    awkward->setCategories(categories);
    awkward->Save();

    const auto again = reread(awkward);
    EXPECT_EQ((QStringList { again->Subject(), again->Body(), again->Categories() }),
        (QStringList { strAwkward, strAwkward, categories }));

    // The plain properties stay usable for calendar programs that know nothing of ours.
    const QByteArray saved = readFile(awkward->FilePath());
    EXPECT_EQ(icsProblems(saved), "");
    icalcomponent* root = icalparser_parse_string(saved.constData());
    icalcomponent* ev = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT);
    EXPECT_STREQ(icalcomponent_get_description(ev),
        "Line one;\nsecond, \"quoted\" \\back\\slash\\n;;\n\n\tTab, Æøå Größe 日本語 \x01 end");
    EXPECT_GE(icalcomponent_count_properties(ev, ICAL_CATEGORIES_PROPERTY), 1);
    icalcomponent_free(root);
    // A text value escapes ";" (libical leaves it bare in CATEGORIES).
    EXPECT_TRUE(unfoldedLines(saved).contains(
        QStringLiteral("CATEGORIES:Customer:Acme\\;Beta\\;\\nTask:\\nA, B,C")))
        << saved.toStdString();
}

// Without a METHOD, DTSTAMP is the time of the last change: it moves with LAST-MODIFIED.
TEST_F(ItemStore, SaveMovesDtstampWithLastModified)
{
    const QString path = calendarPath() + QStringLiteral("/stamped.ics");
    writeFile(path,
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//T//EN\r\nBEGIN:VEVENT\r\nUID:stamped\r\n"
        "DTSTAMP:20000101T000000Z\r\nDTSTART;VALUE=DATE:20500101\r\nSUMMARY:S\r\n"
        "END:VEVENT\r\nEND:VCALENDAR\r\n");
    const auto item = cOlAppointmentItem::fromFile(path);
    item->setBody(QStringLiteral("changed"));
    item->Save();
    const QStringList lines = unfoldedLines(readFile(path));
    const QStringList modified = lines.filter(QStringLiteral("LAST-MODIFIED:"));
    ASSERT_EQ(modified.size(), 1);
    EXPECT_EQ(lines.filter(QStringLiteral("DTSTAMP:"))
                  .replaceInStrings(QStringLiteral("DTSTAMP:"), QStringLiteral("LAST-MODIFIED:")),
        modified);
}

// Our exact copies survive another libical program rewriting the file, unless it changed the
// plain field itself: then its text wins.
TEST_F(ItemStore, AnotherLibicalProgramRewritingTheFile)
{
    const auto item = calendar->AddAppointment(QStringLiteral("S"), QDate(2050, 1, 1));
    item->UserProperties().Add(QStringLiteral("Settings0"), olText)->setValue(strAwkward);
    item->setCategories(QStringLiteral("a,b;\r\n"));
    item->setBody(QStringLiteral("ours\r\nwith CR LF"));
    item->Save();
    subRewriteWithLibical(item->FilePath());
    auto back = reread(item);
    EXPECT_EQ(valueOf(back->UserProperties(), QStringLiteral("Settings0")).toString(), strAwkward);
    EXPECT_EQ(back->Categories(), QStringLiteral("a,b;\r\n"));
    EXPECT_EQ(back->Body(), QStringLiteral("ours\r\nwith CR LF"));

    subRewriteWithLibical(item->FilePath(),
        [](icalcomponent* ev) { icalcomponent_set_description(ev, "theirs\nnow"); });
    EXPECT_EQ(reread(item)->Body(), QStringLiteral("theirs\nnow"));
}

TEST_F(ItemStore, UserPropertiesKeepNameCaseTypeAndValueAndTheirNamesStayUnique)
{
    const auto item = calendar->AddAppointment(QStringLiteral("S"), QDate(2050, 1, 1));
    auto& props = item->UserProperties();
    const QDateTime when(QDate(2024, 2, 29), QTime(13, 45, 10));
    props.Add(QStringLiteral("strText"), olText)->setValue(strAwkward);
    props.Add(QStringLiteral("strEmpty"), olText);
    props.Add(QStringLiteral("intHours"), olNumber)->setValue(QStringLiteral("7.5"));
    props.Add(QStringLiteral("blnYes"), olYesNo)->setValue(true);
    props.Add(QStringLiteral("blnNo"), olYesNo)->setValue(QStringLiteral("False"));
    props.Add(QStringLiteral("dtmWhen"), olDateTime)->setValue(when);
    props.Add(QStringLiteral("Odd name: \"x\";y,z"), olText)->setValue(QStringLiteral("v"));
    // A surrogate pair cut in two across two values.
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString p0 = QStringLiteral("a") + smile.at(0);
    const QString p1 = smile.at(1) + smile;
    props.Add(QStringLiteral("P0"), olText)->setValue(p0);
    props.Add(QStringLiteral("P1"), olText)->setValue(p1);
    item->Save();

    const auto back = reread(item);
    QVariantList got;
    for (const cOlUserPropertyPtr& p : back->UserProperties().all())
        got << p->Name() << p->Type() << p->Value();
    EXPECT_EQ(got,
        (QVariantList { "strText", olText, strAwkward, "strEmpty", olText, QString(), "intHours",
            olNumber, 7.5, "blnYes", olYesNo, true, "blnNo", olYesNo, false, "dtmWhen", olDateTime,
            when, "Odd name: \"x\";y,z", olText, "v", "P0", olText, p0, "P1", olText, p1 }));
    EXPECT_EQ(valueOf(back->UserProperties(), QStringLiteral("odd NAME: \"x\";y,z")),
        QStringLiteral("v"));
    EXPECT_EQ(icsProblems(readFile(item->FilePath())), "");

    // Adding an existing name keeps it, or refuses another type.
    cOlUserProperties fresh;
    const auto first = fresh.Add(QStringLiteral("Settings0"), olText);
    EXPECT_EQ(fresh.Add(QStringLiteral("SETTINGS0"), olText), first);
    EXPECT_EQ(fresh.Count(), 1);
    EXPECT_THROW(fresh.Add(QStringLiteral("settings0"), olNumber), cHVError);
    EXPECT_THROW(
        fresh.Add(QStringLiteral("n"), olNumber)->setValue(QStringLiteral("abc")), cHVError);
    EXPECT_THROW(fresh.Add(QStringLiteral("t"), 42), cHVError);
}

// A file as another calendar program writes it (foreign.ics, its lines ended CR LF here): its
// own properties, parameters, an alarm, a time zone, a recurrence override and a property of a
// kind libical does not know.
TEST_F(ItemStore, SavingKeepsWhatOtherProgramsWrote)
{
    const QByteArray foreign = readFile(QStringLiteral(HV_FOREIGN_ICS)).replace("\n", "\r\n");
    ASSERT_FALSE(foreign.isEmpty()) << HV_FOREIGN_ICS;
    const QString path = QDir(calendarPath()).filePath(QStringLiteral("foreign.ics"));
    writeFile(path, foreign);
    const auto item
        = calendar->Items().Item(QStringLiteral("Outlook Hourvane 3 Personal Settings"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Body(), QStringLiteral("Old body"));
    // A property held twice reads as its last copy and is saved as one.
    EXPECT_EQ(valueOf(item->UserProperties(), QStringLiteral("RATE")), QVariant(2.0));
    item->setBody(QStringLiteral("New\r\nbody"));
    item->UserProperties().Add(QStringLiteral("Settings0"), olText)->setValue(QStringLiteral("x"));
    item->Save();

    const QByteArray bytes = readFile(path);
    EXPECT_EQ(icsProblems(bytes), "");
    const QStringList lines = unfoldedLines(bytes);
    // Every line of theirs stays but the body we changed, the stamps and the property held twice.
    const QRegularExpression changed(QStringLiteral("^(DESCRIPTION:Old|DTSTAMP|X-HOURVANE)"));
    for (const QString& line : unfoldedLines(foreign))
        EXPECT_TRUE(changed.match(line).hasMatch() || lines.contains(line)) << line.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("DESCRIPTION:New\\nbody")));
    EXPECT_FALSE(bytes.contains("Old body"));

    const auto back = reread(item);
    EXPECT_EQ(back->Body(), QStringLiteral("New\r\nbody"));
    EXPECT_EQ(valueOf(back->UserProperties(), QStringLiteral("settings0")).toString(),
        QStringLiteral("x"));
    EXPECT_EQ(valueOf(back->UserProperties(), QStringLiteral("rate")), QVariant(2.0));
    EXPECT_EQ(QString::fromUtf8(bytes).count(QStringLiteral("NAME=rate"), Qt::CaseInsensitive), 1);
}

TEST_F(ItemStore, DamagedFilesAreSkippedTheFirstMatchWinsAndFoldersHaveNames)
{
    const QDir dir(calendarPath());
    const std::pair<QString, QByteArray> damaged[] = {
        { dir.filePath(QStringLiteral("a-truncated.ics")),
            "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:Wanted\r\n" },
        { dir.filePath(QStringLiteral("b-binary.ics")), QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11) },
        { dir.filePath(QStringLiteral("c-noitem.ics")),
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nEND:VCALENDAR\r\n" },
    };
    for (const auto& [path, bytes] : damaged)
        writeFile(path, bytes);
    const auto good = calendar->AddAppointment(QStringLiteral("Wanted"), QDate(2050, 1, 1));

    const cOlItems items = calendar->Items();
    EXPECT_EQ(items.Count(), 1);
    const auto found = items.Item(QStringLiteral("wanted"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->FilePath(), good->FilePath());
    for (const auto& [path, bytes] : damaged)
        EXPECT_EQ(readFile(path), bytes) << path.toStdString();

    // The first matching subject wins, and tasks are no appointments.
    writeFile(dir.filePath(QStringLiteral("0-task.ics")),
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTODO\r\nUID:t\r\nSUMMARY:Twice\r\n"
        "END:VTODO\r\nEND:VCALENDAR\r\n");
    calendar->AddAppointment(QStringLiteral("Twice"), QDate(2050, 1, 1));
    const auto first = calendar->Items().Item(QStringLiteral("Twice"));
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->IsAppointment());
    EXPECT_EQ(calendar->Items().Item(QStringLiteral("Nothing like it")), nullptr);
    // Folder names come from displayname files or the directory.
    EXPECT_EQ(calendar->Name(), QStringLiteral("calendar"));
    EXPECT_EQ(calendar->DefaultItemType(), olAppointmentItem);
    const auto top = calendar->Parent();
    ASSERT_TRUE(top);
    EXPECT_TRUE(top->Name().startsWith(QStringLiteral("mailbox")));
    writeFile(QDir(top->Path()).filePath(QStringLiteral("displayname")), "Mailbox - Eva Lund\n");
    EXPECT_EQ(top->Name(), QStringLiteral("Mailbox - Eva Lund"));
    const auto inbox = app->GetNamespace(QStringLiteral("MAPI"))->GetDefaultFolder(olFolderInbox);
    EXPECT_EQ(inbox->DefaultItemType(), olMailItem);
    EXPECT_EQ(inbox->Parent()->Path(), top->Path());
    EXPECT_FALSE(QFileInfo::exists(inbox->Path()));
    EXPECT_THROW(app->GetNamespace(QStringLiteral("MAPI"))->GetDefaultFolder(3), cHVError);
    EXPECT_THROW(app->GetNamespace(QStringLiteral("OTHER")), cHVError);
}

TEST_F(ItemStore, ChangesOfOthersAndFilesWithUnreadablePartsAreNotOverwritten)
{
    const auto item = calendar->AddAppointment(QStringLiteral("S"), QDate(2050, 1, 1));
    const auto mine = reread(item);
    QByteArray theirs = readFile(item->FilePath());
    theirs.replace("SUMMARY:S", "SUMMARY:Renamed elsewhere");
    writeFile(item->FilePath(), theirs);
    mine->setBody(QStringLiteral("mine"));
    EXPECT_THROW(mine->Save(), cHVError);
    EXPECT_EQ(readFile(item->FilePath()), theirs);

    const auto again = reread(item);
    QFile::remove(item->FilePath());
    EXPECT_THROW(again->Save(), cHVError);
    EXPECT_FALSE(QFileInfo::exists(item->FilePath()));
    // Our own saves one after the other are not mistaken for another writer, and leave no
    // temporary files behind.
    const auto other = calendar->AddAppointment(QStringLiteral("T"), QDate(2050, 1, 1));
    for (int i = 0; i < 3; ++i) {
        other->setBody(QString::number(i));
        EXPECT_NO_THROW(other->Save());
    }
    EXPECT_EQ(QDir(calendarPath()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_EQ(reread(other)->Body(), QStringLiteral("2"));

    // A file with parts libical cannot read is read, but not overwritten.
    const QByteArray bad = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:x\r\n"
                           "DTSTART:notadate\r\nSUMMARY:Wanted\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    const QString path = QDir(calendarPath()).filePath(QStringLiteral("bad.ics"));
    writeFile(path, bad);
    const auto wanted = calendar->Items().Item(QStringLiteral("Wanted"));
    ASSERT_TRUE(wanted);
    wanted->setBody(QStringLiteral("changed"));
    EXPECT_THROW(wanted->Save(), cHVError);
    EXPECT_EQ(readFile(path), bad);
}

} // namespace
