#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cDbTestEngines.h>
#include <modConnectionString.h>
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
    bool operator==(const cShape&) const = default;
};

constexpr cShape shapeBefore { false, false, 0, 0 };
constexpr cShape shapeUpgraded { true, true, 3, 1 };

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
    for (int n = 1; n <= 3; ++n)
        c.Execute(
            QStringLiteral("insert into tblMeta%1 (strName) values ('First'), ('Second')").arg(n));
}

// Every column of the schema has one caption row.
int fncSchemaColumnCount()
{
    int columns = 0;
    for (const auto& t : fncSchemaTables())
        columns += static_cast<int>(t.columns.size());
    return columns;
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
    EXPECT_EQ(shapeOf(conn()), shapeBefore);
    addMetaRows(conn());

    upgrade(GetParam(), strConnection);
    EXPECT_EQ(shapeOf(*fncSharedConnection()), shapeUpgraded);
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
    EXPECT_EQ(shapeOf(*fncSharedConnection()), shapeUpgraded);
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
    EXPECT_EQ(shapeOf(*fncSharedConnection()), shapeUpgraded);
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
    const auto rows = [this](const char* sql) {
        return hvtest::fncRows(strConnection, QString::fromLatin1(sql));
    };
    cConnection& c = conn();
    QHash<QString, QString> ids;
    for (const QString name : { "Acme", "ACME", "Beta", "acme" }) {
        c.Execute(QStringLiteral("insert into tblMeta1 (strName) values (?)"), { name });
        ids.insert(name, rows("select max(intMeta1ID) from tblMeta1").first());
        c.Execute(QStringLiteral("insert into tblReports (strSubject, intMeta1ID) values (?, ?)"),
            { name, ids.value(name).toInt() });
    }
    c.Execute(QStringLiteral("insert into tblMeta2 (strName) values ('x')"));
    c.Execute(QStringLiteral("insert into tblMeta2 (strName) values ('X')"));

    upgrade(GetParam(), strConnection);
    const QString acme = ids.value(QStringLiteral("Acme"));
    const QString beta = ids.value(QStringLiteral("Beta"));
    EXPECT_EQ(rows("select intMeta1ID, strName from tblMeta1 order by intMeta1ID"),
        (QStringList { acme + QStringLiteral("|Acme"), beta + QStringLiteral("|Beta") }));
    EXPECT_EQ(rows("select strSubject, intMeta1ID from tblReports order by intReportID"),
        (QStringList { QStringLiteral("Acme|") + acme, QStringLiteral("ACME|") + acme,
            QStringLiteral("Beta|") + beta, QStringLiteral("acme|") + acme }));
    EXPECT_EQ(rows("select count(*) from tblMeta2"), QStringList { "1" });
    for (int n = 1; n <= 3; ++n)
        EXPECT_THROW(
            fncSharedConnection()->Execute(
                QStringLiteral("insert into tblMeta%1 (strName) values ('BETA'), ('beta')").arg(n)),
            cHVError)
            << n;
}

// Every letter the engine's lower() joins to another, the key folding joins too: two names the
// window keeps apart never collide in the unique index on lower(strName).
TEST_P(SchemaUpgrade, NameIndexFoldingJoinsEveryLetterTheEnginesLowerJoins)
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

INSTANTIATE_TEST_SUITE_P(Engines, SchemaUpgrade, HV_DB_ENGINES);

