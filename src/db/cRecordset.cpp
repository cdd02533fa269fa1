#include "cRecordset.h"

#include "cConnection.h"
#include "modSchema.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cHVError.h>
#include <mutex>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <vector>

namespace {

const QString strSource = QStringLiteral("cRecordset");
constexpr qint32 lngEFail = static_cast<qint32>(0x80004005u);

[[noreturn]] void raise(qint32 number, const QString& text)
{
    throw cHVError(number, strSource, text);
}

[[noreturn]] void raiseQuery(QSqlQuery& q)
{
    const QSqlError e = q.lastError();
    q.finish();
    raise(lngEFail, e.databaseText().isEmpty() ? e.text() : e.databaseText());
}

bool hasHungarianPrefix(const QString& name)
{
    static const QRegularExpression prefix(
        QStringLiteral("^(int|str|cur|bln|dtm|dte|num)[A-Z0-9_]"));
    return prefix.match(name).hasMatch();
}

eFieldType typeOfSqlField(const QSqlField& f)
{
    switch (f.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UInt:
        return eFieldType::Long;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return eFieldType::Double;
    case QMetaType::Bool:
        return eFieldType::Boolean;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return eFieldType::Date;
    default:
        return eFieldType::Memo;
    }
}

int definedSize(eFieldType type)
{
    switch (type) {
    case eFieldType::Text:
        return 255;
    case eFieldType::Memo:
        return 536870910; // what Jet reports for a memo column
    default:
        return 0;
    }
}

bool sameValue(const QVariant& a, const QVariant& b, eFieldType type)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    switch (type) {
    case eFieldType::Text:
    case eFieldType::Memo:
        return a.toString().compare(b.toString(), Qt::CaseInsensitive) == 0;
    case eFieldType::Currency:
        return a.value<cCurrency>() == b.value<cCurrency>();
    case eFieldType::Date:
        return a.toDateTime() == b.toDateTime();
    case eFieldType::Boolean:
        return a.toBool() == b.toBool();
    default:
        return a.toDouble() == b.toDouble();
    }
}

} // namespace

void subRegisterCurrencyConversions()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QMetaType::registerConverter<cCurrency, QString>(&cCurrency::toInvariantString);
        QMetaType::registerConverter<cCurrency, double>(&cCurrency::toDouble);
    });
}

struct cRecordset::Impl
{
    // A row's values live in cells, one block per row in column order: a read of thousands of
    // rows makes no allocation per row.
    struct Row
    {
        qsizetype offset = 0;
        bool deleted = false;
    };

    QList<cField> fields;
    QList<Row> rows;
    QVariantList cells;
    int pos = 0;
    bool open = true;
    bool readOnly = false;
    QString source;
    QString table;
    int keyIndex = -1;
    std::shared_ptr<cConnection> connection;

    // The edit of the current row, stored by Update.
    bool editing = false;
    bool adding = false;
    QVariantList editValues;
    QList<bool> changed;

