#include "modDBCreate.h"

#include "cConnectionDialogs.h"
#include "modConnectionString.h"
#include "modSchema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <cHVError.h>
#include <cMessageBox.h>
#include <cstdio>
#include <modErrorHandling.h>
#include <modPhrases.h>

namespace {

const QString strSource = QStringLiteral("modDBCreate");

[[noreturn]] void notOurs(const QString& strPath)
{
    throw cHVError(lngObjectError + 3026, strSource,
        QStringLiteral("The file '%1' is not a Hourvane database or is damaged. The file has been "
                       "left unchanged.")
            .arg(strPath));
}

bool isOurDatabase(cConnection& conn)
{
    return conn.TableExists(QStringLiteral("tblReports"))
        && conn.TableExists(QStringLiteral("tblMeta1"));
}

QString columnDefinition(const cSqlDialect& dialect, const cSchemaColumn& c)
{
    return c.strName + QLatin1Char(' ') + dialect.ColumnType(c.type) + QStringLiteral(" NULL");
}

void writeCaption(cConnection& conn, const QString& strTable, const cSchemaColumn& c)
{
    const QString caption = fncColumnCaption(c);
    if (caption.isEmpty())
        return;
    conn.Execute(QStringLiteral("INSERT OR REPLACE INTO ") + strCaptionTable
            + QStringLiteral(" (strTableName, strColumnName, strCaption) VALUES (?, ?, ?)"),
        { strTable, c.strName, caption });
}

void createCaptionTable(cConnection& conn)
{
    conn.Execute(QStringLiteral(
        "CREATE TABLE %1 (intCaptionID INTEGER CONSTRAINT PrimaryKey PRIMARY KEY "
        "AUTOINCREMENT, strTableName VARCHAR(255) COLLATE NOCASE NOT NULL, strColumnName "
        "VARCHAR(255) COLLATE NOCASE NOT NULL, strCaption TEXT, "
        "UNIQUE (strTableName, strColumnName))")
                     .arg(strCaptionTable));
}

// CREATE TABLE of a table of the local file, with the relations where it is the foreign table.
QString createTableSql(const cSchemaTable& t, bool blnWithUpgrade)
{
    const cSqlDialect& dialect = cSqlDialect::For(eEngine::SQLite);
    QStringList parts;
    parts.append(dialect.AutoKey(t.columns.first().strName));
    for (qsizetype i = 1; i < t.columns.size(); ++i) {
        if (!t.columns.at(i).blnUpgrade || blnWithUpgrade)
            parts.append(columnDefinition(dialect, t.columns.at(i)));
    }
    for (const auto& r : fncSchemaRelations()) {
        if (r.strForeignTable == t.strName)
            parts.append(QStringLiteral("CONSTRAINT %1 FOREIGN KEY (%2) REFERENCES %3 (%2)")
                             .arg(r.strName, r.strColumn, r.strPrimaryTable));
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(t.strName, parts.join(QStringLiteral(", ")));
}

// The unique index that keeps one name per list without regard to letter case.
QString nameIndex(int n)
{
    return QStringLiteral("uqMeta%1Name").arg(n);
}

// The index that finds the reports of a list's value: without it, every removal of a value
// reads all reports, twice (moving them and checking the relation).
QString reportIndex(int n)
{
    return QStringLiteral("ixReportsMeta%1").arg(n);
}

// How many of the named indexes the database has.
int countIndexes(cConnection& conn, const QStringList& colNames)
{
    QString probe;
    switch (conn.Engine()) {
    case eEngine::SQLite:
        probe = QStringLiteral("select count(*) from sqlite_master where type = 'index' and "
                               "lower(name) in (%1)");
        break;
    case eEngine::PostgreSQL:
        probe = QStringLiteral("select count(*) from pg_indexes where lower(indexname) in (%1)");
        break;
    case eEngine::SqlServer:
        probe = QStringLiteral("select count(*) from sys.indexes where lower(name) in (%1)");
        break;
    }
    QStringList marks;
    for (qsizetype i = 0; i < colNames.size(); ++i)
        marks.append(QStringLiteral("lower(?)"));
    QSqlQuery q(conn.Database());
    q.prepare(probe.arg(marks.join(QStringLiteral(", "))));
    for (const QString& name : colNames)
        q.addBindValue(name);
    if (!q.exec() || !q.next())
        throw cHVError(lngObjectError + 3030, strSource, q.lastError().text());
    return q.value(0).toInt();
}

bool hasIndex(cConnection& conn, const QString& strName)
{
    return countIndexes(conn, { strName }) > 0;
}

// Rows whose names differ only in letter case become the first of them (the one the window
// shows): the others' reports move to it, then they go, and the index keeps it so.
void subAddNameIndex(cConnection& conn, int n)
{
    subLog(QStringLiteral("Merging names of tblMeta%1 that differ only in letter case").arg(n));
    const QString strTable = QStringLiteral("tblMeta%1").arg(n);
    const QString strId = QStringLiteral("intMeta%1ID").arg(n);
    const QString strEarlier
        = QStringLiteral("select 1 from %1 w where lower(w.strName) = lower(%2.strName) "
                         "and w.%3 < %2.%3")
              .arg(strTable, QStringLiteral("%1"), strId);
    conn.Execute(QStringLiteral(
        "update tblReports set %2 = (select min(w.%2) from %1 w, %1 d where d.%2 = "
        "tblReports.%2 and lower(w.strName) = lower(d.strName)) where %2 in (select d.%2 "
        "from %1 d where exists (%3))")
                     .arg(strTable, strId, strEarlier.arg(QStringLiteral("d"))));
    conn.Execute(
        QStringLiteral("delete from %1 where exists (%2)").arg(strTable, strEarlier.arg(strTable)));
    if (conn.Engine() == eEngine::SqlServer)
        // The server's collation already compares without regard to case.
        conn.Execute(
            QStringLiteral("create unique index %1 on %2 (strName) where strName is not null")
                .arg(nameIndex(n), strTable));
    else
        conn.Execute(QStringLiteral("create unique index %1 on %2 (lower(strName))")
                         .arg(nameIndex(n), strTable));
}

// The current schema's additions, on any engine. Probes use the catalog so that a failed probe
// cannot spoil the transaction the changes run in.
void subUpgradeSchema(cConnection& conn)
{
    const cSqlDialect& dialect = conn.Dialect();
    const bool blnLocal = conn.Engine() == eEngine::SQLite;
    // Files of an earlier edition have no caption table: made here with the captions of the
    // columns they have, the columns added below write theirs.
    if (blnLocal && !conn.TableExists(strCaptionTable)) {
        createCaptionTable(conn);
        for (const auto& t : fncSchemaTables()) {
            for (const auto& c : t.columns) {
                if (conn.ColumnExists(t.strName, c.strName))
                    writeCaption(conn, t.strName, c);
            }
        }
    }
    if (!conn.TableExists(QStringLiteral("tblOtherSettings"))) {
        subLog(QStringLiteral("Creating Other Settings table in database"));
        const cSchemaTable* t = fncSchemaTable(QStringLiteral("tblOtherSettings"));
        QStringList parts { dialect.AutoKey(t->columns.at(0).strName) };
        for (qsizetype i = 1; i < t->columns.size(); ++i)
            parts.append(columnDefinition(dialect, t->columns.at(i)));
        conn.Execute(QStringLiteral("CREATE TABLE tblOtherSettings (%1)")
                         .arg(parts.join(QStringLiteral(", "))));
        if (blnLocal) {
            for (const auto& c : t->columns)
                writeCaption(conn, t->strName, c);
        }
    }
    if (!conn.ColumnExists(QStringLiteral("tblPersons"), QStringLiteral("strPersonCategory"))) {
        subLog(QStringLiteral("Adding Person category field in tblPerson table"));
        conn.Execute(dialect.AddColumn(
            QStringLiteral("tblPersons"), QStringLiteral("strPersonCategory"), eFieldType::Text));
        if (blnLocal)
            writeCaption(conn, QStringLiteral("tblPersons"),
                *fncSchemaColumn(
                    QStringLiteral("tblPersons"), QStringLiteral("strPersonCategory")));
    }
    for (int n = 1; n <= 3; ++n) {
        const QString table = QStringLiteral("tblMeta%1").arg(n);
        if (conn.ColumnExists(table, QStringLiteral("blnEnabled")))
            continue;
        subLog(QStringLiteral("Adding blnEnabled field to tblMeta%1").arg(n));
        conn.Execute(dialect.AddColumn(table, QStringLiteral("blnEnabled"), eFieldType::Boolean));
        subLog(QStringLiteral("Making all existing rows in tblMeta%1 enabled!").arg(n));
        conn.Execute(QStringLiteral("Update %1 set blnEnabled = %2")
                         .arg(table, dialect.BooleanLiteral(true)));
        if (blnLocal)
            writeCaption(conn, table, *fncSchemaColumn(table, QStringLiteral("blnEnabled")));
    }
    for (int n = 1; n <= 3; ++n) {
        if (!hasIndex(conn, nameIndex(n)))
            subAddNameIndex(conn, n);
        if (!hasIndex(conn, reportIndex(n)))
            conn.Execute(QStringLiteral("create index %1 on tblReports (intMeta%2ID)")
                             .arg(reportIndex(n))
                             .arg(n));
    }
    if (!conn.ColumnExists(QStringLiteral("tblReports"), QStringLiteral("strBody"))) {
        conn.Execute(dialect.AddColumn(
            QStringLiteral("tblReports"), QStringLiteral("strBody"), eFieldType::Memo));
        if (blnLocal)
            writeCaption(conn, QStringLiteral("tblReports"),
                *fncSchemaColumn(QStringLiteral("tblReports"), QStringLiteral("strBody")));
    }
}

void subUpgradeInTransaction(cConnection& conn)
{
    conn.BeginTrans();
    try {
        subUpgradeSchema(conn);
        conn.CommitTrans();
    } catch (...) {
        if (conn.InTransaction())
            conn.RollbackTrans();
        throw;
    }
}

// strBody and the indexes came last: a database that has them is current.
bool isCurrent(cConnection& conn)
{
    QStringList indexes;
    for (int n = 1; n <= 3; ++n)
        indexes << nameIndex(n) << reportIndex(n);
    return conn.ColumnExists(QStringLiteral("tblReports"), QStringLiteral("strBody"))
        && countIndexes(conn, indexes) == indexes.size();
}

QString programFolder()
{
    QString dir = QCoreApplication::applicationDirPath();
    while (dir.size() > 1 && (dir.endsWith(QLatin1Char('/')) || dir.endsWith(QLatin1Char('\\'))))
        dir.chop(1);
    return dir;
}

bool validDatabaseName(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,62}$"));
    return re.match(name).hasMatch();
}

// Runs the script's batches; "\connect <name>" (PostgreSQL has no USE) reopens on that database.
bool runScript(ConnectionPtr conn, const QString& strConnection, const QString& strScript)
{
    static const QRegularExpression connectLine(
        QStringLiteral("^\\s*\\\\c(?:onnect)?\\s+\"?([^\"\\s]+)\"?\\s*$"));
    const QStringList batches = fncSplitSqlScript(strScript);
    for (const QString& batch : batches) {
        const auto m = connectLine.match(batch);
        bool ok = true;
        QString error;
        if (m.hasMatch()) {
            try {
                ConnectionPtr next = cConnection::Open(
                    strConnection + QStringLiteral(";Initial Catalog=") + m.captured(1));
                conn->Close();
                conn = next;
            } catch (const cHVError& e) {
                ok = false;
                error = e.Description();
            }
        } else {
            QSqlQuery q(conn->Database());
            ok = q.exec(batch);
            if (!ok)
                error = q.lastError().text();
        }
        if (!ok) {
            subLog(QStringLiteral("Script batch failed: ") + error);
            cMessageBox::Show(QStringLiteral("Failed to run sql command \r\n") + batch,
                cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical);
            conn->Close();
            return false;
        }
    }
    conn->Close();
    return true;
}

} // namespace