TEST(LocalSchema, CaptionsAreKeptInTheCurrentLanguageAndCreatingOverItReplacesItWhole)
{
    LoadLanguages(fncGetlocalLanguage());
    ASSERT_FALSE(fncPhrase("LNGREPORT").isEmpty());
    const QString conn = hvtest::fncFreshDatabase(eEngine::SQLite);
    // blnEnabled is added by the upgrade.
    EXPECT_EQ(hvtest::fncRows(conn,
                  QStringLiteral("select distinct strColumnName, strCaption from %1 where "
                                 "strColumnName in ('intReportID', 'intMeta3ID', 'blnEnabled') "
                                 "order by strColumnName")
                      .arg(strCaptionTable)),
        (QStringList { QStringLiteral("blnEnabled|") + fncPhrase("LNGENABLE"),
            QStringLiteral("intMeta3ID|Meta 3 ID"),
            QStringLiteral("intReportID|") + fncPhrase("LNGREPORT") + QStringLiteral(" ID") }));
    EXPECT_EQ(fncReturnRecordset(strCaptionTable, true)->RecordCount(), fncSchemaColumnCount());

    // Creating over our own database replaces it whole.
    const QString path = fncAccessPath();
    fncSharedConnection()->Execute(
        QStringLiteral("insert into tblPersons (strPersonName) values (?)"),
        { QStringLiteral("Ann") });
    subCloseConnection();
    EXPECT_TRUE(subCreateHVDatabase(path));
    auto c = cConnection::Open(fncAccessConnectionString(path));
    EXPECT_EQ(c->OpenRecordset(QStringLiteral("tblPersons"), true)->RecordCount(), 0);
    EXPECT_FALSE(c->TableExists(QStringLiteral("tblOtherSettings")));
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".new")));
    subResetDBState();
}

// What stands where the database should be: a Jet file, a damaged SQLite file, a database of
// another program, plain text, or (empty) a link to a share that is not mounted. It is reported
// by its name at start-up and when asked to create a database there, and nothing is changed or
// made in its place.
TEST(LocalSchema, ForeignFilesAreLeftUntouchedAndAnEarlierEditionOfOursIsUpgraded)
{
    const QString other = hvtest::newTempDir(QStringLiteral("other")) + QStringLiteral("/notes.db");
    cConnection::CreateLocal(other)->Execute(
        QStringLiteral("create table notes (id integer primary key, txt text)"));
    for (const QByteArray& foreign : QList<QByteArray> {
             QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2028, '\x11'),
             QByteArray("SQLite format 3\x00", 16) + QByteArray(4080, '\x7f'),
             hvtest::readFile(other), QByteArray("just some text the user kept here\n"),
             QByteArray() }) {
        SCOPED_TRACE(foreign.left(20).toStdString());
        subResetDBState();
        strDataFolder = hvtest::newTempDir(QStringLiteral("foreign"));
        const QString path = fncAccessPath();
        const QString target = strDataFolder + QStringLiteral("/share/Hourvane3.mdb");
        if (foreign.isEmpty())
            ASSERT_TRUE(QFile::link(target, path));
        else
            hvtest::writeFile(path, foreign);
        // The start-up path: the file is there, so the connection upgrades it.
        subResetErrorState();
        cMessageBox::setNextAnswer(cMessageBox::Answer::No);
        EXPECT_TRUE(hvtest::endsProgram([] { subSetupConnection(); }));
        EXPECT_TRUE(fncReportText().contains(path)) << fncReportText().toStdString();
        EXPECT_FALSE(fncSharedConnection());
        subResetErrorState();
        cMessageBox::setNextAnswer(cMessageBox::Answer::No);
        EXPECT_TRUE(hvtest::endsProgram([&] { subCreateHVDatabase(path); }));
        EXPECT_TRUE(fncReportText().contains(path));
        EXPECT_EQ(hvtest::readFile(path), foreign);
        EXPECT_EQ(
            QDir(strDataFolder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
            QStringList { QStringLiteral("Hourvane3.mdb") });
        EXPECT_EQ(QFileInfo(path).symLinkTarget(), foreign.isEmpty() ? target : QString());
    }

    // A file of an earlier edition, without the caption table, is upgraded.
    hvtest::fncFreshDatabase(eEngine::SQLite, false);
    fncSharedConnection()->Execute(QStringLiteral("DROP TABLE ") + strCaptionTable);
    subCloseConnection();
    subSetupConnection();
    ASSERT_TRUE(fncSharedConnection());
    EXPECT_TRUE(fncSharedConnection()->ColumnExists(
        QStringLiteral("tblReports"), QStringLiteral("strBody")));
    // The old columns' captions and the new ones'.
    EXPECT_EQ(fncReturnRecordset(strCaptionTable, true)->RecordCount(), fncSchemaColumnCount());
    subResetDBState();
}
