#pragma once

#include "cSqlDialect.h"

#include <QString>
#include <cDictionary.h>

// The stored connection strings ("Provider=...;Key=Value;...") and their translation into
// what the Qt SQL drivers take.

inline const QString strJetProvider = QStringLiteral("Microsoft.Jet.OLEDB.4.0");
inline const QString strSqlServerProvider = QStringLiteral("SQLOLEDB.1");
inline const QString strPostgreSQLProvider = QStringLiteral("PostgreSQL");

// Parts split at ";" and each at its first "=" (a value keeps any further "="; a value in double
// or single quotes may hold ";"); keys are trimmed and compare in any case. A part without "="
// is kept with an empty value.
cDictionary<QString> fncParseConnectionString(const QString& strConnection);

// ";Key=Value", the value quoted when it holds ";" or begins with a quote.
QString fncConnectionPart(const QString& strKey, const QString& strValue);

// The engine the string's Provider names; throws cHVError for an unknown or missing provider.
eEngine fncEngineOfConnectionString(const QString& strConnection);

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path
QString fncAccessConnectionString(const QString& strPath);

// The whole ODBC string for FreeTDS:
// DRIVER={FreeTDS};SERVER=..;PORT=..;DATABASE=..;UID=..;PWD={..};TDS_Version=7.4 Values that hold
// ";", "{" or "}" are braced. "host\instance", "host,port" and "host:port" are kept as FreeTDS
// reads them (host:port is written as SERVER=host;PORT=port).
QString fncOdbcConnectionString(const QString& strConnection);

// PostgreSQL parts of a "Provider=PostgreSQL;..." string.
struct cPgParameters
{
    QString strHost;
    int intPort = 5432;
    QString strDatabase;
    QString strUser;
    QString strPassword;
    bool blnIntegrated = false;
};
cPgParameters fncPgParameters(const QString& strConnection);
