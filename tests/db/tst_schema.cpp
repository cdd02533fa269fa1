#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <cDbTestEngines.h>
#include <cHVError.h>
#include <cMessageBox.h>
#include <modConnectionString.h>
#include <modDBCode.h>
#include <modDBCreate.h>
#include <modErrorHandling.h>
#include <modKeyFolding.h>
#include <modPhrases.h>
#include <modSchema.h>

using hvtest::cDbEngineTest;

namespace {

struct cShape
{
    bool otherSettings;
    bool body;
    int enabledColumns;
    int personCategory;
};

cShape shapeOf(cConnection& c)
{
    cShape s {};
    s.otherSettings = c.TableExists(QStringLiteral("tblOtherSettings"));
    s.body = c.ColumnExists(QStringLiteral("tblReports"), QStringLiteral("strBody"));
    for (int n = 1; n <= 3; ++n)
        s.enabledColumns
            += c.ColumnExists(QStringLiteral("tblMeta%1").arg(n), QStringLiteral("blnEnabled")) ? 1
                                                                                                : 0;
    const RecordsetPtr rs = c.OpenRecordset(QStringLiteral("tblPersons"), true);
    for (const cField& f : rs->Fields())
        s.personCategory
            += f.Name.compare(QLatin1String("strPersonCategory"), Qt::CaseInsensitive) == 0 ? 1 : 0;
    return s;
}

void addMetaRows(cConnection& c)
{
    for (int n = 1; n <= 3; ++n) {
        c.Execute(QStringLiteral("insert into tblMeta%1 (strName) values (?)").arg(n),
            { QStringLiteral("First") });
        c.Execute(QStringLiteral("insert into tblMeta%1 (strName) values (?)").arg(n),
            { QStringLiteral("Second") });
    }
}

void upgrade(eEngine engine, const QString& strConnection)
{
    if (engine == eEngine::SQLite)
        subSetSharedConnection(subCheckUpgrade(
            fncParseConnectionString(strConnection).Value(QStringLiteral("Data Source"))));
    else
        subCheckSQLUpgrade(*fncSharedConnection());
}

} // namespace

class SchemaUpgrade : public cDbEngineTest
{
protected:
    void SetUp() override
    {
        blnUpgradeOnSetUp = false;
        cDbEngineTest::SetUp();
    }
    cConnection& conn() { return *fncSharedConnection(); }
};

TEST_P(SchemaUpgrade, NewDatabaseLacksTheUpgradeThenGetsAllOfItOnce)
{
    const cShape before = shapeOf(conn());
    EXPECT_FALSE(before.otherSettings);
    EXPECT_FALSE(before.body);
    EXPECT_EQ(before.enabledColumns, 0);
    EXPECT_EQ(before.personCategory, 0);
    addMetaRows(conn());

    upgrade(GetParam(), strConnection);
    const cShape after = shapeOf(*fncSharedConnection());
    EXPECT_TRUE(after.otherSettings);
    EXPECT_TRUE(after.body);
    EXPECT_EQ(after.enabledColumns, 3);
    EXPECT_EQ(after.personCategory, 1);
    for (int n = 1; n <= 3; ++n) {
        auto rs = fncReturnRecordset(QStringLiteral("tblMeta%1").arg(n), true);
        ASSERT_EQ(rs->RecordCount(), 2);
        for (; !rs->Eof(); rs->MoveNext())
            EXPECT_TRUE(rs->Value(QStringLiteral("blnEnabled")).toBool()) << n;
    }
    // A row added after the upgrade is not touched by a second upgrade.
    fncSharedConnection()->Execute(
        QStringLiteral("insert into tblMeta1 (strName, blnEnabled) values (?, ?)"),
        { QStringLiteral("Off"), false });
    upgrade(GetParam(), strConnection);
    const cShape again = shapeOf(*fncSharedConnection());
    EXPECT_EQ(again.personCategory, 1);
    EXPECT_EQ(again.enabledColumns, 3);
    auto rs = fncReturnRecordset(QStringLiteral("tblMeta1"), true);
    ASSERT_TRUE(rs->Find(QStringLiteral("strName = 'Off'")));
    EXPECT_FALSE(rs->Value(QStringLiteral("blnEnabled")).toBool());
}

