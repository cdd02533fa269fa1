#include "cGlobalSettings.h"
#include "cPersonalSettings.h"
#include "modXMLExport.h"
#include "tst_cGlobalSettingsSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace hvglobaltest;
using Decision = cScriptedResolver::Answer;

namespace {
// A name alone, enabled.
void addItem(cMetaDictionary& list, const char* name)
{
    list.AddMeta(QString::fromUtf8(name), QString(), cCurrency(), 0, QString(), true);
}

// "Key=Caption" for each list, in order.
QStringList captions(cGlobalSettings& g)
{
    QStringList out;
    for (const auto& [key, list] : g.MetaDataLists)
        out << key + QLatin1Char('=') + list.Caption;
    return out;
}

class GlobalSettings : public testing::TestWithParam<eEngine>
{
protected:
    void SetUp() override
    {
        LoadLanguages(fncColumnForLcid(1033));
        db = std::make_unique<cTestDatabase>(GetParam());
        programFolder = hvtest::newTempDir(QStringLiteral("program"));
        cPersonalSettings::subSetProgramFolder(programFolder);
        subSetRemovedItemResolver(&resolver);
    }
    void TearDown() override
    {
        subSetRemovedItemResolver(nullptr);
        gs.reset();
        db.reset();
    }

    cGlobalSettings& load()
    {
        gs = std::make_unique<cGlobalSettings>();
        EXPECT_TRUE(gs->ReadGlobalSettings(2, db->Folder()));
        return *gs;
    }
    // A database holding Acme, Beta, Gamma in list 1, a report on each, and a settings row.
    void seed()
    {
        for (const char* name : { "Acme", "Beta", "Gamma" }) {
            db->subAddItem(1, QLatin1String(name), QStringLiteral("Cat"));
            db->fncExec(
                QStringLiteral("insert into tblReports (strSubject, intMeta1ID) values (?, ?)"),
                { QString(QStringLiteral("report on ") + QLatin1String(name)),
                    db->fncId(1, QLatin1String(name)) });
        }
        db->subAddSettingsRow();
    }
    std::unique_ptr<cTestDatabase> db;
    std::unique_ptr<cGlobalSettings> gs;
    cScriptedResolver resolver;
    QString programFolder;
};

TEST_P(GlobalSettings, FreshDatabaseGetsTheThreeCaptionRowsAndSavesNothingUntilFilledOut)
{
    cGlobalSettings& g = load();
    const QStringList fresh { "Meta1=Customer", "Meta2=Task", "Meta3=" };
    EXPECT_EQ(captions(g), fresh);
    EXPECT_EQ(g.MetaDataLists.Item(QStringLiteral("Meta3")).Index, 3);
    EXPECT_EQ(db->fncRows(QStringLiteral(
                  "select strMetaListCaption from tblMetaLists order by intMetaListID")),
        (QStringList { "Customer", "Task", "" }));
    EXPECT_EQ(g.CostCarrier, 0);
    // Loading again does not add rows, and does not end on the lists already held.
    EXPECT_TRUE(g.ReadGlobalSettings(2, db->Folder()));
    EXPECT_EQ(captions(g), fresh);
    EXPECT_EQ(
        db->fncRows(QStringLiteral("select count(*) from tblMetaLists")), QStringList { "3" });

    const QStringList before = db->fncDump();
    EXPECT_EQ(g.SaveGlobalSettings(),
        QStringLiteral("Failed to save settings\r\nAll mandatory values are not filled out!"));
    g.CostCarrier = 1;
    EXPECT_FALSE(g.fncCheckFilledOut()); // the first list is empty
    addItem(g.MetaDataLists.ItemAt(0), "Acme");
    EXPECT_TRUE(g.fncCheckFilledOut());
    g.ReportToValue.clear();
    EXPECT_FALSE(g.fncCheckFilledOut());
    EXPECT_EQ(db->fncDump(), before);
    cGlobalSettings empty;
    EXPECT_FALSE(empty.fncCheckFilledOut());
}

TEST_P(GlobalSettings, LoadsItemsInNameOrderWithTheirColumns)
{
    db->fncExec(QStringLiteral("insert into tblMeta2 (strName, strCategory, strSuperCategory, "
                               "blnEnabled) values ('Zeta', 'C', 'S', ?)"),
        { false });
    db->fncExec(QStringLiteral("insert into tblMeta2 (strName, blnEnabled) values ('Alpha', ?), "
                               "('beta', ?)"),
        { true, true });
    db->fncExec(QStringLiteral("insert into tblMetaLists (strMetaListCaption) values ('Clients')"));
    db->fncExec(QStringLiteral("insert into tblMetaLists (strMetaListCaption, "
                               "strMetaListCategoryCaption) values (NULL, 'Kind')"));
    cGlobalSettings& g = load();
    const cMetaDictionary& list2 = g.MetaDataLists.Item(QStringLiteral("Meta2"));
    EXPECT_EQ(fncItems(list2),
        (QStringList { "Alpha 2 1 '' '' 0", "beta 3 1 '' '' 0", "Zeta 1 0 'C' 'S' 0" }));
    // A null caption reads as empty text.
    EXPECT_EQ(captions(g), (QStringList { "Meta1=Clients", "Meta2=", "Meta3=" }));
    EXPECT_EQ(list2.CategoryCaption, QStringLiteral("Kind"));
}

TEST_P(GlobalSettings, SaveStoresItemsSettingsAndIdentities)
{
    seed();
    const qint32 lngBeta = db->fncId(1, QStringLiteral("Beta"));
    cGlobalSettings& g = load();
    EXPECT_EQ(g.CostCarrier, 1);
    cMetaDictionary& list1 = g.MetaDataLists.ItemAt(0);
    // A change of letter case renames the same row.
    const cMetaData beta = list1.MetaDic.Item(QStringLiteral("Beta"));
    list1.MetaDic.Remove(QStringLiteral("Beta"));
    list1.AddMeta(QStringLiteral("BETA"), QStringLiteral("Renamed"), beta.HourlyRate, 0,
        beta.SuperCategory, beta.Enabled);
    list1.MetaDic.Item(QStringLiteral("Acme")).HourlyRate
        = *cCurrency::fromInvariantString(QStringLiteral("1234.5678"));
    list1.MetaDic.Item(QStringLiteral("Acme")).SuperCategory = QStringLiteral("Top");
    list1.AddMeta(QStringLiteral("Delta"), QStringLiteral("New"),
        cCurrency::fromTenThousandths(15000), 0, QString(), true);
    g.MetaDataLists.ItemAt(2).AddMeta(
        QStringLiteral("Third"), QString(), cCurrency(), 0, QString(), false);
    g.CostCarrier = 3;
    g.OtherSettings.SetValue(QStringLiteral("Owner's note"), QStringLiteral("it's fine"));
    // A cleared caption keeps the rows of the later lists.
    g.MetaDataLists.ItemAt(1).Caption.clear();
    g.MetaDataLists.ItemAt(2).Caption = QStringLiteral("Project");
    g.MetaDataLists.ItemAt(2).CategoryCaption = QStringLiteral("Phase");
    ASSERT_EQ(g.SaveGlobalSettings(), QString());

    EXPECT_EQ(
        list1.MetaDic.Item(QStringLiteral("Delta")).ID, db->fncId(1, QStringLiteral("Delta")));
    EXPECT_EQ(list1.MetaDic.Item(QStringLiteral("Acme")).ID, db->fncId(1, QStringLiteral("Acme")));
    EXPECT_EQ(db->fncNames(1), (QStringList { "Acme", "BETA", "Delta", "Gamma" }));
    EXPECT_EQ(db->fncRows(QStringLiteral(
                  "select intMeta1ID, strCategory from tblMeta1 where strName = 'BETA'")),
        QStringList { QStringLiteral("%1|Renamed").arg(lngBeta) });
    EXPECT_EQ(list1.MetaDic.Item(QStringLiteral("BETA")).ID, lngBeta);
    EXPECT_EQ(db->fncReportsOf(QStringLiteral("BETA")), QStringList { "report on Beta" });
    EXPECT_EQ(db->fncNames(3), QStringList { "Third" });
    EXPECT_EQ(db->fncRows(QStringLiteral("select intCostCarrier, intReportTo from tblSettings")),
        QStringList { QStringLiteral("3|%1").arg(db->ReportTo()) });
    EXPECT_EQ(db->fncRows(QStringLiteral(
                  "select strPropValue from tblOtherSettings where strPropName = 'Owner''s note'")),
        QStringList { "it's fine" });

    EXPECT_EQ(db->fncRows(QStringLiteral(
                  "select strMetaListCaption from tblMetaLists order by intMetaListID")),
        (QStringList { "Customer", "", "Project" }));

    cGlobalSettings again;
    ASSERT_TRUE(again.ReadGlobalSettings(2, db->Folder()));
    EXPECT_EQ(captions(again), (QStringList { "Meta1=Customer", "Meta2=", "Meta3=Project" }));
    EXPECT_EQ(again.MetaDataLists.ItemAt(2).CategoryCaption, QStringLiteral("Phase"));
    // The next load sees the new spelling.
    EXPECT_EQ(fncItems(again.MetaDataLists.ItemAt(0)),
        (QStringList { "Acme 1 1 'Cat' 'Top' 12345678", "BETA 2 1 'Renamed' '' 0",
            "Delta 4 1 'New' '' 15000", "Gamma 3 1 'Cat' '' 0" }));
    EXPECT_EQ(
        again.OtherSettings.GetValue(QStringLiteral("OWNER'S NOTE"), cOtherSettings::intTypeText)
            .toString(),
        QStringLiteral("it's fine"));
    EXPECT_TRUE(resolver.asked.isEmpty());
    // Saving what was loaded changes nothing.
    const QStringList before = db->fncDump();
    ASSERT_EQ(again.SaveGlobalSettings(), QString());
    EXPECT_EQ(db->fncDump(), before);
}

// Items of the three lists share identities, so a removed item resolved against another list's
// reports shows: each round removes Beta (its reports with it), moves Gamma's reports to Acme and
// cancels Delta, which is asked about again by the next save.
TEST_P(GlobalSettings, RemovedItemsAreResolvedAgainstTheirOwnList)
{
    for (int m = 1; m <= 3; ++m) {
        for (const char* name : { "Acme", "Beta", "Gamma", "Delta" })
            db->subAddItem(m, QLatin1String(name));
        const QString insert
            = QStringLiteral("insert into tblReports (strSubject, intMeta%1ID) values (?, ?)")
                  .arg(m);
        for (int r = 0; r < m; ++r) // m reports on Beta: a count read from another list shows
            db->fncExec(
                insert, { QStringLiteral("%1 Beta").arg(m), db->fncId(m, QStringLiteral("Beta")) });
        db->fncExec(
            insert, { QStringLiteral("%1 Gamma").arg(m), db->fncId(m, QStringLiteral("Gamma")) });
    }
    db->subAddSettingsRow();
    const auto reports = [this](int m) {
        return db->fncRows(QStringLiteral("select r.strSubject, i.strName from tblReports r join "
                                          "tblMeta%1 i on r.intMeta%1ID = i.intMeta%1ID order by "
                                          "r.intReportID")
                               .arg(m));
    };
    for (int n = 1; n <= 3; ++n) {
        cGlobalSettings& g = load();
        for (const char* name : { "Beta", "Gamma", "Delta" })
            g.MetaDataLists.ItemAt(n - 1).MetaDic.Remove(QLatin1String(name));
        resolver.asked.clear();
        resolver.answers.enqueue({ cRemovedItemResolver::intRemoveReports, QString() });
        resolver.answers.enqueue({ cRemovedItemResolver::intMoveReports, QStringLiteral("Acme") });
        resolver.answers.enqueue({ cRemovedItemResolver::intCancelled, QString() });
        ASSERT_EQ(g.SaveGlobalSettings(), QString()) << "list " << n;
        resolver.answers.enqueue({ cRemovedItemResolver::intCancelled, QString() });
        ASSERT_EQ(g.SaveGlobalSettings(), QString());
        QStringList asked;
        for (const auto& q : resolver.asked)
            asked << QStringLiteral("%1 %2 %3")
                         .arg(q.strValue)
                         .arg(q.lngReportCount)
                         .arg(q.colChoices.join(QLatin1Char(',')));
        EXPECT_EQ(asked,
            (QStringList { QStringLiteral("Beta %1 Acme").arg(n), "Gamma 1 Acme", "Delta 0 Acme",
                "Delta 0 Acme" }))
            << "list " << n;
        EXPECT_EQ(resolver.asked.value(0).strConflict,
            QStringLiteral("A value which previously was in the list is no longer available."));
        for (int m = 1; m <= 3; ++m) {
            EXPECT_EQ(db->fncNames(m),
                (m <= n ? QStringList { "Acme", "Delta" }
                        : QStringList { "Acme", "Beta", "Delta", "Gamma" }))
                << m;
            QStringList expected;
            for (int r = 0; m > n && r < m; ++r)
                expected << QStringLiteral("%1 Beta|Beta").arg(m);
            expected << QStringLiteral("%1 Gamma|").arg(m) + (m <= n ? "Acme" : "Gamma");
            EXPECT_EQ(reports(m), expected) << "list " << m << " after list " << n;
        }
    }
}

// Two windows open on one database: each save keeps what the other stored in between.
TEST_P(GlobalSettings, TwoSessionsKeepEachOthersWorkAndAskAboutTheItemBothChanged)
{
    seed();
    cGlobalSettings first;
    cGlobalSettings second;
    ASSERT_TRUE(first.ReadGlobalSettings(2, db->Folder()));
    ASSERT_TRUE(second.ReadGlobalSettings(2, db->Folder()));
    addItem(first.MetaDataLists.ItemAt(0), "Delta");
    ASSERT_EQ(first.SaveGlobalSettings(), QString());

    cMetaDictionary& list = second.MetaDataLists.ItemAt(0);
    list.MetaDic.Remove(QStringLiteral("Beta"));
    list.MetaDic.Remove(QStringLiteral("Gamma"));
    list.AddMeta(
        QStringLiteral("Gamma Two"), QStringLiteral("Cat"), cCurrency(), 0, QString(), true);
    resolver.answers.enqueue({ cRemovedItemResolver::intRemoveReports, QString() });
    resolver.answers.enqueue({ cRemovedItemResolver::intMoveReports, QStringLiteral("Gamma Two") });
    ASSERT_EQ(second.SaveGlobalSettings(), QString());
    ASSERT_EQ(resolver.asked.size(), 2);
    EXPECT_EQ(resolver.asked.at(0).strValue, QStringLiteral("Beta"));
    EXPECT_EQ(resolver.asked.at(1).strValue, QStringLiteral("Gamma"));
    EXPECT_EQ(db->fncNames(1), (QStringList { "Acme", "Delta", "Gamma Two" }));
    EXPECT_EQ(db->fncRows(QStringLiteral("select strSubject from tblReports order by intReportID")),
        (QStringList { "report on Acme", "report on Gamma" }));
    EXPECT_EQ(db->fncReportsOf(QStringLiteral("Gamma Two")), QStringList { "report on Gamma" });
    EXPECT_TRUE(cMessageBox::history().isEmpty());

    // Both change Acme's rate: the later save asks, and the answer decides.
    for (const auto& [answer, intTheirs, intMine, intStored] :
        { std::tuple { cMessageBox::Answer::Yes, 10, 20, 20 },
            std::tuple { cMessageBox::Answer::No, 30, 40, 30 } }) {
        cGlobalSettings one;
        cGlobalSettings other;
        ASSERT_TRUE(one.ReadGlobalSettings(2, db->Folder()));
        ASSERT_TRUE(other.ReadGlobalSettings(2, db->Folder()));
        one.MetaDataLists.ItemAt(0).MetaDic.Item(QStringLiteral("Acme")).HourlyRate
            = cCurrency::fromDouble(intTheirs);
        ASSERT_EQ(one.SaveGlobalSettings(), QString());
        other.MetaDataLists.ItemAt(0).MetaDic.Item(QStringLiteral("Acme")).HourlyRate
            = cCurrency::fromDouble(intMine);
        cMessageBox::clearHistory();
        cMessageBox::setNextAnswer(answer);
        ASSERT_EQ(other.SaveGlobalSettings(), QString());
        ASSERT_EQ(cMessageBox::history().size(), 1);
        const QString strAsked = cMessageBox::history().first().strText;
        EXPECT_TRUE(strAsked.contains(QStringLiteral("Yours: Acme | Cat |  | %1 |").arg(intMine)))
            << strAsked.toStdString();
        EXPECT_TRUE(
            strAsked.contains(QStringLiteral("Stored: Acme | Cat |  | %1 |").arg(intTheirs)));
        EXPECT_EQ(
            db->fncRows(QStringLiteral("select curRate from tblMeta1 where strName = 'Acme'")),
            QStringList { cCurrency::fromDouble(intStored).toInvariantString() });
        EXPECT_EQ(other.MetaDataLists.ItemAt(0).MetaDic.Item(QStringLiteral("Acme")).HourlyRate,
            cCurrency::fromDouble(intStored));
    }
    EXPECT_EQ(db->fncRows(QStringLiteral("select count(*) from tblMeta1")), QStringList { "3" });
}

TEST_P(GlobalSettings, FailureHalfwayLeavesTheDatabaseAndTheEditsUnchanged)
{
    seed();
    if (GetParam() == eEngine::PostgreSQL) {
        db->fncExec(QStringLiteral(
            "create function fncBoom() returns trigger as $$ begin if new.strName = 'Boom' then "
            "raise exception 'injected failure'; end if; return new; end $$ language plpgsql"));
        db->fncExec(QStringLiteral("create trigger trgBoom before insert on tblMeta2 for each row "
                                   "execute function fncBoom()"));
    } else {
        db->fncExec(QStringLiteral(
            "create trigger trgBoom before insert on tblMeta2 when new.strName = 'Boom' "
            "begin select raise(abort, 'injected failure'); end"));
    }
    cGlobalSettings& g = load();
    const QStringList before = db->fncDump();
    cMetaDictionary& list1 = g.MetaDataLists.ItemAt(0);
    list1.MetaDic.Remove(QStringLiteral("Beta"));
    addItem(list1, "Zulu");
    list1.MetaDic.Item(QStringLiteral("Acme")).Category = QStringLiteral("changed");
    addItem(g.MetaDataLists.ItemAt(1), "Fine");
    addItem(g.MetaDataLists.ItemAt(1), "Boom");
    g.CostCarrier = 7;
    resolver.answers.enqueue({ cRemovedItemResolver::intRemoveReports, QString() });
    const QStringList edited = fncItems(list1);
    QString strMessage;
    EXPECT_FALSE(hvtest::endsProgram([&] { strMessage = g.SaveGlobalSettings(); }));
    EXPECT_TRUE(strMessage.startsWith(fncPhrase("LNGSAVEFAILEDKEPT"))) << strMessage.toStdString();
    EXPECT_TRUE(strMessage.contains(QStringLiteral("injected failure")));
    EXPECT_EQ(resolver.asked.size(), 1); // a server gets one more attempt, without asking again
    EXPECT_EQ(db->fncDump(), before);
    EXPECT_EQ(fncSharedConnection(), nullptr);
    // The edits are still there, and saving them once the cause is gone stores them.
    EXPECT_EQ(fncItems(list1), edited);
    db->fncExec(QStringLiteral("drop trigger trgBoom")
        + (GetParam() == eEngine::PostgreSQL ? QStringLiteral(" on tblMeta2") : QString()));
    resolver.answers.enqueue({ cRemovedItemResolver::intRemoveReports, QString() });
    ASSERT_EQ(g.SaveGlobalSettings(), QString());
    EXPECT_EQ(db->fncNames(1), (QStringList { "Acme", "Gamma", "Zulu" }));
    EXPECT_EQ(db->fncNames(2), (QStringList { "Boom", "Fine" }));
}

TEST_P(GlobalSettings, SaveExportsXmlUnlessTheReportingProgramPublishes)
{
    seed();
    cGlobalSettings& g = load();
    QFile reporting(cGlobalSettings::fncReportingProgramPath());
    ASSERT_TRUE(reporting.open(QIODevice::WriteOnly));
    reporting.close();
    ASSERT_EQ(g.SaveGlobalSettings(), QString());
    EXPECT_FALSE(QFile::exists(programFolder + QStringLiteral("/HVSettings.xml")));
    EXPECT_FALSE(QFile::exists(programFolder + QStringLiteral("/HVMeta1.xml")));

    // The connection is open before the switch, as in the window after a load.
    subSetupConnection();
    g.ReportTo = 1;
    ASSERT_EQ(g.SaveGlobalSettings(), QString());
    for (const char* f :
        { "HVSettings.xml", "HVMetaLists.xml", "HVMeta1.xml", "HVMeta2.xml", "HVMeta3.xml" })
        EXPECT_TRUE(QFile::exists(programFolder + QLatin1Char('/') + QLatin1String(f))) << f;

    // A connection is published without its password (the server's own connection text takes
    // the place of this one on PostgreSQL).
    subSetupConnection();
    g.ReportToValue
        = QStringLiteral("Provider=SQLOLEDB;Data Source=srv;Password=\"Qv3;Lm=Rt8\";User ID=me");
    ASSERT_EQ(g.SaveGlobalSettings(), QString());
    const QString password
        = QRegularExpression(QStringLiteral("Password=([^;]+)")).match(g.ReportToValue).captured(1);
    ASSERT_FALSE(password.isEmpty()) << g.ReportToValue.toStdString();
    const QByteArray published
        = hvtest::readFile(programFolder + QStringLiteral("/HVSettings.xml"));
    EXPECT_TRUE(published.contains(";Password=")) << published.toStdString();
    EXPECT_FALSE(published.contains(password.toUtf8()));
    EXPECT_FALSE(published.contains("Rt8"));
}

TEST_P(GlobalSettings, AFailedExportAfterTheCommitKeepsTheSaveAndSaysSo)
{
    seed();
    cGlobalSettings& g = load();
    ASSERT_EQ(g.SaveGlobalSettings(), QString());
    const QString meta1 = programFolder + QStringLiteral("/HVMeta1.xml");
    const QByteArray before = hvtest::readFile(meta1);
    hvtest::writeFile(meta1 + QStringLiteral(".~4242-0"), "left by an older run");
    ASSERT_TRUE(QFile::remove(programFolder + QStringLiteral("/HVSettings.xml")));
    ASSERT_TRUE(QDir().mkpath(programFolder + QStringLiteral("/HVSettings.xml/inside")));

    subSetupConnection();
    addItem(g.MetaDataLists.ItemAt(0), "Delta");
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    EXPECT_EQ(g.SaveGlobalSettings(), QString());
    ASSERT_EQ(cMessageBox::history().size(), 1);
    EXPECT_TRUE(cMessageBox::history().first().strText.startsWith(fncPhrase("LNGEXPORTFAILED")));
    EXPECT_TRUE(cMessageBox::history().first().strText.contains(QStringLiteral("HVSettings.xml")));
    EXPECT_TRUE(db->fncNames(1).contains(QStringLiteral("Delta")));
    EXPECT_EQ(hvtest::readFile(meta1), before);
    EXPECT_EQ(QDir(programFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
        (QStringList { "HVMeta1.xml", "HVMeta2.xml", "HVMeta3.xml", "HVMetaLists.xml" }));
}

TEST_P(GlobalSettings, AnAmountBeyondTheCurrencyRangeIsRefusedNamingIt)
{
    seed();
    // Each engine stores what the other cannot: SQLite a float, PostgreSQL one unit too many.
    const bool blnServer = GetParam() == eEngine::PostgreSQL;
    db->fncExec(
        QStringLiteral("update tblMeta1 set curRate = %1 where strName = 'Acme'")
            .arg(blnServer ? QStringLiteral("922337203685477.5808") : QStringLiteral("1e300")));
    gs = std::make_unique<cGlobalSettings>();
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_TRUE(hvtest::endsProgram([&] { gs->ReadGlobalSettings(2, db->Folder()); }));
    ASSERT_EQ(cMessageBox::history().size(), 1);
    const QString text = cMessageBox::history().first().strText;
    EXPECT_TRUE(text.contains(QStringLiteral("curRate"))) << text.toStdString();
    EXPECT_TRUE(text.contains(
        blnServer ? QStringLiteral("922337203685477.5808") : QStringLiteral("1e+300")))
        << text.toStdString();
}

TEST_P(GlobalSettings, XmlRoundTripReadsListsFromFilesAndOtherSettingsFromTheDatabase)
{
    seed();
    cGlobalSettings& g = load();
    g.MetaDataLists.ItemAt(1).Caption = QStringLiteral("Job");
    addItem(g.MetaDataLists.ItemAt(1), "Design & <Build>");
    g.OtherSettings.SetValue(QStringLiteral("Mode"), QStringLiteral("db"));
    g.CostCarrier = 2;
    ASSERT_EQ(g.SaveGlobalSettings(), QString()); // no reporting program: the export is written
    ASSERT_TRUE(QFile::exists(programFolder + QStringLiteral("/HVMeta3.xml")));

    // Change the database so that what comes from the files is told apart.
    db->fncExec(QStringLiteral("update tblMetaLists set strMetaListCaption = 'changed'"));
    db->fncExec(QStringLiteral("delete from tblReports"));
    db->fncExec(QStringLiteral("delete from tblMeta1"));
    db->fncExec(QStringLiteral("update tblOtherSettings set strPropValue = 'from database'"));

    cGlobalSettings fromXml;
    ASSERT_TRUE(fromXml.ReadGlobalSettings(1, programFolder + QLatin1Char('/')));
    EXPECT_EQ(fromXml.CostCarrier, 2);
    EXPECT_EQ(captions(fromXml), (QStringList { "Meta1=Customer", "Meta2=Job", "Meta3=" }));
    // Names only: numbered in file order, enabled.
    EXPECT_EQ(fncItems(fromXml.MetaDataLists.ItemAt(0)),
        (QStringList { "Acme 1 1 '' '' 0", "Beta 2 1 '' '' 0", "Gamma 3 1 '' '' 0" }));
    EXPECT_TRUE(fromXml.MetaDataLists.ItemAt(1).MetaDic.Exists(QStringLiteral("Design & <Build>")));
    EXPECT_TRUE(fromXml.MetaDataLists.ItemAt(2).MetaDic.isEmpty());
    EXPECT_EQ(fromXml.OtherSettings.GetValue(QStringLiteral("Mode"), cOtherSettings::intTypeText)
                  .toString(),
        QStringLiteral("from database"));

    // A folder without the files loads nothing.
    cGlobalSettings none;
    EXPECT_FALSE(none.ReadGlobalSettings(1, hvtest::newTempDir(QStringLiteral("empty"))));
    EXPECT_EQ(none.MetaDataLists.Count(), 0);
}

// Another program reading the local file in a transaction keeps the save from ending it: the
// save waits, then gives up with a message, and the edits are saved once the reader is done.
TEST(LocalFileBusy, TheSaveWaitsThenKeepsTheEditsAndSaysWhy)
{
    LoadLanguages(fncColumnForLcid(1033));
    cTestDatabase db(eEngine::SQLite);
    db.subAddItem(1, QStringLiteral("Acme"));
    db.subAddSettingsRow();
    cPersonalSettings::subSetProgramFolder(hvtest::newTempDir(QStringLiteral("program")));
    cGlobalSettings g;
    ASSERT_TRUE(g.ReadGlobalSettings(2, db.Folder()));
    addItem(g.MetaDataLists.ItemAt(0), "Beta");
    const QStringList before = db.fncDump();

    const ConnectionPtr reader = db.fncOpen();
    QSqlQuery q(reader->Database());
    ASSERT_TRUE(q.exec(QStringLiteral("begin")));
    ASSERT_TRUE(q.exec(QStringLiteral("select * from tblMeta1")));
    ASSERT_TRUE(q.next());
    cGlobalSettings::subSetBusyTimeout(1);
    QString strMessage;
    EXPECT_FALSE(hvtest::endsProgram([&] { strMessage = g.SaveGlobalSettings(); }));
    cGlobalSettings::subSetBusyTimeout(15);
    EXPECT_TRUE(strMessage.startsWith(fncPhrase("LNGSAVEFAILEDKEPT"))) << strMessage.toStdString();
    EXPECT_TRUE(strMessage.contains(QStringLiteral("locked"))) << strMessage.toStdString();
    q.finish();
    ASSERT_TRUE(q.exec(QStringLiteral("rollback")));
    EXPECT_EQ(db.fncDump(), before);

    ASSERT_EQ(g.SaveGlobalSettings(), QString());
    EXPECT_EQ(db.fncNames(1), (QStringList { "Acme", "Beta" }));
}

INSTANTIATE_TEST_SUITE_P(Engines, GlobalSettings, HV_DB_ENGINES);
} // namespace
