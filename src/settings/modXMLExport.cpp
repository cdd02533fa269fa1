#include "modXMLExport.h"

#include "cCurrency.h"
#include "cPersonalSettings.h"
#include "modErrorHandling.h"
#include "modFileHandling.h"
#include "modRowsetFormat.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

using namespace rowsetformat;

namespace {
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

// The run with what XML 1.0 cannot carry (U+FFFE, U+FFFF, a surrogate without its partner)
// replaced by U+FFFD, so that one pasted character does not make the whole file unreadable.
QString fncXmlCharacters(QStringView run)
{
    QString out(run.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < run.size(); ++i) {
        const char16_t c = run[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < run.size()
            && QChar::isLowSurrogate(run[i + 1].unicode())) {
            out[i] = run[i];
            out[i + 1] = run[i + 1];
            ++i;
        } else {
            out[i] = QChar::isSurrogate(c) || c >= 0xFFFE ? QChar(QChar::ReplacementCharacter)
                                                          : run[i];
        }
    }
    return out;
}

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
            qsizetype j = i;
            bool blnSuspect = false;
            for (; j < n && data[j] >= 0x80; ++j)
                blnSuspect |= QChar::isSurrogate(data[j]) || data[j] >= 0xFFFE;
            const QByteArray utf8 = blnSuspect ? fncXmlCharacters(value.sliced(i, j - i)).toUtf8()
                                               : value.sliced(i, j - i).toUtf8();
            std::memcpy(to, utf8.constData(), static_cast<size_t>(utf8.size()));
            to += utf8.size();
            i = j;
            continue;
        }
        ++i;
        const char* entity = nullptr;
        switch (c) {
        case u'&':
            entity = "&amp;";
            break;
        case u'<':
            entity = "&lt;";
            break;
        case u'>':
            entity = "&gt;";
            break;
        case u'\'':
            entity = "&#x27;";
            break;
        case u'"':
            entity = "&quot;";
            break;
        default:
            break;
        }
        if (entity) {
            const size_t len = std::strlen(entity);
            std::memcpy(to, entity, len);
            to += len;
            chars += static_cast<qsizetype>(len) - 1;
        } else if (c != u'\t' && c != u'\n' && c != u'\r') {
            // XML 1.0 cannot carry the other controls, not even as references.
            std::memcpy(to, "\xEF\xBF\xBD", 3);
            to += 3;
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
    return re.match(strName).hasMatch()
        && !strName.startsWith(QLatin1String("xml"), Qt::CaseInsensitive);
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
        attrs({ { "dt:type", "int" }, { "dt:maxLength", "4" }, { "rs:precision", "10" },
            { "rs:fixedlength", "true" } });
        break;
    case eFieldType::Integer:
        attrs({ { "dt:type", "i2" }, { "dt:maxLength", "2" }, { "rs:precision", "5" },
            { "rs:fixedlength", "true" } });
        break;
    case eFieldType::Boolean:
        attrs({ { "dt:type", "boolean" }, { "dt:maxLength", "2" }, { "rs:fixedlength", "true" } });
        break;
    case eFieldType::Single:
        attrs({ { "dt:type", "r4" }, { "dt:maxLength", "4" }, { "rs:precision", "7" },
            { "rs:fixedlength", "true" } });
        break;
    case eFieldType::Double:
        attrs({ { "dt:type", "float" }, { "dt:maxLength", "8" }, { "rs:precision", "15" },
            { "rs:fixedlength", "true" } });
        break;
    case eFieldType::Currency:
        attrs({ { "dt:type", "number" }, { "rs:dbtype", "currency" }, { "dt:maxLength", "8" },
            { "rs:precision", "19" }, { "rs:fixedlength", "true" } });
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

QByteArray fncRecordsetToXml(cRecordset& rs, const QStringList& colMasked)
{
    cRowsetWriter w;
    const int intRows = rs.RecordCount();
    // Enough for short values; longer ones make it grow.
    w.subReserve(4096 + intRows * (16 + 24 * rs.FieldCount()));
    const QByteArray head = QString(QStringLiteral("<xml xmlns:s='") + nsSchema
        + QStringLiteral("'\n\txmlns:dt='") + nsDataType + QStringLiteral("'\n\txmlns:rs='")
        + nsRowset + QStringLiteral("'\n\txmlns:z='") + nsRow + QStringLiteral("'>\n"))
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
    std::vector<bool> masked;
    for (const cField& field : fields)
        masked.push_back(colMasked.contains(field.Name, Qt::CaseInsensitive));
    for (int i = 0; i < fields.size(); ++i) {
        const cField& field = fields.at(i);
        const bool alias = !fncIsXmlName(field.Name);
        QString attrName = alias ? QStringLiteral("c%1").arg(i) : field.Name;
        while (alias && rs.HasField(attrName)) // a column may have that name itself
            attrName += QLatin1Char('_');
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
    if (intRows > 0) {
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
            w.subStart(1, "z:row");
            const auto row = rs.RowValues();
            for (int i = 0; i < fields.size(); ++i) {
                const QVariant& value = row[i];
                if (value.isNull())
                    continue;
                const cAttrName& name = attrNames[static_cast<size_t>(i)];
                // Texts are written from the value itself, without a copy.
                const eFieldType type = fields.at(i).Type;
                if (masked[static_cast<size_t>(i)])
                    w.subAttr(name, fncMaskPasswords(value.toString()));
                else if ((type == eFieldType::Text || type == eFieldType::Memo)
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

void subSaveADRToXML(cRecordset& rs, const QString& strPath)
{
    try {
        subLog(QStringLiteral("Saving a recordset to xml to path ") + strPath);
        subReplaceFiles({ { strPath, fncRecordsetToXml(rs) } });
    } catch (...) {
        subHandleCurrentException(QStringLiteral("subSaveADRToXML"));
    }
}

QString fncExportFolder()
{
    return fncOutputFolderFor(cPersonalSettings::fncProgramFolder());
}