TEST_P(SchemaUpgrade, PartlyUpgradedDatabaseGetsTheRestAndNoSecondPersonCategory)
{
    const cSqlDialect& d = conn().Dialect();
    conn().Execute(QStringLiteral(
        "CREATE TABLE tblOtherSettings (%1, strPropName %2 NULL, strPropValue %3 NULL)")
                       .arg(d.AutoKey(QStringLiteral("intSettingID")),
                           d.ColumnType(eFieldType::Text), d.ColumnType(eFieldType::Memo)));
    conn().Execute(d.AddColumn(
        QStringLiteral("tblPersons"), QStringLiteral("strPersonCategory"), eFieldType::Text));
    conn().Execute(
        QStringLiteral("insert into tblOtherSettings (strPropName, strPropValue) values (?, ?)"),
        { QStringLiteral("Kept"), QStringLiteral("yes") });
    addMetaRows(conn());

    upgrade(GetParam(), strConnection);
    const cShape after = shapeOf(*fncSharedConnection());
    EXPECT_TRUE(after.body);
    EXPECT_EQ(after.enabledColumns, 3);
    EXPECT_EQ(after.personCategory, 1);
    auto other = fncReturnRecordset(QStringLiteral("tblOtherSettings"), true);
    ASSERT_EQ(other->RecordCount(), 1);
    EXPECT_EQ(other->Value(2).toString(), QStringLiteral("yes"));
}

TEST_P(SchemaUpgrade, RelationsKeepReportsFromLosingTheirMetadataRow)
{
    upgrade(GetParam(), strConnection);
    auto meta = fncReturnRecordset(QStringLiteral("tblMeta2"), false);
    meta->AddNew();
    meta->SetValue(QStringLiteral("strName"), QStringLiteral("Acme"));
    meta->Update();
    const int id = meta->Value(0).toInt();
    fncSharedConnection()->Execute(
        QStringLiteral("insert into tblReports (strSubject, intMeta2ID) values (?, ?)"),
        { QStringLiteral("Work"), id });
    EXPECT_THROW(meta->Delete(), cHVError);
    auto cmd = fncCreateCommand();
    cmd->CommandText = QStringLiteral("Delete from tblMeta2 where intMeta2ID = ?");
    EXPECT_THROW(cmd->Execute({ id }), cHVError);
    // A report pointing at a row that does not exist is refused too.
    EXPECT_THROW(fncSharedConnection()->Execute(
                     QStringLiteral("insert into tblReports (intMeta1ID) values (?)"), { 999 }),
        cHVError);
    EXPECT_EQ(fncReturnRecordset(QStringLiteral("tblMeta2"), true)->RecordCount(), 1);
    // Once the reports are moved away the row can go.
    cmd->CommandText = QStringLiteral("Delete from tblReports where intMeta2ID = ?");
    EXPECT_EQ(cmd->Execute({ id }), 1);
    meta->MoveFirst();
    meta->Delete();
    EXPECT_EQ(fncReturnRecordset(QStringLiteral("tblMeta2"), true)->RecordCount(), 0);
}

TEST_P(SchemaUpgrade, NamesDifferingInCaseBecomeTheFirstRowWithAllReportsAndStayUnique)
{
    const auto rows = [](const QString& sql) {
        QStringList out;
        for (const RecordsetPtr rs = fncSharedConnection()->OpenRecordset(sql, true); !rs->Eof();
             rs->MoveNext())
            out.append(rs->Value(0).toString() + QLatin1Char('|') + rs->Value(1).toString());
        return out;
    };
    cConnection& c = conn();
    QHash<QString, int> ids;
    for (const char* name : { "Acme", "ACME", "Beta", "acme" }) {
        c.Execute(QStringLiteral("insert into tblMeta1 (strName) values (?)"),
            { QString::fromLatin1(name) });
        ids.insert(QString::fromLatin1(name),
            rows(QStringLiteral("select max(intMeta1ID), 0 from tblMeta1"))
                .first()
                .section(QLatin1Char('|'), 0, 0)
                .toInt());
        c.Execute(QStringLiteral("insert into tblReports (strSubject, intMeta1ID) values (?, ?)"),
            { QString::fromLatin1(name), ids.value(QString::fromLatin1(name)) });
    }
    c.Execute(QStringLiteral("insert into tblMeta2 (strName) values ('x')"));
    c.Execute(QStringLiteral("insert into tblMeta2 (strName) values ('X')"));

    upgrade(GetParam(), strConnection);
    cConnection& after = *fncSharedConnection();
    const QString acme = QString::number(ids.value(QStringLiteral("Acme")));
    const QString beta = QString::number(ids.value(QStringLiteral("Beta")));
    EXPECT_EQ(rows(QStringLiteral("select intMeta1ID, strName from tblMeta1 order by intMeta1ID")),
        (QStringList { acme + QStringLiteral("|Acme"), beta + QStringLiteral("|Beta") }));
    EXPECT_EQ(
        rows(QStringLiteral("select strSubject, intMeta1ID from tblReports order by intReportID")),
        (QStringList { QStringLiteral("Acme|") + acme, QStringLiteral("ACME|") + acme,
            QStringLiteral("Beta|") + beta, QStringLiteral("acme|") + acme }));
    EXPECT_EQ(rows(QStringLiteral("select count(*), 0 from tblMeta2")), QStringList { "1|0" });
    for (int n = 1; n <= 3; ++n)
        EXPECT_THROW(
            after.Execute(
                QStringLiteral("insert into tblMeta%1 (strName) values ('BETA'), ('beta')").arg(n)),
            cHVError)
            << n;
}

