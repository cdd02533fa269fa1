#include "cListHandler.h"
#include "cSheetModel.h"

#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// The block the dataChanged signals of a spy cover together.
cSheetRange fncCovered(const QSignalSpy& spy)
{
    cSheetRange r { intSheetRows, intSheetColumns, -1, -1 };
    for (const auto& args : spy) {
        const auto tl = args.at(0).value<QModelIndex>();
        const auto br = args.at(1).value<QModelIndex>();
        r = { std::min(r.intTop, tl.row()), std::min(r.intLeft, tl.column()),
            std::max(r.intBottom, br.row()), std::max(r.intRight, br.column()) };
    }
    return r;
}

class SheetUpdate : public testing::Test
{
protected:
    void SetUp() override
    {
        m.SetViewableRange(cSheetRange::fncParse(QStringLiteral("A1:G3000")));
        m.SetFormula(
            cSheetRange::fncParse(QStringLiteral("F1")), QStringLiteral("=Counta(A1:A3000)"));
    }
    cSheetModel m;
};

TEST_F(SheetUpdate, ChangesInsideAnUpdateAreAnnouncedOnceAsOneBlock)
{
    QSignalSpy spy(&m, &cSheetModel::dataChanged);
    m.BeginUpdate();
    m.BeginUpdate();
    for (int r = 1; r <= 2000; ++r) {
        m.SetCellValue(r, 0, QStringLiteral("Item %1").arg(r));
        m.SetCellValue(r, 3, r * 1.5);
    }
    m.ClearContents(cSheetRange::fncParse(QStringLiteral("B2500:C2600")));
    EXPECT_EQ(m.Value(0, 5), QVariant(2000))
        << "a formula read within the update counts what is there";
    m.EndUpdate();
    EXPECT_EQ(spy.count(), 0) << "nested updates are announced at the outermost end";
    m.EndUpdate();
    ASSERT_GE(spy.count(), 1);
    const cSheetRange covered = fncCovered(spy);
    EXPECT_EQ((QList<int> { covered.intTop, covered.intLeft, covered.intBottom }),
        (QList<int> { 0, 0, 2599 }));
    EXPECT_GE(covered.intRight, 5);

    spy.clear();
    m.SetCellValue(2100, 0, QStringLiteral("one more"));
    EXPECT_EQ(m.Value(0, 5), QVariant(2001));
    EXPECT_GE(spy.count(), 1) << "outside an update each change is announced at once";
    m.EndUpdate();
    m.SetCellValue(2101, 0, QStringLiteral("and another"));
    EXPECT_EQ(m.Value(0, 5), QVariant(2002)) << "an unmatched end changes nothing";
    // An update that emptied counted cells leaves the count current.
    m.BeginUpdate();
    m.ClearContents(cSheetRange::fncParse(QStringLiteral("A2:A6")));
    m.EndUpdate();
    EXPECT_EQ(m.Value(0, 5), QVariant(1997));
}

TEST_F(SheetUpdate, LastUsedRowFollowsValuesAndFormulas)
{
    cSheetModel empty;
    EXPECT_EQ(empty.LastUsedRow(), -1);
    EXPECT_EQ(m.LastUsedRow(), 0) << "the formula in F1";
    m.SetCellValue(499, 2, QStringLiteral("x"));
    m.SetCellValue(120, 6, 3.5);
    EXPECT_EQ(m.LastUsedRow(), 499);
    m.SetCellValue(499, 2, QString());
    EXPECT_EQ(m.LastUsedRow(), 120) << "an emptied cell no longer counts";
    m.SetFormula(cSheetRange::fncParse(QStringLiteral("B9000")), QStringLiteral("=Counta(A1:A3)"));
    EXPECT_EQ(m.LastUsedRow(), 8999);
    EXPECT_EQ(m.LastUsedRow(), m.UsedRange()->intBottom);
}

TEST(SheetFormats, AChangeOverMixedFormatsKeepsWhatEachCellHad)
{
    cSheetModel m;
    for (int r = 0; r < 40; r += 2)
        m.ApplyStyle(cSheetRange::Cell(r, 0), [](auto& s) { s.blnBold = true; });
    m.ApplyStyle(cSheetRange::Cell(7, 1), [](auto& s) { s.blnLocked = false; });
    m.ApplyStyle(
        cSheetRange::fncParse(QStringLiteral("A1:C40")), [](auto& s) { s.dblFontSize = 8; });
    for (int r = 0; r < 40; ++r) {
        for (int c = 0; c < 3; ++c) {
            const auto& s = m.Style(r, c);
            EXPECT_EQ(s.blnBold, c == 0 && r % 2 == 0) << r << "," << c;
            EXPECT_EQ(s.blnLocked, !(r == 7 && c == 1)) << r << "," << c;
            EXPECT_EQ(s.dblFontSize, 8) << r << "," << c;
        }
    }
    EXPECT_EQ(m.Style(40, 0).dblFontSize, 0) << "outside the range nothing changed";
}

TEST(ListUpdate, AFillInEditModeReachesTheSheetAsOneBlock)
{
    QWidget host;
    cListHandler exs;
    exs.ListName = QStringLiteral("exsTest");
    exs.AddToForm(&host);
    exs.EditMode(true);
    QSignalSpy spy(exs.CurrSheet, &cSheetModel::dataChanged);
    for (int r = 2; r <= 1500; ++r)
        exs.SetValue(QStringLiteral("A%1").arg(r), QStringLiteral("Name %1").arg(r));
    exs.SetValue(QStringLiteral("B2:C1500"), QStringLiteral("x"));
    EXPECT_EQ(spy.count(), 0);
    exs.EditMode(false);
    ASSERT_GE(spy.count(), 1);
    const auto tl = spy.at(0).at(0).value<QModelIndex>();
    const auto br = spy.at(0).at(1).value<QModelIndex>();
    EXPECT_EQ(cSheetRange({ tl.row(), tl.column(), br.row(), br.column() }).fncAddress(false),
        QStringLiteral("A2:C1500"));
    EXPECT_EQ(exs.CurrSheet->Value(0, 5), QVariant(1499)) << "the count in F1 took in every name";
}

} // namespace
