#include "cConnection.h"

#include "modConnectionString.h"
#include "modSchema.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cCurrency.h>
#include <cHVError.h>
#include <limits>
#include <optional>
#include <sqlite3.h>
#include <unordered_map>

namespace {

const QString strSource = QStringLiteral("cConnection");
constexpr qint32 lngEFail = static_cast<qint32>(0x80004005u);

QString nextConnectionName()
{
    static QAtomicInteger<int> counter;
    return QStringLiteral("hvdb-%1").arg(counter.fetchAndAddRelaxed(1) + 1);
}

eFieldType fncTypeOfValue(const QVariant& v)
{
    if (v.metaType() == QMetaType::fromType<cCurrency>())
        return eFieldType::Currency;
    switch (v.typeId()) {
    case QMetaType::Bool:
        return eFieldType::Boolean;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
        return eFieldType::Long;
    case QMetaType::Double:
    case QMetaType::Float:
        return eFieldType::Double;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return eFieldType::Date;
    default:
        return eFieldType::Memo;
    }
}

QString driverText(const QSqlError& e)
{
    QString t = e.databaseText().trimmed();
    const QString d = e.driverText().trimmed();
    if (t.isEmpty())
        return d;
    if (!d.isEmpty() && !t.contains(d))
        t = d + QStringLiteral(": ") + t;
    return t;
}

} // namespace

struct cConnection::Impl
{
    QString strName;
    QString strConnection;
    eEngine engine = eEngine::SQLite;
    QSqlDatabase db;
    bool blnInTrans = false;
    // Statements with bound values, prepared once and run again for the next row.
    std::unordered_map<QString, std::unique_ptr<QSqlQuery>> prepared;
};

namespace {
constexpr size_t cntMaxPrepared = 64;
}

cConnection::cConnection()
    : d(std::make_unique<Impl>())
{
}

cConnection::~cConnection()
{
    Close();
}

void cConnection::subCheckLocalFile(const QString& strPath)
{
    QFile f(strPath);
    if (!f.open(QIODevice::ReadOnly))
        throw cHVError(lngObjectError + 3024, strSource,
            QStringLiteral("Could not find or open the database file '%1'.").arg(strPath));
    const QByteArray head = f.read(100);
    if (head.size() == 0)
        return; // an empty file is what SQLite itself leaves behind for a new database
    if (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB")
        throw cHVError(lngObjectError + 3025, strSource,
            QStringLiteral(
                "The file '%1' is an Access database of the Windows edition, which this edition "
                "cannot open. The file has been left unchanged; move it away to create a new "
                "database.")
                .arg(strPath));
    if (!head.startsWith(QByteArray("SQLite format 3\0", 16)))
        throw cHVError(lngObjectError + 3026, strSource,
            QStringLiteral(
                "The file '%1' is not a Hourvane database or is damaged. The file has been left "
                "unchanged.")
                .arg(strPath));
}

std::shared_ptr<cConnection> cConnection::Open(
    const QString& strConnectionString, int intLoginTimeout)
{
    std::shared_ptr<cConnection> c(new cConnection());
    c->d->strName = nextConnectionName();
    c->d->strConnection = strConnectionString;
    c->d->engine = fncEngineOfConnectionString(strConnectionString);
    const cDictionary<QString> parts = fncParseConnectionString(strConnectionString);
    QSqlDatabase& db = c->d->db;
    switch (c->d->engine) {
    case eEngine::SQLite: {
        const QString path = parts.Value(QStringLiteral("Data Source"));
        if (!QFileInfo(path).isFile())
            throw cHVError(lngObjectError + 3024, strSource,
                QStringLiteral("Could not find the database file '%1'.").arg(path));
        subCheckLocalFile(path);
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), c->d->strName);
        db.setDatabaseName(path);
        db.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(qMax(1, intLoginTimeout) * 1000));
        break;
    }
    case eEngine::PostgreSQL: {
        const cPgParameters p = fncPgParameters(strConnectionString);
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), c->d->strName);
        db.setHostName(p.strHost);
        db.setPort(p.intPort);
        db.setDatabaseName(p.strDatabase.isEmpty() ? QStringLiteral("postgres") : p.strDatabase);
        db.setUserName(p.strUser);
        db.setPassword(p.strPassword);
        db.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(qMax(1, intLoginTimeout)));
        break;
    }
    case eEngine::SqlServer:
        db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), c->d->strName);
        db.setDatabaseName(fncOdbcConnectionString(strConnectionString));
        db.setConnectOptions(
            QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%1")
                .arg(qMax(1, intLoginTimeout)));
        break;
    }
    if (!db.isValid())
        throw cHVError(3706, strSource,
            QStringLiteral("The database driver for this connection is not installed."));
    if (!c->d->db.open()) {
        const QString text = driverText(c->d->db.lastError());
        c->Close();
        throw cHVError(lngEFail, strSource, text);
    }
    if (c->d->engine == eEngine::SQLite) {
        try {
            c->Execute(QStringLiteral("PRAGMA foreign_keys=ON"));
            // Reading the schema is where damaged pages show, not at opening.
            QSqlQuery q(c->d->db);
            if (!q.exec(QStringLiteral("select count(*) from sqlite_master")))
                throw cHVError(lngObjectError + 3026, strSource,
                    QStringLiteral("The file '%1' is not a Hourvane database or is damaged (%2). "
                                   "The file has been "
                                   "left unchanged.")
                        .arg(
                            parts.Value(QStringLiteral("Data Source")), driverText(q.lastError())));
        } catch (...) {
            c->Close();
            throw;
        }
    }
    return c;
}