INSTANTIATE_TEST_SUITE_P(Engines, SchemaUpgrade, HV_DB_ENGINES);

class NameIndexFolding : public cDbEngineTest
{
};

// Every letter the engine's lower() joins to another, the key folding joins too: two names the
// window keeps apart never collide in the unique index on lower(strName).
TEST_P(NameIndexFolding, JoinsEveryLetterTheEnginesLowerJoins)
{
    const QString sql = GetParam() == eEngine::PostgreSQL
        ? QStringLiteral("select i, ascii(lower(chr(i))) from generate_series(1, 1114111) i "
                         "where (i < 55296 or i > 57343) and lower(chr(i)) <> chr(i)")
        : QStringLiteral("with recursive c(i) as (select 1 union all select i + 1 from c "
                         "where i < 1114111) select i, unicode(lower(char(i))) from c "
                         "where (i < 55296 or i > 57343) and i not in (65534, 65535) "
                         "and unicode(lower(char(i))) <> i"); // char() of these two gives U+FFFD
    int intJoined = 0;
    for (const RecordsetPtr rs = fncSharedConnection()->OpenRecordset(sql, true); !rs->Eof();
         rs->MoveNext(), ++intJoined) {
        const uint a = rs->Value(0).toUInt();
        const uint b = rs->Value(1).toUInt();
        EXPECT_EQ(uint(fncFoldLetter(a)), uint(fncFoldLetter(b))) << std::hex << a << " " << b;
    }
    EXPECT_GE(intJoined, 26);
}

INSTANTIATE_TEST_SUITE_P(Engines, NameIndexFolding, HV_DB_ENGINES);

TEST(LocalSchema, CaptionsAreKeptInTheCurrentLanguage)
{
    LoadLanguages(fncGetlocalLanguage());
    ASSERT_FALSE(fncPhrase("LNGREPORT").isEmpty());
    hvtest::fncFreshDatabase(eEngine::SQLite);
    auto caps = fncReturnRecordset(strCaptionTable, true);
    ASSERT_TRUE(caps->Find(QStringLiteral("strColumnName = 'intReportID'")));
    EXPECT_EQ(caps->Value(QStringLiteral("strCaption")).toString(),
        fncPhrase("LNGREPORT") + QStringLiteral(" ID"));
    caps->MoveFirst();
    ASSERT_TRUE(caps->Find(QStringLiteral("strColumnName = 'intMeta3ID'")));
    EXPECT_EQ(caps->Value(QStringLiteral("strCaption")).toString(), QStringLiteral("Meta 3 ID"));
    caps->MoveFirst();
    // Columns added by the upgrade get theirs as well.
    ASSERT_TRUE(caps->Find(QStringLiteral("strColumnName = 'blnEnabled'")));
    EXPECT_EQ(caps->Value(QStringLiteral("strCaption")).toString(), fncPhrase("LNGENABLE"));
    int columns = 0;
    for (const auto& t : fncSchemaTables())
        columns += static_cast<int>(t.columns.size());
    EXPECT_EQ(caps->RecordCount(), columns);
    subResetDBState();
}

class ForeignFiles : public testing::TestWithParam<QByteArray>
{
};

