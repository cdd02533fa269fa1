#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <cConnectionDialogs.h>
#include <cDbTestEngines.h>
#include <modConnectionString.h>
#include <modErrorHandling.h>
#include <modPhrases.h>
#include <unistd.h>

namespace {

const QString strJet = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");

class cScriptedDialogs : public cConnectionDialogs
{
public:
    qint16 fncChooseConnection(const QString& strSQLScriptFileName) override
    {
        scriptNames.append(strSQLScriptFileName);
        return choice;
    }
    cLogon fncSQLLogon(const QString&, bool blnNewDB) override
    {
        newDbFlags.append(blnNewDB);
        if (logons.isEmpty()) {
            ADD_FAILURE() << "logon asked more often than expected";
            subEndProgram(1);
        }
        return logons.takeFirst();
    }

    qint16 choice = 0;
    QList<cLogon> logons;
    QStringList scriptNames;
    QList<bool> newDbFlags;
};

// A port nobody listens on any more.
int closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

QString closedPgConnection()
{
    return QStringLiteral(
        "Provider=PostgreSQL;User ID=x;Data Source=127.0.0.1:%1;Initial Catalog=x")
        .arg(closedPort());
}

// The shared connection is open on a database that went through the upgrade.
bool sharedIsUpgraded()
{
    return fncSharedConnection()
        && fncSharedConnection()->TableExists(QStringLiteral("tblOtherSettings"));
}

class GetConnection : public testing::Test
{
protected:
    void SetUp() override
    {
        subResetDBState();
        dialogs = std::make_shared<cScriptedDialogs>();
        subSetConnectionDialogs(dialogs);
        folder = hvtest::newTempDir(QStringLiteral("data"));
    }
    void TearDown() override { subResetDBState(); }

    std::shared_ptr<cScriptedDialogs> dialogs;
    QString folder;
};

} // namespace

TEST_F(GetConnection, TrailingSlashIsDroppedBlanksOnlyFromTheDatabasePathAndTheFileWins)
{
    subCreateHVDatabase(folder + QStringLiteral("/Hourvane3.mdb"));
    strDataFolder = QStringLiteral(" ") + folder + QStringLiteral("/");
    EXPECT_EQ(fncGetConnection(), strJet + folder + QStringLiteral("/Hourvane3.mdb"));
    EXPECT_EQ(strDataFolder, QStringLiteral(" ") + folder);
    EXPECT_EQ(ReportTo(), 2);
    EXPECT_EQ(ReportToValue(), folder + QStringLiteral("/Hourvane3.mdb"));
    EXPECT_TRUE(sharedIsUpgraded());
    EXPECT_TRUE(dialogs->scriptNames.isEmpty());

    // The Access file wins over the connection file.
    subResetDBState();
    subSetConnectionDialogs(dialogs);
    // Reading this file would mean a failed connection to a closed port.
    hvtest::writeFile(
        folder + QStringLiteral("/HourvaneConnection.txt"), closedPgConnection().toUtf8());
    strDataFolder = folder;
    ReportTo() = 1; // like 4, keeps its value yet uses the file
    ReportToValue() = QStringLiteral("/reports/elsewhere");
    EXPECT_EQ(fncGetConnection(), strJet + folder + QStringLiteral("/Hourvane3.mdb"));
    EXPECT_EQ(fncSharedConnection()->Engine(), eEngine::SQLite);
    EXPECT_EQ(ReportTo(), 1);
    EXPECT_EQ(ReportToValue(), QStringLiteral("/reports/elsewhere"));
}

// The choice closed without OK gives no database and no error, an empty connection file is
// deleted before the choice is offered, and without single-user nothing is asked at all.
TEST_F(GetConnection, ClosingTheChoiceGivesNoDatabaseAndNoError)
{
    dialogs->choice = 0;
    fncGetConnection();
    EXPECT_EQ(strDataFolder, QCoreApplication::applicationDirPath()); // an empty data folder
    hvtest::writeFile(folder + QStringLiteral("/HourvaneConnection.txt"), QByteArray());
    strDataFolder = folder;
    EXPECT_TRUE(fncGetConnection().isEmpty());
    EXPECT_EQ(dialogs->scriptNames.size(), 2);
    EXPECT_EQ(dialogs->scriptNames.last(), QStringLiteral("CreateDBHV.sql"));
    EXPECT_FALSE(fncReturnRecordset(QStringLiteral("tblSettings"), true));
    EXPECT_FALSE(fncCreateCommand());
    EXPECT_FALSE(fncSharedConnection());
    EXPECT_TRUE(cMessageBox::history().isEmpty());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList());

    dialogs->scriptNames.clear();
    blnSingleUser = false;
    EXPECT_TRUE(fncGetConnection().isEmpty());
    EXPECT_TRUE(dialogs->scriptNames.isEmpty());
}

