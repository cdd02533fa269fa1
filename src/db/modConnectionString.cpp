#include "modConnectionString.h"

#include <QRegularExpression>
#include <cHVError.h>

namespace {

const QString strSource = QStringLiteral("modConnectionString");

QString odbcValue(const QString& value)
{
    if (value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{'))
        || value.contains(QLatin1Char('}')) || value != value.trimmed()) {
        QString v = value;
        v.replace(QLatin1String("}"), QLatin1String("}}"));
        return QLatin1Char('{') + v + QLatin1Char('}');
    }
    return value;
}

bool integrated(const cDictionary<QString>& parts)
{
    if (!parts.Exists(QStringLiteral("Integrated Security")))
        return false;
    const QString v = parts.Value(QStringLiteral("Integrated Security")).trimmed();
    return v.compare(QLatin1String("false"), Qt::CaseInsensitive) != 0
        && v.compare(QLatin1String("no"), Qt::CaseInsensitive) != 0;
}

} // namespace

cDictionary<QString> fncParseConnectionString(const QString& strConnection)
{
    cDictionary<QString> parts;
    const qsizetype n = strConnection.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype end = strConnection.indexOf(QLatin1Char(';'), i);
        const qsizetype eq = strConnection.indexOf(QLatin1Char('='), i);
        if (eq < 0 || (end >= 0 && end < eq)) {
            const QString key = strConnection.mid(i, (end < 0 ? n : end) - i).trimmed();
            if (!key.isEmpty())
                parts.Set(key, QString());
            i = end < 0 ? n : end + 1;
            continue;
        }
        const QString key = strConnection.mid(i, eq - i).trimmed();
        qsizetype v = eq + 1;
        QString value;
        const QChar quote = v < n ? strConnection.at(v) : QChar();
        if (quote == QLatin1Char('"') || quote == QLatin1Char('\'')) {
            // A quoted value may hold ";" and "="; a doubled quote stands for itself.
            ++v;
            while (v < n) {
                if (strConnection.at(v) == quote) {
                    if (v + 1 < n && strConnection.at(v + 1) == quote) {
                        value += quote;
                        v += 2;
                        continue;
                    }
                    ++v;
                    break;
                }
                value += strConnection.at(v++);
            }
            const qsizetype next = strConnection.indexOf(QLatin1Char(';'), v);
            i = next < 0 ? n : next + 1;
        } else {
            const qsizetype stop = end < 0 ? n : end;
            value = strConnection.mid(v, stop - v);
            i = stop + 1;
        }
        if (!key.isEmpty())
            parts.Set(key, value);
    }
    return parts;
}

QString fncConnectionPart(const QString& strKey, const QString& strValue)
{
    if (!strValue.contains(QLatin1Char(';')) && !strValue.startsWith(QLatin1Char('"'))
        && !strValue.startsWith(QLatin1Char('\'')))
        return QLatin1Char(';') + strKey + QLatin1Char('=') + strValue;
    QString v = strValue;
    v.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char(';') + strKey + QStringLiteral("=\"") + v + QLatin1Char('"');
}

eEngine fncEngineOfConnectionString(const QString& strConnection)
{
    const QString provider
        = fncParseConnectionString(strConnection).Value(QStringLiteral("Provider")).trimmed();
    if (provider.startsWith(QLatin1String("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive))
        return eEngine::SQLite;
    if (provider.startsWith(QLatin1String("SQLOLEDB"), Qt::CaseInsensitive)
        || provider.startsWith(QLatin1String("SQLNCLI"), Qt::CaseInsensitive)
        || provider.startsWith(QLatin1String("MSOLEDBSQL"), Qt::CaseInsensitive))
        return eEngine::SqlServer;
    if (provider.compare(strPostgreSQLProvider, Qt::CaseInsensitive) == 0)
        return eEngine::PostgreSQL;
    throw cHVError(3706, strSource,
        QStringLiteral("Provider cannot be found. It may not be properly installed. (Provider=%1)")
            .arg(provider));
}

QString fncAccessConnectionString(const QString& strPath)
{
    return QStringLiteral("Provider=") + strJetProvider + QStringLiteral(";Data Source=") + strPath;
}

QString fncOdbcConnectionString(const QString& strConnection)
{
    const cDictionary<QString> parts = fncParseConnectionString(strConnection);
    QString server = parts.Value(QStringLiteral("Data Source")).trimmed();
    QString port;
    // host:port is how users write a port elsewhere; FreeTDS wants it apart.
    static const QRegularExpression hostPort(QStringLiteral("^([^\\\\,:]+):(\\d+)$"));
    const auto m = hostPort.match(server);
    if (m.hasMatch()) {
        server = m.captured(1);
        port = m.captured(2);
    }
    QString odbc = QStringLiteral("DRIVER={FreeTDS};SERVER=") + odbcValue(server);
    if (!port.isEmpty())
        odbc += QStringLiteral(";PORT=") + port;
    const QString database = parts.Value(QStringLiteral("Initial Catalog"));
    if (!database.isEmpty())
        odbc += QStringLiteral(";DATABASE=") + odbcValue(database);
    if (integrated(parts)) {
        odbc += QStringLiteral(";Trusted_Connection=Yes");
    } else {
        odbc += QStringLiteral(";UID=") + odbcValue(parts.Value(QStringLiteral("User ID")));
        // Always braced: a password may hold any character.
        QString pwd = parts.Value(QStringLiteral("Password"));
        pwd.replace(QLatin1String("}"), QLatin1String("}}"));
        odbc += QStringLiteral(";PWD={") + pwd + QLatin1Char('}');
    }
    // A fixed version: with "auto" FreeTDS retries a silent server for ever, whatever the login
    // time-out.
    odbc += QStringLiteral(";TDS_Version=7.4;ClientCharset=UTF-8");
    return odbc;
}

cPgParameters fncPgParameters(const QString& strConnection)
{
    const cDictionary<QString> parts = fncParseConnectionString(strConnection);
    cPgParameters p;
    QString host = parts.Value(QStringLiteral("Data Source")).trimmed();
    static const QRegularExpression hostPort(QStringLiteral("^(.*)[:,](\\d+)$"));
    const auto m = hostPort.match(host);
    if (m.hasMatch()) {
        host = m.captured(1);
        p.intPort = m.captured(2).toInt();
    }
    p.strHost = host;
    p.strDatabase = parts.Value(QStringLiteral("Initial Catalog"));
    p.blnIntegrated = integrated(parts);
    if (!p.blnIntegrated) {
        p.strUser = parts.Value(QStringLiteral("User ID"));
        p.strPassword = parts.Value(QStringLiteral("Password"));
    } else {
        p.strUser = parts.Value(QStringLiteral("User ID"));
    }
    return p;
}
