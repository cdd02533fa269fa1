#pragma once

#include <QLocale>
#include <QString>
#include <QVariant>

#include <cmath>
#include <compare>
#include <optional>

// A money amount with four decimals, held as an integer of ten-thousandths so that it
// round-trips exactly through every database engine, text store and XML file.
class cCurrency
{
public:
    constexpr cCurrency() = default;

    static constexpr cCurrency fromTenThousandths(qint64 units) { return cCurrency(units); }
    static cCurrency fromDouble(double value)
    {
        return cCurrency(static_cast<qint64>(std::llround(value * 10000.0)));
    }
    // Invariant text such as "12.5", "-3.1416" or "350": the form of database drivers and XML.
    static std::optional<cCurrency> fromInvariantString(const QString& text)
    {
        return parse(text.trimmed(), QLatin1Char('.'));
    }
    // Text in a locale's number format; group separators are accepted, the decimal separator
    // is the locale's.
    static std::optional<cCurrency> fromLocaleString(const QString& text, const QLocale& locale)
    {
        QString t = text.trimmed();
        t.remove(locale.groupSeparator());
        return parse(t, locale.decimalPoint().isEmpty() ? QChar(u'.') : locale.decimalPoint().at(0));
    }
    // A database or XML value: numbers, numeric texts; null or junk gives nullopt.
    static std::optional<cCurrency> fromVariant(const QVariant& value)
    {
        if (value.isNull() || !value.isValid())
            return std::nullopt;
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return cCurrency(value.toLongLong() * 10000);
        case QMetaType::Double:
        case QMetaType::Float:
            return fromDouble(value.toDouble());
        default:
            return fromInvariantString(value.toString());
        }
    }

    constexpr qint64 tenThousandths() const { return m_units; }
    double toDouble() const { return static_cast<double>(m_units) / 10000.0; }

    // Only the digits needed: 350, 12.5, 0.0001.
    QString toInvariantString() const { return format(QLatin1Char('.')); }
    QString toLocaleString(const QLocale& locale) const
    {
        return format(locale.decimalPoint().isEmpty() ? QChar(u'.') : locale.decimalPoint().at(0));
    }

    constexpr auto operator<=>(const cCurrency&) const = default;

private:
    constexpr explicit cCurrency(qint64 units)
        : m_units(units)
    {
    }

    static std::optional<cCurrency> parse(const QString& t, QChar point)
    {
        if (t.isEmpty())
            return std::nullopt;
        qsizetype i = 0;
        bool negative = false;
        if (t.at(0) == QLatin1Char('-') || t.at(0) == QLatin1Char('+')) {
            negative = t.at(0) == QLatin1Char('-');
            ++i;
        }
        qint64 whole = 0;
        qint64 frac = 0;
        int fracDigits = 0;
        bool seenDigit = false;
        bool inFraction = false;
        bool roundUp = false;
        for (; i < t.size(); ++i) {
            const QChar c = t.at(i);
            if (c == point && !inFraction) {
                inFraction = true;
                continue;
            }
            if (!c.isDigit() || c.unicode() > 127)
                return std::nullopt;
            seenDigit = true;
            const int d = c.unicode() - u'0';
            if (!inFraction) {
                if (whole > (std::numeric_limits<qint64>::max() / 10000 - d) / 10)
                    return std::nullopt;
                whole = whole * 10 + d;
            } else if (fracDigits < 4) {
                frac = frac * 10 + d;
                ++fracDigits;
            } else if (fracDigits == 4) {
                roundUp = d >= 5; // half away from zero, as the drivers round
                ++fracDigits;
            }
        }
        if (!seenDigit)
            return std::nullopt;
        while (fracDigits < 4) {
            frac *= 10;
            ++fracDigits;
        }
        qint64 units = whole * 10000 + frac + (roundUp ? 1 : 0);
        return cCurrency(negative ? -units : units);
    }

    QString format(QChar point) const
    {
        const qint64 a = m_units < 0 ? -m_units : m_units;
        QString text = QString::number(a / 10000);
        qint64 frac = a % 10000;
        if (frac != 0) {
            QString digits = QStringLiteral("%1").arg(frac, 4, 10, QLatin1Char('0'));
            while (digits.endsWith(QLatin1Char('0')))
                digits.chop(1);
            text += point + digits;
        }
        return m_units < 0 ? QLatin1Char('-') + text : text;
    }

    qint64 m_units = 0;
};
Q_DECLARE_METATYPE(cCurrency)
