#include "modXMLExport.h"

#include "cCurrency.h"
#include "cHVError.h"
#include "cPersonalSettings.h"
#include "modErrorHandling.h"
#include "modFileHandling.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

namespace {
const QString nsSchema = QStringLiteral("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
const QString nsDataType = QStringLiteral("uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
const QString nsRowset = QStringLiteral("urn:schemas-microsoft-com:rowset");
const QString nsRow = QStringLiteral("#RowsetSchema");

int g_intTimeout = 15000;

// The format's own writer breaks a start tag before the next attribute once the line, not
// counting its indentation, has reached this length.
constexpr qsizetype cchWrapAt = 106;

// The bytes of one file as they are built: a QByteArray used up to a mark, so that appending
// costs a copy and no checks beyond the room left.
class cByteBuffer
{
public:
    // Room for at least cb more bytes; write them at the pointer, then hand it to setEnd.
    char* extend(qsizetype cb)
    {
        if (m_used + cb > m_bytes.size())
            m_bytes.resize(std::max(m_bytes.size() * 2, m_used + cb + 4096));
        return m_bytes.data() + m_used;
    }
    void setEnd(const char* end) { m_used = end - m_bytes.constData(); }
    void append(const char* p, qsizetype cb)
    {
        char* to = extend(cb);
        std::memcpy(to, p, static_cast<size_t>(cb));
        m_used += cb;
    }
    void append(const char* p) { append(p, static_cast<qsizetype>(std::strlen(p))); }
    void append(char c) { *extend(1) = c, ++m_used; }
    void append(qsizetype n, char c)
    {
        std::memset(extend(n), c, static_cast<size_t>(n));
        m_used += n;
    }
    void reserve(qsizetype cb) { extend(cb); }
    QByteArray take()
    {
        m_bytes.truncate(m_used);
        m_used = 0;
        return std::move(m_bytes);
    }

private:
    QByteArray m_bytes;
    qsizetype m_used = 0;
};

// Which ASCII characters an attribute value holds as they are.
constexpr std::array<bool, 128> fncPlainAscii()
{
    std::array<bool, 128> plain {};
    for (int c = 0x20; c < 0x80; ++c)
        plain[c] = c != '&' && c != '<' && c != '>' && c != '\'' && c != '"';
    return plain;
}
constexpr std::array<bool, 128> g_plainAscii = fncPlainAscii();

// Appends the value escaped as the format writes attribute values; returns its length in
// characters (the unit the line wrapping counts).
qsizetype fncAppendEscaped(cByteBuffer& out, QStringView value)
{
    const qsizetype n = value.size();
    const char16_t* data = value.utf16();
    // An entity is at most 6 bytes, a UTF-16 unit at most 3 bytes of UTF-8.
    char* to = out.extend(6 * n);
    qsizetype chars = n;
    for (qsizetype i = 0; i < n;) {
        const char16_t c = data[i];
        if (c < 0x80 && g_plainAscii[c]) {
            *to++ = static_cast<char>(c);
            ++i;
            continue;
        }
        if (c >= 0x80) {
            // Letters beyond ASCII are rare here: convert each such run in one go.
            qsizetype j = i + 1;
            while (j < n && data[j] >= 0x80)
                ++j;
            const QByteArray utf8 = value.sliced(i, j - i).toUtf8();
            std::memcpy(to, utf8.constData(), static_cast<size_t>(utf8.size()));
            to += utf8.size();
            i = j;
            continue;
        }
        ++i;
        const char* entity = nullptr;
        switch (c) {
        case u'&': entity = "&amp;"; break;
        case u'<': entity = "&lt;"; break;
        case u'>': entity = "&gt;"; break;
        case u'\'': entity = "&#x27;"; break;
        case u'"': entity = "&quot;"; break;
        default: break;
        }
        if (entity) {
            const size_t len = std::strlen(entity);
            std::memcpy(to, entity, len);
            to += len;
            chars += static_cast<qsizetype>(len) - 1;
        } else {
            static const char hex[] = "0123456789abcdef";
            const char control[] = { '&', '#', 'x', hex[c >> 4], hex[c & 0xf], ';' };
            std::memcpy(to, control, sizeof control);
            to += sizeof control;
            chars += static_cast<qsizetype>(sizeof control) - 1;
        }
    }
    out.setEnd(to);
    return chars;
}

// An attribute name ready to write: its bytes and its length in characters.
struct cAttrName
{
    QByteArray strBytes;
    qsizetype intChars = 0;

    explicit cAttrName(const QString& strName)
        : strBytes(strName.toUtf8())
        , intChars(strName.size())
    {
    }
};

// Writes start tags with the attribute wrapping and tab indentation of the format.
class cRowsetWriter
{
public:
    void subStart(int intDepth, const char* strTag)
    {
        m_intDepth = intDepth;
        m_out.append(intDepth, '\t');
        const qsizetype len = static_cast<qsizetype>(std::strlen(strTag));
        m_line = 1 + len;
        m_out.append('<');
        m_out.append(strTag, len);
    }
    void subAttr(const char* strName, QStringView value)
    {
        const qsizetype len = static_cast<qsizetype>(std::strlen(strName));
        subAttrStart(strName, len);
        m_line += 4 + len + fncAppendEscaped(m_out, value);
        m_out.append('\'');
    }
    void subAttr(const cAttrName& name, QStringView value)
    {
        subAttrStart(name.strBytes.constData(), name.strBytes.size());
        m_line += 4 + name.intChars + fncAppendEscaped(m_out, value);
        m_out.append('\'');
    }
    void subEnd(const char* strClose)
    {
        m_out.append(strClose);
        m_out.append('\n');
    }
    void subLine(const char* strLine) { subEnd(strLine); }
    void subReserve(qsizetype cb) { m_out.reserve(cb); }
    cByteBuffer& bytes() { return m_out; }

private:
    void subAttrStart(const char* strName, qsizetype len)
    {
        if (m_line >= cchWrapAt) {
            m_out.append('\n');
            m_out.append(m_intDepth + 1, '\t');
            m_line = 0;
        }
        m_out.append(' ');
        m_out.append(strName, len);
        m_out.append("='", 2);
    }

    cByteBuffer m_out;
    qsizetype m_line = 0; // characters since the indentation of the current line
    int m_intDepth = 0;
};

bool fncIsXmlName(const QString& strName)
{
    static const QRegularExpression re(QStringLiteral(R"(^[A-Za-z_][A-Za-z0-9_.\-]*$)"));
    return re.match(strName).hasMatch() && !strName.startsWith(QLatin1String("xml"), Qt::CaseInsensitive);
}

void subWriteDataType(cRowsetWriter& w, const cField& field)
{
    w.subStart(3, "s:datatype");
    const auto attrs = [&w](std::initializer_list<std::pair<const char*, const char*>> list) {
        for (const auto& [name, value] : list)
            w.subAttr(name, QString::fromLatin1(value));
    };
    switch (field.Type) {
    case eFieldType::Long:
        attrs({ { "dt:type", "int" }, { "dt:maxLength", "4" }, { "rs:precision", "10" }, { "rs:fixedlength", "true" } });
        break;
    case eFieldType::Integer:
        attrs({ { "dt:type", "i2" }, { "dt:maxLength", "2" }, { "rs:precision", "5" }, { "rs:fixedlength", "true" } });
        break;
    case eFieldType::Boolean:
        attrs({ { "dt:type", "boolean" }, { "dt:maxLength", "2" }, { "rs:fixedlength", "true" } });
        break;
    case eFieldType::Single:
        attrs({ { "dt:type", "r4" }, { "dt:maxLength", "4" }, { "rs:precision", "7" }, { "rs:fixedlength", "true" } });
        break;
    case eFieldType::Double:
        attrs({ { "dt:type", "float" }, { "dt:maxLength", "8" }, { "rs:precision", "15" }, { "rs:fixedlength", "true" } });
        break;
    case eFieldType::Currency:
        attrs({ { "dt:type", "number" }, { "rs:dbtype", "currency" }, { "dt:maxLength", "8" }, { "rs:precision", "19" },
            { "rs:fixedlength", "true" } });
        break;
    case eFieldType::Text:
        attrs({ { "dt:type", "string" } });
        w.subAttr("dt:maxLength", QString::number(field.DefinedSize > 0 ? field.DefinedSize : 255));
        break;
    case eFieldType::Memo:
        attrs({ { "dt:type", "string" }, { "dt:maxLength", "536870910" }, { "rs:long", "true" } });
        break;
    case eFieldType::Date:
        attrs({ { "dt:type", "dateTime" }, { "rs:dbtype", "variantdate" }, { "dt:maxLength", "16" },
            { "rs:fixedlength", "true" } });
        break;
    }
    if (!field.Nullable && !field.AutoIncrement)
        attrs({ { "rs:maybenull", "false" } });
    w.subEnd("/>");
}

QString fncValueText(const QVariant& value, eFieldType type)
{
    switch (type) {
    case eFieldType::Long:
    case eFieldType::Integer:
        return QString::number(value.toLongLong());
    case eFieldType::Boolean:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case eFieldType::Single:
    case eFieldType::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case eFieldType::Currency: {
        if (value.metaType() == QMetaType::fromType<cCurrency>())
            return value.value<cCurrency>().toInvariantString();
        const auto amount = cCurrency::fromVariant(value);
        return amount ? amount->toInvariantString() : value.toString();
    }
    case eFieldType::Date:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    case eFieldType::Text:
    case eFieldType::Memo:
        break;
    }
    return value.toString();
}
} // namespace

QByteArray fncRecordsetToXml(cRecordset& rs)
{
    cRowsetWriter w;
    // Enough for short values; longer ones make it grow.
    w.subReserve(4096 + rs.RecordCount() * (16 + 24 * rs.FieldCount()));
    const QByteArray head = QString(QStringLiteral("<xml xmlns:s='") + nsSchema + QStringLiteral("'\n\txmlns:dt='") + nsDataType
        + QStringLiteral("'\n\txmlns:rs='") + nsRowset + QStringLiteral("'\n\txmlns:z='") + nsRow
        + QStringLiteral("'>\n"))
                                .toUtf8();
    w.bytes().append(head.constData(), head.size());
    const QString strTrue = QStringLiteral("true");
    w.subLine("<s:Schema id='RowsetSchema'>");
    const QString table = rs.TableName();
    const QString key = rs.KeyColumn();
    w.subStart(1, "s:ElementType");
    w.subAttr("name", QStringLiteral("row"));
    w.subAttr("content", QStringLiteral("eltOnly"));
    if (!table.isEmpty() && !rs.ReadOnly())
        w.subAttr("rs:updatable", strTrue);
    w.subEnd(">");

    const QList<cField>& fields = rs.Fields();
    std::vector<cAttrName> attrNames;
    attrNames.reserve(static_cast<size_t>(fields.size()));
    for (int i = 0; i < fields.size(); ++i) {
        const cField& field = fields.at(i);
        const bool alias = !fncIsXmlName(field.Name);
        const QString attrName = alias ? QStringLiteral("c%1").arg(i) : field.Name;
        attrNames.emplace_back(attrName);
        w.subStart(2, "s:AttributeType");
        w.subAttr("name", attrName);
        if (alias)
            w.subAttr("rs:name", field.Name);
        w.subAttr("rs:number", QString::number(i + 1));
        if (field.Nullable)
            w.subAttr("rs:nullable", strTrue);
        if (!table.isEmpty()) {
            w.subAttr("rs:maydefer", strTrue);
            w.subAttr("rs:writeunknown", strTrue);
            w.subAttr("rs:basetable", table);
            w.subAttr("rs:basecolumn", field.Name);
            if (!key.isEmpty() && field.Name.compare(key, Qt::CaseInsensitive) == 0)
                w.subAttr("rs:keycolumn", strTrue);
        } else {
            w.subAttr("rs:write", strTrue);
        }
        if (field.AutoIncrement)
            w.subAttr("rs:autoincrement", strTrue);
        w.subEnd(">");
        subWriteDataType(w, field);
        w.subLine("\t\t</s:AttributeType>");
    }
    w.subLine("\t\t<s:extends type='rs:rowbase'/>");
    w.subLine("\t</s:ElementType>");
    w.subLine("</s:Schema>");
    w.subLine("<rs:data>");
    if (rs.RecordCount() > 0) {
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
            w.subStart(1, "z:row");
            for (int i = 0; i < fields.size(); ++i) {
                const QVariant value = rs.Value(i);
                if (value.isNull())
                    continue;
                const cAttrName& name = attrNames[static_cast<size_t>(i)];
                // Texts are written from the value itself, without a copy.
                const eFieldType type = fields.at(i).Type;
                if ((type == eFieldType::Text || type == eFieldType::Memo)
                    && value.metaType() == QMetaType::fromType<QString>())
                    w.subAttr(name, *static_cast<const QString*>(value.constData()));
                else
                    w.subAttr(name, fncValueText(value, type));
            }
            w.subEnd("/>");
        }
        rs.MoveFirst();
    }
    w.subLine("</rs:data>");
    w.subLine("</xml>");
    return w.bytes().take();
}

namespace {
[[noreturn]] void subCannotWrite(const QString& strPath, const QString& strWhy)
{
    throw cHVError(75, QStringLiteral("subSaveADRToXML"), QStringLiteral("Cannot write ") + strPath + QStringLiteral(": ") + strWhy);
}

// Replaces strPath whole: the bytes go to a new file beside it, which then takes the name, so
// a reader or a killed program never sees half a file. An existing file keeps its permissions.
void subWriteWhole(const QString& strPath, const QByteArray& bytes)
{
    // None for a file that is not there yet.
    const QFileDevice::Permissions oldPermissions = QFile::permissions(strPath);
    QFile temp;
    for (int n = 0;; ++n) {
        static const qint64 lngPid = QCoreApplication::applicationPid();
        temp.setFileName(strPath + QStringLiteral(".~%1-%2").arg(lngPid).arg(n));
        if (temp.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (!temp.exists() || n >= 100)
            subCannotWrite(strPath, temp.errorString());
    }
    const auto discard = [&temp](const QString& strWhy) {
        temp.close();
        temp.remove();
        return strWhy;
    };
    if (oldPermissions)
        temp.setPermissions(oldPermissions);
    if (temp.write(bytes) != bytes.size() || !temp.flush())
        subCannotWrite(strPath, discard(temp.errorString()));
    temp.close();
    if (temp.error() != QFileDevice::NoError)
        subCannotWrite(strPath, discard(temp.errorString()));
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(temp.fileName().toStdU16String()),
        std::filesystem::path(strPath.toStdU16String()), error);
    if (error)
        subCannotWrite(strPath, discard(QString::fromStdString(error.message())));
}
} // namespace

void subSaveADRToXML(cRecordset& rs, const QString& strPath)
{
    try {
        subLog(QStringLiteral("Saving a recordset to xml to path ") + strPath);
        subWriteWhole(strPath, fncRecordsetToXml(rs));
    } catch (...) {
        subHandleCurrentException(QStringLiteral("subSaveADRToXML"));
    }
}

int fncXmlReadTimeout() { return g_intTimeout; }
void subSetXmlReadTimeout(int intMilliseconds) { g_intTimeout = intMilliseconds; }

QString fncExportFolder()
{
    return fncOutputFolderFor(cPersonalSettings::fncProgramFolder());
}

namespace {
QByteArray fncReadLocalFile(const QString& strPath)
{
    QFile file(strPath);
    const QFileInfo info(strPath);
    if (!info.isFile() || info.size() > lngMaxXmlBytes || !file.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray bytes = file.read(lngMaxXmlBytes + 1);
    return bytes.size() > lngMaxXmlBytes ? QByteArray() : bytes;
}

QByteArray fncReadNetwork(const QUrl& url)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(g_intTimeout);
    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    bool tooLarge = false;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop,
        [reply, &tooLarge](qint64 received, qint64 total) {
            if (received > lngMaxXmlBytes || total > lngMaxXmlBytes) {
                tooLarge = true;
                reply->abort();
            }
        });
    // The transfer time-out only counts silence; a server that trickles is stopped here.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    deadline.start(g_intTimeout);
    if (!reply->isFinished())
        loop.exec();
    QByteArray bytes;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!tooLarge && reply->error() == QNetworkReply::NoError && (status == 0 || (status >= 200 && status < 300)))
        bytes = reply->read(lngMaxXmlBytes + 1);
    delete reply;
    return bytes.size() > lngMaxXmlBytes ? QByteArray() : bytes;
}
} // namespace

