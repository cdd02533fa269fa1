#include "modSettingsWindow.h"

#include <QLocale>
#include <gtest/gtest.h>

struct CleanCase
{
    const char* input;
    const char* expected;
};

class ClearInvalidValues : public testing::TestWithParam<CleanCase>
{
};

TEST_P(ClearInvalidValues, CleansOneCell)
{
    EXPECT_EQ(fncClearInvalidValues(QString::fromUtf8(GetParam().input)),
        QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Cells, ClearInvalidValues,
    testing::Values(CleanCase { "  Acme  ", "Acme" }, CleanCase { "Acme, Inc.", "Acme Inc." },
        CleanCase { "a;b;c", "abc" }, CleanCase { " ;, ", "" },
        CleanCase { "Acme\r\nNorth", "Acme North" }, CleanCase { "Acme\nNorth\r", "Acme North" },
        CleanCase { "Ærø: Øst", "Ærø: Øst" }, CleanCase { "", "" }));

TEST(ClearInvalidValuesVariant, NumbersAndNullBecomeText)
{
    EXPECT_EQ(fncClearInvalidValues(QVariant(42)), QStringLiteral("42"));
    EXPECT_EQ(fncClearInvalidValues(QVariant()), QString());
}

class ClearInvalidCaption : public testing::TestWithParam<CleanCase>
{
};

TEST_P(ClearInvalidCaption, KeepsTheStoredLineIntact)
{
    EXPECT_EQ(fncClearInvalidCaption(QString::fromUtf8(GetParam().input)),
        QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Captions, ClearInvalidCaption,
    testing::Values(CleanCase { "Customer", "Customer" }, CleanCase { "Cust:omer;", "Customer" },
        CleanCase { "Tasks, all", "Tasks, all" }, CleanCase { "Two\r\nlines", "Two lines" },
        CleanCase { "::;", "" }));

TEST(fncNumberText, ShowsNumbersInTheUserLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(fncNumberText(QVariant(0.75)), QStringLiteral("0,75"));
    EXPECT_EQ(fncNumberText(QVariant(qint16(8))), QStringLiteral("8"));
    EXPECT_EQ(fncNumberText(QVariant(12345.5)), QStringLiteral("12345,5"));
    // A stored text shows in the locale's form too; other text as it was stored.
    EXPECT_EQ(fncNumberText(QVariant(QStringLiteral("0.5"))), QStringLiteral("0,5"));
    EXPECT_EQ(fncNumberText(QVariant(QStringLiteral("lots"))), QStringLiteral("lots"));
    QLocale::setDefault(saved);
}

TEST(fncWithMnemonics, PrefersWordStartsNeverRepeatsAndEscapesAmpersands)
{
    EXPECT_EQ(
        fncWithMnemonics({ "OK", "Cancel", "Count costs by", "Convert", "Rate & hours", "o" }),
        QStringList({ "&OK", "&Cancel", "Count costs &by", "Co&nvert", "&Rate && hours", "o" }));
}