// The connection file leads to the server and its upgrade; from then on report choice 3 with a
// complete string consults no file at all.
TEST_F(GetConnection, ConnectionFileLeadsToTheServerThenNoFileIsConsulted)
{
    hvtest::fncFreshDatabase(eEngine::PostgreSQL, false);
    const QString conn = ReportToValue();
    ASSERT_FALSE(conn.isEmpty());
    subResetDBState();
    subSetConnectionDialogs(dialogs);
    hvtest::writeFile(folder + QStringLiteral("/HourvaneConnection.txt"), conn.toUtf8());
    strDataFolder = folder;
    subSetupConnection();
    EXPECT_TRUE(sharedIsUpgraded());
    EXPECT_EQ(ReportTo(), 3);
    EXPECT_EQ(ReportToValue(), conn);

    subCloseConnection();
    // Both files would be trouble if read: a Jet file and an empty connection file.
    hvtest::writeFile(folder + QStringLiteral("/Hourvane3.mdb"),
        QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
    hvtest::writeFile(folder + QStringLiteral("/HourvaneConnection.txt"), QByteArray());
    strDataFolder = folder + QStringLiteral("/");
    ASSERT_TRUE(fncReturnRecordset(QStringLiteral("tblSettings"), true));
    EXPECT_EQ(fncSharedConnection()->Engine(), eEngine::PostgreSQL);
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/HourvaneConnection.txt")));
    EXPECT_EQ(strDataFolder, folder + QStringLiteral("/")); // not even normalised
}

// Text that does not begin with a provider this program knows is reported with the file's name
// and left as it is; nothing is asked.
TEST_F(GetConnection, AConnectionFileWithoutAKnownProviderIsReportedByName)
{
    LoadLanguages(fncColumnForLcid(1033));
    const QString file = folder + QStringLiteral("/HourvaneConnection.txt");
    strDataFolder = folder;
    for (const char* text :
        { "Data Source=db1;Provider=PostgreSQL;Initial Catalog=HV", "Provider=MSDASQL;DSN=hv" }) {
        hvtest::writeFile(file, text);
        subResetErrorState();
        cMessageBox::setNextAnswer(cMessageBox::Answer::No);
        EXPECT_TRUE(hvtest::endsProgram([] { subSetupConnection(); })) << text;
        EXPECT_TRUE(fncReportText().contains(file)) << fncReportText().toStdString();
        EXPECT_EQ(hvtest::readFile(file), QByteArray(text));
        EXPECT_FALSE(fncSharedConnection());
    }
    EXPECT_TRUE(dialogs->scriptNames.isEmpty());
}

TEST_F(GetConnection, ACancelledLogonLeavesNoFileThenChoiceOneCreatesALocalDatabase)
{
    strDataFolder = folder;
    dialogs->choice = 3;
    dialogs->logons = { { QString(), QString() } };
    EXPECT_TRUE(fncGetConnection().isEmpty());
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/HourvaneConnection.txt")));
    EXPECT_NE(ReportTo(), 3);

    dialogs->choice = 1;
    EXPECT_EQ(fncGetConnection(), strJet + folder + QStringLiteral("/Hourvane3.mdb"));
    EXPECT_EQ(ReportTo(), 2);
    subSetupConnection();
    ASSERT_TRUE(fncSharedConnection());
    EXPECT_TRUE(fncSharedConnection()->ColumnExists(
        QStringLiteral("tblReports"), QStringLiteral("strBody")));
}

TEST_F(GetConnection, ChoiceThreeStoresTheLogonPrivatelyAndChoiceTwoCreatesTheServerDatabase)
{
    auto& pg = hvtest::cPgTestServer::Instance();
    ASSERT_TRUE(pg.Running()) << pg.Error().toStdString();
    const QString name = QStringLiteral("existing_%1").arg(::getpid());
    ASSERT_TRUE(fncRunCreationScript(pg.ServerConnectionString(), name));
    const QString conn = pg.ServerConnectionString() + QStringLiteral(";Initial Catalog=") + name;
    strDataFolder = folder;
    dialogs->choice = 3;
    dialogs->logons = { { conn, name } };
    EXPECT_EQ(fncGetConnection(), conn);
    EXPECT_EQ(dialogs->newDbFlags, QList<bool> { false });
    const QString file = folder + QStringLiteral("/HourvaneConnection.txt");
    EXPECT_EQ(QString::fromUtf8(hvtest::readFile(file)), conn);
    EXPECT_EQ(QFileInfo(file).permissions()
            & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup
                | QFileDevice::WriteOther),
        QFileDevice::Permissions());
    EXPECT_EQ(ReportTo(), 3);
    EXPECT_TRUE(sharedIsUpgraded());

    // Choice two creates the server database under the given name.
    subResetDBState();
    subSetConnectionDialogs(dialogs);
    QFile::remove(file);
    dialogs->newDbFlags.clear();
    strDataFolder = folder;
    dialogs->choice = 2;
    const QString made = QStringLiteral("Made_%1").arg(::getpid());
    const QString closed
        = QStringLiteral("Provider=PostgreSQL;Persist Security Info=True;Password=;User ID=hvtest;"
                         "Data Source=127.0.0.1:%1")
              .arg(closedPort());
    dialogs->logons = {
        { pg.ServerConnectionString(),
            QStringLiteral("bad name\"; drop") }, // refused: not a plain name
        { closed, made }, // refused: nobody there
        { pg.ServerConnectionString(), made },
    };
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    const QString result = fncGetConnection();
    EXPECT_EQ(result, pg.ServerConnectionString() + QStringLiteral(";Initial Catalog=") + made);
    EXPECT_EQ(dialogs->newDbFlags, (QList<bool> { true, true, true }));
    ASSERT_EQ(cMessageBox::history().size(), 2);
    EXPECT_EQ(cMessageBox::history().at(0).icon, cMessageBox::Icon::Critical);
    EXPECT_TRUE(
        cMessageBox::history().at(0).strText.startsWith(QStringLiteral("The database name")));
    EXPECT_TRUE(cMessageBox::history().at(1).strText.startsWith(
        QStringLiteral("Connection failed with connection string ")));
    ASSERT_TRUE(sharedIsUpgraded());
    EXPECT_TRUE(fncSharedConnection()->TableExists(QStringLiteral("tblMetaLists")));
}

