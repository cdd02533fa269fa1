#include "cCurrency.h"

#include <gtest/gtest.h>
#include <limits>

namespace {
constexpr qint64 lngMax = std::numeric_limits<qint64>::max();
constexpr qint64 lngMin = std::numeric_limits<qint64>::min();
} // namespace

TEST(cCurrency, ParsesAndFormatsExactlyToFourDecimalsAndRefusesAmountsBeyondItsRange)
{
    EXPECT_EQ(cCurrency::fromInvariantString("0.1")->tenThousandths(), 1000);
    EXPECT_EQ(cCurrency::fromInvariantString("-3.14159")->tenThousandths(), -31416);
    EXPECT_FALSE(cCurrency::fromInvariantString("12a"));
    EXPECT_FALSE(cCurrency::fromInvariantString("."));
    EXPECT_EQ(cCurrency::fromTenThousandths(125000).toInvariantString(), "12.5");
    EXPECT_EQ(cCurrency::fromTenThousandths(-1).toInvariantString(), "-0.0001");
    EXPECT_EQ(cCurrency::fromTenThousandths(3500000).toInvariantString(), "350");
    EXPECT_EQ(cCurrency::fromTenThousandths(lngMin).toInvariantString(), "-922337203685477.5808");
    // In the locale's number format too.
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(cCurrency::fromLocaleString("1.234,5", german)->tenThousandths(), 12345000);
    EXPECT_EQ(cCurrency::fromTenThousandths(125000).toLocaleString(german), "12,5");
    EXPECT_EQ(cCurrency::fromVariant(QVariant(0.1))->tenThousandths(), 1000);
    EXPECT_FALSE(cCurrency::fromVariant(QVariant()));

    // Every way in refuses what the type cannot hold instead of wrapping it to the other sign.
    const struct
    {
        QVariant value;
        std::optional<qint64> expected;
    } cases[] = {
        { QStringLiteral("922337203685477.5807"), lngMax },
        { QStringLiteral("922337203685477.58074"), lngMax },
        { QStringLiteral("922337203685477.58075"), std::nullopt },
        { QStringLiteral("922337203685477.5808"), std::nullopt },
        { QStringLiteral("-922337203685477.5808"), lngMin },
        { QStringLiteral("-922337203685477.5809"), std::nullopt },
        { QStringLiteral("9223372036854775807"), std::nullopt },
        { QStringLiteral("1e300"), std::nullopt },
        { QVariant(1e300), std::nullopt },
        { QVariant(std::numeric_limits<double>::quiet_NaN()), std::nullopt },
        { QVariant(std::numeric_limits<double>::infinity()), std::nullopt },
        { QVariant(922337203685477.6), std::nullopt },
        { QVariant(-12.5), -125000 },
        { QVariant(qint64(922337203685477)), 9223372036854770000 },
        { QVariant(qint64(922337203685478)), std::nullopt },
        { QVariant(std::numeric_limits<quint64>::max()), std::nullopt },
    };
    for (const auto& c : cases) {
        const auto amount = cCurrency::fromVariant(c.value);
        EXPECT_EQ(amount ? std::optional(amount->tenThousandths()) : std::nullopt, c.expected)
            << c.value.toString().toStdString();
        if (c.value.typeId() == QMetaType::Double) {
            const auto fromDouble = cCurrency::fromDoubleChecked(c.value.toDouble());
            EXPECT_EQ(fromDouble.has_value(), c.expected.has_value())
                << c.value.toString().toStdString();
        }
    }
    EXPECT_EQ(cCurrency::fromDouble(1e300), cCurrency());
}
