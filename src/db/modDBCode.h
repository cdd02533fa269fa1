#pragma once

#include "cCommand.h"
#include "cConnection.h"
#include "cRecordset.h"

#include <QString>
#include <memory>

// The one shared database connection of the program and the helpers every other layer reads
// and writes the database through.

// State owned by start-up and the global settings, read and written here. The global settings
// bind their ReportTo/ReportToValue fields with subBindReportDestination; until then (and after
// binding nullptr) the module's own variables are used.
extern QString strDataFolder; // holds Hourvane3.mdb and HourvaneConnection.txt
extern bool blnSingleUser;
void subBindReportDestination(qint32* pReportTo, QString* pReportToValue);
qint32& ReportTo();
QString& ReportToValue();

inline const QString strAccessFileName = QStringLiteral("Hourvane3.mdb");
inline const QString strConnectionFileName = QStringLiteral("HourvaneConnection.txt");

// Makes sure the shared connection is open (or absent when there is no database). One retry
// on a transient failure; any other failure goes to subHandleError.
void subSetupConnection();
// The connection string to use, or empty when there is no database (may ask the user, create
// and upgrade a database, and write HourvaneConnection.txt). The database it finds or makes is
// left open, up to date, as the shared connection.
QString fncGetConnection();
// The shared connection, or nullptr.
ConnectionPtr fncSharedConnection();
// Closes and forgets the shared connection (the end of every settings load and save).
void subCloseConnection();
// The engine of the shared connection (SQLite when there is none).
eEngine fncEngine();
const cSqlDialect& fncDialect();

// A client-side recordset of a table name or select statement, or nullptr (no database; or a
// failure when blnReportErrors is false; with blnReportErrors a failure goes to subHandleError).
RecordsetPtr fncReturnRecordset(
    const QString& strSource, bool blnReadOnly, bool blnReportErrors = true, bool blnBatch = false);
// A text command on the shared connection, or nullptr when there is none.
std::unique_ptr<cCommand> fncCreateCommand();

// One transaction on the shared connection for a settings save.
void subBeginTrans();
void subCommitTrans();
void subRollbackTrans();

// Where a database file or connection file lives: the data folder with the file name.
QString fncAccessPath();
QString fncConnectionFilePath();
// Writes HourvaneConnection.txt whole, readable by its owner alone.
void subWriteConnectionFile(const QString& strPath, const QString& strConnection);

// Makes conn the shared connection (closing one that was open); the schema routines use it.
void subSetSharedConnection(ConnectionPtr conn);

// For tests: close the connection, forget the dialogs and bindings, reset the state variables.
void subResetDBState();
