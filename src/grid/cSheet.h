#pragma once

#include "cSheetModel.h"

#include <QPointer>
#include <QSet>
#include <QTableView>
#include <QUndoStack>
#include <functional>
#include <memory>

class cCheckMarkDelegate;

// The sheet widget: a table view over cSheetModel with A1 addressing, column widths and
// auto-fit, frozen heading rows, hidden rows of the auto filter, check-mark cells that a click
// on the box or the space bar toggles, and Enter moving down or right. What the user changes
// (typing, clearing, pasting, rows, sorting, check marks) is one undo step each; a refill of
// the sheet (a new viewable range) starts a new history. Ctrl+Tab and Ctrl+Shift+Tab leave it.
class cSheet : public QTableView
{
    Q_OBJECT

public:
    explicit cSheet(QWidget* parent = nullptr);
    ~cSheet() override;

    cSheetModel* Sheet() const { return m_model; }

    // Width in pixels; 0 hides the columns.
    void SetColumnWidth(const cSheetRange& range, int intWidth);
    int ColumnWidthOf(int intCol) const;
    void AutoFitColumns(const cSheetRange& range);

    // Rows above intRow stay in view while the rest scrolls; 0 unfreezes. The view that holds
    // them exists while the sheet is shown.
    void SetFrozenRows(int intRows);
    int FrozenRows() const { return m_intFrozenRows; }

    void SetRightEdgeDash(int intCol)
    {
        m_rightDash.insert(intCol);
        viewport()->update();
    }
    void SetTopEdgeDash(int intRow)
    {
        m_topDash.insert(intRow);
        viewport()->update();
    }
    bool fncRightEdgeDash(int intCol) const { return m_rightDash.contains(intCol); }
    bool fncTopEdgeDash(int intRow) const { return m_topDash.contains(intRow); }
    void ClearEdgeDashes();

    void SetHeadingsVisible(bool blnColumns, bool blnRows);
    void SetEnterMovesRight(bool blnRight) { m_blnEnterMovesRight = blnRight; }
    bool EnterMovesRight() const { return m_blnEnterMovesRight; }

    void SelectRange(const cSheetRange& range);
    // The selected block (the current cell when nothing is selected).
    cSheetRange fncSelection() const;

    // Asks before nothing: returns false when the protection forbids the operation.
    bool fncUserInsertColumns(int intCol, int intCount = 1);
    bool fncUserDeleteColumns(int intCol, int intCount = 1);

    // Rows of items below the heading rows move within the viewable range; values only, so
    // every row keeps the formats of its place. False when a row would be pushed off the
    // range or a cell moved is locked.
    bool fncUserInsertRows(int intRow, int intCount = 1);
    bool fncUserDeleteRows(int intRow, int intCount = 1);
    // Sorts the rows of items by one column; the other columns, hidden ones too, go with them.
    bool fncUserSortColumn(int intCol, Qt::SortOrder order);
    // Clears the visible, unlocked cells of a block (never a check mark or a formula).
    void UserClear(const cSheetRange& range);
    // Typed text for one cell; false when the cell refuses it (the reason waits for the editor).
    bool fncUserEnter(int intRow, int intCol, const QString& strText);
    // The visible cells of a block as tab-separated lines, as spreadsheets exchange them.
    QString fncBlockText(const cSheetRange& range) const;
    // Pastes tab-separated lines from the current cell on, into visible columns and rows; all
    // or nothing: a cell that refuses its text leaves the sheet as it was and says why.
    bool fncUserPaste(const QString& strText);
    // Asked for rows down to the given one when a paste or an inserted row needs more than the
    // viewable range holds; true when it made them (the sheet may be refilled, its history
    // starts anew).
    void SetRowAdder(std::function<bool(int intLastRow)> fncAddRows)
    {
        m_fncAddRows = std::move(fncAddRows);
    }
    void CopySelection() const;
    void CutSelection();
    void PasteClipboard();
    QUndoStack& UndoStack() { return *m_undo; }
    // The undo history of the cells shown, handed out when they make way for others (another
    // list) and handed back when those cells are shown again: it is taken up again only when
    // the visible cells of its range read as they did when it was handed out.
    struct cHistory
    {
        std::unique_ptr<QUndoStack> stack;
        cSheetRange range;
        QString strShown;
    };
    std::unique_ptr<cHistory> TakeHistory(const cSheetRange& range);
    void RestoreHistory(std::unique_ptr<cHistory> history);

    // Writes an open cell editor into its cell and closes it. False when the cell refuses the
    // text: the editor stays open and the reason is shown.
    bool fncCommitEditor();
    bool isEditing() const;
    // The first and last row of items (below the frozen heading rows; -1 for an empty sheet).
    int FirstItemRow() const { return m_intFrozenRows; }
    int LastItemRow() const;

signals:
    // Any change the user made (typed, cleared, pasted, undone...), not the program's fills.
    void userChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void subApplyViewable();
    void subApplyFilter();
    void subUpdateFrozenGeometry();
    void subShowColumnMenu(const QPoint& pos);
    void subShowRowMenu(const QPoint& pos);
    void subRejectedInput(const QString& strReason);
    friend class cCheckMarkDelegate;
    // An edit the cell refused: the editor stays open with focus, the reason is shown once per
    // text typed.
    void subRefused(QWidget* editor);
    void subLeave(bool blnNext);
    // The keys of a spreadsheet on the current cell (not in an editor); false for other keys.
    bool fncCellKey(QKeyEvent* event);
    void subAttachHistory();
    void subMoveTo(int intRow, int intCol);
    bool fncUserEdit(
        const cSheetRange& range, const QString& strText, const std::function<bool()>& change);
    int fncVisibleColumnAfter(int intCol, int intStep) const;

    cSheetModel* m_model;
    cCheckMarkDelegate* m_delegate;
    QTableView* m_frozen = nullptr;
    int m_intFrozenRows = 0;
    QSet<int> m_rightDash;
    QSet<int> m_topDash;
    bool m_blnEnterMovesRight = false;
    std::unique_ptr<QUndoStack> m_undo;
    bool m_blnClearingHistory = false;
    std::function<bool(int)> m_fncAddRows;
    QString m_strRefusal;
    QPointer<QWidget> m_refusedEditor;
    QString m_strRefusedText;
};
