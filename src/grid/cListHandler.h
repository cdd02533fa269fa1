#pragma once

#include "cDictionary.h"
#include "cSheet.h"
#include "frmTimer.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariant>

class QPrinter;

// The list wrapper the settings window drives: puts a sheet on a window and offers the
// operations on it by A1 addresses, and turns the moving selection into SelectionChange.
class cListHandler : public QObject
{
    Q_OBJECT

public:
    explicit cListHandler(QObject* parent = nullptr);
    ~cListHandler() override;

    QPointer<QWidget> List; // the sheet as placed on the window
    QPointer<cSheet> ObjectList;
    cSheetModel* CurrSheet = nullptr;
    QString ListName;
    bool NoXP = false;
    qint16 Top = 250; // twips, as the window's coordinates are given
    qint16 LeftPos = 310;
    qint16 Height = 6500;
    QString SelectedCell;
    qint16 Row = 0;
    qint16 Column = 0;
    // There is one sheet and one object model; column widths take the older component's unit
    // (pixels), so XP stays false and no width is scaled by 0.1384.
    bool XP = false;
    bool Checkboxes = false;
    QString CheckBoxCol;

    void AddToForm(QWidget* frmForm);
    void SetBold(const QString& A, bool BoldFont);
    void LockRange(const QString& A, bool OpenLock);
    void subSetDefaults();
    void SetExcelVisible(bool ExcelVisible);
    void ColHeaders(bool v);
    void RowHeaders(bool v);
    void SetVisibleRange(const QString& A);
    QList<QList<QVariant>> fncGetRangeArray(const QString& CountCellRef, const QString& strColDef);
    int UsedRows(const QString& CountCellRef);
    cDictionary<QVariant> fncGetRangeDic(const QString& CountCellRef, const QString& strColDef);
    void SortRange();
    void FreezePanes(const QString& A);
    void FixHorizontalAlign(const QString& objRange, int intAlign);
    void CenterAlign(const QString& A);
    void AutoFitCols(const QString& A);
    void SetFont(const QString& A, const QString& FontName);
    void RightEdgeColDash(const QString& objRange);
    void TopEdgeRowDash(const QString& objRange);
    void DisplayVerticalScroll(bool v);
    void DisplayHorizontalScroll(bool v);
    void SetChecked(const QString& A, bool blnState);
    bool GetChecked(const QString& A);
    void SetCheckedColumn(const QString& A);
    void SetValue(const QString& A, const QVariant& vNewValue);
    QVariant GetValue(const QString& A, int intDataType);
    void SelectCell(const QString& A);
    void SetColumnWidth(const QString& A, int Width);
    void SetDateFormat(const QString& A);
    void SetTextFormat(const QString& A);
    void SetNumberFormat(const QString& A);
    // Cells that take decimal numbers only and refuse anything else where it is typed.
    void SetDecimalFormat(const QString& A);
    void SetInteriorColor(const QString& A, const QColor& Color, bool blnClearBorders);
    QColor GetInteriorColor(const QString& A);
    void EditMode(bool blnState);
    QString fncGetSel();
    void RaiseEventsEnabled(bool blnState);
    void Visible(bool v);
    bool Visible() const { return m_blnVisible; }
    void ClearAll();
    void SetDicList(const cDictionary<QVariant>& DicList);
    // Prints onto objIE when given (a PDF printer in tests), else through the file printing of
    // the system.
    void PrintSheet(QPrinter* objIE = nullptr);
    qint16 Width() const { return m_intWidth; }
    void Width(qint16 intWidth);
    void MoveRight();
    void AutoFilter(bool blnState);
    void SetFormula(const QString& A, const QString& Formula);

    // The file PrintSheet writes before printing.
    static QString fncPrintFilePath();
    // One selection poll, as the timer runs it every 500 ms.
    void subPollSelection();

signals:
    void SelectionChange(QString& Address);

private:
    cSheetModel& sheet() const;
    void subApplyGeometry();
    static QVariant fncCleanValue(const QVariant& v);

    qint16 m_intWidth = 7000;
    bool m_blnVisible = true;
    bool m_blnEventsOn = false;
    int m_intEditDepth = 0;
    bool m_blnWasProtected = false;
    frmTimer* m_timer = nullptr;
};
