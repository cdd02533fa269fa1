#include "modRegistryEntry.h"

#include "cHVError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <memory>
#include <ranges>

namespace {
const QString strSource = QStringLiteral("modRegistryEntry");

// Windows result codes the store reports for the failures this platform can have.
constexpr qint32 lngErrorAccessDenied = 5;
constexpr qint32 lngErrorBadPathname = 161;
constexpr qint32 lngErrorBadDb = 1009;

[[noreturn]] void subRaise(qint32 lngNumber, const QString& strDescription)
{
    throw cHVError(lngNumber, strSource, strDescription);
}

// VB's Trim: blanks only.
QString fncTrimBlanks(const QString& strText)
{
    qsizetype first = 0;
    qsizetype last = strText.size();
    while (first < last && strText.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && strText.at(last - 1) == QLatin1Char(' '))
        --last;
    return strText.mid(first, last - first);
}

void subCheckArguments(const QString& strSection, const QString& strKey)
{
    if (fncTrimBlanks(strSection).isEmpty())
        subRaise(lngRegSectionEmpty, QStringLiteral("Section may not be empty"));
    if (fncTrimBlanks(strKey).isEmpty())
        subRaise(lngRegKeyEmpty, QStringLiteral("Key may not be empty"));
}

// QSettings reads "/" and "\" as group separators; registry value names may hold both, and key
// names may hold "/". They are escaped so that every name comes back exactly as passed.
QString fncEscapeName(const QString& strName, bool blnEscapeBackslash)
{
    QString out;
    out.reserve(strName.size());
    for (const QChar ch : strName) {
        if (ch == QLatin1Char('%'))
            out += QStringLiteral("%25");
        else if (ch == QLatin1Char('/'))
            out += QStringLiteral("%2F");
        else if (blnEscapeBackslash && ch == QLatin1Char('\\'))
            out += QStringLiteral("%5C");
        else
            out += ch;
    }
    return out;
}

QString fncUnescapeName(const QString& strName)
{
    QString out;
    out.reserve(strName.size());
    for (qsizetype i = 0; i < strName.size(); ++i) {
        const QStringView code = QStringView(strName).mid(i, 3);
        if (code == u"%25")
            out += QLatin1Char('%');
        else if (code == u"%2F")
            out += QLatin1Char('/');
        else if (code == u"%5C")
            out += QLatin1Char('\\');
        else {
            out += strName.at(i);
            continue;
        }
        i += 2;
    }
    return out;
}

std::unique_ptr<QSettings> fncOpenStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
        QStringLiteral("Orrevik"), QStringLiteral("Hourvane for Outlook"));
}

qint32 fncResultCode(QSettings::Status status)
{
    return status == QSettings::FormatError ? lngErrorBadDb : lngErrorAccessDenied;
}

// Like the registry, names compare without regard to case: an existing child whose name differs
// only in case is the same key or value.
QString fncFindChild(const QStringList& children, const QString& strWanted)
{
    for (const QString& child : children) {
        if (fncUnescapeName(child).compare(fncUnescapeName(strWanted), Qt::CaseInsensitive) == 0)
            return child;
    }
    return QString();
}

// Enters the section's group, segment by segment ("\" separates sub keys). Returns false when
// blnCreate is off and a segment does not exist.
bool fncEnterSection(QSettings& settings, const QString& strSection, bool blnCreate)
{
    const QStringList segments
        = fncTrimBlanks(strSection).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (segments.isEmpty())
        return false;
    for (const QString& segment : segments) {
        const QString escaped = fncEscapeName(segment, false);
        QString existing = fncFindChild(settings.childGroups(), escaped);
        if (existing.isEmpty()) {
            if (!blnCreate)
                return false;
            existing = escaped;
        }
        settings.beginGroup(existing);
    }
    return true;
}

qint32 fncRegistryType(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return REG_SZ;
    case QMetaType::UnknownType:
        return REG_NONE;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Short:
    case QMetaType::UShort:
        return REG_DWORD;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return REG_QWORD;
    case QMetaType::QStringList:
        return REG_MULTI_SZ;
    default:
        // Byte arrays and every serialised Qt type are opaque data to the registry.
        return REG_BINARY;
    }
}

// A section or key name of the file as QSettings reads it: "\\" is "/", "%XX" and "%UXXXX" are
// characters in hex.
QString fncIniName(const QByteArray& name)
{
    QString out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char ch = name.at(i);
        if (ch == '\\') {
            out += QLatin1Char('/');
            continue;
        }
        const qsizetype first = i + 1 < name.size() && name.at(i + 1) == 'U' ? i + 2 : i + 1;
        const qsizetype digits = first == i + 2 ? 4 : 2;
        bool ok = false;
        const ushort code = ch == '%' && first + digits <= name.size()
            ? QByteArray(name.mid(first, digits)).toUShort(&ok, 16)
            : 0;
        if (ok) {
            out += QChar(code);
            i = first + digits - 1;
        } else {
            out += QLatin1Char(ch);
        }
    }
    return out;
}

