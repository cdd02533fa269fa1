#include "tst_cPersonalSettingsSupport.h"

using namespace hvpersonaltest;

namespace {

const QString section = QStringLiteral("Settings");

QString storeValue(const char* name)
{
    return fncReadRegistryValue(section, QString::fromLatin1(name), QStringLiteral("<absent>"));
}

// The calendar session is open, as in the program.
class PersonalStoresTest : public PersonalSettingsFixture
{
protected:
    void SetUp() override
    {
        PersonalSettingsFixture::SetUp();
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

    static void setUserProperty(const cOlAppointmentItemPtr& item, const char* name, int type,
        const QVariant& value)
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

    static cPersonalSettings everyFieldChanged()
    {
        cPersonalSettings s;
        s.ReportChoice = 3;
        s.ReportValue = QStringLiteral("Provider=PostgreSQL;Data Source=db:5432;Initial Catalog=hv");
        s.PersonalRate = cCurrency::fromTenThousandths(1'234'567'500); // 123456.75: beyond 16 bits
        s.FilterEvents = false;
        s.FilterPrivate = false;
        s.FilterRecurring = false;
        s.subPopulateMetadataList(QStringLiteral("Kunde:Ölwerk;Beta, Inc;\r\nTask:\r\nArea:North;\r\n"));
        s.Convert24 = true;
        s.Convert24Hours = QVariant(qint16(7));
        s.RemoveLunch = true;
        s.RemoveLunchHours = QVariant(0.5);
        s.CreateLocalCube = true;
        s.StartGrid = true;
        s.WriteSubject = true;
        return s;
    }

    // The body's head as everyFieldChanged() wrote it, read back into b.
    static void expectSameHead(const cPersonalSettings& b, const cPersonalSettings& a)
    {
        EXPECT_EQ(b.ReportChoice, 3);
        EXPECT_EQ(b.ReportValue, a.ReportValue);
        EXPECT_EQ(b.PersonalRate, a.PersonalRate);
        EXPECT_FALSE(b.FilterEvents || b.FilterPrivate || b.FilterRecurring);
    }
};

// The per-user store

TEST_F(PersonalStoresTest, EveryFieldRoundTripsThroughTheStore)
{
    const cPersonalSettings a = everyFieldChanged();
    cPersonalSettings(a).SaveSettings();

    cPersonalSettings b;
    EXPECT_TRUE(b.GetValuesFromSettings());
    expectSameHead(b, a);
    EXPECT_EQ(lists(b), (QStringList { QStringLiteral("Kunde=Ölwerk|Beta, Inc"),
                            QStringLiteral("Task="), QStringLiteral("Area=North") }));
    EXPECT_TRUE(b.Convert24 && b.RemoveLunch && b.CreateLocalCube && b.StartGrid && b.WriteSubject);
    EXPECT_EQ(b.Convert24Hours.toString(), QStringLiteral("7"));
    EXPECT_EQ(b.RemoveLunchHours.toString(), QStringLiteral("0.5"));
    // The pane fields are written for the add-in but never read back.
    EXPECT_EQ(storeValue("PaneWidth"), QStringLiteral("185"));
    EXPECT_EQ(storeValue("PaneHeight"), QStringLiteral("600"));
    EXPECT_EQ(storeValue("PaneDockPos"), QStringLiteral("2"));

    // The store holds the texts the add-in reads.
    EXPECT_EQ(storeValue("PersonalRate"), QStringLiteral("123456.75"));
    EXPECT_EQ(storeValue("FilterEvents"), QStringLiteral("False"));
    EXPECT_EQ(storeValue("MetadataList"), QStringLiteral("Kunde:Ölwerk;Beta, Inc;\r\nTask:\r\nArea:North;\r\n"));
    EXPECT_EQ(storeValue("WriteSubject"), QStringLiteral("True"));

    // Saving what was read writes the same values again.
    const QString before = b.fncBuildBody();
    b.SaveSettings();
    cPersonalSettings c;
    c.GetValuesFromSettings();
    EXPECT_EQ(c.fncBuildBody(), before);
}

TEST_F(PersonalStoresTest, CommaLocaleRoundTripsFractions)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    cPersonalSettings a;
    a.PersonalRate = cCurrency::fromTenThousandths(125'000);
    a.RemoveLunchHours = QVariant(0.75);
    a.SaveSettings();
    EXPECT_EQ(storeValue("PersonalRate"), QStringLiteral("12,5"));
    EXPECT_EQ(storeValue("RemoveLunchHours"), QStringLiteral("0,75"));
    cPersonalSettings b;
    b.GetValuesFromSettings();
    EXPECT_EQ(b.PersonalRate, a.PersonalRate);
    EXPECT_EQ(b.RemoveLunchHours.toString(), QStringLiteral("0,75"));
}

TEST_F(PersonalStoresTest, OnlyTheChoiceStoredGivesTheReadDefaults)
{
    subWriteRegistryValue(section, QStringLiteral("ReportChoice"), QStringLiteral("3"));
    cPersonalSettings s;
    s.subPopulateMetadataList(QStringLiteral("Customer:Acme;\r\n"));
    const QString value = s.ReportValue;
    EXPECT_TRUE(s.GetValuesFromSettings());
    EXPECT_EQ(s.ReportChoice, 3);
    EXPECT_EQ(s.ReportValue, value);
    EXPECT_EQ(s.PersonalRate, cCurrency());
    EXPECT_TRUE(s.FilterEvents && s.FilterPrivate && s.FilterRecurring);
    EXPECT_TRUE(s.Convert24 && s.RemoveLunch && s.CreateLocalCube && s.StartGrid && s.WriteSubject);
    EXPECT_EQ(s.Convert24Hours.toString(), QStringLiteral("8"));
    EXPECT_EQ(s.RemoveLunchHours.toString(), QStringLiteral("0.75"));
    EXPECT_EQ(lists(s), QStringList { QStringLiteral("Customer=Acme") });
}

TEST_F(PersonalStoresTest, StoreWinsOverTheAppointment)
{
    addSettingsAppointment(QStringLiteral("3\r\nfrom appointment\r\n1\r\nTrue\r\nTrue\r\nTrue\r\n"));
    subWriteRegistryValue(section, QStringLiteral("ReportChoice"), QStringLiteral("3"));
    subWriteRegistryValue(section, QStringLiteral("ReportValue"), QStringLiteral("from store"));
    cPersonalSettings s;
    s.GetValuesFromSettings();
    EXPECT_EQ(s.ReportValue, QStringLiteral("from store"));
}

TEST_F(PersonalStoresTest, DamagedStoreValueIsReportedAndChangesNothing)
{
    subWriteRegistryValue(section, QStringLiteral("ReportChoice"), QStringLiteral("3"));
    subWriteRegistryValue(section, QStringLiteral("ReportValue"), QStringLiteral("server"));
    subWriteRegistryValue(section, QStringLiteral("FilterRecurring"), QStringLiteral("perhaps"));
    cPersonalSettings s;
    const QString before = s.fncBuildBody();
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_TRUE(hvtest::endsProgram([&] { s.GetValuesFromSettings(); }));
    ASSERT_EQ(cMessageBox::history().size(), 1);
    EXPECT_TRUE(cMessageBox::history().at(0).strText.contains(QStringLiteral("perhaps")));
    EXPECT_TRUE(cMessageBox::history().at(0).strText.contains(
        QStringLiteral("cPersonalSettings.GetValuesFromSettings")));
    EXPECT_EQ(s.fncBuildBody(), before);
}

// The settings appointment

TEST_F(PersonalStoresTest, SaveWritesTheAppointmentWhenItExists)
{
    addSettingsAppointment();
    cPersonalSettings s = everyFieldChanged();
    s.SaveSettings();

    const auto item = reloadSettingsAppointment();
    ASSERT_TRUE(item);
    const QString body = s.fncBuildBody();
    EXPECT_EQ(item->Body(), body);
    EXPECT_EQ(item->Categories(), s.fncMetadataList());
    EXPECT_EQ(fncGetLongProperty(item, QStringLiteral("Settings")), body);
    EXPECT_EQ(storeValue("ReportValue"), s.ReportValue);
}

TEST_F(PersonalStoresTest, AppointmentThatCannotBeSavedIsSkippedAndTheStoreStillWritten)
{
    // Another program's item with a value libical cannot read: it must not be rewritten.
    const QString path = cOlApplication::fncCalendarPath() + QStringLiteral("/other.ics");
    const QByteArray ics = QByteArrayLiteral(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nBEGIN:VEVENT\r\n"
        "UID:other-1\r\nSUMMARY:Outlook Hourvane 3 Personal Settings\r\n"
        "DTSTART;VALUE=DATE:20500101\r\nDTEND:not-a-date\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    hvtest::writeFile(path, ics);
    ASSERT_TRUE(fncGetSettingsAppointment());
    cPersonalSettings s = everyFieldChanged();
    s.SaveSettings();
    EXPECT_EQ(hvtest::readFile(path), ics);
    EXPECT_EQ(storeValue("PaneDockPos"), QStringLiteral("2"));
    EXPECT_TRUE(cMessageBox::history().isEmpty());
}

TEST_F(PersonalStoresTest, CategoriesHoldTheFirst4000CharactersTheStoreAll)
{
    addSettingsAppointment();
    cPersonalSettings s;
    QString list = QStringLiteral("Customer:");
    for (int i = 0; i < 600; ++i)
        list += QStringLiteral("Client%1;").arg(i, 4, 10, QLatin1Char('0'));
    list += QStringLiteral("\r\nTask:Design;\r\n");
    s.subPopulateMetadataList(list);
    ASSERT_GT(s.fncMetadataList().size(), 4000);
    s.SaveSettings();

    const auto item = reloadSettingsAppointment();
    ASSERT_TRUE(item);
    const QString categories = item->Categories();
    EXPECT_EQ(categories, list.left(4000));
    EXPECT_TRUE(categories.endsWith(QStringLiteral("Client0361;Client036")));
    EXPECT_EQ(storeValue("MetadataList"), list);
    EXPECT_EQ(fncGetLongProperty(item, QStringLiteral("Settings")), s.fncBuildBody());
}

TEST_F(PersonalStoresTest, EmptyStoreReadsTheAppointment)
{
    addSettingsAppointment();
    cPersonalSettings a = everyFieldChanged();
    a.PersonalRate = cCurrency::fromTenThousandths(125'000); // 12.5 keeps its fraction
    a.SaveSettings();
    QFile::remove(fncRegistryStorePath());
    subResetOutlookState();
    subStartOutlook(olFolderInbox);
    subFindActiveFolder(olFolderCalendar);

    cPersonalSettings b;
    EXPECT_TRUE(b.GetValuesFromSettings());
    expectSameHead(b, a);
    EXPECT_EQ(lists(b), lists(a));
    // The options come from typed user properties that nothing wrote: their defaults.
    EXPECT_FALSE(b.Convert24 || b.RemoveLunch || b.CreateLocalCube || b.StartGrid || b.WriteSubject);
    EXPECT_EQ(b.Convert24Hours.toInt(), 0);
    EXPECT_EQ(b.RemoveLunchHours.toInt(), 0);
}

TEST_F(PersonalStoresTest, AppointmentUserPropertiesFillTheOptions)
{
    auto item = addSettingsAppointment(QStringLiteral("3\r\nsrv\r\n0\r\nTrue\r\nTrue\r\nTrue\r\n"));
    setUserProperty(item, "blnConvert24", olYesNo, true);
    setUserProperty(item, "intConvert24Hours", olNumber, 6);
    setUserProperty(item, "blnRemoveLunch", olYesNo, true);
    setUserProperty(item, "intRemoveLunchHours", olNumber, 1);
    setUserProperty(item, "blnWriteSubject", olYesNo, true);
    reloadSettingsAppointment();

    cPersonalSettings s;
    s.GetValuesFromSettings();
    EXPECT_TRUE(s.Convert24 && s.RemoveLunch && s.WriteSubject);
    EXPECT_EQ(s.Convert24Hours.toInt(), 6);
    EXPECT_EQ(s.RemoveLunchHours.toInt(), 1);
    EXPECT_FALSE(s.CreateLocalCube || s.StartGrid);
}

TEST_F(PersonalStoresTest, ShortAppointmentBodyStillGivesTheUserProperties)
{
    auto item = addSettingsAppointment(QStringLiteral("3\r\nsrv\r\n0\r\nTrue"));
    setUserProperty(item, "blnStartGrid", olYesNo, true);
    cPersonalSettings s;
    const qint32 choice = s.ReportChoice;
    s.GetValuesFromSettings();
    EXPECT_EQ(s.ReportChoice, choice);
    EXPECT_TRUE(s.StartGrid);
}

TEST_F(PersonalStoresTest, NonNumericFirstLineTakesNothingFromTheAppointment)
{
    auto item = addSettingsAppointment(
        QStringLiteral("x\r\nsrv\r\n99\r\nFalse\r\nFalse\r\nFalse\r\nCustomer:Acme;\r\n"));
    setUserProperty(item, "blnConvert24", olYesNo, true);
    cPersonalSettings s;
    const QString before = s.fncBuildBody();
    EXPECT_TRUE(s.GetValuesFromSettings());
    EXPECT_EQ(s.fncBuildBody(), before);
    EXPECT_FALSE(s.Convert24);
    EXPECT_EQ(s.Convert24Hours, QVariant(qint16(8)));
}

TEST_F(PersonalStoresTest, NoAppointmentAndNoStoreLeavesTheDefaultsAndSavingCreatesNoAppointment)
{
    cPersonalSettings s;
    const QString before = s.fncBuildBody();
    EXPECT_TRUE(s.GetValuesFromSettings());
    EXPECT_EQ(s.fncBuildBody(), before);
    EXPECT_EQ(s.Convert24Hours, QVariant(qint16(8)));
    s.SaveSettings();
    EXPECT_FALSE(reloadSettingsAppointment());
    EXPECT_EQ(storeValue("ReportChoice"), QStringLiteral("2"));
}

// A store that cannot be written: its file's place is taken by a folder.
TEST_F(PersonalStoresTest, FailingStoreWriteIsReportedAlsoWithAnAppointment)
{
    addSettingsAppointment();
    QFile::remove(fncRegistryStorePath());
    ASSERT_TRUE(QDir().mkpath(fncRegistryStorePath()));
    cPersonalSettings s = everyFieldChanged();
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_TRUE(hvtest::endsProgram([&] { s.SaveSettings(); }));
    ASSERT_EQ(cMessageBox::history().size(), 1);
    EXPECT_TRUE(cMessageBox::history().at(0).strText.contains(
        QStringLiteral("cPersonalSettings.SaveSettings")));
    // The appointment was written before the store.
    const auto item = reloadSettingsAppointment();
    ASSERT_TRUE(item);
    EXPECT_EQ(fncGetLongProperty(item, QStringLiteral("Settings")), s.fncBuildBody());
}

// Choice 2 acceptance

enum class Program { Single, Multi, None };
enum class Stored { Default, Elsewhere };

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
    QString folder = c.stored == Stored::Default
        ? dataFolder()
        : hvtest::newTempDir(QStringLiteral("shared"));
    if (c.fileExists)
        hvtest::writeFile(folder + QStringLiteral("/Hourvane3.mdb"), {});
    if (c.trailingSlash)
        folder += QLatin1Char('/');
    auto item = addSettingsAppointment(QStringLiteral("2\r\n") + folder
        + QStringLiteral("\r\n55\r\nFalse\r\nFalse\r\nFalse\r\nCustomer:Acme;\r\n"));
    setUserProperty(item, "blnWriteSubject", olYesNo, true);

    cPersonalSettings s;
    const QString before = s.fncBuildBody();
    EXPECT_TRUE(s.GetValuesFromSettings());
    if (c.accepted) {
        EXPECT_EQ(s.ReportChoice, 2);
        EXPECT_EQ(s.ReportValue, folder);
        EXPECT_EQ(s.PersonalRate, cCurrency::fromTenThousandths(550'000));
        EXPECT_FALSE(s.FilterEvents);
        EXPECT_EQ(lists(s), QStringList { QStringLiteral("Customer=Acme") });
        EXPECT_TRUE(s.WriteSubject);
    } else {
        EXPECT_EQ(s.fncBuildBody(), before);
        EXPECT_FALSE(s.WriteSubject); // a refused body takes the user properties with it
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, AppointmentAcceptanceTest,
    testing::Values(
        AcceptCase { "single_default_existing", Program::Single, Stored::Default, true, true, true },
        AcceptCase { "single_default_existing_no_slash", Program::Single, Stored::Default, true, false, true },
        AcceptCase { "single_default_missing", Program::Single, Stored::Default, false, true, false },
        AcceptCase { "single_elsewhere_existing", Program::Single, Stored::Elsewhere, true, true, false },
        AcceptCase { "multi_elsewhere_existing", Program::Multi, Stored::Elsewhere, true, true, true },
        AcceptCase { "multi_elsewhere_missing", Program::Multi, Stored::Elsewhere, false, true, false },
        AcceptCase { "multi_default_existing", Program::Multi, Stored::Default, true, true, false },
        AcceptCase { "none_elsewhere_existing", Program::None, Stored::Elsewhere, true, true, false }),
    [](const testing::TestParamInfo<AcceptCase>& info) { return std::string(info.param.label); });

} // namespace