    void checkOpen() const
    {
        if (!open)
            raise(3704, QStringLiteral("Operation is not allowed when the object is closed."));
    }
    bool atRow() const { return pos >= 0 && pos < rows.size(); }
    std::span<QVariant> values(qsizetype r)
    {
        return { cells.data() + rows.at(r).offset, static_cast<size_t>(fields.size()) };
    }
    std::span<const QVariant> values(qsizetype r) const
    {
        return { cells.constData() + rows.at(r).offset, static_cast<size_t>(fields.size()) };
    }
    // Starts a row at the end; its values follow with cells.append.
    void startRow() { rows.append(Row { cells.size(), false }); }
    void checkCurrent() const
    {
        checkOpen();
        if (!atRow())
            raise(3021,
                QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                               "Requested operation requires a current record."));
        if (rows.at(pos).deleted)
            raise(-2147217864,
                QStringLiteral(
                    "Row handle referred to a deleted row or a row marked for deletion."));
    }
    void checkWritable() const
    {
        checkOpen();
        if (readOnly)
            raise(3251,
                QStringLiteral(
                    "Current Recordset does not support updating. This may be a limitation of "
                    "the provider, or of the selected locktype."));
    }
    int fieldIndex(const QString& name) const
    {
        // Callers nearly always spell the name as the column does; that test is much cheaper.
        for (int i = 0; i < fields.size(); ++i) {
            if (fields.at(i).Name == name)
                return i;
        }
        for (int i = 0; i < fields.size(); ++i) {
            if (fields.at(i).Name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }
    int requireField(const QString& name) const
    {
        const int i = fieldIndex(name);
        if (i < 0)
            raise(3265,
                QStringLiteral(
                    "Item cannot be found in the collection corresponding to the requested name "
                    "or ordinal. (%1)")
                    .arg(name));
        return i;
    }
    void requireIndex(int i) const
    {
        if (i < 0 || i >= fields.size())
            raise(3265,
                QStringLiteral(
                    "Item cannot be found in the collection corresponding to the requested name "
                    "or ordinal. (%1)")
                    .arg(i));
    }
    void skipDeleted()
    {
        while (pos < rows.size() && rows.at(pos).deleted)
            ++pos;
    }
    void requireKey() const
    {
        if (table.isEmpty() || keyIndex < 0)
            raise(lngEFail,
                QStringLiteral("Insufficient key column information for updating or refreshing."));
        if (!connection || !connection->IsOpen())
            raise(3704, QStringLiteral("Operation is not allowed when the connection is closed."));
    }
    void beginEdit()
    {
        if (editing)
            return;
        editing = true;
        const auto row = values(pos);
        editValues = QVariantList(row.begin(), row.end());
        changed = QList<bool>(fields.size(), false);
    }
};

cRecordset::cRecordset()
    : d(std::make_unique<Impl>())
{
    subRegisterCurrencyConversions();
}

cRecordset::~cRecordset() = default;

void cRecordset::AppendField(const cField& field)
{
    if (!d->rows.isEmpty())
        raise(3219,
            QStringLiteral("Operation is not allowed in this context: the recordset holds rows."));
    if (d->fieldIndex(field.Name) >= 0)
        raise(3367,
            QStringLiteral(
                "Cannot append. An object with that name is already in the collection. (%1)")
                .arg(field.Name));
    d->fields.append(field);
    if (field.AutoIncrement && d->keyIndex < 0)
        d->keyIndex = static_cast<int>(d->fields.size()) - 1;
}

void cRecordset::AppendField(const QString& strName, eFieldType type, int intDefinedSize)
{
    cField f;
    f.Name = strName;
    f.Type = type;
    f.DefinedSize = intDefinedSize > 0 ? intDefinedSize : definedSize(type);
    AppendField(f);
}

void cRecordset::AppendRow(const QVariantList& values)
{
    d->checkOpen();
    if (values.size() > d->fields.size())
        raise(3001,
            QStringLiteral("The row has %1 values for %2 columns.")
                .arg(values.size())
                .arg(d->fields.size()));
    QVariantList row;
    row.reserve(d->fields.size());
    for (int i = 0; i < d->fields.size(); ++i)
        row.append(
            i < values.size() ? fncCoerceValue(values.at(i), d->fields.at(i).Type) : QVariant());
    const bool wasAtEnd = d->pos >= d->rows.size();
    d->startRow();
    d->cells.append(row);
    if (wasAtEnd && d->rows.size() == 1)
        d->pos = 0;
}

int cRecordset::FieldCount() const
{
    return static_cast<int>(d->fields.size());
}

const cField& cRecordset::Field(int intIndex) const
{
    d->requireIndex(intIndex);
    return d->fields.at(intIndex);
}

const QList<cField>& cRecordset::Fields() const
{
    return d->fields;
}
int cRecordset::FieldIndex(const QString& strName) const
{
    return d->fieldIndex(strName);
}

int cRecordset::RecordCount() const
{
    int n = 0;
    for (const auto& r : d->rows)
        n += r.deleted ? 0 : 1;
    return n;
}

bool cRecordset::Eof() const
{
    return !d->open || d->pos >= d->rows.size();
}

bool cRecordset::Bof() const
{
    if (!d->open || d->rows.isEmpty())
        return true;
    return d->pos < 0;
}

int cRecordset::AbsolutePosition() const
{
    return d->pos;
}

void cRecordset::MoveFirst()
{
    d->checkOpen();
    if (d->editing)
        Update();
    d->pos = 0;
    d->skipDeleted();
}

void cRecordset::MoveNext()
{
    d->checkOpen();
    if (d->editing)
        Update();
    if (d->pos >= d->rows.size())
        raise(3021,
            QStringLiteral(
                "Either BOF or EOF is True, or the current record has been deleted. Requested "
                "operation requires a current record."));
    ++d->pos;
    d->skipDeleted();
}

void cRecordset::MoveLast()
{
    d->checkOpen();
    if (d->editing)
        Update();
    d->pos = static_cast<int>(d->rows.size()) - 1;
    while (d->pos >= 0 && d->rows.at(d->pos).deleted)
        --d->pos;
    if (d->pos < 0)
        d->pos = static_cast<int>(d->rows.size());
}

void cRecordset::Move(int intPosition)
{
    d->checkOpen();
    if (d->editing)
        Update();
    d->pos = qBound(0, intPosition, static_cast<int>(d->rows.size()));
    d->skipDeleted();
}

QVariant cRecordset::Value(int intIndex) const
{
    d->requireIndex(intIndex);
    d->checkCurrent();
    return d->editing ? d->editValues.at(intIndex) : d->values(d->pos)[intIndex];
}

std::span<const QVariant> cRecordset::RowValues() const
{
    d->checkCurrent();
    return d->editing ? std::span<const QVariant>(d->editValues.constData(), d->editValues.size())
                      : d->values(d->pos);
}

QVariant cRecordset::Value(const QString& strName) const
{
    return Value(d->requireField(strName));
}

cCurrency cRecordset::CurrencyValue(const QString& strName) const
{
    const QVariant v = fncCoerceValue(Value(strName), eFieldType::Currency);
    return v.isNull() ? cCurrency() : v.value<cCurrency>();
}

void cRecordset::SetValue(int intIndex, const QVariant& value)
{
    d->requireIndex(intIndex);
    d->checkWritable();
    d->checkCurrent();
    const cField& f = d->fields.at(intIndex);
    if (f.AutoIncrement && d->connection)
        raise(-2147217887, QStringLiteral("Field '%1' cannot be updated.").arg(f.Name));
    QVariant v = fncCoerceValue(value, f.Type);
    if (f.Type == eFieldType::Text && v.toString().size() > f.DefinedSize && f.DefinedSize > 0)
        raise(-2147217833,
            QStringLiteral("The value for '%1' is longer than %2 characters.")
                .arg(f.Name)
                .arg(f.DefinedSize));
    d->beginEdit();
    d->editValues[intIndex] = v;
    d->changed[intIndex] = true;
}

void cRecordset::SetValue(const QString& strName, const QVariant& value)
{
    SetValue(d->requireField(strName), value);
}

void cRecordset::AddNew()
{
    d->checkWritable();
    if (d->editing)
        Update();
    d->startRow();
    d->cells.resize(d->cells.size() + d->fields.size());
    d->pos = static_cast<int>(d->rows.size()) - 1;
    d->beginEdit();
    d->adding = true;
}

bool cRecordset::EditPending() const
{
    return d->editing;
}

void cRecordset::CancelUpdate()
{
    if (!d->editing)
        return;
    if (d->adding) {
        // The row AddNew started is the last one, its values the last cells.
        d->cells.resize(d->rows.at(d->pos).offset);
        d->rows.removeAt(d->pos);
        d->pos = static_cast<int>(d->rows.size());
    }
    d->editing = d->adding = false;
    d->editValues.clear();
    d->changed.clear();
}

void cRecordset::Update()
{
    d->checkWritable();
    if (!d->editing)
        return;
    if (d->connection) {
        d->requireKey();
        cConnection& c = *d->connection;
        const eEngine engine = c.Engine();
        QStringList cols;
        QVariantList params;
        for (int i = 0; i < d->fields.size(); ++i) {
            if (!d->changed.at(i) || i == d->keyIndex)
                continue;
            cols.append(d->fields.at(i).Name);
            params.append(c.ToDatabase(d->editValues.at(i), d->fields.at(i).Type));
        }
        const QString key = d->fields.at(d->keyIndex).Name;
        if (d->adding) {
            QString sql;
            QStringList marks;
            for (int i = 0; i < cols.size(); ++i)
                marks.append(QStringLiteral("?"));
            const QString output = engine == eEngine::SqlServer
                ? QStringLiteral(" OUTPUT INSERTED.") + key
                : QString();
            if (cols.isEmpty())
                sql = QStringLiteral("INSERT INTO %1%2 DEFAULT VALUES").arg(d->table, output);
            else
                sql = QStringLiteral("INSERT INTO %1 (%2)%3 VALUES (%4)")
                          .arg(d->table, cols.join(QStringLiteral(", ")), output,
                              marks.join(QStringLiteral(", ")));
            if (engine == eEngine::PostgreSQL)
                sql += QStringLiteral(" RETURNING ") + key;
            QSqlQuery& q = c.fncPrepared(sql);
            for (int i = 0; i < params.size(); ++i)
                q.bindValue(i, params.at(i));
            if (!q.exec())
                raiseQuery(q);
            QVariant id;
            if (engine == eEngine::SQLite)
                id = q.lastInsertId();
            else if (q.next())
                id = q.value(0);
            q.finish();
            d->editValues[d->keyIndex] = fncCoerceValue(id, d->fields.at(d->keyIndex).Type);
        } else if (!cols.isEmpty()) {
            QStringList sets;
            for (const QString& col : cols)
                sets.append(col + QStringLiteral(" = ?"));
            const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                                    .arg(d->table, sets.join(QStringLiteral(", ")), key);
            QSqlQuery& q = c.fncPrepared(sql);
            for (int i = 0; i < params.size(); ++i)
                q.bindValue(i, params.at(i));
            q.bindValue(static_cast<int>(params.size()),
                c.ToDatabase(d->values(d->pos)[d->keyIndex], eFieldType::Long));
            if (!q.exec())
                raiseQuery(q);
            const int intAffected = q.numRowsAffected();
            q.finish();
            if (intAffected == 0)
                raise(lngEFail,
                    QStringLiteral("Row cannot be located for updating. Some values may have been "
                                   "changed since it was last read."));
        }
    }
    std::copy(d->editValues.cbegin(), d->editValues.cend(), d->values(d->pos).begin());
    d->editing = d->adding = false;
    d->editValues.clear();
    d->changed.clear();
}

void cRecordset::Delete()
{
    d->checkWritable();
    if (d->editing && d->adding) {
        CancelUpdate();
        return;
    }
    d->checkCurrent();
    if (d->connection) {
        d->requireKey();
        cConnection& c = *d->connection;
        QSqlQuery& q = c.fncPrepared(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                                         .arg(d->table, d->fields.at(d->keyIndex).Name));
        q.bindValue(0, c.ToDatabase(d->values(d->pos)[d->keyIndex], eFieldType::Long));
        if (!q.exec())
            raiseQuery(q);
        q.finish();
    }
    d->editing = false;
    d->rows[d->pos].deleted = true;
}

bool cRecordset::Find(const QString& strField, const QVariant& value)
{
    d->checkOpen();
    const int i = d->requireField(strField);
    const eFieldType type = d->fields.at(i).Type;
    QVariant wanted;
    try {
        wanted = fncCoerceValue(value, type);
    } catch (const cHVError&) {
        d->pos = static_cast<int>(d->rows.size());
        return false;
    }
    if (d->editing)
        Update();
    if (d->pos < 0)
        d->pos = 0;
    for (; d->pos < d->rows.size(); ++d->pos) {
        if (!d->rows.at(d->pos).deleted && sameValue(d->values(d->pos)[i], wanted, type))
            return true;
    }
    return false;
}

bool cRecordset::Find(const QString& strCriteria)
{
    static const QRegularExpression criterion(QStringLiteral(
        "^\\s*\\[?([A-Za-z_][A-Za-z0-9_ "
        "]*?)\\]?\\s*=\\s*(?:'((?:[^']|'')*)'|#([^#]*)#|(-?[0-9]+(?:\\.[0-9]+)?))\\s*$"));
    const auto m = criterion.match(strCriteria);
    if (!m.hasMatch())
        raise(3001,
            QStringLiteral(
                "Arguments are of the wrong type, are out of acceptable range, or are in conflict "
                "with one another. (%1)")
                .arg(strCriteria));
    QVariant value;
    if (m.capturedStart(2) >= 0)
        value = m.captured(2).replace(QLatin1String("''"), QLatin1String("'"));
    else if (m.capturedStart(3) >= 0)
        value = m.captured(3);
    else
        value = m.captured(4);
    return Find(m.captured(1), value);
}

bool cRecordset::ReadOnly() const
{
    return d->readOnly;
}
bool cRecordset::IsOpen() const
{
    return d->open;
}

void cRecordset::Close()
{
    d->open = false;
    d->rows.clear();
    d->cells.clear();
    d->editing = d->adding = false;
    d->connection.reset();
}

QString cRecordset::TableName() const
{
    return d->table;
}
QString cRecordset::KeyColumn() const
{
    return d->keyIndex >= 0 ? d->fields.at(d->keyIndex).Name : QString();
}
QString cRecordset::Source() const
{
    return d->source;
}

namespace {
// The kind a result column has by what the engine hands over: a Qt type for the Qt drivers,
// an SQLite storage class (or declared type) for SQLite.
eFieldType typeOfSqlite(sqlite3_stmt* st, int i, bool blnHasRow)
{
    switch (blnHasRow ? sqlite3_column_type(st, i) : SQLITE_NULL) {
    case SQLITE_INTEGER:
        return eFieldType::Long;
    case SQLITE_FLOAT:
        return eFieldType::Double;
    case SQLITE_TEXT:
    case SQLITE_BLOB:
        return eFieldType::Memo;
    default:
        break;
    }
    const char* declared = sqlite3_column_decltype(st, i);
    const QByteArray type = QByteArray(declared ? declared : "").toLower();
    if (type == "integer" || type == "int")
        return eFieldType::Long;
    if (type == "double" || type == "float" || type == "real" || type.startsWith("numeric"))
        return eFieldType::Double;
    if (type == "boolean" || type == "bool")
        return eFieldType::Boolean;
    return eFieldType::Memo;
}

// A value of the current row as the Qt driver would give it (integers as qlonglong, a NULL as
// a null text).
QVariant sqliteValue(sqlite3_stmt* st, int i, int intType)
{
    switch (intType) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(st, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(st, i));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB:
        return QVariant(QByteArray(
            static_cast<const char*>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i)));
    default:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
            sqlite3_column_bytes(st, i)));
    }
}

