#include "cOlAppointmentItem.h"

#include "cHVError.h"
#include "modFileHandling.h"
#include "modLocale.h"
#include "olConstants.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QUrl>
#include <QUuid>
#include <functional>
#include <libical/ical.h>

namespace {
const char* const szUserPropName = "X-HOURVANE-USERPROP";
const char* const szExactName = "X-HOURVANE-EXACT";
const char* const szParamName = "X-HOURVANE-NAME";
const char* const szParamType = "X-HOURVANE-TYPE";
const char* const szParamField = "X-HOURVANE-FIELD";
// Texts travel as base64 so that CR LF, ";", ",", "\" and quotes survive every libical
// release; UTF-16 only for texts that UTF-8 cannot carry (a lone surrogate).
const QString strUtf8Prefix = QStringLiteral("base64:");
const QString strUtf16Prefix = QStringLiteral("base64-utf16:");

QString sourceName()
{
    return QStringLiteral("cOlAppointmentItem");
}

struct IcalString
{
    char* p;
    explicit IcalString(char* s)
        : p(s)
    {
    }
    ~IcalString() { icalmemory_free_buffer(p); }
    IcalString(const IcalString&) = delete;
    IcalString& operator=(const IcalString&) = delete;
    QString text() const { return p ? QString::fromUtf8(p) : QString(); }
};

QString fromUtf8(const char* s)
{
    return s ? QString::fromUtf8(s) : QString();
}

QString paramOf(icalproperty* prop, const char* name)
{
    return IcalString(icalproperty_get_parameter_as_string_r(prop, name)).text();
}

QString encodeText(const QString& text)
{
    if (text.isValidUtf16())
        return strUtf8Prefix + QString::fromLatin1(text.toUtf8().toBase64());
    QByteArray raw(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    if (QSysInfo::ByteOrder == QSysInfo::BigEndian) {
        for (qsizetype i = 0; i + 1 < raw.size(); i += 2)
            std::swap(raw[i], raw[i + 1]);
    }
    return strUtf16Prefix + QString::fromLatin1(raw.toBase64());
}

std::optional<QString> decodeText(const QString& value)
{
    const bool utf16 = value.startsWith(strUtf16Prefix);
    if (!utf16 && !value.startsWith(strUtf8Prefix))
        return std::nullopt;
    const QString data = value.mid(utf16 ? strUtf16Prefix.size() : strUtf8Prefix.size());
    const auto decoded
        = QByteArray::fromBase64Encoding(data.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    const QByteArray& bytes = *decoded;
    if (!utf16)
        return QString::fromUtf8(bytes);
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto lo = static_cast<uchar>(bytes.at(2 * i));
        const auto hi = static_cast<uchar>(bytes.at(2 * i + 1));
        text[i] = QChar(static_cast<char16_t>(lo | (hi << 8)));
    }
    return text;
}

QString encodeValue(const cOlUserProperty& prop)
{
    const QVariant& v = prop.Value();
    switch (prop.Type()) {
    case olNumber:
        return fncNumberToStoredText(v.toDouble());
    case olYesNo:
        return v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case olDateTime: {
        const QDateTime dt = v.toDateTime();
        return dt.isValid() ? dt.toString(Qt::ISODate) : QStringLiteral("NONE");
    }
    default:
        return encodeText(v.toString());
    }
}

std::optional<QVariant> decodeValue(int type, const QString& value)
{
    switch (type) {
    case olNumber: {
        const auto d = fncStoredTextToNumber(value);
        return d ? std::optional<QVariant>(*d) : std::nullopt;
    }
    case olYesNo: {
        const auto bln = fncStoredTextToBoolean(value);
        return bln ? std::optional<QVariant>(*bln) : std::nullopt;
    }
    case olDateTime: {
        if (value == QLatin1String("NONE"))
            return QVariant(QDateTime());
        const QDateTime dt = QDateTime::fromString(value, Qt::ISODate);
        return dt.isValid() ? std::optional<QVariant>(dt) : std::nullopt;
    }
    case olText: {
        auto text = decodeText(value);
        return text ? std::optional<QVariant>(*text) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

bool isOurs(icalproperty* prop, const char* xname)
{
    const char* name = icalproperty_get_x_name(prop);
    return name && qstricmp(name, xname) == 0;
}

bool hasParseErrors(icalcomponent* comp)
{
    if (icalcomponent_count_properties(comp, ICAL_XLICERROR_PROPERTY) > 0)
        return true;
    for (icalcomponent* c = icalcomponent_get_first_component(comp, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(comp, ICAL_ANY_COMPONENT)) {
        if (hasParseErrors(c))
            return true;
    }
    return false;
}

icalcomponent* findMainComponent(icalcomponent* cal)
{
    icalcomponent* firstEvent = nullptr;
    for (icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT)) {
        if (!firstEvent)
            firstEvent = c;
        if (!icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY))
            return c;
    }
    if (firstEvent)
        return firstEvent;
    for (auto kind : { ICAL_VTODO_COMPONENT, ICAL_VJOURNAL_COMPONENT }) {
        if (icalcomponent* c = icalcomponent_get_first_component(cal, kind))
            return c;
    }
    return nullptr;
}

enum class Field { Summary, Description, Categories };

const char* fieldName(Field f)
{
    switch (f) {
    case Field::Summary:
        return "SUMMARY";
    case Field::Description:
        return "DESCRIPTION";
    default:
        return "CATEGORIES";
    }
}

icalproperty_kind fieldKind(Field f)
{
    switch (f) {
    case Field::Summary:
        return ICAL_SUMMARY_PROPERTY;
    case Field::Description:
        return ICAL_DESCRIPTION_PROPERTY;
    default:
        return ICAL_CATEGORIES_PROPERTY;
    }
}

// The field's text as the file holds it; several CATEGORIES (libical splits comma lists)
// are joined again.
QString readField(icalcomponent* comp, Field f)
{
    QStringList parts;
    for (icalproperty* p = icalcomponent_get_first_property(comp, fieldKind(f)); p;
         p = icalcomponent_get_next_property(comp, fieldKind(f))) {
        const icalvalue* v = icalproperty_get_value(p);
        parts << (v ? fromUtf8(icalvalue_get_text(v)) : QString());
        if (f != Field::Categories)
            break;
    }
    return parts.join(QLatin1Char(','));
}

void removeProperties(
    icalcomponent* comp, const std::function<bool(icalproperty*)>& match, icalproperty_kind kind)
{
    QList<icalproperty*> doomed;
    for (icalproperty* p = icalcomponent_get_first_property(comp, kind); p;
         p = icalcomponent_get_next_property(comp, kind)) {
        if (match(p))
            doomed << p;
    }
    for (icalproperty* p : doomed) {
        icalcomponent_remove_property(comp, p);
        icalproperty_free(p);
    }
}

void writeField(icalcomponent* comp, Field f, const QString& text)
{
    removeProperties(
        comp, [](icalproperty*) { return true; }, fieldKind(f));
    // An empty value would not parse back (and would mark the file damaged): leave it out.
    if (text.isEmpty())
        return;
    const QByteArray utf8 = text.toUtf8();
    icalproperty* p = nullptr;
    switch (f) {
    case Field::Summary:
        p = icalproperty_new_summary(utf8.constData());
        break;
    case Field::Description:
        p = icalproperty_new_description(utf8.constData());
        break;
    case Field::Categories:
        p = icalproperty_new_categories(utf8.constData());
        break;
    }
    icalcomponent_add_property(comp, p);
}

// What a text reads back as after libical wrote and parsed it: libical drops some characters
// (CR among them) and splits comma lists, so the exact text is kept beside it when they differ.
QString throughLibical(Field f, const QString& text)
{
    icalcomponent* ev = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    writeField(ev, f, text);
    IcalString serialised(icalcomponent_as_ical_string_r(ev));
    icalcomponent_free(ev);
    icalcomponent* back = icalparser_parse_string(serialised.p);
    if (!back)
        return QString();
    const QString result = readField(back, f);
    icalcomponent_free(back);
    return result;
}

icaltimetype utcNow()
{
    return icaltime_from_timet_with_zone(
        QDateTime::currentSecsSinceEpoch(), 0, icaltimezone_get_utc_timezone());
}

// libical writes the texts of CATEGORIES without escaping ";", which text values require
// ("\;"); those lines are unfolded, escaped and folded again at 75 octets.
QByteArray escapeCategories(const QByteArray& ics)
{
    struct Line
    {
        QByteArray raw; // as folded, CR LF included
        QByteArray text; // unfolded, without CR LF
    };
    QList<Line> lines;
    for (const QByteArray& piece : ics.split('\n')) {
        const QByteArray withBreak = piece + '\n';
        const QByteArray bare = piece.endsWith('\r') ? piece.chopped(1) : piece;
        if ((piece.startsWith(' ') || piece.startsWith('\t')) && !lines.isEmpty()) {
            lines.last().raw += withBreak;
            lines.last().text += bare.mid(1);
        } else
            lines.append({ withBreak, bare });
    }
    QByteArray out;
    for (const Line& line : std::as_const(lines)) {
        if (!line.text.startsWith("CATEGORIES")) {
            out += line.raw;
            continue;
        }
        QByteArray fixed;
        bool inQuote = false;
        bool inValue = false;
        for (qsizetype i = 0; i < line.text.size(); ++i) {
            const char c = line.text.at(i);
            if (inValue && c == '\\' && i + 1 < line.text.size()) {
                fixed += line.text.mid(i, 2);
                ++i;
                continue;
            }
            if (!inValue && c == '"')
                inQuote = !inQuote;
            else if (!inValue && !inQuote && c == ':')
                inValue = true;
            else if (inValue && c == ';')
                fixed += '\\';
            fixed += c;
        }
        qsizetype start = 0;
        qsizetype limit = 75;
        while (fixed.size() - start > limit) {
            qsizetype cut = start + limit;
            while (cut > start + 1 && (static_cast<uchar>(fixed.at(cut)) & 0xC0) == 0x80)
                --cut; // never inside a UTF-8 sequence
            out += fixed.mid(start, cut - start) + "\r\n ";
            start = cut;
            limit = 74;
        }
        out += fixed.mid(start) + "\r\n";
    }
    out.chop(1); // the split gave one empty piece after the last line break
    return out;
}

[[noreturn]] void fail(int n, const QString& text)
{
    throw cHVError(lngObjectError + n, sourceName(), text);
}
} // namespace

struct cOlAppointmentItem::Impl
{
    QString strPath;
    icalcomponent* root = nullptr; // the VCALENDAR, owned
    icalcomponent* main = nullptr; // inside root
    bool blnClean = true;
    bool blnNew = false;
    QByteArray loadedBytes; // the file as read or last written, to notice other writers
    QString fields[3];
    bool dirty[3] = { false, false, false };
    bool blnStartDirty = false;
    QDate dteStart;
    cOlUserProperties props;
    QList<icalproperty*> ourProps; // the X-properties the user properties were read from

    ~Impl()
    {
        if (root)
            icalcomponent_free(root);
    }

    void readFields()
    {
        for (Field f : { Field::Summary, Field::Description, Field::Categories }) {
            const QString plain = readField(main, f);
            QString value = plain;
            for (icalproperty* p = icalcomponent_get_first_property(main, ICAL_X_PROPERTY); p;
                 p = icalcomponent_get_next_property(main, ICAL_X_PROPERTY)) {
                if (!isOurs(p, szExactName)
                    || paramOf(p, szParamField)
                            .compare(QLatin1String(fieldName(f)), Qt::CaseInsensitive)
                        != 0)
                    continue;
                // Only while the field still says what we wrote: another program may have
                // changed it since.
                const auto exact = decodeText(fromUtf8(icalproperty_get_x(p)));
                if (exact && throughLibical(f, *exact) == plain)
                    value = *exact;
                break;
            }
            fields[static_cast<int>(f)] = value;
        }
        const icalproperty* dt = icalcomponent_get_first_property(main, ICAL_DTSTART_PROPERTY);
        if (dt) {
            const icaltimetype t = icalproperty_get_dtstart(dt);
            if (!icaltime_is_null_time(t))
                dteStart = QDate(t.year, t.month, t.day);
        }
    }

    void readUserProperties()
    {
        for (icalproperty* p = icalcomponent_get_first_property(main, ICAL_X_PROPERTY); p;
             p = icalcomponent_get_next_property(main, ICAL_X_PROPERTY)) {
            if (!isOurs(p, szUserPropName))
                continue;
            // A property we cannot read (a newer writer's type, a damaged value) stays in the
            // file untouched.
            const QString name = QUrl::fromPercentEncoding(paramOf(p, szParamName).toLatin1());
            bool ok = false;
            const int type = paramOf(p, szParamType).toInt(&ok);
            if (name.isEmpty() || !ok)
                continue;
            const auto value = decodeValue(type, fromUtf8(icalproperty_get_x(p)));
            if (!value)
                continue;
            // A property held twice reads as its last copy, which is what a save writes; the
            // save replaces every copy read.
            if (const cOlUserPropertyPtr earlier = props.Find(name))
                props.Remove(static_cast<int>(props.all().indexOf(earlier)) + 1);
            auto prop = props.Add(name, type);
            prop->setValue(*value);
            ourProps << p;
        }
    }

    void writeUserProperties()
    {
        for (icalproperty* p : std::as_const(ourProps)) {
            icalcomponent_remove_property(main, p);
            icalproperty_free(p);
        }
        ourProps.clear();
        for (const auto& prop : props.all()) {
            const QByteArray value = encodeValue(*prop).toUtf8();
            icalproperty* p = icalproperty_new_x(value.constData());
            icalproperty_set_x_name(p, szUserPropName);
            icalproperty_set_parameter_from_string(
                p, szParamName, QUrl::toPercentEncoding(prop->Name()).constData());
            icalproperty_set_parameter_from_string(
                p, szParamType, QByteArray::number(prop->Type()).constData());
            icalcomponent_add_property(main, p);
            ourProps << p;
        }
    }

    void writeFields()
    {
        for (Field f : { Field::Summary, Field::Description, Field::Categories }) {
            const int i = static_cast<int>(f);
            if (!dirty[i])
                continue;
            writeField(main, f, fields[i]);
            const QByteArray field(fieldName(f));
            removeProperties(
                main,
                [&field](icalproperty* p) {
                    return isOurs(p, szExactName)
                        && paramOf(p, szParamField)
                               .compare(QLatin1String(field), Qt::CaseInsensitive)
                        == 0;
                },
                ICAL_X_PROPERTY);
            if (throughLibical(f, fields[i]) != fields[i]) {
                const QByteArray value = encodeText(fields[i]).toUtf8();
                icalproperty* p = icalproperty_new_x(value.constData());
                icalproperty_set_x_name(p, szExactName);
                icalproperty_set_parameter_from_string(p, szParamField, field.constData());
                icalcomponent_add_property(main, p);
            }
        }
        if (blnStartDirty || (blnNew && !dteStart.isValid())) {
            if (!dteStart.isValid())
                dteStart = QDate::currentDate();
            icaltimetype t = icaltime_null_date();
            t.year = dteStart.year();
            t.month = dteStart.month();
            t.day = dteStart.day();
            removeProperties(
                main, [](icalproperty*) { return true; }, ICAL_DTSTART_PROPERTY);
            icalcomponent_add_property(main, icalproperty_new_dtstart(t));
            // A timed end no longer fits a whole-day start.
            removeProperties(
                main, [](icalproperty* p) { return !icalproperty_get_dtend(p).is_date; },
                ICAL_DTEND_PROPERTY);
        }
        // Without a METHOD, DTSTAMP is the time of the last change, as LAST-MODIFIED is.
        const icaltimetype now = utcNow();
        removeProperties(
            main, [](icalproperty*) { return true; }, ICAL_DTSTAMP_PROPERTY);
        icalcomponent_add_property(main, icalproperty_new_dtstamp(now));
        removeProperties(
            main, [](icalproperty*) { return true; }, ICAL_LASTMODIFIED_PROPERTY);
        icalcomponent_add_property(main, icalproperty_new_lastmodified(now));
    }
};

cOlAppointmentItem::cOlAppointmentItem()
    : d(std::make_unique<Impl>())
{
}

cOlAppointmentItem::~cOlAppointmentItem() = default;

std::shared_ptr<cOlAppointmentItem> cOlAppointmentItem::fromFile(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        fail(20, QStringLiteral("Cannot read %1: %2").arg(strPath, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0'))
        fail(21, QStringLiteral("%1 is not a calendar file").arg(strPath));

    std::shared_ptr<cOlAppointmentItem> item(new cOlAppointmentItem());
    Impl& d = *item->d;
    d.strPath = strPath;
    d.loadedBytes = bytes;
    d.root = icalparser_parse_string(bytes.constData());
    if (!d.root || icalcomponent_isa(d.root) != ICAL_VCALENDAR_COMPONENT)
        fail(21, QStringLiteral("%1 is not a calendar file").arg(strPath));
    d.main = findMainComponent(d.root);
    if (!d.main)
        fail(22, QStringLiteral("%1 holds no calendar item").arg(strPath));
    d.blnClean = !hasParseErrors(d.root);
    d.readFields();
    d.readUserProperties();
    return item;
}

std::shared_ptr<cOlAppointmentItem> cOlAppointmentItem::createNew(const QString& strFolderPath)
{
    std::shared_ptr<cOlAppointmentItem> item(new cOlAppointmentItem());
    Impl& d = *item->d;
    const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    d.strPath = QDir(strFolderPath).filePath(uid + QStringLiteral(".ics"));
    d.blnNew = true;
    d.root = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
    icalcomponent_add_property(d.root, icalproperty_new_version("2.0"));
    icalcomponent_add_property(
        d.root, icalproperty_new_prodid("-//Orrevik//Hourvane Personal Settings//EN"));
    d.main = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    icalcomponent_add_property(d.main, icalproperty_new_uid(uid.toUtf8().constData()));
    icalcomponent_add_property(d.main, icalproperty_new_dtstamp(utcNow()));
    icalcomponent_add_component(d.root, d.main);
    return item;
}

bool cOlAppointmentItem::IsAppointment() const
{
    return icalcomponent_isa(d->main) == ICAL_VEVENT_COMPONENT;
}

int cOlAppointmentItem::Class() const
{
    return IsAppointment() ? olAppointment : olOtherItem;
}

QString cOlAppointmentItem::Subject() const
{
    return d->fields[0];
}
QString cOlAppointmentItem::Body() const
{
    return d->fields[1];
}
QString cOlAppointmentItem::Categories() const
{
    return d->fields[2];
}

void cOlAppointmentItem::setSubject(const QString& strSubject)
{
    d->fields[0] = strSubject;
    d->dirty[0] = true;
}

void cOlAppointmentItem::setBody(const QString& strBody)
{
    d->fields[1] = strBody;
    d->dirty[1] = true;
}

void cOlAppointmentItem::setCategories(const QString& strCategories)
{
    d->fields[2] = strCategories;
    d->dirty[2] = true;
}

QDate cOlAppointmentItem::Start() const
{
    return d->dteStart;
}

void cOlAppointmentItem::setStart(const QDate& dteStart)
{
    d->dteStart = dteStart;
    d->blnStartDirty = true;
}

cOlUserProperties& cOlAppointmentItem::UserProperties()
{
    return d->props;
}
const cOlUserProperties& cOlAppointmentItem::UserProperties() const
{
    return d->props;
}

void cOlAppointmentItem::Save()
{
    if (!d->blnClean)
        fail(lngItemDamaged - lngObjectError,
            QStringLiteral("%1 holds parts that cannot be read; it is left unchanged")
                .arg(d->strPath));
    if (!d->blnNew) {
        // A synchronisation tool or another calendar program may have written the file since
        // it was read; its change is not overwritten.
        QFile current(d->strPath);
        if (!current.open(QIODevice::ReadOnly) || current.readAll() != d->loadedBytes)
            fail(lngItemChanged - lngObjectError,
                QStringLiteral("%1 was changed or removed by another program; it is left as it is")
                    .arg(d->strPath));
    }
    d->writeFields();
    d->writeUserProperties();
    IcalString text(icalcomponent_as_ical_string_r(d->root));
    if (!text.p)
        fail(24, QStringLiteral("Cannot write the calendar item %1").arg(d->strPath));
    const QByteArray bytes = escapeCategories(QByteArray(text.p));
    try {
        subReplaceFile(d->strPath, bytes);
    } catch (const cHVError& e) {
        fail(25,
            QStringLiteral("Cannot save the calendar item %1: %2")
                .arg(d->strPath, e.Description()));
    }
    d->loadedBytes = bytes;
    d->blnNew = false;
    d->blnStartDirty = false;
    for (bool& b : d->dirty)
        b = false;
}

QString cOlAppointmentItem::FilePath() const
{
    return d->strPath;
}

QString cOlAppointmentItem::Fingerprint() const
{
    if (d->blnNew)
        return QString();
    return QString::fromLatin1(
        QCryptographicHash::hash(d->loadedBytes, QCryptographicHash::Sha256).toHex());
}

QString cOlAppointmentItem::Uid() const
{
    const icalproperty* p = icalcomponent_get_first_property(d->main, ICAL_UID_PROPERTY);
    return p ? fromUtf8(icalproperty_get_uid(p)) : QString();
}
