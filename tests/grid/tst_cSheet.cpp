#include "TestSupport.h"
#include "cSheet.h"

#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

namespace {

class SheetWidget : public testing::Test
{
protected:
    void SetUp() override
    {
        sheet.resize(600, 400);
        sheet.Sheet()->SetViewableRange(cSheetRange::fncParse(QStringLiteral("A1:G50")));
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    }
    QRect cellRect(int r, int c) { return sheet.visualRect(sheet.Sheet()->index(r, c)); }
    // The open cell editor; closed ones linger until deleted later.
    QLineEdit* editor()
    {
        const auto all = sheet.findChildren<QLineEdit*>();
        for (QLineEdit* e : all) {
            if (e->isVisible())
                return e;
        }
        return nullptr;
    }
    // Enter in an editor commits through a queued call.
    void pressEnter(QLineEdit* e, Qt::Key key = Qt::Key_Return)
    {
        QTest::keyClick(e, key);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    cSheet sheet;
};

TEST_F(SheetWidget, ClickAndSpaceToggleCheckMarksAndHiddenRowsAndColumnsStayAddressable)
{
    cSheetModel* m = sheet.Sheet();
    m->ApplyStyle(
        cSheetRange::fncParse(QStringLiteral("G2:G50")), [](auto& s) { s.blnCheckMark = true; });
    m->SetCellValue(1, 0, QStringLiteral("Acme"));
    QTest::mouseClick(
        sheet.viewport(), Qt::LeftButton, {}, cellRect(1, 6).topLeft() + QPoint(2, 2));
    EXPECT_TRUE(m->isChecked(1, 6)) << "a click beside the box only selects the cell";
    EXPECT_EQ(sheet.currentIndex(), m->index(1, 6));
    QTest::mouseClick(sheet.viewport(), Qt::LeftButton, {}, cellRect(1, 6).center());
    EXPECT_FALSE(m->isChecked(1, 6)) << "an empty (checked) box unchecks on the first click";
    sheet.setCurrentIndex(m->index(1, 6));
    QTest::keyClick(&sheet, Qt::Key_Space);
    EXPECT_TRUE(m->isChecked(1, 6));
    EXPECT_EQ(editor(), nullptr) << "no text editor on a check mark";
    QTest::mouseClick(sheet.viewport(), Qt::LeftButton, {}, cellRect(2, 6).center());
    EXPECT_TRUE(m->isCellEmpty(2, 6)) << "an empty row has no box to toggle";

    // A zero width hides a column; the viewable range limits rows and columns.
    sheet.SetColumnWidth(cSheetRange::fncParse(QStringLiteral("D:F")), 0);
    EXPECT_TRUE(sheet.isColumnHidden(4));
    EXPECT_EQ(sheet.ColumnWidthOf(4), 0);
    sheet.SetColumnWidth(cSheetRange::fncParse(QStringLiteral("E:E")), 100);
    EXPECT_EQ(sheet.ColumnWidthOf(4), 100);
    sheet.Sheet()->SetViewableRange(cSheetRange::fncParse(QStringLiteral("B2:C4")));
    EXPECT_EQ(sheet.Sheet()->rowCount(), 4);
    EXPECT_EQ(sheet.Sheet()->columnCount(), 3);
    EXPECT_TRUE(sheet.isRowHidden(0));
    EXPECT_TRUE(sheet.isColumnHidden(0));
    EXPECT_FALSE(sheet.isRowHidden(1));
    sheet.Sheet()->SetCellValue(20, 0, QStringLiteral("still addressable"));
    EXPECT_EQ(sheet.Sheet()->Value(20, 0), QVariant(QStringLiteral("still addressable")));
}

TEST_F(SheetWidget, TypingEditsAndEnterMovesDownOrRightButRefusesUnsupportedFormulas)
{
    cSheetModel* m = sheet.Sheet();
    sheet.setCurrentIndex(m->index(1, 0));
    QTest::keyClick(&sheet, 'a');
    auto* ed = editor();
    ASSERT_NE(ed, nullptr) << "typing starts an editor";
    EXPECT_EQ(ed->text(), QStringLiteral("a"));
    QTest::keyClicks(ed, QStringLiteral("cme"));
    pressEnter(ed);
    EXPECT_EQ(m->Value(1, 0).toString(), QStringLiteral("acme"));
    EXPECT_EQ(sheet.currentIndex(), m->index(2, 0));
    sheet.SetEnterMovesRight(true);
    QTest::keyClick(&sheet, Qt::Key_F2);
    ed = editor();
    ASSERT_NE(ed, nullptr);
    ed->setText(QStringLiteral("17"));
    pressEnter(ed, Qt::Key_Enter);
    EXPECT_EQ(m->Value(2, 0).toDouble(), 17.0);
    EXPECT_EQ(sheet.currentIndex(), m->index(2, 1));
    // A formula it cannot compute is refused with a message.
    sheet.setCurrentIndex(m->index(1, 0));
    QTest::keyClick(&sheet, Qt::Key_F2);
    ed = editor();
    ASSERT_NE(ed, nullptr);
    ed->setText(QStringLiteral("=SUM(B1:B3)"));
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    pressEnter(ed);
    ASSERT_EQ(cMessageBox::history().size(), 1);
    EXPECT_TRUE(cMessageBox::history().first().strText.contains(QStringLiteral("=SUM(B1:B3)")));
    EXPECT_EQ(m->Value(1, 0), QVariant(QStringLiteral("acme")));
}
// The list layout the settings window uses: one heading row, names as text, a number column,
// a hidden identifier column.
class SheetEditing : public SheetWidget
{
protected:
    void SetUp() override
    {
        SheetWidget::SetUp();
        cSheetModel* m = sheet.Sheet();
        m->SetCellValue(0, 0, QStringLiteral("Name"));
        m->ApplyStyle(cSheetRange::fncParse(QStringLiteral("A2:B50")),
            [](auto& s) { s.numberFormat = cSheetModel::eNumberFormat::Text; });
        m->ApplyStyle(cSheetRange::fncParse(QStringLiteral("D2:D50")),
            [](auto& s) { s.numberFormat = cSheetModel::eNumberFormat::Number; });
        sheet.SetColumnWidth(cSheetRange::fncParse(QStringLiteral("C:C")), 0);
        sheet.SetFrozenRows(1);
        sheet.setFocus();
    }
    cSheetModel& m() { return *sheet.Sheet(); }
    QStringList column(int intCol, int intRows)
    {
        QStringList out;
        for (int r = 1; r <= intRows; ++r)
            out.append(m().fncDisplayText(r, intCol));
        return out;
    }
    void keys(Qt::Key k, Qt::KeyboardModifiers mods = Qt::ControlModifier)
    {
        QTest::keyClick(&sheet, k, mods);
    }
};

// A block from a spreadsheet or a text file lands from the current cell on, in the visible
// columns, each cell cleaned as typing cleans it; undo and redo take it back and forth. A block
// that a cell refuses changes nothing.
TEST_F(SheetEditing, PasteOfABlockAndItsUndoAndRedo)
{
    m().SetCellValue(1, 2, QStringLiteral("hidden"));
    sheet.setCurrentIndex(m().index(1, 0));
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    QGuiApplication::clipboard()->setText(QStringLiteral("Acme\tNorth\tlots\n"));
    keys(Qt::Key_V);
    EXPECT_EQ(cMessageBox::history().size(), 1);
    EXPECT_TRUE(m().isCellEmpty(1, 0));
    EXPECT_FALSE(sheet.UndoStack().canUndo());
    QGuiApplication::clipboard()->setText(QStringLiteral(
        "Acme\tNorth\t12,5\tx\r\nBeta\u000b2\tSouth\u0001\t7\t\r\n0042\tWest\t\ty\r\n"));
    keys(Qt::Key_V);
    EXPECT_EQ(column(0, 4), QStringList({ "Acme", "Beta 2", "0042", "" }));
    EXPECT_EQ(column(1, 3), QStringList({ "North", "South", "West" }));
    EXPECT_DOUBLE_EQ(m().Value(1, 3).toDouble(), 12.5);
    EXPECT_EQ(column(4, 3), QStringList({ "x", "", "y" }));
    EXPECT_EQ(m().Value(1, 2).toString(), QStringLiteral("hidden")) << "hidden columns are skipped";
    // Copied back the same way: visible cells only, no empty rows below the last item.
    keys(Qt::Key_A);
    keys(Qt::Key_C);
    EXPECT_EQ(QGuiApplication::clipboard()->text().section(QLatin1Char('\n'), 1),
        QStringLiteral("Acme\tNorth\t12.5\tx\t\t\nBeta 2\tSouth\t7\t\t\t\n0042\tWest\t\ty\t\t\n"));

    keys(Qt::Key_Z);
    EXPECT_EQ(column(0, 3), QStringList({ "", "", "" }));
    EXPECT_TRUE(m().isCellEmpty(1, 3));
    keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(column(0, 3), QStringList({ "Acme", "Beta 2", "0042" }));

    // Delete of a block and its undo.
    sheet.SelectRange(cSheetRange::fncParse(QStringLiteral("A2:E3")));
    keys(Qt::Key_Delete, {});
    EXPECT_EQ(column(0, 3), QStringList({ "", "", "0042" }));
    EXPECT_EQ(m().Value(1, 2).toString(), QStringLiteral("hidden"));
    keys(Qt::Key_Z);
    EXPECT_EQ(column(0, 3), QStringList({ "Acme", "Beta 2", "0042" }));
    keys(Qt::Key_Y);
    EXPECT_EQ(column(0, 3), QStringList({ "", "", "0042" }));

    // A check-mark column takes a copied box, or a mark meaning no, as unticked.
    m().ApplyStyle(
        cSheetRange::fncParse(QStringLiteral("F2:F6")), [](auto& s) { s.blnCheckMark = true; });
    sheet.setCurrentIndex(m().index(1, 5));
    QGuiApplication::clipboard()->setText(QStringLiteral("FALSE\n0\n\u2610\n\u00a8\nyes\n"));
    keys(Qt::Key_V);
    EXPECT_EQ(column(5, 5), QStringList({ "\u2610", "\u2610", "\u2610", "\u2610", "\u2611" }));

    // A paste into an open editor takes only the first line.
    sheet.setCurrentIndex(m().index(1, 0));
    QTest::keyClick(&sheet, Qt::Key_F2);
    QLineEdit* ed = editor();
    ASSERT_NE(ed, nullptr);
    QGuiApplication::clipboard()->setText(QStringLiteral("One\tTwo\r\nThree\n"));
    QTest::keyClick(ed, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ed->text(), QStringLiteral("One Two"));
}

// Rows move with every column, hidden ones too, and Ctrl+keys stop at the first and last item
// rather than at the end of the empty rows.
TEST_F(SheetEditing, RowsSortingAndCtrlMovesKeepTheItemsTogether)
{
    QLocale::setDefault(QLocale(QLocale::German));
    const QStringList names = { "Zeta", "\u00c4pfel", "birne", "Apfel" };
    for (int i = 0; i < names.size(); ++i) {
        m().SetCellValue(1 + i, 0, names.at(i));
        m().SetCellValue(1 + i, 2, i);
    }
    EXPECT_TRUE(sheet.fncUserSortColumn(0, Qt::AscendingOrder));
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(column(0, 4), QStringList({ "Apfel", "\u00c4pfel", "birne", "Zeta" }));
    EXPECT_EQ(column(2, 4), QStringList({ "3", "1", "2", "0" }))
        << "the hidden column went with its row";

    sheet.setCurrentIndex(m().index(2, 1));
    keys(Qt::Key_Plus);
    EXPECT_EQ(column(0, 5), QStringList({ "Apfel", "", "\u00c4pfel", "birne", "Zeta" }));
    EXPECT_EQ(column(2, 5), QStringList({ "3", "", "1", "2", "0" }));
    keys(Qt::Key_Minus);
    keys(Qt::Key_Minus);
    EXPECT_EQ(column(0, 4), QStringList({ "Apfel", "birne", "Zeta", "" }));
    keys(Qt::Key_Z);
    EXPECT_EQ(column(0, 4), QStringList({ "Apfel", "\u00c4pfel", "birne", "Zeta" }));

    // An item in the last row is never pushed off: the row is refused, or added where the
    // owner of the sheet can add rows.
    m().SetCellValue(49, 0, QStringLiteral("Last"));
    keys(Qt::Key_Plus);
    EXPECT_EQ(m().Value(49, 0).toString(), QStringLiteral("Last"));
    sheet.SetRowAdder([this](int intLastRow) {
        m().SetViewableRange({ 0, 0, intLastRow, 6 });
        return true;
    });
    sheet.setCurrentIndex(m().index(2, 1));
    keys(Qt::Key_Plus);
    EXPECT_EQ(m().Value(50, 0).toString(), QStringLiteral("Last"));
    EXPECT_TRUE(m().isCellEmpty(2, 0));
    keys(Qt::Key_Z);
    EXPECT_EQ(column(0, 4), QStringList({ "Apfel", "\u00c4pfel", "birne", "Zeta" }));
    m().SetCellValue(49, 0, QVariant());
    sheet.setCurrentIndex(m().index(2, 1));

    keys(Qt::Key_End);
    EXPECT_EQ(sheet.currentIndex(), m().index(4, 6));
    keys(Qt::Key_Home);
    EXPECT_EQ(sheet.currentIndex(), m().index(1, 0));
    keys(Qt::Key_Down);
    EXPECT_EQ(sheet.currentIndex(), m().index(4, 0));
    keys(Qt::Key_Up);
    EXPECT_EQ(sheet.currentIndex(), m().index(1, 0));
}

} // namespace
