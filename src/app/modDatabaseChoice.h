#pragma once

#include <QString>

// Where the common settings live: the local database of the data folder, or the server database
// that HourvaneConnection.txt there names. While that file exists the local file is neither
// created nor read.

// The chosen server's connection text, or empty when the local database is chosen.
QString fncChosenServer();
// The database in use as the window shows it: server and database name, or the local file's
// path; never a password.
QString fncDatabaseCaption(const QString& strServer);
// Opens the chosen database and brings it up to date, creating the local one when it is
// missing; false when there is none to use.
bool fncOpenChosenDatabase();
// The connection choice, then for a server the logon filled with the current server. A server is
// stored in HourvaneConnection.txt (readable by its owner alone) once it opened; "local" removes
// that file once the local database opened. When the server's lists are empty and the local
// database has items, offers to copy the local common settings there. True when another
// database is in use now.
bool fncChooseDatabase();
