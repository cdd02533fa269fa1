#include "cHVError.h"
#include "cSheetRange.h"

#include <gtest/gtest.h>

namespace {

struct AddressCase
{
    const char* text;
    cSheetRange expected;
};

class SheetRangeParse : public testing::TestWithParam<AddressCase>
{
};

TEST_P(SheetRangeParse, ReadsBlock)
{
    const AddressCase& c = GetParam();
    EXPECT_EQ(cSheetRange::fncParse(QString::fromLatin1(c.text)), c.expected) << c.text;
}

constexpr int lastRow = intSheetRows - 1;
constexpr int lastCol = intSheetColumns - 1;

INSTANTIATE_TEST_SUITE_P(Forms, SheetRangeParse,
    testing::Values(AddressCase { "B2", { 1, 1, 1, 1 } }, AddressCase { "$B$2", { 1, 1, 1, 1 } },
        AddressCase { "b$2", { 1, 1, 1, 1 } }, AddressCase { "A2:D2000", { 1, 0, 1999, 3 } },
        AddressCase { "a2:d1000", { 1, 0, 999, 3 } }, AddressCase { "D1000:A2", { 1, 0, 999, 3 } },
        AddressCase { "D2:A5", { 1, 0, 4, 3 } }, AddressCase { "$A$1:$F$1", { 0, 0, 0, 5 } },
        AddressCase { "D:F", { 0, 3, lastRow, 5 } }, AddressCase { "G:G", { 0, 6, lastRow, 6 } },
        AddressCase { "f:d", { 0, 3, lastRow, 5 } }, AddressCase { "1:1", { 0, 0, 0, lastCol } },
        AddressCase { "1:1999", { 0, 0, 1998, lastCol } },
        AddressCase { "$3:$2", { 1, 0, 2, lastCol } },
        AddressCase { " A1:A65536 ", { 0, 0, lastRow, 0 } }));

class SheetRangeRejects : public testing::TestWithParam<const char*>
{
};

TEST_P(SheetRangeRejects, ThrowsWithTheAddress)
{
    const QString text = QString::fromLatin1(GetParam());
    try {
        cSheetRange::fncParse(text);
        FAIL() << "accepted " << GetParam();
    } catch (const cHVError& e) {
        EXPECT_TRUE(e.Description().contains(text)) << e.Description().toStdString();
    }
    EXPECT_FALSE(cSheetRange::fncTryParse(text, nullptr));
}

INSTANTIATE_TEST_SUITE_P(Bad, SheetRangeRejects,
    testing::Values("", "A0", "2B", "A2:B", "A:2", "AA1", "A65537", "A1:", ":A1", "A1:B2:C3",
        "$$A1", "A-1", "Ä1", "A1 B2"));

TEST(SheetRange, WritesAddressesAsTheSelectionDoes)
{
    EXPECT_EQ(cSheetRange::Cell(1, 6).fncAddress(), QStringLiteral("$G$2"));
    EXPECT_EQ(cSheetRange::Cell(1, 6).fncAddress(false), QStringLiteral("G2"));
    EXPECT_EQ((cSheetRange { 1, 0, 4, 3 }).fncAddress(), QStringLiteral("$A$2:$D$5"));
    EXPECT_EQ((cSheetRange { 1, 0, 4, 3 }).fncFirstCellAddress(false), QStringLiteral("A2"));
    for (int c = 0; c < intSheetColumns; ++c)
        EXPECT_EQ(cSheetRange::fncColumnIndex(cSheetRange::fncColumnName(c)), c);
    EXPECT_EQ(cSheetRange::fncColumnName(25), QStringLiteral("Z"));
}

} // namespace
