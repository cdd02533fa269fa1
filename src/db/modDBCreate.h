#pragma once

#include "cConnection.h"

#include <QString>
#include <QStringList>

// Creation and upgrade of the schema. The owner of the shared connection calls these; they
// work on the connection they are given and never open the shared one themselves.

// Creates a new local database file at strPath with the schema before the upgrade (no
// tblOtherSettings, strBody, blnEnabled, strPersonCategory). A file already there is replaced
// only when it is a database of ours; any other file is left alone and reported by name. The
// caller closes any connection open on strPath first.
bool subCreateHVDatabase(const QString& strPath);
// Opens the local database at strPath, brings it up to the current schema and returns the open
// connection. A file that is not a database of ours is reported by name and left untouched.
ConnectionPtr subCheckUpgrade(const QString& strPath);
// Brings the server database of conn up to the current schema.
void subCheckSQLUpgrade(cConnection& conn);
// A symbolic link at strPath whose target is missing (a share that is not mounted) is reported
// by name (cHVError), so that nothing is created in its place.
void subRefuseDanglingLink(const QString& strPath);
// Asks for a server logon, runs the creation script with strDBName replaced by the database
// box's text, and returns the new database's connection string (empty when none was made).
QString fncCreateSQLDB(const QString& strDBName);

// Runs the creation script of the server that strServerConnection (no catalog) names, with
// strDBName in place of "Hourvane3SQL". A failed batch is shown to the user; returns false.
bool fncRunCreationScript(const QString& strServerConnection, const QString& strDBName);

// The script's batches: the text between lines that hold only "GO" (any case, optionally a
// repeat count and a trailing "--" comment). "GO n" repeats its batch n times; a count above
// intMaxGoRepeat is refused (cHVError naming the line).
inline constexpr int intMaxGoRepeat = 1000;
QStringList fncSplitSqlScript(const QString& strScript);
// The creation script for the engine of a connection string: CreateDBHV.sql (T-SQL) or
// CreateDBHV.pgsql, from the program's folder when a file is there, else the built-in one.
QString fncScriptPathFor(const QString& strConnection);