std::shared_ptr<cConnection> cConnection::CreateLocal(const QString& strPath)
{
    if (QFileInfo::exists(strPath))
        throw cHVError(lngObjectError + 3027, strSource,
            QStringLiteral("The file '%1' exists already.").arg(strPath));
    {
        QFile f(strPath);
        if (!f.open(QIODevice::NewOnly | QIODevice::WriteOnly))
            throw cHVError(lngObjectError + 3028, strSource,
                QStringLiteral("Could not create the database file '%1': %2")
                    .arg(strPath, f.errorString()));
    }
    return Open(fncAccessConnectionString(strPath));
}

eEngine cConnection::Engine() const
{
    return d->engine;
}
const cSqlDialect& cConnection::Dialect() const
{
    return cSqlDialect::For(d->engine);
}
QString cConnection::ConnectionString() const
{
    return d->strConnection;
}
bool cConnection::IsOpen() const
{
    return d->db.isValid() && d->db.isOpen();
}
QSqlDatabase& cConnection::Database()
{
    return d->db;
}

void cConnection::Close()
{
    // Prepared statements belong to the connection and must go before it.
    d->prepared.clear();
    if (d->strName.isEmpty())
        return;
    if (d->db.isValid())
        d->db.close();
    d->db = QSqlDatabase();
    QSqlDatabase::removeDatabase(d->strName);
    d->strName.clear();
}

int cConnection::Execute(const QString& strSql, const QVariantList& params)
{
    if (!IsOpen())
        throw cHVError(
            3704, strSource, QStringLiteral("Operation is not allowed when the object is closed."));
    if (params.isEmpty()) {
        QSqlQuery q(d->db);
        if (!q.exec(Dialect().Translate(strSql)))
            throw cHVError(lngEFail, strSource, driverText(q.lastError()));
        return q.numRowsAffected();
    }
    QSqlQuery& q = fncPrepared(strSql, true);
    for (int i = 0; i < params.size(); ++i)
        q.bindValue(i, ToDatabase(params.at(i), fncTypeOfValue(params.at(i))));
    if (!q.exec()) {
        const QString text = driverText(q.lastError());
        q.finish();
        throw cHVError(lngEFail, strSource, text);
    }
    const int intAffected = q.numRowsAffected();
    q.finish();
    return intAffected;
}

QSqlQuery& cConnection::fncPrepared(const QString& strSql, bool blnTranslate)
{
    if (!IsOpen())
        throw cHVError(
            3704, strSource, QStringLiteral("Operation is not allowed when the object is closed."));
    // Kept by the text as given, so that a statement run again is not translated again.
    const auto found = d->prepared.find(strSql);
    if (found != d->prepared.end())
        return *found->second;
    auto q = std::make_unique<QSqlQuery>(d->db);
    if (!q->prepare(blnTranslate ? Dialect().Translate(strSql) : strSql))
        throw cHVError(lngEFail, strSource, driverText(q->lastError()));
    if (d->prepared.size() >= cntMaxPrepared)
        d->prepared.clear();
    return *d->prepared.emplace(strSql, std::move(q)).first->second;
}