TEST(ConnectionStrings, StoredPartsParseWithWholeValuesAndGiveTheWholeFreeTdsString)
{
    const auto parts = fncParseConnectionString(
        QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=True;Password=a=b;c;User "
                       "ID=sa;Data Source=srv\\INST;Initial Catalog=HV"));
    EXPECT_EQ(parts.Value(QStringLiteral("password")), QStringLiteral("a=b"));
    EXPECT_EQ(parts.Value(QStringLiteral("Data Source")), QStringLiteral("srv\\INST"));
    EXPECT_EQ(fncEngineOfConnectionString(QStringLiteral("Provider=PostgreSQL;Data Source=h")),
        eEngine::PostgreSQL);
    EXPECT_EQ(fncEngineOfConnectionString(strJet + QStringLiteral("/x")), eEngine::SQLite);
    EXPECT_THROW(fncEngineOfConnectionString(QStringLiteral("Provider=MSDASQL;DSN=x")), cHVError);
    const std::pair<const char*, const char*> odbc[] = {
        { "Provider=SQLOLEDB.1;Persist Security Info=True;Password=p;w=}x;User ID=sa;Data "
          "Source=db1;Initial Catalog=HV",
            "DRIVER={FreeTDS};SERVER=db1;DATABASE=HV;UID=sa;PWD={p};TDS_Version=7.4;ClientCharset="
            "UTF-8" },
        { "Provider=SQLOLEDB.1;Password=a}b=c;User ID=sa;Data Source=db1:1444;Initial Catalog=HV",
            "DRIVER={FreeTDS};SERVER=db1;PORT=1444;DATABASE=HV;UID=sa;PWD={a}}b=c};TDS_Version=7.4;"
            "ClientCharset=UTF-8" },
        { "Provider=SQLOLEDB.1;Persist Security Info=True;Integrated Security=SSPI;Data "
          "Source=srv\\SQLEXPRESS",
            "DRIVER={FreeTDS};SERVER=srv\\SQLEXPRESS;Trusted_Connection=Yes;TDS_Version=7.4;"
            "ClientCharset=UTF-8" },
    };
    for (const auto& [stored, expected] : odbc)
        EXPECT_EQ(fncOdbcConnectionString(QString::fromUtf8(stored)).toStdString(), expected);
}

