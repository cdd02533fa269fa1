#include "cCurrency.h"

#include <gtest/gtest.h>

TEST(cCurrency, ParsesAndFormatsExactlyToFourDecimals)
{
    EXPECT_EQ(cCurrency::fromInvariantString("0.1")->tenThousandths(), 1000);
    EXPECT_EQ(cCurrency::fromInvariantString("-3.14159")->tenThousandths(), -31416);
    EXPECT_EQ(cCurrency::fromInvariantString("922337203685477.5807")->tenThousandths(),
        std::numeric_limits<qint64>::max());
    EXPECT_FALSE(cCurrency::fromInvariantString("9223372036854775807"));
    EXPECT_FALSE(cCurrency::fromInvariantString("12a"));
    EXPECT_FALSE(cCurrency::fromInvariantString("."));
    EXPECT_EQ(cCurrency::fromTenThousandths(125000).toInvariantString(), "12.5");
    EXPECT_EQ(cCurrency::fromTenThousandths(-1).toInvariantString(), "-0.0001");
    EXPECT_EQ(cCurrency::fromTenThousandths(3500000).toInvariantString(), "350");
}

TEST(cCurrency, FollowsTheLocaleNumberFormat)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(cCurrency::fromLocaleString("1.234,5", german)->tenThousandths(), 12345000);
    EXPECT_EQ(cCurrency::fromTenThousandths(125000).toLocaleString(german), "12,5");
    EXPECT_EQ(cCurrency::fromVariant(QVariant(0.1))->tenThousandths(), 1000);
    EXPECT_FALSE(cCurrency::fromVariant(QVariant()));
}
