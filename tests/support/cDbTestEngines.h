#pragma once

// Tests that run on both database engines: derive from cDbEngineTest and instantiate with
// HV_DB_ENGINES. Each test gets a fresh database of the current schema on the shared
// connection (a new local file, or a new database on the test PostgreSQL server). A server
// that cannot start fails the test; it is never skipped.

#include "TestSupport.h"
#include "cConnection.h"
#include "cPgTestServer.h"

#include <modConnectionString.h>
#include <modDBCode.h>
#include <modDBCreate.h>

namespace hvtest {

inline std::string engineName(const testing::TestParamInfo<eEngine>& info)
{
    return info.param == eEngine::PostgreSQL ? "PostgreSQL" : "SQLite";
}

// Makes a fresh database and opens the shared connection on it; returns its connection string.
// blnUpgrade false leaves the schema as creation makes it (before the upgrade).
inline QString fncFreshDatabase(eEngine engine, bool blnUpgrade = true)
{
    subResetDBState();
    if (engine == eEngine::PostgreSQL) {
        cPgTestServer& pg = cPgTestServer::Instance();
        if (!pg.Running()) {
            ADD_FAILURE() << "PostgreSQL test server: " << pg.Error().toStdString();
            return QString();
        }
        static int n = 0;
        const QString name = QStringLiteral("hvdb_%1_%2").arg(::getpid()).arg(++n);
        if (!fncRunCreationScript(pg.ServerConnectionString(), name)) {
            ADD_FAILURE() << "creation script failed on PostgreSQL";
            return QString();
        }
        const QString conn
            = pg.ServerConnectionString() + QStringLiteral(";Initial Catalog=") + name;
        ReportTo() = 3;
        ReportToValue() = conn;
        subSetupConnection(); // runs no upgrade by itself: ReportTo 3 with a complete string
        if (blnUpgrade)
            subCheckSQLUpgrade(*fncSharedConnection());
        return conn;
    }
    strDataFolder = newTempDir(QStringLiteral("db"));
    const QString path = fncAccessPath();
    subCreateHVDatabase(path);
    ReportTo() = 2;
    ReportToValue() = path;
    if (blnUpgrade)
        subSetupConnection(); // finds the file and upgrades it
    else
        subSetSharedConnection(cConnection::Open(fncAccessConnectionString(path)));
    return fncAccessConnectionString(path);
}

class cDbEngineTest : public testing::TestWithParam<eEngine>
{
protected:
    void SetUp() override
    {
        strConnection = fncFreshDatabase(GetParam(), blnUpgradeOnSetUp);
        ASSERT_FALSE(strConnection.isEmpty());
        ASSERT_TRUE(fncSharedConnection());
    }
    void TearDown() override { subResetDBState(); }

    bool blnUpgradeOnSetUp = true;
    QString strConnection;
};

// The rows of a recordset from its first as texts ("<null>" for null), columns joined by "|".
inline QStringList fncRows(cRecordset& rs)
{
    QStringList rows;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        QStringList cols;
        for (int i = 0; i < rs.FieldCount(); ++i) {
            const QVariant v = rs.Value(i);
            cols.append(v.isNull() ? QStringLiteral("<null>") : v.toString());
        }
        rows.append(cols.join(QLatin1Char('|')));
    }
    return rows;
}
// The same for a select on a connection of the test's own.
inline QStringList fncRows(const QString& strConnection, const QString& strSql)
{
    return fncRows(*cConnection::Open(strConnection)->OpenRecordset(strSql, true));
}

} // namespace hvtest

#define HV_DB_ENGINES testing::Values(eEngine::SQLite, eEngine::PostgreSQL), hvtest::engineName
