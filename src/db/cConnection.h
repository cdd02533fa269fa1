#pragma once

#include "cRecordset.h"
#include "cSqlDialect.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

// One open database connection: a local database file (SQLite), SQL Server (ODBC + FreeTDS) or
// PostgreSQL, chosen by the Provider of the stored connection string:
//   "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<file>"                -> SQLite file
//   "Provider=SQLOLEDB.1;...;Data Source=<server>;Initial Catalog=<db>"   -> SQL Server
//   "Provider=PostgreSQL;...;Data Source=<host[:port]>;Initial Catalog=<db>" -> PostgreSQL
// Failures throw cHVError with the driver's description.
class cConnection : public std::enable_shared_from_this<cConnection>
{
public:
    ~cConnection();

    // Opens a connection; intLoginTimeout (seconds) bounds the wait for a server.
    // A local database file must exist and be an SQLite database (a Jet file or damaged bytes are
    // reported by name and left alone).
    static std::shared_ptr<cConnection> Open(
        const QString& strConnectionString, int intLoginTimeout = 15);
    // Creates a new, empty local database file (the file must not exist) and opens it.
    static std::shared_ptr<cConnection> CreateLocal(const QString& strPath);
    // Throws cHVError naming the file when it is not an SQLite database.
    static void subCheckLocalFile(const QString& strPath);

    eEngine Engine() const;
    const cSqlDialect& Dialect() const;
    QString ConnectionString() const;
    bool IsOpen() const;
    void Close();

    // Runs a statement with bound values (in "?" order); returns the rows affected.
    int Execute(const QString& strSql, const QVariantList& params = {});
    // Opens a client-side recordset of a table name or a select statement.
    RecordsetPtr OpenRecordset(const QString& strSource, bool blnReadOnly);

    bool TableExists(const QString& strTable);
    bool ColumnExists(const QString& strTable, const QString& strColumn);

    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool InTransaction() const;

    // A value as this engine stores it (currency as integer ten-thousandths on SQLite).
    QVariant ToDatabase(const QVariant& value, eFieldType type) const;
    QVariant FromDatabase(const QVariant& value, eFieldType type) const;
    // The same for an integer the engine handed over, without a QVariant in between.
    QVariant FromDatabase(qlonglong n, eFieldType type) const;

    QSqlDatabase& Database();

private:
    cConnection();
    // A prepared statement of this connection for strSql (in this engine's dialect when
    // blnTranslate), kept for reuse until the connection closes; bind every value again before
    // each exec and call finish() after it.
    QSqlQuery& fncPrepared(const QString& strSql, bool blnTranslate = false);
    // The recordset's columns from the result's names and the types the engine gives them;
    // strTable becomes the schema's spelling of the table. Returns the columns' types.
    std::vector<eFieldType> fncSetupFields(cRecordset& rs, QString& strTable,
        const QStringList& colNames, const QList<eFieldType>& colDriverTypes);
    void subFetchSqlite(cRecordset& rs, const QString& strSql, QString& strTable);
    void subFetchQt(cRecordset& rs, const QString& strSql, QString& strTable);
    friend class cRecordset;
    struct Impl;
    std::unique_ptr<Impl> d;
};

using ConnectionPtr = std::shared_ptr<cConnection>;