// QSettings reports a damaged file only to the instance that parses the damaged part, so the
// file is checked here on every call, by the rules its reader applies: a line ends at CR or LF
// outside quotes, ";" outside quotes starts a comment, "\\" takes the next character along;
// every line is blank, "[section]" or "key=value", and quotes are balanced. A key that QSettings
// would write back as "...\=", which it cannot read, counts as damage too: one whose name ends
// in "/", or an empty one in a section whose name is a path.
bool fncStoreTextDamaged(QByteArray data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    QByteArray line; // up to its comment
    qsizetype keyEnd = -1; // where the first "=" outside quotes is in line
    bool blnQuoted = false;
    bool blnComment = false;
    bool blnPathSection = false; // the section's name is a path of groups
    const auto lineDamaged = [&] {
        const QByteArray text = line.trimmed();
        if (text.isEmpty())
            return false;
        if (text.startsWith('[')) {
            const qsizetype close = text.indexOf(']');
            blnPathSection = fncIniName(text.mid(1, close - 1)).contains(QLatin1Char('/'));
            return close < 0;
        }
        const QString key = fncIniName(line.left(keyEnd).trimmed());
        return keyEnd < 0 || key.endsWith(QLatin1Char('/')) || (key.isEmpty() && blnPathSection);
    };
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char ch = data.at(i);
        if (!blnQuoted && (ch == '\n' || ch == '\r')) {
            if (lineDamaged())
                return true;
            line.clear();
            keyEnd = -1;
            blnComment = false;
        } else if (blnComment) {
            continue;
        } else if (ch == '\\' && i + 1 < data.size()) {
            line += ch;
            line += data.at(++i);
        } else if (ch == ';' && !blnQuoted) {
            blnComment = true;
        } else {
            if (ch == '"')
                blnQuoted = !blnQuoted;
            else if (ch == '=' && !blnQuoted && keyEnd < 0)
                keyEnd = line.size();
            line += ch;
        }
    }
    return blnQuoted || lineDamaged();
}

// 0 when the store can be read, else the system result code of the problem.
qint32 fncStoreProblem(const QSettings& settings)
{
    const QFileInfo info(settings.fileName());
    if (info.exists()) {
        QFile file(info.filePath());
        if (!info.isFile() || !file.open(QIODevice::ReadOnly))
            return lngErrorAccessDenied;
        if (fncStoreTextDamaged(file.readAll()))
            return lngErrorBadDb;
    }
    return settings.status() == QSettings::NoError ? 0 : fncResultCode(settings.status());
}

bool fncStoreWritable(const QSettings& settings)
{
    const QFileInfo file(settings.fileName());
    if (file.exists())
        return file.isFile() && file.isWritable();
    const QString folder = file.absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    const QFileInfo dir(folder);
    return dir.isDir() && dir.isWritable();
}
} // namespace

QString fncRegistryStorePath()
{
    return fncOpenStore()->fileName();
}

void subWriteRegistryValue(QString strSection, QString strKey, QString strValue)
{
    subWriteRegistryValues(strSection, { { strKey, strValue } });
}

void subWriteRegistryValues(
    const QString& strSection, const QList<std::pair<QString, QString>>& colValues)
{
    for (const auto& [strKey, strValue] : colValues)
        subCheckArguments(strSection, strKey);
    auto settings = fncOpenStore();
    // A store file we cannot read whole is never rewritten: the rewrite would drop what we
    // could not parse.
    qint32 lngProblem = fncStoreProblem(*settings);
    if (lngProblem == 0 && !fncStoreWritable(*settings))
        lngProblem = lngErrorAccessDenied;
    if (lngProblem != 0)
        subRaise(lngRegResultBase + lngProblem,
            QStringLiteral("Could not open/create registry section"));
    if (!fncEnterSection(*settings, strSection, true))
        subRaise(lngRegResultBase + lngErrorBadPathname,
            QStringLiteral("Could not open/create registry section"));

    QList<std::pair<QString, QVariant>> colPrevious;
    for (const auto& [strKey, strValue] : colValues) {
        const QString escapedKey = fncEscapeName(strKey, true);
        QString storedKey = fncFindChild(settings->childKeys(), escapedKey);
        if (storedKey.isEmpty())
            storedKey = escapedKey;
        colPrevious.append({ storedKey, settings->value(storedKey) });
        settings->setValue(storedKey, strValue);
    }
    // One sync: QSettings writes the whole file to a temporary and renames it into place.
    settings->sync();
    if (settings->status() != QSettings::NoError) {
        // QSettings keeps unsaved changes for the process and would retry them on a later
        // sync; put the old state back so that a failed write cannot land later.
        for (const auto& [strKey, varOld] : std::views::reverse(colPrevious)) {
            if (varOld.isValid())
                settings->setValue(strKey, varOld);
            else
                settings->remove(strKey);
        }
        subRaise(lngRegResultBase + fncResultCode(settings->status()),
            QStringLiteral("Could not set key value"));
    }
}

QString fncReadRegistryValue(QString strSection, QString strKey, QString strDefault)
{
    subCheckArguments(strSection, strKey);
    // A fresh QSettings per call re-reads the file when another process changed it.
    auto settings = fncOpenStore();
    if (const qint32 lngProblem = fncStoreProblem(*settings); lngProblem != 0)
        subRaise(lngRegResultBase + lngProblem, QStringLiteral("Could not open registry section"));
    if (!fncEnterSection(*settings, strSection, false))
        return strDefault;
    const QString storedKey = fncFindChild(settings->childKeys(), fncEscapeName(strKey, true));
    if (storedKey.isEmpty())
        return strDefault;
    const QVariant value = settings->value(storedKey);
    const qint32 lngType = fncRegistryType(value);
    if (lngType != REG_SZ)
        subRaise(lngRegResultBase + lngType, QStringLiteral("Registry data not a string"));
    return value.toString();
}