struct cFinalize
{
    void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }
};
} // namespace

std::vector<eFieldType> cConnection::fncSetupFields(cRecordset& rs, QString& strTable,
    const QStringList& colNames, const QList<eFieldType>& colDriverTypes)
{
    const cSchemaTable* schemaTable = strTable.isEmpty() ? nullptr : fncSchemaTable(strTable);
    if (schemaTable)
        strTable = schemaTable->strName;
    auto& d = *rs.d;
    for (int i = 0; i < colNames.size(); ++i) {
        cField f;
        f.Name = colNames.at(i);
        const cSchemaColumn* sc = schemaTable ? fncSchemaColumn(strTable, f.Name) : nullptr;
        if (sc) {
            f.Name = sc->strName;
            f.Type = sc->type;
            f.AutoIncrement = sc == &schemaTable->columns.first();
            f.Nullable = !f.AutoIncrement;
        } else if (hasHungarianPrefix(f.Name)) {
            f.Type = fncFieldTypeFromName(f.Name);
        } else {
            f.Type = colDriverTypes.at(i);
        }
        f.DefinedSize = definedSize(f.Type);
        d.fields.append(f);
        if (f.AutoIncrement)
            d.keyIndex = i;
    }
    if (!schemaTable && !strTable.isEmpty()) {
        const QSqlIndex pk = Database().primaryIndex(strTable);
        if (pk.count() == 1) {
            const int k = d.fieldIndex(pk.fieldName(0));
            if (k >= 0) {
                d.keyIndex = k;
                d.fields[k].AutoIncrement = true;
            }
        }
    }
    std::vector<eFieldType> types;
    types.reserve(d.fields.size());
    for (const cField& f : d.fields)
        types.push_back(f.Type);
    return types;
}