// A closed port fails with the driver's own description; a silent server gives up after the
// login time-out instead of waiting for ever.
TEST(SqlServer, ClosedOrSilentServersFail)
{
    const cHVError closed = hvtest::errorOf([] {
        cConnection::Open(QStringLiteral("Provider=SQLOLEDB.1;Password=x;User ID=sa;Data "
                                         "Source=127.0.0.1:%1;Initial Catalog=HV")
                              .arg(closedPort()),
            2);
    });
    EXPECT_EQ(closed.Number(), static_cast<qint32>(0x80004005u));
    EXPECT_FALSE(closed.Description().isEmpty());
    // Listens but never answers: the kernel completes the handshake, the server never speaks.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    QElapsedTimer t;
    t.start();
    EXPECT_THROW(
        cConnection::Open(
            QStringLiteral("Provider=SQLOLEDB.1;Password=x;User ID=sa;Data Source=127.0.0.1:%1")
                .arg(silent.serverPort()),
            1),
        cHVError);
    EXPECT_LT(t.elapsed(), 30000);
}

TEST(SetupConnection, AnUnreachableServerEndsInTheErrorReport)
{
    subResetDBState();
    ReportTo() = 3;
    ReportToValue() = closedPgConnection();
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_TRUE(hvtest::endsProgram([] { subSetupConnection(); }));
    ASSERT_EQ(cMessageBox::history().size(), 1);
    EXPECT_TRUE(
        cMessageBox::history().at(0).strText.contains(QStringLiteral("subSetupConnection")));
    EXPECT_FALSE(fncSharedConnection());
    subResetDBState();
}

TEST(ReturnRecordset, MissingTableWithoutReportingGivesNothing)
{
    hvtest::fncFreshDatabase(eEngine::SQLite);
    EXPECT_FALSE(fncReturnRecordset(QStringLiteral("tblNothing"), true, false));
    EXPECT_TRUE(cMessageBox::history().isEmpty());
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_TRUE(
        hvtest::endsProgram([] { fncReturnRecordset(QStringLiteral("tblNothing"), true, true); }));
    subResetDBState();
}

// A count above the bound would repeat a batch until memory runs out.
TEST(ScriptSplit, SplitsOnlyAtGoLinesAndRefusesARepeatCountAboveTheBound)
{
    const std::pair<const char*, QStringList> cases[]
        = { { "CREATE TABLE GOALS (CATEGORY int)\nGO\nselect 1",
                { "CREATE TABLE GOALS (CATEGORY int)", "select 1" } },
              { "a\r\n  go  \r\nb\r\nGo -- done\r\n", { "a", "b" } },
              { "insert x\nGO 3\n", { "insert x", "insert x", "insert x" } }, { "GO\nGO\n", {} },
              { "select 'GO'\nGOTO label\n", { "select 'GO'\nGOTO label" } } };
    for (const auto& [script, batches] : cases)
        EXPECT_EQ(fncSplitSqlScript(QString::fromUtf8(script)), batches) << script;
    LoadLanguages(fncColumnForLcid(1033));
    EXPECT_EQ(
        fncSplitSqlScript(QStringLiteral("a\nGO %1\n").arg(intMaxGoRepeat)).size(), intMaxGoRepeat);
    for (const char* count : { "1001", "300000000", "99999999999999999999" }) {
        const QString error = hvtest::errorOf([&] {
            fncSplitSqlScript(
                QStringLiteral("select 1\nGO\ninsert x\n  go %1 \n").arg(QLatin1String(count)));
        }).Description();
        EXPECT_TRUE(error.contains(QStringLiteral(" 4 "))
            && error.contains(QStringLiteral("go ") + QLatin1String(count)))
            << error.toStdString();
    }
}

TEST(Dialects, CallersTSqlIsTranslatedPerEngine)
{
    const auto& pg = cSqlDialect::For(eEngine::PostgreSQL);
    const auto& ms = cSqlDialect::For(eEngine::SqlServer);
    EXPECT_EQ(pg.Translate(QStringLiteral("select top 1 strBody from [tblReports]")),
        QStringLiteral("select strBody from tblReports limit 1"));
    EXPECT_EQ(pg.Translate(QStringLiteral("Update tblMeta1 set blnEnabled =-1")),
        QStringLiteral("Update tblMeta1 set blnEnabled = true"));
    EXPECT_EQ(ms.Translate(QStringLiteral("select top 1 x from [t]")),
        QStringLiteral("select top 1 x from [t]"));
}
