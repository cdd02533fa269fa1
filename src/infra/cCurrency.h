#pragma once

#include <QLocale>
#include <QString>
#include <QVariant>
#include <QtNumeric>
#include <cmath>
#include <compare>
#include <limits>
#include <optional>

// A money amount with four decimals, held as an integer of ten-thousandths so that it
// round-trips exactly through every database engine, text store and XML file.
class cCurrency
{
public:
    constexpr cCurrency() = default;

    static constexpr cCurrency fromTenThousandths(qint64 units) { return cCurrency(units); }
    // The checked conversion for amounts from outside (files, stores, databases): NaN, the
    // infinities and anything beyond +-922337203685477.5807 give nullopt, never a wrapped amount
    // of the other sign. Text goes through fromInvariantString/fromLocaleString, equally checked.
    static std::optional<cCurrency> fromDoubleChecked(double value)
    {
        // 2^63 is exact as a double; every double below it converts without overflow.
        constexpr double limit = 9223372036854775808.0;
        const double units = std::round(value * 10000.0);
        if (!(units >= -limit && units < limit))
            return std::nullopt;
        return cCurrency(static_cast<qint64>(units));
    }
    // For amounts the program makes itself; what the type cannot hold becomes 0.
    static cCurrency fromDouble(double value)
    {
        return fromDoubleChecked(value).value_or(cCurrency());
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
        return parse(
            t, locale.decimalPoint().isEmpty() ? QChar(u'.') : locale.decimalPoint().at(0));
    }
    // A database or XML value: numbers, numeric texts; null or junk gives nullopt.
    static std::optional<cCurrency> fromVariant(const QVariant& value)
    {
        if (value.isNull() || !value.isValid())
            return std::nullopt;
        switch (value.typeId()) {
        case QMetaType::ULongLong:
            if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
                return std::nullopt;
            [[fallthrough]];
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt: {
            qint64 units = 0;
            if (qMulOverflow(value.toLongLong(), qint64(10000), &units))
                return std::nullopt;
            return cCurrency(units);
        }
        case QMetaType::Double:
        case QMetaType::Float:
            return fromDoubleChecked(value.toDouble());
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
                if (whole > std::numeric_limits<qint64>::max() / 100000)
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
        // Built on the negative side, which holds one unit more, so the most negative amount
        // parses and one unit beyond either end is refused.
        qint64 units = 0;
        if (qMulOverflow(-whole, qint64(10000), &units)
            || qSubOverflow(units, frac + (roundUp ? 1 : 0), &units))
            return std::nullopt;
        if (!negative && qSubOverflow(qint64(0), units, &units))
            return std::nullopt;
        return cCurrency(units);
    }

    QString format(QChar point) const
    {
        // Unsigned, so that the most negative amount has a magnitude too.
        const quint64 a = m_units < 0 ? 0 - quint64(m_units) : quint64(m_units);
        QString text = QString::number(a / 10000);
        const quint64 frac = a % 10000;
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
