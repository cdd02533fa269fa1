#include "modConnectionString.h"

#include <cHVError.h>

#include <QRegularExpression>

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
    const QStringList pieces = strConnection.split(QLatin1Char(';'));
    for (const QString& piece : pieces) {
        if (piece.trimmed().isEmpty())
            continue;
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        const QString key = (eq < 0 ? piece : piece.left(eq)).trimmed();
        const QString value = eq < 0 ? QString() : piece.mid(eq + 1);
        parts.Set(key, value);
    }
    return parts;
}

eEngine fncEngineOfConnectionString(const QString& strConnection)
{
    const QString provider = fncParseConnectionString(strConnection).Value(QStringLiteral("Provider")).trimmed();
    if (provider.startsWith(QLatin1String("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive))
        return eEngine::SQLite;
    if (provider.startsWith(QLatin1String("SQLOLEDB"), Qt::CaseInsensitive)
        || provider.startsWith(QLatin1String("SQLNCLI"), Qt::CaseInsensitive)
        || provider.startsWith(QLatin1String("MSOLEDBSQL"), Qt::CaseInsensitive))
        return eEngine::SqlServer;
    if (provider.compare(strPostgreSQLProvider, Qt::CaseInsensitive) == 0)
        return eEngine::PostgreSQL;
    throw cHVError(3706, strSource,
        QStringLiteral("Provider cannot be found. It may not be properly installed. (Provider=%1)").arg(provider));
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
    // A fixed version: with "auto" FreeTDS retries a silent server for ever, whatever the login time-out.
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

QString fncHidePassword(const QString& strConnection)
{
    static const QRegularExpression pwd(QStringLiteral("((?:^|;)\\s*(?:Password|PWD)\\s*=)(\\{(?:[^}]|\\}\\})*\\}|[^;]*)"),
        QRegularExpression::CaseInsensitiveOption);
    QString s = strConnection;
    s.replace(pwd, QStringLiteral("\\1****"));
    return s;
}
