#include "cSheet.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

class FrozenSheet : public testing::Test
{
protected:
    void SetUp() override
    {
        sheet.resize(500, 300);
        m = sheet.Sheet();
        m->SetViewableRange(cSheetRange::fncParse(QStringLiteral("A1:D400")));
        m->SetCellValue(0, 0, QStringLiteral("Heading"));
        for (int r = 1; r < 400; ++r)
            m->SetCellValue(r, 0, QStringLiteral("Item %1").arg(r));
        sheet.SetFrozenRows(1);
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
        frozen = sheet.findChild<QTableView*>();
        ASSERT_NE(frozen, nullptr) << "frozen before the sheet was shown, held once it is";
        EXPECT_TRUE(frozen->horizontalHeader()->isVisible());
        EXPECT_EQ(frozen->height(), sheet.horizontalHeader()->height() + sheet.rowHeight(0));
    }
    void expectHeadingOnTop(const char* what)
    {
        EXPECT_EQ(frozen->rowAt(1), 0) << what;
        EXPECT_EQ(frozen->verticalScrollBar()->value(), 0) << what;
    }

    cSheet sheet;
    cSheetModel* m = nullptr;
    QTableView* frozen = nullptr;
};

// Clicks, keys, selections and the wheel over the heading scroll the sheet, never the heading;
// sideways the heading follows the sheet.
TEST_F(FrozenSheet, TheHeadingStaysInPlaceWhileTheSheetScrolls)
{
    sheet.scrollTo(m->index(120, 0), QAbstractItemView::PositionAtCenter);
    const int row = sheet.rowAt(sheet.viewport()->height() - 5);
    ASSERT_GT(row, 100);
    const QRect cell = sheet.visualRect(m->index(row, 1));
    QTest::mouseClick(sheet.viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(sheet.currentIndex().row(), row);
    expectHeadingOnTop("after a click on a lower row");

    QTest::keyClick(&sheet, Qt::Key_PageDown);
    QTest::keyClick(&sheet, Qt::Key_Down);
    EXPECT_GT(sheet.currentIndex().row(), row);
    expectHeadingOnTop("after moving down with the keyboard");

    sheet.SelectRange(cSheetRange::Cell(300, 2));
    expectHeadingOnTop("after a selection further down");
    EXPECT_GT(sheet.rowAt(sheet.viewport()->height() / 2), 250) << "the sheet itself followed";

    const int before = sheet.verticalScrollBar()->value();
    const QPointF pos(20, frozen->viewport()->height() / 2.0);
    QWheelEvent wheel(pos, frozen->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, -240),
        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(frozen->viewport(), &wheel);
    EXPECT_GT(sheet.verticalScrollBar()->value(), before);
    expectHeadingOnTop("after the wheel");

    sheet.SetColumnWidth(cSheetRange::fncParse(QStringLiteral("A:D")), 300);
    QCoreApplication::processEvents();
    sheet.SelectRange(cSheetRange::Cell(200, 3));
    ASSERT_GT(sheet.horizontalScrollBar()->value(), 0);
    EXPECT_EQ(frozen->horizontalScrollBar()->value(), sheet.horizontalScrollBar()->value());
    expectHeadingOnTop("after scrolling sideways");
    sheet.SetFrozenRows(0);
    EXPECT_EQ(sheet.findChild<QTableView*>(), nullptr);
}

// The fitted width must be what laying out every cell would give, whatever shortcuts it takes:
// many rows of the same width (the first in a bold, larger font) with, far below the first
// screen, only items, wide and narrow letters, kerned pairs, or marks, right-to-left and emoji.
TEST(AutoFitWidth, EqualsTheWidestLaidOutCellForTextsNumbersCheckMarksAndEmptyColumns)
{
    const std::vector<QString> cases[] = { {},
        { QStringLiteral("AVAVAVAVAVAVAVAVAVAVAVAVAVAVAV"),
            QStringLiteral("iiiiiiiiiiiiiiiiiiiiiiiiiiiiiii"),
            QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWW") },
        { QStringLiteral("To. Te. Ty. Yo. Va. Wa. LT. AY. Fe. Pa."),
            QStringLiteral("mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm") },
        { QString::fromUtf8("e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301"),
            QString::fromUtf8(
                "\u0645\u0631\u062D\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645 "
                "\u0645\u0631\u062D\u0628\u0627"),
            QString::fromUtf8("\U0001F600\U0001F600\U0001F600\U0001F600 smile") } };
    for (const auto& texts : cases) {
        SCOPED_TRACE(texts.empty() ? std::string("only items") : texts.front().toStdString());
        cSheet sheet;
        cSheetModel& m = *sheet.Sheet();
        int r = 0;
        for (; r < 600; ++r)
            m.SetCellValue(r, 0, QStringLiteral("Item 0-%1").arg(r, 4, 10, QLatin1Char('0')));
        m.ApplyStyle(cSheetRange { 0, 0, 0, 0 }, [](cSheetModel::cCellStyle& s) {
            s.blnBold = true;
            s.dblFontSize = 13;
        });
        for (const QString& t : texts)
            m.SetCellValue((r++ * 3 + 550) % 600, 0, t);
        sheet.AutoFitColumns(cSheetRange::fncParse(QStringLiteral("A:A")));
        const int padding
            = 2 * sheet.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &sheet) + 8;
        int width = std::max(16, sheet.horizontalHeader()->minimumSectionSize());
        for (int row = 0; row <= m.UsedRange()->intBottom; ++row) {
            const QVariant f = m.data(m.index(row, 0), Qt::FontRole);
            const QFontMetrics fm(f.isValid() ? f.value<QFont>() : sheet.font());
            if (!m.fncDisplayText(row, 0).isEmpty())
                width = std::max(width, fm.horizontalAdvance(m.fncDisplayText(row, 0)) + padding);
        }
        EXPECT_EQ(sheet.ColumnWidthOf(0), width);
    }

    // Numbers, check marks and empty columns.
    cSheet sheet;
    cSheetModel* m = sheet.Sheet();
    for (int r = 1; r < 300; ++r) {
        m->SetCellValue(r, 0, 1000.0 + r / 7.0);
        m->SetCellValue(r, 1, QString(QChar(r % 2 ? chrChecked : chrUnchecked)));
    }
    m->ApplyStyle(
        cSheetRange { 0, 1, 299, 1 }, [](cSheetModel::cCellStyle& s) { s.blnCheckMark = true; });
    sheet.AutoFitColumns(cSheetRange::fncParse(QStringLiteral("A:C")));
    const int padding
        = 2 * sheet.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &sheet) + 8;
    int widest = 0;
    for (int r = 1; r < 300; ++r)
        widest = std::max(widest, sheet.fontMetrics().horizontalAdvance(m->fncDisplayText(r, 0)));
    const int narrowest = std::max(16, sheet.horizontalHeader()->minimumSectionSize());
    EXPECT_EQ(sheet.ColumnWidthOf(0), widest + padding);
    EXPECT_EQ(sheet.ColumnWidthOf(1),
        std::max(
            narrowest, sheet.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &sheet) + 8))
        << "a check mark is as wide as its box, not as its text";
    EXPECT_EQ(sheet.ColumnWidthOf(2), narrowest) << "an empty column keeps the narrowest width";
}
} // namespace
