#include "TestSupport.h"
#include "cSheetRange.h"

namespace {

constexpr int lastRow = intSheetRows - 1;
constexpr int lastCol = intSheetColumns - 1;

TEST(SheetRange, ReadsEveryFormOfABlock)
{
    const std::pair<const char*, cSheetRange> cases[]
        = { { "B2", { 1, 1, 1, 1 } }, { "$B$2", { 1, 1, 1, 1 } }, { "b$2", { 1, 1, 1, 1 } },
              { "A2:D2000", { 1, 0, 1999, 3 } }, { "a2:d1000", { 1, 0, 999, 3 } },
              { "D1000:A2", { 1, 0, 999, 3 } }, { "D2:A5", { 1, 0, 4, 3 } },
              { "$A$1:$F$1", { 0, 0, 0, 5 } }, { "D:F", { 0, 3, lastRow, 5 } },
              { "G:G", { 0, 6, lastRow, 6 } }, { "f:d", { 0, 3, lastRow, 5 } },
              { "1:1", { 0, 0, 0, lastCol } }, { "1:1999", { 0, 0, 1998, lastCol } },
              { "$3:$2", { 1, 0, 2, lastCol } }, { " A1:A65536 ", { 0, 0, lastRow, 0 } } };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(cSheetRange::fncParse(QString::fromLatin1(text)), expected) << text;
}

TEST(SheetRange, RejectsWhatIsNoAddressNamingIt)
{
    for (const char* bad : { "", "A0", "2B", "A2:B", "A:2", "AA1", "A65537", "A1:", ":A1",
             "A1:B2:C3", "$$A1", "A-1", "Ä1", "A1 B2" }) {
        const QString text = QString::fromLatin1(bad);
        const cHVError e = hvtest::errorOf([&] { cSheetRange::fncParse(text); });
        EXPECT_NE(e.Number(), 0) << "accepted " << bad;
        EXPECT_TRUE(e.Description().contains(text)) << e.Description().toStdString();
        EXPECT_FALSE(cSheetRange::fncTryParse(text, nullptr)) << bad;
    }
}

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