void cConnection::subFetchSqlite(cRecordset& rs, const QString& strSql, QString& strTable)
{
    // The library's own calls: the Qt driver turns every text into UTF-16 inside SQLite and
    // keeps each row twice, which is most of a large read.
    sqlite3* db = *static_cast<sqlite3* const*>(Database().driver()->handle().constData());
    sqlite3_stmt* raw = nullptr;
    const QByteArray sql = strSql.toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &raw, nullptr)
        != SQLITE_OK)
        raise(lngEFail, QString::fromUtf8(sqlite3_errmsg(db)));
    const std::unique_ptr<sqlite3_stmt, cFinalize> st(raw);
    int rc = sqlite3_step(st.get());
    const int intColumns = sqlite3_column_count(st.get());
    QStringList names;
    QList<eFieldType> driverTypes;
    for (int i = 0; i < intColumns; ++i) {
        names.append(QString::fromUtf8(sqlite3_column_name(st.get(), i)));
        driverTypes.append(typeOfSqlite(st.get(), i, rc == SQLITE_ROW));
    }
    const std::vector<eFieldType> types = fncSetupFields(rs, strTable, names, driverTypes);
    // A text equal to the one above it in its column shares that one's memory: categories
    // repeat down a list, and a list of many thousand items is read in one go.
    std::vector<std::string> lastText(intColumns); // kept in place: no allocation per row
    std::vector<QVariant> lastValue(intColumns);
    cRecordset::Impl& out = *rs.d;
    for (; rc == SQLITE_ROW; rc = sqlite3_step(st.get())) {
        out.startRow();
        for (int i = 0; i < intColumns; ++i) {
            const int intType = sqlite3_column_type(st.get(), i);
            if (intType == SQLITE_INTEGER) {
                out.cells.append(FromDatabase(sqlite3_column_int64(st.get(), i), types[i]));
                continue;
            }
            if (intType != SQLITE_TEXT) {
                out.cells.append(FromDatabase(sqliteValue(st.get(), i, intType), types[i]));
                continue;
            }
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), i));
            const std::string_view bytes(text, sqlite3_column_bytes(st.get(), i));
            if (!lastValue[i].isValid() || bytes != lastText[i]) {
                lastText[i].assign(bytes);
                lastValue[i] = FromDatabase(
                    QVariant(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))),
                    types[i]);
            }
            out.cells.append(lastValue[i]);
        }
    }
    if (rc != SQLITE_DONE)
        raise(lngEFail, QString::fromUtf8(sqlite3_errmsg(db)));
}

