#pragma once

#include "cSheetModel.h"

#include <QSet>
#include <QTableView>

class cCheckMarkDelegate;

// The sheet widget: a table view over cSheetModel with A1 addressing, column widths and
// auto-fit, frozen heading rows, hidden rows of the auto filter, check-mark cells that a click
// or the space bar toggles, and Enter moving down or right.
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

    void SetRightEdgeDash(int intCol) { m_rightDash.insert(intCol); viewport()->update(); }
    void SetTopEdgeDash(int intRow) { m_topDash.insert(intRow); viewport()->update(); }
    bool fncRightEdgeDash(int intCol) const { return m_rightDash.contains(intCol); }
    bool fncTopEdgeDash(int intRow) const { return m_topDash.contains(intRow); }
    void ClearEdgeDashes();

    void SetHeadingsVisible(bool blnColumns, bool blnRows);
    void SetEnterMovesRight(bool blnRight) { m_blnEnterMovesRight = blnRight; }
    bool EnterMovesRight() const { return m_blnEnterMovesRight; }
    // When on (the default) the sheet toggles check marks itself; a wrapper that toggles them
    // its own way turns this off and listens to checkMarkActivated.
    void SetAutoToggle(bool blnOn) { m_blnAutoToggle = blnOn; }

    void SelectRange(const cSheetRange& range);
    // The selected block (the current cell when nothing is selected).
    cSheetRange fncSelection() const;

    // Asks before nothing: returns false when the protection forbids the operation.
    bool fncUserInsertRows(int intRow, int intCount = 1);
    bool fncUserDeleteRows(int intRow, int intCount = 1);
    bool fncUserInsertColumns(int intCol, int intCount = 1);
    bool fncUserDeleteColumns(int intCol, int intCount = 1);
    bool fncUserSortColumn(int intCol, Qt::SortOrder order);

signals:
    void checkMarkActivated(int intRow, int intCol);

protected:
    void keyPressEvent(QKeyEvent* event) override;
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

    cSheetModel* m_model;
    cCheckMarkDelegate* m_delegate;
    QTableView* m_frozen = nullptr;
    int m_intFrozenRows = 0;
    QSet<int> m_rightDash;
    QSet<int> m_topDash;
    bool m_blnEnterMovesRight = false;
    bool m_blnAutoToggle = true;
};