QByteArray fncGetXMLText(const QString& strAddress)
{
    try {
        const QUrl url(strAddress);
        const QString scheme = url.scheme().toLower();
        if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
            return fncReadNetwork(url);
        if (scheme == QLatin1String("file"))
            return fncReadLocalFile(url.toLocalFile());
        return fncReadLocalFile(strAddress);
    } catch (...) {
        return QByteArray();
    }
}

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
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || value == QLatin1String("1")
        || value == QLatin1String("-1");
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
        || (t == QLatin1String("number") && col.strDbType.compare(QLatin1String("currency"), Qt::CaseInsensitive) == 0))
        return eFieldType::Currency;
    if (t == QLatin1String("number") || t == QLatin1String("fixed.14.4"))
        return eFieldType::Double;
    if (t.startsWith(QLatin1String("date")) || t.startsWith(QLatin1String("time")))
        return eFieldType::Date;
    if (t == QLatin1String("string") && !col.blnLong && col.intMaxLength > 0 && col.intMaxLength <= 255)
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
                if (fncAttr(a, nsRowset, QLatin1String("maybenull")).compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
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

    if (std::all_of(columns.cbegin(), columns.cend(), [](const cXmlColumn& c) { return c.intNumber > 0; }))
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
                throw fail(QStringLiteral("The value '%1' does not fit column %2").arg(*it, columns.at(i).strName));
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