bool fncRunCreationScript(const QString& strServerConnection, const QString& strDBName)
{
    QFile f(fncScriptPathFor(strServerConnection));
    if (!f.open(QIODevice::ReadOnly)) {
        cMessageBox::Show(QStringLiteral("Failed to find file ") + f.fileName(),
            cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical);
        return false;
    }
    QString strScript = QString::fromUtf8(f.readAll());
    strScript.replace(QStringLiteral("Hourvane3SQL"), strDBName);
    return runScript(cConnection::Open(strServerConnection), strServerConnection, strScript);
}

QStringList fncSplitSqlScript(const QString& strScript)
{
    static const QRegularExpression goLine(QStringLiteral("^\\s*go(?:\\s+(\\d+))?\\s*(?:--.*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList batches;
    QStringList current;
    const auto flush = [&](int times) {
        const QString text = current.join(QLatin1Char('\n')).trimmed();
        current.clear();
        if (text.isEmpty())
            return;
        for (int i = 0; i < times; ++i)
            batches.append(text);
    };
    QString script = strScript;
    script.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringList lines = script.split(QLatin1Char('\n'));
    int intLine = 0;
    for (const QString& line : lines) {
        ++intLine;
        const auto m = goLine.match(line);
        if (!m.hasMatch()) {
            current.append(line);
            continue;
        }
        bool ok = true;
        const uint count = m.captured(1).isEmpty() ? 1 : m.captured(1).toUInt(&ok);
        if (!ok || count > intMaxGoRepeat)
            throw cHVError(lngObjectError + 3031, strSource,
                fncPhrase("LNGDBGOREPEATTOOHIGH")
                    .arg(
                        QString::number(intLine), QString::number(intMaxGoRepeat), line.trimmed()));
        flush(qMax(1, static_cast<int>(count)));
    }
    flush(1);
    return batches;
}

QString fncScriptPathFor(const QString& strConnection)
{
    const bool blnPg = fncEngineOfConnectionString(strConnection) == eEngine::PostgreSQL;
    const QString name
        = blnPg ? QStringLiteral("CreateDBHV.pgsql") : QStringLiteral("CreateDBHV.sql");
    const QString onDisk = programFolder() + QLatin1Char('/') + name;
    if (QFileInfo::exists(onDisk))
        return onDisk;
    return QStringLiteral(":/") + name;
}

void subRefuseDanglingLink(const QString& strPath)
{
    const QFileInfo info(strPath);
    if (info.isSymLink() && !info.exists())
        throw cHVError(lngObjectError + 3030, strSource,
            fncPhrase("LNGDBLINKTARGETMISSING").arg(strPath, info.symLinkTarget()));
}

bool subCreateHVDatabase(const QString& strPath)
{
    subLog(QStringLiteral("Creating Access database in path ") + strPath);
    QString strNew;
    try {
        subRefuseDanglingLink(strPath);
        if (QFileInfo::exists(strPath)) {
            // Only a database of ours is ever replaced; anything else stays as it is.
            const ConnectionPtr old = cConnection::Open(fncAccessConnectionString(strPath));
            const bool ours = isOurDatabase(*old);
            old->Close();
            if (!ours)
                notOurs(strPath);
        }
        // Built beside the target and renamed over it, so a failure never leaves half a database.
        strNew = strPath + QStringLiteral(".new");
        for (int i = 1; QFileInfo::exists(strNew); ++i)
            strNew = strPath + QStringLiteral(".new%1").arg(i);
        ConnectionPtr conn = cConnection::CreateLocal(strNew);
        conn->BeginTrans();
        createCaptionTable(*conn);
        for (const auto& t : fncSchemaTables()) {
            if (t.blnUpgrade)
                continue;
            conn->Execute(createTableSql(t, false));
            for (const auto& c : t.columns) {
                if (!c.blnUpgrade)
                    writeCaption(*conn, t.strName, c);
            }
        }
        for (const auto& r : fncSchemaRelations())
            subLog(QStringLiteral("Adding the relation ") + r.strName);
        conn->CommitTrans();
        conn->Close();
        if (std::rename(
                QFile::encodeName(strNew).constData(), QFile::encodeName(strPath).constData())
            != 0)
            throw cHVError(lngObjectError + 3029, strSource,
                QStringLiteral("Could not create the database file '%1'.").arg(strPath));
        return true;
    } catch (...) {
        if (!strNew.isEmpty())
            QFile::remove(strNew);
        subHandleCurrentException(QStringLiteral("subCreateHVDatabase"));
    }
}

ConnectionPtr subCheckUpgrade(const QString& strPath)
{
    subLog(QStringLiteral("Attempting to upgrade Access database in path ") + strPath);
    ConnectionPtr conn;
    try {
        conn = cConnection::Open(fncAccessConnectionString(strPath));
        if (!isOurDatabase(*conn))
            notOurs(strPath);
        if (!isCurrent(*conn))
            subUpgradeInTransaction(*conn);
        return conn;
    } catch (...) {
        if (conn)
            conn->Close();
        subHandleCurrentException(QStringLiteral("subCheckUpgrade"));
    }
}

void subCheckSQLUpgrade(cConnection& conn)
{
    try {
        if (!isCurrent(conn))
            subUpgradeInTransaction(conn);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("subCheckSQLUpgrade"));
    }
}

QString fncCreateSQLDB(const QString& strDBName)
{
    cConnectionDialogs* dlg = fncConnectionDialogs();
    if (!dlg)
        return QString();
    for (;;) {
        const cConnectionDialogs::cLogon logon = dlg->fncSQLLogon(QString(), true);
        if (logon.strConnection.isEmpty())
            continue;
        QString strDatabase = logon.strDatabase.trimmed();
        // The name goes into the script's statements: only a plain name may.
        if (!strDatabase.isEmpty() && !validDatabaseName(strDatabase)) {
            cMessageBox::Show(
                QStringLiteral("The database name '%1' is not valid: use letters, digits and "
                               "underscores, beginning with a letter.")
                    .arg(strDatabase),
                cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical);
            continue;
        }
        if (strDatabase.isEmpty())
            strDatabase = strDBName;
        QString strScriptPath;
        try {
            strScriptPath = fncScriptPathFor(logon.strConnection);
        } catch (const cHVError& e) {
            cMessageBox::Show(
                fncMaskPasswords(QStringLiteral("Connection failed with connection string ")
                    + logon.strConnection + QStringLiteral("\r\n") + e.Description()),
                cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical);
            continue;
        }
        QFile f(strScriptPath);
        if (!f.open(QIODevice::ReadOnly)) {
            cMessageBox::Show(QStringLiteral("Failed to find file ") + strScriptPath,
                cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical);
            return QString();
        }
        QString strScript = QString::fromUtf8(f.readAll());
        ConnectionPtr conn;
        try {
            conn = cConnection::Open(logon.strConnection);
        } catch (const cHVError& e) {
            cMessageBox::Show(
                fncMaskPasswords(QStringLiteral("Connection failed with connection string ")
                    + logon.strConnection + QStringLiteral("\r\n") + e.Description()),
                cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical);
            continue;
        }
        strScript.replace(strDBName, strDatabase);
        if (runScript(conn, logon.strConnection, strScript))
            return logon.strConnection + QStringLiteral(";Initial Catalog=") + strDatabase;
    }
}