void cConnection::subFetchQt(cRecordset& rs, const QString& strSql, QString& strTable)
{
    QSqlQuery q(Database());
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!q.exec(strSql)) {
        const QSqlError e = q.lastError();
        raise(
            lngEFail, e.databaseText().trimmed().isEmpty() ? e.text() : e.databaseText().trimmed());
    }
    const QSqlRecord rec = q.record();
    QStringList names;
    QList<eFieldType> driverTypes;
    for (int i = 0; i < rec.count(); ++i) {
        names.append(rec.fieldName(i));
        driverTypes.append(typeOfSqlField(rec.field(i)));
    }
    const std::vector<eFieldType> types = fncSetupFields(rs, strTable, names, driverTypes);
    const int intColumns = static_cast<int>(types.size());
    cRecordset::Impl& out = *rs.d;
    while (q.next()) {
        out.startRow();
        for (int i = 0; i < intColumns; ++i)
            out.cells.append(FromDatabase(q.value(i), types[i]));
    }
}

RecordsetPtr cConnection::OpenRecordset(const QString& strSource, bool blnReadOnly)
{
    if (!IsOpen())
        raise(3704, QStringLiteral("Operation is not allowed when the object is closed."));
    static const QRegularExpression identifier(
        QStringLiteral("^\\s*\\[?([A-Za-z_][A-Za-z0-9_]*)\\]?\\s*$"));
    static const QRegularExpression simpleSelect(
        QStringLiteral(
            "^\\s*select\\s+(?:top\\s+\\d+\\s+)?.+?\\s+from\\s+\\[?([A-Za-z_][A-Za-z0-9_]*)\\]?"
            "\\s*(?:(?:where|order\\s+by|limit)\\b.*)?;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QString sql = strSource;
    QString table;
    const auto id = identifier.match(strSource);
    if (id.hasMatch()) {
        table = id.captured(1);
        sql = QStringLiteral("select * from ") + table;
    } else {
        const auto sel = simpleSelect.match(strSource);
        if (sel.hasMatch() && !strSource.contains(QLatin1String(" join "), Qt::CaseInsensitive))
            table = sel.captured(1);
    }
    auto rs = std::make_shared<cRecordset>();
    if (Engine() == eEngine::SQLite)
        subFetchSqlite(*rs, Dialect().Translate(sql), table);
    else
        subFetchQt(*rs, Dialect().Translate(sql), table);
    rs->d->source = strSource;
    rs->d->table = table;
    rs->d->readOnly = blnReadOnly;
    rs->d->connection = shared_from_this();
    return rs;
}
