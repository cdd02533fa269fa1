#include "modLocale.h"

#include "modPhrases.h"

#include <QRegularExpression>
#include <cmath>

QString fncListSeparatorForLcid(quint32 lngLcid)
{
    switch (lngLcid) {
    // The English locales and Mexican Spanish are the only known ones that separate with a comma.
    case 1033:
    case 2057:
    case 2058:
        return QStringLiteral(",");
    case 1029:
    case 1030:
    case 1043:
    case 2067:
    case 1035:
    case 1036:
    case 2060:
    case 3084:
    case 5132:
    case 4108:
    case 1031:
    case 3079:
    case 5127:
    case 4103:
    case 2055:
    case 1032:
    case 1040:
    case 2064:
    case 1044:
    case 2070:
    case 1060:
    case 3082:
    case 1034:
    case 11274:
    case 16394:
    case 13322:
    case 9226:
    case 5130:
    case 7178:
    case 12298:
    case 4106:
    case 18442:
    case 19466:
    case 6154:
    case 10250:
    case 20490:
    case 15370:
    case 17418:
    case 14346:
    case 8202:
    case 1053:
    case 1055:
    case 1049:
    case 1046:
    case 2068:
        // Several of these (de-CH, it-CH, most of Central America) write a decimal point and
        // still separate lists with ";", so the rule below would get them wrong.
        return QStringLiteral(";");
    default:
        return QString();
    }
}

QString fncListSeparatorForLocale(const QLocale& locale)
{
    const QString known = fncListSeparatorForLcid(fncLcidForLocale(locale));
    if (!known.isEmpty())
        return known;
    return locale.decimalPoint() == QLatin1String(",") ? QStringLiteral(";") : QStringLiteral(",");
}

QString fncGetListSeparator()
{
    return fncListSeparatorForLocale(QLocale::system());
}

QString fncNumberToStoredText(double dblValue)
{
    // The C locale groups nothing; 'f' keeps large values out of exponent form.
    return QLocale::c().toString(dblValue, 'f', QLocale::FloatingPointShortest);
}

std::optional<QString> fncStoredNumberInvariant(const QString& strText)
{
    static const QRegularExpression rx(
        QStringLiteral("^[+-]?(\\d+[.,]?\\d*|[.,]\\d+)([eE][+-]?\\d+)?$"));
    QString t = strText.trimmed();
    if (!rx.match(t).hasMatch())
        return std::nullopt;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    return t;
}

std::optional<double> fncStoredTextToNumber(const QString& strText)
{
    const auto t = fncStoredNumberInvariant(strText);
    if (!t)
        return std::nullopt;
    bool ok = false;
    const double d = QLocale::c().toDouble(*t, &ok);
    return ok && std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
}

std::optional<bool> fncStoredTextToBoolean(const QString& strText, const QLocale& locale)
{
    const QString t = strText.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto d = fncStoredTextToNumber(t))
        return *d != 0.0;
    bool ok = false;
    double d = QLocale::c().toDouble(t, &ok);
    if (!ok)
        d = locale.toDouble(t, &ok);
    return ok ? std::optional<bool>(d != 0.0) : std::nullopt;
}
