#include "modCellEntry.h"

#include "cCurrency.h"

#include <QLocale>

QString fncCleanEntryText(const QString& strText)
{
    QString strOut;
    strOut.reserve(strText.size());
    for (qsizetype i = 0; i < strText.size(); ++i) {
        const QChar ch = strText.at(i);
        const char16_t u = ch.unicode();
        if (ch.isHighSurrogate() && i + 1 < strText.size() && strText.at(i + 1).isLowSurrogate()) {
            strOut.append(ch);
            strOut.append(strText.at(++i));
            continue;
        }
        if (ch.isSurrogate() || u == 0xFFFE || u == 0xFFFF)
            continue;
        if (u == u'\t' || u == u'\n' || u == u'\r' || u == 0x0B || u == 0x2028 || u == 0x2029) {
            // A CR LF pair is one line break.
            if (!(u == u'\n' && i > 0 && strText.at(i - 1) == QLatin1Char('\r')))
                strOut.append(QLatin1Char(' '));
            continue;
        }
        if (u < 0x20)
            continue;
        strOut.append(ch);
    }
    return strOut;
}

std::optional<double> fncParseDecimal(const QString& strText)
{
    QString t = strText.trimmed();
    if (t.isEmpty() || t.count(QLatin1Char(',')) + t.count(QLatin1Char('.')) > 1)
        return std::nullopt;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double d = c.toDouble(t, &ok);
    if (!ok || !cCurrency::fromDoubleChecked(d))
        return std::nullopt;
    return d;
}

std::optional<cCurrency> fncParseAmount(const QString& strText)
{
    const auto d = fncParseDecimal(strText);
    return d ? cCurrency::fromDoubleChecked(*d) : std::nullopt;
}
