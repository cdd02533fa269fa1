#include "modXMLImport.h"

#include "cCurrency.h"
#include "cHVError.h"
#include "modErrorHandling.h"
#include "modRowsetFormat.h"
#include "modXMLFetch.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QXmlStreamReader>
#include <algorithm>
#include <optional>

using namespace rowsetformat;

namespace {
struct cXmlColumn
{
    QString strAttr;
    QString strName;
    int intNumber = 0;
    QString strType;
    QString strDbType;
    int intMaxLength = 0;
    bool blnLong = false;
    bool blnNullable = true;
    bool blnAuto = false;
};

bool fncIsTrue(QStringView value)
{
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
        || value == QLatin1String("1") || value == QLatin1String("-1");
}

eFieldType fncFieldType(const cXmlColumn& col)
{
    const QString t = col.strType.toLower();
    if (t == QLatin1String("int") || t == QLatin1String("i4") || t == QLatin1String("ui2")
        || t == QLatin1String("ui4"))
        return eFieldType::Long;
    if (t == QLatin1String("i2") || t == QLatin1String("i1") || t == QLatin1String("ui1"))
        return eFieldType::Integer;
    if (t == QLatin1String("boolean"))
        return eFieldType::Boolean;
    if (t == QLatin1String("r4"))
        return eFieldType::Single;
    if (t == QLatin1String("r8") || t == QLatin1String("float") || t == QLatin1String("i8")
        || t == QLatin1String("ui8"))
        return eFieldType::Double;
    if (t == QLatin1String("cy")
        || (t == QLatin1String("number")
            && col.strDbType.compare(QLatin1String("currency"), Qt::CaseInsensitive) == 0))
        return eFieldType::Currency;
    if (t == QLatin1String("number") || t == QLatin1String("fixed.14.4"))
        return eFieldType::Double;
    if (t.startsWith(QLatin1String("date")) || t.startsWith(QLatin1String("time")))
        return eFieldType::Date;
    if (t == QLatin1String("string") && !col.blnLong && col.intMaxLength > 0
        && col.intMaxLength <= 255)
        return eFieldType::Text;
    return eFieldType::Memo;
}

// One attribute text as a value of its column; nullopt when it does not fit the type.
std::optional<QVariant> fncParseValue(const QString& strText, eFieldType type)
{
    bool ok = false;
    switch (type) {
    case eFieldType::Long: {
        const qlonglong v = strText.trimmed().toLongLong(&ok);
        if (!ok || v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
            return std::nullopt;
        return QVariant(static_cast<int>(v));
    }
    case eFieldType::Integer: {
        const qlonglong v = strText.trimmed().toLongLong(&ok);
        if (!ok || v < -32768 || v > 65535)
            return std::nullopt;
        return QVariant(static_cast<int>(v));
    }
    case eFieldType::Boolean: {
        const QString t = strText.trimmed();
        if (fncIsTrue(t))
            return QVariant(true);
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0"))
            return QVariant(false);
        return std::nullopt;
    }
    case eFieldType::Single:
    case eFieldType::Double: {
        const double v = QLocale::c().toDouble(strText.trimmed(), &ok);
        if (!ok)
            return std::nullopt;
        return QVariant(v);
    }
    case eFieldType::Currency: {
        const auto amount = cCurrency::fromInvariantString(strText);
        if (!amount)
            return std::nullopt;
        return QVariant::fromValue(*amount);
    }
    case eFieldType::Date: {
        const QString t = strText.trimmed();
        QDateTime dt = QDateTime::fromString(t, Qt::ISODateWithMs);
        if (!dt.isValid()) {
            const QDate d = QDate::fromString(t.left(10), Qt::ISODate);
            if (d.isValid() && t.size() == 10)
                dt = QDateTime(d, QTime(0, 0));
        }
        if (!dt.isValid())
            return std::nullopt;
        return QVariant(dt);
    }
    case eFieldType::Text:
    case eFieldType::Memo:
        break;
    }
    return QVariant(strText);
}

bool fncIs(const QXmlStreamReader& xml, const QString& ns, QLatin1String local)
{
    return xml.name() == local && xml.namespaceUri().compare(ns, Qt::CaseInsensitive) == 0;
}

QString fncAttr(const QXmlStreamAttributes& attrs, const QString& ns, QLatin1String local)
{
    for (const QXmlStreamAttribute& a : attrs) {
        if (a.name() == local && a.namespaceUri().compare(ns, Qt::CaseInsensitive) == 0)
            return a.value().toString();
    }
    return QString();
}

using RowValues = QHash<QString, QString>;

RowValues fncRowValues(const QXmlStreamAttributes& attrs)
{
    RowValues values;
    for (const QXmlStreamAttribute& a : attrs) {
        if (a.namespaceUri().isEmpty())
            values.insert(a.name().toString(), a.value().toString());
    }
    return values;
}

// Parses the whole text; throws on anything that is not a sound rowset.
RecordsetPtr fncParseRowset(const QByteArray& text)
{
    const auto fail = [](const QString& why) {
        return cHVError(lngObjectError + 3000, QStringLiteral("fncRecordsetFromXMLText"), why);
    };
    QXmlStreamReader xml(text);
    QList<cXmlColumn> columns;
    QList<RowValues> rows;
    bool schemaSeen = false;
    bool dataSeen = false;
    bool inSchema = false;
    bool inData = false;
    int depthInDelete = 0;
    int depthInOriginal = 0;
    bool inUpdate = false;
    RowValues original;
    cXmlColumn* current = nullptr;

    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference)
            throw fail(QStringLiteral("Document type declarations are not accepted"));
        if (token == QXmlStreamReader::StartElement) {
            if (fncIs(xml, nsSchema, QLatin1String("Schema"))) {
                if (xml.attributes().value(QLatin1String("id")) != QLatin1String("RowsetSchema"))
                    throw fail(QStringLiteral("The schema is not a rowset schema"));
                inSchema = schemaSeen = true;
            } else if (inSchema && fncIs(xml, nsSchema, QLatin1String("AttributeType"))) {
                const QXmlStreamAttributes a = xml.attributes();
                cXmlColumn col;
                col.strAttr = a.value(QLatin1String("name")).toString();
                col.strName = fncAttr(a, nsRowset, QLatin1String("name"));
                if (col.strName.isEmpty())
                    col.strName = col.strAttr;
                bool ok = false;
                col.intNumber = fncAttr(a, nsRowset, QLatin1String("number")).toInt(&ok);
                if (!ok)
                    col.intNumber = 0;
                col.blnAuto = fncIsTrue(fncAttr(a, nsRowset, QLatin1String("autoincrement")));
                col.strType = fncAttr(a, nsDataType, QLatin1String("type"));
                col.intMaxLength = fncAttr(a, nsDataType, QLatin1String("maxLength")).toInt();
                if (col.strAttr.isEmpty())
                    throw fail(QStringLiteral("A column without a name"));
                columns.append(col);
                current = &columns.last();
            } else if (inSchema && current && fncIs(xml, nsSchema, QLatin1String("datatype"))) {
                const QXmlStreamAttributes a = xml.attributes();
                const QString type = fncAttr(a, nsDataType, QLatin1String("type"));
                if (!type.isEmpty())
                    current->strType = type;
                const QString maxLength = fncAttr(a, nsDataType, QLatin1String("maxLength"));
                if (!maxLength.isEmpty())
                    current->intMaxLength = maxLength.toInt();
                current->strDbType = fncAttr(a, nsRowset, QLatin1String("dbtype"));
                current->blnLong = fncIsTrue(fncAttr(a, nsRowset, QLatin1String("long")));
                if (fncAttr(a, nsRowset, QLatin1String("maybenull"))
                        .compare(QLatin1String("false"), Qt::CaseInsensitive)
                    == 0)
                    current->blnNullable = false;
            } else if (fncIs(xml, nsRowset, QLatin1String("data"))) {
                if (!schemaSeen)
                    throw fail(QStringLiteral("Data before the schema"));
                inData = dataSeen = true;
            } else if (inData && fncIs(xml, nsRowset, QLatin1String("delete"))) {
                ++depthInDelete;
            } else if (inData && fncIs(xml, nsRowset, QLatin1String("update"))) {
                inUpdate = true;
                original.clear();
            } else if (inData && fncIs(xml, nsRowset, QLatin1String("original"))) {
                ++depthInOriginal;
            } else if (inData && fncIs(xml, nsRow, QLatin1String("row"))) {
                RowValues values = fncRowValues(xml.attributes());
                if (depthInDelete > 0)
                    continue; // a row deleted before the save is not part of the rowset
                if (depthInOriginal > 0) {
                    original = values;
                    continue;
                }
                if (inUpdate) {
                    // The changed row carries only what changed; the rest is the original.
                    for (auto it = values.cbegin(); it != values.cend(); ++it)
                        original.insert(it.key(), it.value());
                    values = original;
                }
                rows.append(values);
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (fncIs(xml, nsSchema, QLatin1String("Schema"))) {
                inSchema = false;
                current = nullptr;
            } else if (fncIs(xml, nsSchema, QLatin1String("AttributeType"))) {
                current = nullptr;
            } else if (fncIs(xml, nsRowset, QLatin1String("data"))) {
                inData = false;
            } else if (fncIs(xml, nsRowset, QLatin1String("delete"))) {
                --depthInDelete;
            } else if (fncIs(xml, nsRowset, QLatin1String("original"))) {
                --depthInOriginal;
            } else if (fncIs(xml, nsRowset, QLatin1String("update"))) {
                inUpdate = false;
            }
        }
    }
    if (xml.hasError())
        throw fail(xml.errorString());
    if (!schemaSeen || !dataSeen)
        throw fail(QStringLiteral("No rowset schema or data"));

    if (std::all_of(
            columns.cbegin(), columns.cend(), [](const cXmlColumn& c) { return c.intNumber > 0; }))
        std::stable_sort(columns.begin(), columns.end(),
            [](const cXmlColumn& a, const cXmlColumn& b) { return a.intNumber < b.intNumber; });

    auto rs = std::make_shared<cRecordset>();
    QList<eFieldType> types;
    QSet<QString> names;
    for (const cXmlColumn& col : columns) {
        if (names.contains(col.strAttr))
            throw fail(QStringLiteral("Two columns named ") + col.strAttr);
        names.insert(col.strAttr);
        cField field;
        field.Name = col.strName;
        field.Type = fncFieldType(col);
        field.DefinedSize = field.Type == eFieldType::Text ? col.intMaxLength : 0;
        field.Nullable = col.blnNullable;
        field.AutoIncrement = col.blnAuto;
        rs->AppendField(field);
        types.append(field.Type);
    }
    for (const RowValues& row : rows) {
        QVariantList values;
        values.reserve(columns.size());
        for (int i = 0; i < columns.size(); ++i) {
            const auto it = row.constFind(columns.at(i).strAttr);
            if (it == row.cend()) {
                values.append(QVariant());
                continue;
            }
            const auto value = fncParseValue(*it, types.at(i));
            if (!value)
                throw fail(QStringLiteral("The value '%1' does not fit column %2")
                               .arg(*it, columns.at(i).strName));
            values.append(*value);
        }
        rs->AppendRow(values);
    }
    if (rs->RecordCount() > 0)
        rs->MoveFirst();
    return rs;
}
} // namespace

RecordsetPtr fncRecordsetFromXMLText(const QByteArray& text)
{
    if (text.isEmpty() || text.size() > lngMaxXmlBytes)
        return nullptr;
    try {
        return fncParseRowset(text);
    } catch (const cHVError& e) {
        subLog(QStringLiteral("Reading a recordset from xml failed: ") + e.Description());
        return nullptr;
    } catch (const std::exception&) {
        return nullptr;
    }
}

RecordsetPtr fncLoadRecordsetFromXml(const QString& strAddress)
{
    subLog(QStringLiteral("Loading a recordset from xml at ") + strAddress);
    return fncRecordsetFromXMLText(fncGetXMLText(strAddress));
}
