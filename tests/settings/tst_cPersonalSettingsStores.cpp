#include "modPhrases.h"
#include "tst_cPersonalSettingsSupport.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace hvpersonaltest;

namespace {

const QString section = QStringLiteral("Settings");

QStringList icsFiles(const QString& strFolder)
{
    return QDir(strFolder).entryList({ QStringLiteral("*.ics") }, QDir::Files, QDir::Name);
}

QStringList unfoldedLines(QByteArray bytes)
{
    bytes.replace("\r\n ", "");
    return QString::fromUtf8(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

QString storeValue(const char* name)
{
    return fncReadRegistryValue(section, QString::fromLatin1(name), QStringLiteral("<absent>"));
}

// Every field away from its default; the rate beyond 16 bits.
cPersonalSettings everyFieldChanged()
{
    cPersonalSettings s;
    s.ReportChoice = 3;
    s.ReportValue = QStringLiteral("Provider=PostgreSQL;Data Source=db:5432;Initial Catalog=hv");
    s.PersonalRate = cCurrency::fromTenThousandths(1'234'567'500);
    s.FilterEvents = false;
    s.FilterPrivate = false;
    s.FilterRecurring = false;
    s.subPopulateMetadataList(
        QStringLiteral("Kunde:Ölwerk;Beta, Inc;\r\nTask:\r\nArea:North;\r\n"));
    s.Convert24 = true;
    s.Convert24Hours = QVariant(7.5);
    s.RemoveLunch = true;
    s.RemoveLunchHours = QVariant(0.25);
    s.CreateLocalCube = true;
    s.StartGrid = true;
    s.WriteSubject = true;
    return s;
}

// The calendar session is open, as in the program.
class PersonalStoresTest : public PersonalSettingsFixture
{
protected:
    void SetUp() override
    {
        PersonalSettingsFixture::SetUp();
        LoadLanguages(4); // English: messages are checked for their texts
        subStartOutlook(olFolderInbox);
        subFindActiveFolder(olFolderCalendar);
    }

    static cOlAppointmentItemPtr addSettingsAppointment(const QString& body = QString())
    {
        auto item = fncCurrentFolder()->AddAppointment(strSettingsSubject, dteSettingsDate);
        if (!body.isNull()) {
            subFixLongProperty(item, body, QStringLiteral("Settings"));
            item->Save();
        }
        return item;
    }

    static void setUserProperty(
        const cOlAppointmentItemPtr& item, const char* name, int type, const QVariant& value)
    {
        item->UserProperties().Add(QString::fromLatin1(name), type)->setValue(value);
        item->Save();
    }

    // What a new session finds on disk.
    static cOlAppointmentItemPtr reloadSettingsAppointment()
    {
        subResetOutlookState();
        auto item = cOlItems(cOlApplication::fncCalendarPath()).Item(strSettingsSubject);
        subStartOutlook(olFolderInbox);
        subFindActiveFolder(olFolderCalendar);
        return item;
    }
};

// The per-user store

const std::pair<const char*, bool cPersonalSettings::*> booleanFields[] = {
    { "FilterEvents", &cPersonalSettings::FilterEvents },
    { "FilterPrivate", &cPersonalSettings::FilterPrivate },
    { "FilterRecurring", &cPersonalSettings::FilterRecurring },
    { "Convert24", &cPersonalSettings::Convert24 },
    { "RemoveLunch", &cPersonalSettings::RemoveLunch },
    { "CreateLocalCube", &cPersonalSettings::CreateLocalCube },
    { "StartGrid", &cPersonalSettings::StartGrid },
    { "WriteSubject", &cPersonalSettings::WriteSubject },
};

enum class Path { Store, Calendar };

// One Boolean alone True in each case, the reader starting from the opposite values: a field
// read into another, or not read at all, shows.
class EveryFieldRoundTrip : public PersonalStoresTest,
                            public testing::WithParamInterface<std::tuple<Path, int>>
{
};

TEST_P(EveryFieldRoundTrip, ComesBackExactly)
{
    const auto [path, intTrue] = GetParam();
    addSettingsAppointment();
    cPersonalSettings a = everyFieldChanged();
    for (int i = 0; i < 8; ++i)
        a.*booleanFields[i].second = i == intTrue;
    // Numbers are written in one form whatever the locale.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    a.SaveSettings();
    // Each Boolean under its own name in the store (a swap of two names on both sides would
    // still round-trip); the pane fields are written for the add-in but never read back.
    QStringList stored;
    QStringList expected { "123456.75", "Kunde:Ölwerk;Beta, Inc;\r\nTask:\r\nArea:North;\r\n",
        "7.5", "185", "600", "2" };
    for (const char* name : { "PersonalRate", "MetadataList", "Convert24Hours", "PaneWidth",
             "PaneHeight", "PaneDockPos" })
        stored << storeValue(name);
    for (int i = 0; i < 8; ++i) {
        stored << storeValue(booleanFields[i].first);
        expected << QString::fromLatin1(i == intTrue ? "True" : "False");
    }
    EXPECT_EQ(stored, expected);
    if (path == Path::Calendar)
        QFile::remove(fncRegistryStorePath());
    reloadSettingsAppointment();

    cPersonalSettings b;
    for (const auto& [name, field] : booleanFields)
        b.*field = !(a.*field);
    b.Convert24Hours = 1;
    b.RemoveLunchHours = 2;
    EXPECT_TRUE(b.GetValuesFromSettings());
    EXPECT_EQ(fields(b), fields(a));
    EXPECT_TRUE(cMessageBox::history().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, EveryFieldRoundTrip,
    testing::Combine(testing::Values(Path::Store, Path::Calendar), testing::Range(-1, 8)),
    [](const auto& info) {
        const int i = std::get<1>(info.param);
        return std::string(std::get<0>(info.param) == Path::Store ? "store_" : "calendar_")
            + (i < 0 ? "none" : booleanFields[i].first);
    });

// What earlier copies wrote in the calendar under a comma locale, read under a point locale.
TEST_F(PersonalStoresTest, CommaTextsOfEarlierCopiesReadUnderAPointLocale)
{
    auto item
        = addSettingsAppointment(QStringLiteral("3\r\nsrv\r\n12,5\r\nTrue\r\nTrue\r\nTrue\r\n"));
    setUserProperty(item, "intRemoveLunchHours", olText, QStringLiteral("0,5"));
    cPersonalSettings s;
    s.GetValuesFromSettings();
    EXPECT_EQ(s.PersonalRate, cCurrency::fromTenThousandths(125'000));
    EXPECT_EQ(s.RemoveLunchHours.toDouble(), 0.5);
    EXPECT_TRUE(cMessageBox::history().isEmpty());
}

struct BadNumberCase
{
    const char* label;
    Path path;
    const char* key;
    const char* text;
};

// A stored number that cannot be read (not a number, beyond the amounts the rate holds) is
// named with its place in one message; it keeps its value and the rest still loads.
class BadStoredNumber : public PersonalStoresTest, public testing::WithParamInterface<BadNumberCase>
{
};

TEST_P(BadStoredNumber, IsReportedOnceAndTheRestLoads)
{
    const BadNumberCase& c = GetParam();
    const QString text = QString::fromUtf8(c.text);
    QString place = fncRegistryStorePath();
    if (c.path == Path::Store) {
        subWriteRegistryValues(section,
            { { QStringLiteral("ReportChoice"), QStringLiteral("3") },
                { QStringLiteral("FilterEvents"), QStringLiteral("False") },
                { QString::fromLatin1(c.key), text } });
    } else {
        const auto item = addSettingsAppointment(QStringLiteral("3\r\nsrv\r\n") + text
            + QStringLiteral("\r\nFalse\r\nTrue\r\nTrue\r\n"));
        place = item->FilePath();
    }
    cPersonalSettings s;
    s.PersonalRate = cCurrency::fromTenThousandths(77);
    s.Convert24Hours = 3;
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    EXPECT_TRUE(s.GetValuesFromSettings());
    ASSERT_EQ(cMessageBox::history().size(), 1);
    const QString box = cMessageBox::history().at(0).strText;
    EXPECT_TRUE(box.contains(place)) << box.toStdString();
    EXPECT_TRUE(box.contains(
        QString::fromLatin1(c.key) + QStringLiteral("): \"") + text + QLatin1Char('"')))
        << box.toStdString();
    EXPECT_FALSE(s.FilterEvents);
    if (c.key == std::string("PersonalRate")) {
        EXPECT_EQ(s.PersonalRate, cCurrency::fromTenThousandths(77));
    } else {
        EXPECT_EQ(s.Convert24Hours.toDouble(), 3.0);
    }
}

const BadNumberCase badNumberCases[] = {
    { "store_rate_text", Path::Store, "PersonalRate", "zwölf" },
    { "store_rate_beyond_range", Path::Store, "PersonalRate", "922337203685477.5808" },
    { "store_rate_grouped", Path::Store, "PersonalRate", "1.234,5" },
    { "store_hours_text", Path::Store, "Convert24Hours", "eight" },
    { "calendar_rate_text", Path::Calendar, "PersonalRate", "12a" },
    { "calendar_rate_beyond_range", Path::Calendar, "PersonalRate", "-922337203685477.5809" },
};
INSTANTIATE_TEST_SUITE_P(Cases, BadStoredNumber, testing::ValuesIn(badNumberCases),
    [](const auto& info) { return std::string(info.param.label); });

// The comma texts as earlier copies wrote them under a comma locale, read under a point locale.
TEST_F(PersonalStoresTest, ChoiceAndNumbersStoredGiveTheReadDefaultsForTheRest)
{
    subWriteRegistryValues(section,
        { { QStringLiteral("ReportChoice"), QStringLiteral("3") },
            { QStringLiteral("PersonalRate"), QStringLiteral("12,5") },
            { QStringLiteral("RemoveLunchHours"), QStringLiteral("0,5") } });
    cPersonalSettings s;
    s.subPopulateMetadataList(QStringLiteral("Customer:Acme;\r\n"));
    EXPECT_TRUE(s.GetValuesFromSettings());
    EXPECT_EQ(fields(s),
        (QStringList { "3", programFolder + QLatin1Char('/'), "12.5", "True", "True", "True",
            "True", "8", "True", "0.5", "True", "True", "True", "Customer=Acme" }));
    EXPECT_TRUE(cMessageBox::history().isEmpty());
}

// The store is read first; the calendar copy wins once another copy wrote it after this
// machine's last save (what a sync tool brings from another machine).
TEST_F(PersonalStoresTest, StoreWinsUntilTheCalendarCopyChangesElsewhere)
{
    cPersonalSettings a = everyFieldChanged();
    a.SaveSettings();
    subWriteRegistryValue(section, QStringLiteral("ReportValue"), QStringLiteral("from store"));
    cPersonalSettings fromStore;
    fromStore.GetValuesFromSettings();
    EXPECT_EQ(fromStore.ReportValue, QStringLiteral("from store"));

    const auto item = reloadSettingsAppointment();
    ASSERT_TRUE(item);
    subFixLongProperty(item, QStringLiteral("3\r\nfrom calendar\r\n1\r\nTrue\r\nTrue\r\nTrue\r\n"),
        QStringLiteral("Settings"));
    setUserProperty(item, "blnStartGrid", olYesNo, false);
    cPersonalSettings fromCalendar;
    fromCalendar.GetValuesFromSettings();
    EXPECT_EQ(fromCalendar.ReportValue, QStringLiteral("from calendar"));
    EXPECT_FALSE(fromCalendar.StartGrid);
    EXPECT_EQ(fromCalendar.RemoveLunchHours.toDouble(), 0.25);
}

TEST_F(PersonalStoresTest, DamagedStoreValueIsReportedAndChangesNothing)
{
    subWriteRegistryValue(section, QStringLiteral("ReportChoice"), QStringLiteral("3"));
    subWriteRegistryValue(section, QStringLiteral("ReportValue"), QStringLiteral("server"));
    subWriteRegistryValue(section, QStringLiteral("FilterRecurring"), QStringLiteral("perhaps"));
    cPersonalSettings s;
    const QStringList before = fields(s);
    expectReportedError(
        [&] { s.GetValuesFromSettings(); }, "cPersonalSettings.GetValuesFromSettings");
    EXPECT_TRUE(cMessageBox::history().value(0).strText.contains(QStringLiteral("perhaps")));
    EXPECT_EQ(fields(s), before);
}

// The settings appointment

enum class Unsaved { Damaged, ReadOnly };

// The travelling copy cannot be updated: the store is still written, the file stays as it was,
// and one message says so and why.
class CalendarCopyNotUpdated : public PersonalStoresTest,
                               public testing::WithParamInterface<Unsaved>
{
};

TEST_P(CalendarCopyNotUpdated, IsToldAfterTheStoreIsWritten)
{
    QString path = cOlApplication::fncCalendarPath() + QStringLiteral("/other.ics");
    if (GetParam() == Unsaved::Damaged) {
        // Another program's item with a value libical cannot read: it must not be rewritten.
        hvtest::writeFile(path,
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nBEGIN:VEVENT\r\n"
            "UID:other-1\r\nSUMMARY:Outlook Hourvane 3 Personal Settings\r\n"
            "DTSTART;VALUE=DATE:20500101\r\nDTEND:not-a-date\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    } else {
        path = addSettingsAppointment(QStringLiteral("2\r\nold\r\n"))->FilePath();
    }
    const QByteArray before = hvtest::readFile(path);
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    hvtest::runUnprivileged([&](const QString&) {
        if (GetParam() == Unsaved::ReadOnly)
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadOther);
        subResetOutlookState();
        subStartOutlook(olFolderInbox);
        subFindActiveFolder(olFolderCalendar);
        everyFieldChanged().SaveSettings();
        ASSERT_EQ(cMessageBox::history().size(), 1);
        const QString box = cMessageBox::history().at(0).strText;
        EXPECT_EQ(box.count(QStringLiteral("their copy in the calendar (") + path
                      + QStringLiteral(") was not updated: ")),
            1)
            << box.toStdString();
        EXPECT_TRUE(box.contains(fncPhrase(
            GetParam() == Unsaved::Damaged ? "LNGCALENDARCOPYDAMAGED" : "LNGCALENDARCOPYREADONLY")))
            << box.toStdString();
    });
    EXPECT_EQ(hvtest::readFile(path), before);
    EXPECT_EQ(storeValue("ReportValue"), everyFieldChanged().ReportValue);
}

INSTANTIATE_TEST_SUITE_P(Cases, CalendarCopyNotUpdated,
    testing::Values(Unsaved::Damaged, Unsaved::ReadOnly), [](const auto& info) {
        return std::string(info.param == Unsaved::Damaged ? "damaged" : "read_only");
    });

// A body too short to be read still gives the user properties.
TEST_F(PersonalStoresTest, AppointmentUserPropertiesFillTheOptionsMissingOnesKeepTheirValue)
{
    auto item = addSettingsAppointment(QStringLiteral("3\r\nsrv\r\n0\r\nTrue"));
    setUserProperty(item, "blnConvert24", olYesNo, true);
    setUserProperty(item, "intConvert24Hours", olNumber, 6.5);
    setUserProperty(item, "blnRemoveLunch", olYesNo, true);
    setUserProperty(item, "intRemoveLunchHours", olNumber, 1);
    setUserProperty(item, "blnWriteSubject", olYesNo, false);
    reloadSettingsAppointment();

    cPersonalSettings s;
    s.WriteSubject = true;
    s.StartGrid = true;
    s.GetValuesFromSettings();
    EXPECT_EQ(fields(s),
        (QStringList { "2", programFolder + QLatin1Char('/'), "0", "True", "True", "True", "True",
            "6.5", "True", "1", "False", "True", "False" }));
}

TEST_F(PersonalStoresTest, NonNumericFirstLineTakesNothingFromTheAppointment)
{
    auto item = addSettingsAppointment(
        QStringLiteral("x\r\nsrv\r\n99\r\nFalse\r\nFalse\r\nFalse\r\nCustomer:Acme;\r\n"));
    setUserProperty(item, "blnConvert24", olYesNo, true);
    cPersonalSettings s;
    const QStringList before = fields(s);
    EXPECT_TRUE(s.GetValuesFromSettings());
    EXPECT_EQ(fields(s), before);
}

// Its categories hold the first 4000 characters of the lists, the store all.
TEST_F(PersonalStoresTest, SavingWithoutAnAppointmentCreatesItOnce)
{
    cPersonalSettings s = everyFieldChanged();
    QString list = QStringLiteral("Customer:");
    for (int i = 0; i < 600; ++i)
        list += QStringLiteral("Client%1;").arg(i, 4, 10, QLatin1Char('0'));
    list += QStringLiteral("\r\nTask:Design;\r\n");
    s.subPopulateMetadataList(list);
    const QString before = s.fncBuildBody();
    EXPECT_TRUE(s.GetValuesFromSettings());
    EXPECT_EQ(s.fncBuildBody(), before);
    s.SaveSettings();
    const QStringList files = icsFiles(cOlApplication::fncCalendarPath());
    ASSERT_EQ(files.size(), 1);
    const auto item = reloadSettingsAppointment();
    ASSERT_TRUE(item);
    EXPECT_EQ(files.at(0), item->Uid() + QStringLiteral(".ics"));
    EXPECT_EQ(item->Start(), dteSettingsDate);
    const QStringList lines = unfoldedLines(hvtest::readFile(item->FilePath()));
    EXPECT_TRUE(lines.contains(QStringLiteral("DTSTART;VALUE=DATE:20500101")));
    EXPECT_EQ(item->Body(), before);
    EXPECT_EQ(item->Categories(), list.left(4000));
    EXPECT_EQ(fncGetLongProperty(item, QStringLiteral("Settings")), before);
    EXPECT_EQ(
        fncGetOutlookValue(item, QStringLiteral("intConvert24Hours"), vbDouble).toDouble(), 7.5);

    s.SaveSettings();
    EXPECT_EQ(icsFiles(cOlApplication::fncCalendarPath()), files);
    EXPECT_EQ(reloadSettingsAppointment()->Categories(), list.left(4000));
    EXPECT_EQ(storeValue("MetadataList"), list);
}

// Two machines saving in turn with nothing else changed: only the destination line (in the
// body, its exact copy and the Settings property) and the stamps differ, so a sync tool sees
// one side's edit at a time.
TEST_F(PersonalStoresTest, MachinesSavingInTurnChangeOnlyTheDestinationAndTheStamps)
{
    const auto save = [](const QString& strFolder) {
        cPersonalSettings s = everyFieldChanged();
        s.ReportChoice = 2;
        s.ReportValue = strFolder;
        s.SaveSettings();
        return unfoldedLines(hvtest::readFile(reloadSettingsAppointment()->FilePath()));
    };
    save(QStringLiteral("/home/ann/Documents/My Hourvanes/")); // creates the item
    const QStringList a = save(QStringLiteral("/home/ann/Documents/My Hourvanes/"));
    const QStringList b = save(QStringLiteral("/home/bo/Dokumente/My Hourvanes/"));
    const QStringList a2 = save(QStringLiteral("/home/ann/Documents/My Hourvanes/"));
    ASSERT_EQ(a.size(), b.size());
    const QRegularExpression allowed(QStringLiteral(
        "^(DESCRIPTION|DTSTAMP|LAST-MODIFIED|X-HOURVANE-EXACT;X-HOURVANE-FIELD=DESCRIPTION"
        "|X-HOURVANE-USERPROP;X-HOURVANE-NAME=Settings0;)"));
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a.at(i) != b.at(i)) {
            EXPECT_TRUE(allowed.match(a.at(i)).hasMatch()) << a.at(i).toStdString();
        }
        if (!a.at(i).startsWith(QStringLiteral("DTSTAMP"))
            && !a.at(i).startsWith(QStringLiteral("LAST-MODIFIED"))) {
            EXPECT_EQ(a2.at(i), a.at(i));
        }
    }
}

// A store that cannot be written: its file's place is taken by a folder.
TEST_F(PersonalStoresTest, FailingStoreWriteIsReportedAlsoWithAnAppointment)
{
    addSettingsAppointment();
    QFile::remove(fncRegistryStorePath());
    ASSERT_TRUE(QDir().mkpath(fncRegistryStorePath()));
    cPersonalSettings s = everyFieldChanged();
    expectReportedError([&] { s.SaveSettings(); }, "cPersonalSettings.SaveSettings");
    // The appointment was written before the store.
    const auto item = reloadSettingsAppointment();
    ASSERT_TRUE(item);
    EXPECT_EQ(fncGetLongProperty(item, QStringLiteral("Settings")), s.fncBuildBody());
}

// Choice 2 acceptance

enum class Program { Single, Multi, None };
enum class Stored { Default, Elsewhere, OtherHome, OtherSystem };

struct AcceptCase
{
    const char* label;
    Program program;
    Stored stored;
    bool fileExists;
    bool trailingSlash;
    bool accepted;
};

class AppointmentAcceptanceTest : public PersonalStoresTest,
                                  public testing::WithParamInterface<AcceptCase>
{
};

TEST_P(AppointmentAcceptanceTest, DatabaseFolderMustFitTheInstalledProgram)
{
    const AcceptCase& c = GetParam();
    if (c.program == Program::Single)
        hvtest::writeFile(programFolder + QStringLiteral("/HVPersonalSettingsSingle"), {});
    if (c.program == Program::Multi)
        hvtest::writeFile(programFolder + QStringLiteral("/HVPersonalSettings"), {});
    QDir().mkpath(hvtest::homeDir() + QStringLiteral("/Documents/OLAP Cubes"));
    const QMap<Stored, QString> folders { { Stored::Default, dataFolder() },
        { Stored::Elsewhere, hvtest::newTempDir(QStringLiteral("shared")) },
        { Stored::OtherHome, QStringLiteral("/home/other/Dokumente/My Hourvanes") },
        { Stored::OtherSystem, QStringLiteral("C:\\Users\\other\\Documents\\My Hourvanes") } };
    QString folder = folders.value(c.stored);
    if (c.fileExists)
        hvtest::writeFile(folder + QStringLiteral("/Hourvane3.mdb"), {});
    if (c.trailingSlash)
        folder += c.stored == Stored::OtherSystem ? QLatin1Char('\\') : QLatin1Char('/');
    auto item = addSettingsAppointment(QStringLiteral("2\r\n") + folder
        + QStringLiteral("\r\n55\r\nFalse\r\nFalse\r\nFalse\r\nCustomer:Acme;\r\n"));
    setUserProperty(item, "blnWriteSubject", olYesNo, true);

    cPersonalSettings s;
    const QStringList before = fields(s);
    EXPECT_TRUE(s.GetValuesFromSettings());
    // Only this machine's folders are taken as they are; a refused body takes the user
    // properties with it.
    const bool blnOwn
        = c.fileExists && (c.stored == Stored::Default) == (c.program == Program::Single);
    EXPECT_EQ(fields(s),
        c.accepted ? (QStringList { "2", blnOwn ? folder : dataFolder() + QLatin1Char('/'), "55",
            "False", "False", "False", "False", "8", "False", "0.75", "False", "False", "True",
            "Customer=Acme" })
                   : before);
}

const AcceptCase acceptCases[] = {
    { "single_default_existing", Program::Single, Stored::Default, true, true, true },
    { "single_default_existing_no_slash", Program::Single, Stored::Default, true, false, true },
    { "single_default_missing", Program::Single, Stored::Default, false, true, true },
    { "single_other_home", Program::Single, Stored::OtherHome, false, true, true },
    { "single_other_system", Program::Single, Stored::OtherSystem, false, true, true },
    { "single_elsewhere_existing", Program::Single, Stored::Elsewhere, true, true, false },
    { "multi_elsewhere_existing", Program::Multi, Stored::Elsewhere, true, true, true },
    { "multi_elsewhere_missing", Program::Multi, Stored::Elsewhere, false, true, false },
    { "multi_default_existing", Program::Multi, Stored::Default, true, true, false },
    { "multi_other_home", Program::Multi, Stored::OtherHome, false, true, false },
    { "none_elsewhere_existing", Program::None, Stored::Elsewhere, true, true, false },
};
INSTANTIATE_TEST_SUITE_P(Cases, AppointmentAcceptanceTest, testing::ValuesIn(acceptCases),
    [](const auto& info) { return std::string(info.param.label); });

using StoreKill = PersonalSettingsFixture;

// A save killed at any moment leaves the store (what the next start reads first) all-old or
// all-new: a child saves two value sets in turn and is killed at moments spread over two saves.
TEST_F(StoreKill, SaveKilledAtAnyMomentLeavesOneWholeSet)
{
    cPersonalSettings first;
    cPersonalSettings second = everyFieldChanged();
    second.PaneWidth = 300;
    const QString store = fncRegistryStorePath();
    second.SaveSettings();
    const QByteArray secondBytes = hvtest::readFile(store);
    first.SaveSettings();
    const QByteArray firstBytes = hvtest::readFile(store);
    ASSERT_NE(firstBytes, secondBytes);

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 10; ++i) {
        second.SaveSettings();
        first.SaveSettings();
    }
    const qint64 pairNs = timer.nsecsElapsed() / 10;

    constexpr int kills = 60;
    QStringList mixed;
    for (int i = 0; i < kills; ++i) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (;;) {
                second.SaveSettings();
                first.SaveSettings();
            }
        }
        QThread::usleep(static_cast<unsigned long>(pairNs * i / kills / 1000));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        const QByteArray now = hvtest::readFile(store);
        if (now != firstBytes && now != secondBytes)
            mixed << QString::fromUtf8(now);
    }
    EXPECT_TRUE(mixed.isEmpty()) << mixed.size() << " of " << kills << " kills left a mix, e.g.:\n"
                                 << mixed.value(0).toStdString();
}

} // namespace
