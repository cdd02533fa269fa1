#include "modErrorHandling.h"
#include "tst_cPersonalSettingsSupport.h"

#include <limits>

using namespace hvpersonaltest;

namespace {

using PersonalSettingsTest = PersonalSettingsFixture;

// Construction

TEST_F(PersonalSettingsTest, ConstructionDefaultsToTheProgramFolder)
{
    cPersonalSettings s;
    EXPECT_EQ(fields(s),
        (QStringList { "2", programFolder + QLatin1Char('/'), "0", "True", "True", "True", "False",
            "8", "False", "0.75", "False", "False", "False" }));
    EXPECT_TRUE(s.DateLastReport.isNull());
    EXPECT_FALSE(QFileInfo::exists(hvtest::homeDir() + QStringLiteral("/Documents/OLAP Cubes")));
}

// ReportPath.txt in the data folder redirects the folder; HourvaneConnection.txt there selects
// a server with its whole text.
TEST_F(PersonalSettingsTest, ReportPathAndConnectionFilesChooseTheDestination)
{
    const QString reports = hvtest::newTempDir(QStringLiteral("reports"));
    hvtest::writeFile(dataFolder() + QStringLiteral("/ReportPath.txt"),
        (reports + QStringLiteral("/\r\n")).toUtf8());
    cPersonalSettings s;
    EXPECT_EQ(s.fncReadReportPath(), reports + QLatin1Char('/'));
    EXPECT_EQ(s.ReportChoice, 2);
    EXPECT_EQ(s.ReportValue, reports + QLatin1Char('/'));

    const QByteArray conn
        = QByteArrayLiteral("Provider=PostgreSQL;Data Source=127.0.0.1:5433;Initial "
                            "Catalog=hv\r\nsecond line Ärger");
    hvtest::writeFile(reports + QStringLiteral("/HourvaneConnection.txt"), conn);
    cPersonalSettings server;
    EXPECT_EQ(server.ReportChoice, 3);
    EXPECT_EQ(server.ReportValue, QString::fromUtf8(conn));

    // A Unix line end is not part of the path.
    hvtest::writeFile(
        dataFolder() + QStringLiteral("/ReportPath.txt"), QByteArrayLiteral("/srv/hv reports\n"));
    EXPECT_EQ(s.fncReadReportPath(), QStringLiteral("/srv/hv reports"));
}

// Body text

TEST_F(PersonalSettingsTest, BodyHasTheDocumentedLines)
{
    cPersonalSettings s; // the choice and two filters as constructed
    s.ReportValue = QStringLiteral("/data/");
    s.PersonalRate = cCurrency::fromTenThousandths(3'500'000);
    s.FilterRecurring = false;
    s.subPopulateMetadataList(QStringLiteral("Customer:Acme;Beta;\r\nTask:\r\n"));
    cMetaDictionary unnamed;
    unnamed.AddMeta(QStringLiteral("Lost"), {}, {}, 0, {}, false);
    s.MetaDataLists.insert(1, unnamed);
    EXPECT_EQ(s.fncBuildBody(),
        QStringLiteral(
            "2\r\n/data/\r\n350\r\nTrue\r\nTrue\r\nFalse\r\nCustomer:Acme;Beta;\r\nTask:\r\n"));
    EXPECT_EQ(s.fncMetadataList(), QStringLiteral("Customer:Acme;Beta;\r\nTask:\r\n"));
}

TEST_F(PersonalSettingsTest, FromStringReadsTheHeadAndEveryListLineShape)
{
    cPersonalSettings s;
    s.FromString(QStringLiteral("3\r\n/d/\r\n0\r\nFalse\r\nTrue\r\nFalse\r\n"
                                "Customer:Acme;;Beta;ACME;\r\n:Orphan;\r\nTask:\r\nNoColon\r\n"
                                "Area:a:b;c;\r\nNotes:last element\r\n"));
    EXPECT_EQ(lists(s),
        (QStringList { QStringLiteral("Customer=Acme|Beta"), QStringLiteral("Task="),
            QStringLiteral("NoColon="), QStringLiteral("Area=a:b|c"),
            QStringLiteral("Notes=last element") }));
    EXPECT_EQ(s.fncBuildBody(),
        QStringLiteral("3\r\n/d/\r\n0\r\nFalse\r\nTrue\r\nFalse\r\nCustomer:Acme;Beta;\r\nTask:\r\n"
                       "NoColon:\r\nArea:a:b;c;\r\nNotes:last element;\r\n"));
    // Without a final CR LF the last line is not a list.
    s.FromString(QStringLiteral("2\r\n/d/\r\n0\r\nTrue\r\nTrue\r\nTrue\r\nCustomer:Acme;"));
    EXPECT_TRUE(s.MetaDataLists.isEmpty());
    // Nor does a list text without one replace the lists.
    s.subPopulateMetadataList(QStringLiteral("Task:Design;\r\n"));
    s.subPopulateMetadataList(QString());
    s.subPopulateMetadataList(QStringLiteral("Customer:Acme;"));
    EXPECT_EQ(lists(s), QStringList { QStringLiteral("Task=Design") });
    s.subPopulateMetadataList(QStringLiteral("\r\n"));
    EXPECT_TRUE(s.MetaDataLists.isEmpty());
}

struct RateCase
{
    const char* label;
    const char* locale;
    const char* line;
    std::optional<qint64> expectedUnits; // none: the rate stays as it was
};

class BodyRateTest : public PersonalSettingsTest, public testing::WithParamInterface<RateCase>
{
};

TEST_P(BodyRateTest, RateLineIsReadAsAnAmount)
{
    const RateCase& c = GetParam();
    QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
    cPersonalSettings s;
    s.PersonalRate = cCurrency::fromTenThousandths(77);
    // A line that is no amount is named in a message; an empty one is no value at all.
    const bool blnNamed = !c.expectedUnits && *c.line;
    if (blnNamed)
        cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    s.FromString(QStringLiteral("2\r\n/d/\r\n") + QString::fromUtf8(c.line)
        + QStringLiteral("\r\nTrue\r\nTrue\r\nTrue\r\n"));
    EXPECT_EQ(s.PersonalRate.tenThousandths(), c.expectedUnits.value_or(77)) << c.label;
    ASSERT_EQ(cMessageBox::history().size(), blnNamed ? 1 : 0);
    if (blnNamed) {
        EXPECT_TRUE(cMessageBox::history().at(0).strText.contains(
            QLatin1Char('"') + QString::fromUtf8(c.line) + QLatin1Char('"')));
    }
}

const RateCase rateCases[] = {
    { "fraction_kept", "en_US", "12.5", 125'000 },
    { "above_16_bit", "en_US", "40000", 400'000'000 },
    { "negative", "en_US", "-3.25", -32'500 },
    { "comma_locale", "de_DE", "12,5", 125'000 },
    { "point_in_comma_locale", "de_DE", "12.5", 125'000 },
    { "grouped_is_not_a_number", "de_DE", "1.234,5", std::nullopt },
    { "comma_in_point_locale", "en_US", "12,5", 125'000 },
    { "largest_amount", "en_US", "922337203685477.5807", std::numeric_limits<qint64>::max() },
    { "beyond_the_largest", "en_US", "922337203685477.5808", std::nullopt },
    { "beyond_the_smallest", "de_DE", "-922337203685477,5809", std::nullopt },
    { "text", "en_US", "abc", std::nullopt },
    { "empty", "en_US", "", std::nullopt },
};
INSTANTIATE_TEST_SUITE_P(Cases, BodyRateTest, testing::ValuesIn(rateCases),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(PersonalSettingsTest, ChoiceLineRoundsHalfToEvenAndSixLinesChangeNothing)
{
    cPersonalSettings s;
    const QString before = s.fncBuildBody();
    s.FromString(QStringLiteral("3\r\nserver\r\n99\r\nFalse\r\nFalse\r\nFalse"));
    EXPECT_EQ(s.fncBuildBody(), before);
    s.FromString(QStringLiteral("2.5\r\nv\r\n0\r\nTrue\r\nTrue\r\nTrue\r\n"));
    EXPECT_EQ(s.ReportChoice, 2);
    s.FromString(QStringLiteral("3.5\r\nv\r\n0\r\nTrue\r\nTrue\r\nTrue\r\n"));
    EXPECT_EQ(s.ReportChoice, 4);
}

TEST_F(PersonalSettingsTest, DamagedBodyIsReportedAndChangesNothing)
{
    cPersonalSettings s;
    s.subPopulateMetadataList(QStringLiteral("Customer:Acme;\r\n"));
    const QString before = s.fncBuildBody();
    expectReportedError(
        [&] {
            s.FromString(QStringLiteral("2\r\nv\r\n5\r\nTrue\r\nmaybe\r\nTrue\r\nTask:X;\r\n"));
        },
        "cPersonalSettings.FromString");
    EXPECT_EQ(s.fncBuildBody(), before);
    cMessageBox::clearHistory();
    subResetErrorState();
    expectReportedError(
        [&] { s.FromString(QStringLiteral("99999\r\nv\r\n5\r\nTrue\r\nTrue\r\nTrue\r\n")); },
        "cPersonalSettings.FromString");
    EXPECT_EQ(s.ReportChoice, 2);
}

TEST_F(PersonalSettingsTest, WindowRateFollowsTheLocaleTheBodyNot)
{
    cPersonalSettings s;
    s.PersonalRate = cCurrency::fromTenThousandths(12'345'000); // 1234.5
    EXPECT_EQ(cPersonalSettings::fncRateToText(s.PersonalRate), QStringLiteral("1234.5"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(cPersonalSettings::fncRateToText(s.PersonalRate), QStringLiteral("1234,5"));
    EXPECT_EQ(s.fncBuildBody().section(QStringLiteral("\r\n"), 2, 2), QStringLiteral("1234.5"));
}

} // namespace
