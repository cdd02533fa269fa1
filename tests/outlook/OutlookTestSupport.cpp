#include "OutlookTestSupport.h"

#include "modOutlookCode.h"

#include <libical/ical.h>

namespace hvtest {

void CalendarTest::SetUp()
{
    m_oldCalendar = qgetenv("HOURVANE_CALENDAR");
    subResetOutlookState();
    useCalendar(newTempDir(QStringLiteral("mailbox")) + QStringLiteral("/calendar"));
}

void CalendarTest::TearDown()
{
    subResetOutlookState();
    qputenv("HOURVANE_CALENDAR", m_oldCalendar);
}

void CalendarTest::useCalendar(const QString& strPath)
{
    m_strCalendar = strPath;
    qputenv("HOURVANE_CALENDAR", strPath.toLocal8Bit());
}

QVariant valueOf(const cOlUserProperties& props, const QString& strName)
{
    const auto prop = props.Find(strName);
    EXPECT_TRUE(prop) << "no user property " << strName.toStdString();
    return prop ? prop->Value() : QVariant();
}

namespace {
void collectErrors(icalcomponent* comp, QStringList& problems)
{
    for (icalproperty* p = icalcomponent_get_first_property(comp, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(comp, ICAL_XLICERROR_PROPERTY))
        problems << QStringLiteral("libical: ") + QString::fromUtf8(icalproperty_get_xlicerror(p));
    for (icalcomponent* c = icalcomponent_get_first_component(comp, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(comp, ICAL_ANY_COMPONENT))
        collectErrors(c, problems);
}
} // namespace

std::string icsProblems(const QByteArray& bytes)
{
    QStringList problems;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (i == lines.size() - 1) {
            if (!line.isEmpty())
                problems << QStringLiteral("no line break at the end");
            break;
        }
        if (!line.endsWith('\r'))
            problems << QStringLiteral("line %1 ends in a bare LF").arg(i + 1);
        line.chop(1);
        if (line.size() > 75)
            problems << QStringLiteral("line %1 has %2 octets").arg(i + 1).arg(line.size());
    }
    icalcomponent* root = icalparser_parse_string(bytes.constData());
    if (!root) {
        problems << QStringLiteral("libical could not parse it");
        return problems.join(QLatin1Char('\n')).toStdString();
    }
    if (icalcomponent_isa(root) != ICAL_VCALENDAR_COMPONENT)
        problems << QStringLiteral("not a single VCALENDAR");
    collectErrors(root, problems);
    icalcomponent_free(root);
    return problems.join(QLatin1Char('\n')).toStdString();
}

QStringList unfoldedLines(const QByteArray& bytes)
{
    QByteArray text = bytes;
    text.replace("\r\n ", "");
    text.replace("\r\n\t", "");
    QStringList lines = QString::fromUtf8(text).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace hvtest
