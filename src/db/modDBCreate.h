#pragma once

#include <QString>
#include <QStringList>

// Creation and upgrade of the schema.

// Creates a new local database file at strPath with the schema before the upgrade (no
// tblOtherSettings, strBody, blnEnabled, strPersonCategory). A file already there is replaced
// only when it is a database of ours; any other file is left alone and reported by name.
bool subCreateHVDatabase(const QString& strPath);
// Brings the local database at strPath up to the current schema and opens the shared connection
// on it. A file that is not a database of ours is reported by name and left untouched.
void subCheckUpgrade(const QString& strPath);
// Brings the server database of the shared connection up to the current schema.
void subCheckSQLUpgrade();
// Asks for a server logon, runs the creation script with strDBName replaced by the database
// box's text, and returns the new database's connection string (empty when none was made).
QString fncCreateSQLDB(const QString& strDBName);

// Runs the creation script of the server that strServerConnection (no catalog) names, with
// strDBName in place of "Hourvane3SQL". A failed batch is shown to the user; returns false.
bool fncRunCreationScript(const QString& strServerConnection, const QString& strDBName);

// The script's batches: the text between lines that hold only "GO" (any case, optionally a
// repeat count and a trailing "--" comment). "GO n" repeats its batch n times.
QStringList fncSplitSqlScript(const QString& strScript);
// The creation script for the engine of a connection string: CreateDBHV.sql (T-SQL) or
// CreateDBHV.pgsql, from the program's folder when a file is there, else the built-in one.
QString fncScriptPathFor(const QString& strConnection);
bool fncTableExists(const QString& strTable);