bool cConnection::TableExists(const QString& strTable)
{
    const QStringList tables = d->db.tables(QSql::Tables);
    for (const QString& t : tables) {
        if (t.compare(strTable, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool cConnection::ColumnExists(const QString& strTable, const QString& strColumn)
{
    // Every open of the local file asks this: the library answers from the parsed schema, where
    // the driver reads the table list and the table's columns. Only a yes is taken from it.
    if (d->engine == eEngine::SQLite && IsOpen()) {
        sqlite3* db = *static_cast<sqlite3* const*>(d->db.driver()->handle().constData());
        if (db
            && sqlite3_table_column_metadata(db, "main", strTable.toUtf8().constData(),
                   strColumn.toUtf8().constData(), nullptr, nullptr, nullptr, nullptr, nullptr)
                == SQLITE_OK)
            return true;
    }
    QString table = strTable;
    const QStringList tables = d->db.tables(QSql::Tables);
    for (const QString& t : tables) {
        if (t.compare(strTable, Qt::CaseInsensitive) == 0)
            table = t;
    }
    const QSqlRecord rec = d->db.record(table);
    for (int i = 0; i < rec.count(); ++i) {
        if (rec.fieldName(i).compare(strColumn, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void cConnection::BeginTrans()
{
    if (!IsOpen())
        throw cHVError(
            3704, strSource, QStringLiteral("Operation is not allowed when the object is closed."));
    if (d->engine == eEngine::SQLite) {
        // The write lock is taken at the start, so two programs sharing the file cannot both
        // read the same rows and then write over each other; a busy file is waited for.
        QSqlQuery q(d->db);
        if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
            throw cHVError(lngEFail, strSource, driverText(q.lastError()));
    } else if (!d->db.transaction()) {
        throw cHVError(lngEFail, strSource, driverText(d->db.lastError()));
    }
    d->blnInTrans = true;
}

void cConnection::CommitTrans()
{
    if (!IsOpen() || !d->blnInTrans)
        throw cHVError(3704, strSource, QStringLiteral("No transaction is active."));
    if (!d->db.commit())
        throw cHVError(lngEFail, strSource, driverText(d->db.lastError()));
    d->blnInTrans = false;
}

void cConnection::RollbackTrans()
{
    if (!IsOpen() || !d->blnInTrans)
        throw cHVError(3704, strSource, QStringLiteral("No transaction is active."));
    d->blnInTrans = false;
    if (!d->db.rollback())
        throw cHVError(lngEFail, strSource, driverText(d->db.lastError()));
}

bool cConnection::InTransaction() const
{
    return d->blnInTrans;
}

QVariant cConnection::ToDatabase(const QVariant& value, eFieldType type) const
{
    const QVariant v = fncCoerceValue(value, type);
    if (v.isNull())
        return v;
    switch (type) {
    case eFieldType::Currency: {
        const cCurrency c = v.value<cCurrency>();
        if (d->engine == eEngine::SQLite)
            return QVariant(static_cast<qlonglong>(c.tenThousandths()));
        return QVariant(c.toInvariantString());
    }
    case eFieldType::Boolean:
        if (d->engine == eEngine::SQLite)
            return QVariant(v.toBool() ? 1 : 0);
        if (d->engine == eEngine::SqlServer)
            return QVariant(v.toBool() ? 1 : 0);
        return v;
    case eFieldType::Date:
        if (d->engine == eEngine::SQLite)
            return QVariant(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        return v;
    default:
        return v;
    }
}

namespace {
// An integer as the column's type, for the kinds that need no conversion.
std::optional<QVariant> fncIntegerValue(qlonglong n, eFieldType type, eEngine engine)
{
    switch (type) {
    case eFieldType::Long:
        if (n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<qint32>::max())
            return QVariant(static_cast<int>(n));
        break;
    case eFieldType::Boolean:
        return QVariant(n != 0);
    case eFieldType::Currency:
        if (engine == eEngine::SQLite)
            return QVariant::fromValue(cCurrency::fromTenThousandths(n));
        break;
    default:
        break;
    }
    return std::nullopt;
}

// The general way, for anything the fast paths do not take.
QVariant fncConvertedValue(const QVariant& value, eFieldType type, eEngine engine)
{
    if (type == eFieldType::Currency && engine == eEngine::SQLite) {
        switch (value.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::ULongLong:
        case QMetaType::UInt:
            return QVariant::fromValue(cCurrency::fromTenThousandths(value.toLongLong()));
        default: {
            // Written by a plain SQL statement rather than through us: an integer text is ours.
            bool ok = false;
            const qlonglong units = value.toString().toLongLong(&ok);
            if (ok)
                return QVariant::fromValue(cCurrency::fromTenThousandths(units));
            break;
        }
        }
    }
    if (type == eFieldType::Date && value.typeId() == QMetaType::QString) {
        QDateTime dt
            = QDateTime::fromString(value.toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (dt.isValid())
            return QVariant(dt);
    }
    try {
        return fncCoerceValue(value, type);
    } catch (const cHVError&) {
        return QVariant(value.toString()); // a value the column should not hold is shown as it is
    }
}
} // namespace

QVariant cConnection::FromDatabase(const QVariant& value, eFieldType type) const
{
    // A driver hands over a NULL as a null value of the column's type, integers included.
    if (!value.isValid() || value.isNull())
        return QVariant();
    // The kinds the drivers hand over for our columns, taken without a detour through text;
    // anything else goes the general way.
    const int intTypeId = value.typeId();
    if (intTypeId == QMetaType::LongLong || intTypeId == QMetaType::Int) {
        if (auto v = fncIntegerValue(value.toLongLong(), type, d->engine))
            return *std::move(v);
        return fncConvertedValue(value, type, d->engine);
    }
    if (((type == eFieldType::Text || type == eFieldType::Memo) && intTypeId == QMetaType::QString)
        || (type == eFieldType::Boolean && intTypeId == QMetaType::Bool))
        return value;
    return fncConvertedValue(value, type, d->engine);
}

QVariant cConnection::FromDatabase(qlonglong n, eFieldType type) const
{
    if (auto v = fncIntegerValue(n, type, d->engine))
        return *std::move(v);
    return fncConvertedValue(QVariant(n), type, d->engine);
}