TEST_P(ForeignFiles, AreReportedByNameAndLeftUntouched)
{
    subResetDBState();
    strDataFolder = hvtest::newTempDir(QStringLiteral("foreign"));
    const QString path = fncAccessPath();
    hvtest::writeFile(path, GetParam());
    // The start-up path: the file is there, so the connection upgrades it.
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_TRUE(hvtest::endsProgram([] { subSetupConnection(); }));
    ASSERT_FALSE(cMessageBox::history().isEmpty());
    EXPECT_TRUE(cMessageBox::history().last().strText.contains(path))
        << cMessageBox::history().last().strText.toStdString();
    EXPECT_FALSE(fncSharedConnection());
    // Asked to create a database there, it refuses as well.
    subResetErrorState();
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_TRUE(hvtest::endsProgram([&] { subCreateHVDatabase(path); }));
    EXPECT_EQ(hvtest::readFile(path), GetParam());
    subResetDBState();
}

namespace {
QByteArray jetHeader()
{
    QByteArray b("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    b.append(QByteArray(2028, '\x11'));
    return b;
}
// A database of another program: a whole SQLite file without our tables.
QByteArray otherSqlite()
{
    const QString path = hvtest::newTempDir(QStringLiteral("other")) + QStringLiteral("/notes.db");
    cConnection::CreateLocal(path)->Execute(
        QStringLiteral("create table notes (id integer primary key, txt text)"));
    return hvtest::readFile(path);
}
QByteArray damagedSqlite()
{
    QByteArray b("SQLite format 3\x00", 16);
    b.append(QByteArray(4080, '\x7f'));
    return b;
}
} // namespace

INSTANTIATE_TEST_SUITE_P(Kinds, ForeignFiles,
    testing::Values(jetHeader(), damagedSqlite(), otherSqlite(),
        QByteArray("just some text the user kept here\n")));

TEST(LocalSchema, CreatingOverOurOwnDatabaseReplacesItWhole)
{
    hvtest::fncFreshDatabase(eEngine::SQLite);
    const QString path = fncAccessPath();
    fncSharedConnection()->Execute(
        QStringLiteral("insert into tblPersons (strPersonName) values (?)"),
        { QStringLiteral("Ann") });
    subCloseConnection();
    EXPECT_TRUE(subCreateHVDatabase(path));
    auto c
        = cConnection::Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path);
    EXPECT_EQ(c->OpenRecordset(QStringLiteral("tblPersons"), true)->RecordCount(), 0);
    EXPECT_FALSE(c->TableExists(QStringLiteral("tblOtherSettings")));
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".new")));
    subResetDBState();
}

TEST(LocalSchema, AFileOfAnEarlierEditionWithoutTheCaptionTableIsUpgraded)
{
    hvtest::fncFreshDatabase(eEngine::SQLite, false);
    fncSharedConnection()->Execute(QStringLiteral("DROP TABLE ") + strCaptionTable);
    subCloseConnection();
    subSetupConnection();
    ASSERT_TRUE(fncSharedConnection());
    EXPECT_TRUE(fncSharedConnection()->ColumnExists(
        QStringLiteral("tblReports"), QStringLiteral("strBody")));
    auto caps = fncReturnRecordset(strCaptionTable, true);
    int columns = 0;
    for (const auto& t : fncSchemaTables())
        columns += static_cast<int>(t.columns.size());
    EXPECT_EQ(caps->RecordCount(), columns); // the old columns' captions and the new ones'
    subResetDBState();
}

// A link to a share that is not mounted: reported by its name at start-up and when asked to
// create a database there; nothing is made in its place.
TEST(LocalSchema, ALinkWhoseTargetIsMissingIsReportedAndNothingCreated)
{
    LoadLanguages(fncColumnForLcid(1033));
    subResetDBState();
    strDataFolder = hvtest::newTempDir(QStringLiteral("link"));
    const QString path = fncAccessPath();
    const QString target = strDataFolder + QStringLiteral("/share/Hourvane3.mdb");
    ASSERT_TRUE(QFile::link(target, path));
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_TRUE(hvtest::endsProgram([] { subSetupConnection(); }));
    EXPECT_TRUE(fncReportText().contains(path)) << fncReportText().toStdString();
    subResetErrorState();
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_TRUE(hvtest::endsProgram([&] { subCreateHVDatabase(path); }));
    EXPECT_TRUE(fncReportText().contains(path));
    EXPECT_EQ(QFileInfo(path).symLinkTarget(), target);
    EXPECT_EQ(QDir(strDataFolder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
        QStringList { QStringLiteral("Hourvane3.mdb") });
    subResetDBState();
}
