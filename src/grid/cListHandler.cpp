#include "cListHandler.h"

#include "cCurrency.h"
#include "cHVError.h"
#include "modErrorHandling.h"
#include "modFileHandling.h"

#include <QDir>
#include <QHeaderView>
#include <QLocale>
#include <QPrinter>
#include <QTextDocument>

namespace {
constexpr int intTwipsPerPixel = 15;

QString fncTypeName(const QVariant& v)
{
    if (!v.isValid())
        return QStringLiteral("Empty");
    if (v.isNull())
        return QStringLiteral("Null");
    if (v.canConvert<cCurrency>() && v.typeId() == qMetaTypeId<cCurrency>())
        return QStringLiteral("Currency");
    switch (v.typeId()) {
    case QMetaType::QString:
        return QStringLiteral("String");
    case QMetaType::Short:
    case QMetaType::UShort:
        return QStringLiteral("Integer");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return QStringLiteral("Long");
    case QMetaType::Float:
        return QStringLiteral("Single");
    case QMetaType::Double:
        return QStringLiteral("Double");
    case QMetaType::Bool:
        return QStringLiteral("Boolean");
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return QStringLiteral("Date");
    default:
        return QString::fromLatin1(v.typeName());
    }
}

} // namespace

cListHandler::cListHandler(QObject* parent)
    : QObject(parent)
{
}

cListHandler::~cListHandler()
{
    if (m_timer)
        m_timer->TimerEnabled(false);
}

cSheetModel& cListHandler::sheet() const
{
    if (!CurrSheet)
        throw cHVError(lngObjectError + 3010, QStringLiteral("cListHandler"),
            QStringLiteral("The list ") + ListName
                + QStringLiteral(" has not been placed on a window"));
    return *CurrSheet;
}

void cListHandler::AddToForm(QWidget* frmForm)
{
    // One sheet of our own takes the place of every component version, so creation cannot fall
    // back to another one; XP stays false (see the member).
    auto* s = new cSheet(frmForm);
    s->setObjectName(ListName);
    s->setAccessibleName(ListName);
    List = s;
    ObjectList = s;
    CurrSheet = s->Sheet();
    XP = false;
    subSetDefaults();
    SetExcelVisible(false);
    FreezePanes(QStringLiteral("A2"));
}

void cListHandler::SetBold(const QString& A, bool BoldFont)
{
    sheet().ApplyStyle(cSheetRange::fncParse(A), [BoldFont](auto& s) { s.blnBold = BoldFont; });
}

void cListHandler::LockRange(const QString& A, bool OpenLock)
{
    sheet().ApplyStyle(cSheetRange::fncParse(A), [OpenLock](auto& s) { s.blnLocked = !OpenLock; });
}

void cListHandler::subSetDefaults()
{
    cSheetModel& m = sheet();
    const cSheetRange heading = cSheetRange::fncParse(QStringLiteral("1:1"));
    m.ApplyStyle(heading, [](auto& s) {
        s.colBackground = QColor(236, 233, 216);
        s.blnBold = true;
    });
    m.ApplyStyle(cSheetRange::fncParse(QStringLiteral("1:1999")), [](auto& s) {
        s.strFontName = QStringLiteral("Tahoma");
        s.dblFontSize = 8;
    });
    m.SetFormula(cSheetRange::fncParse(QStringLiteral("F1")), QStringLiteral("=Counta(A1:A10000)"));
    LockRange(QStringLiteral("A1:F2000"), true);
    LockRange(QStringLiteral("A1:F1"), false);
    auto& p = m.Protection();
    p.blnAllowDeletingColumns = false;
    p.blnAllowInsertingColumns = false;
    p.blnAllowInsertingRows = false;
    p.blnAllowFiltering = true;
    p.blnAllowSorting = true;
    p.blnAllowFormattingColumns = true;
    p.blnAllowFormattingRows = true;
    m.SetProtected(true);
    if (ObjectList)
        ObjectList->horizontalHeader()->setSectionsMovable(false);
    subApplyGeometry();
}

void cListHandler::subApplyGeometry()
{
    if (!List)
        return;
    List->setGeometry(LeftPos / intTwipsPerPixel, Top / intTwipsPerPixel,
        m_intWidth / intTwipsPerPixel, Height / intTwipsPerPixel);
    List->setVisible(m_blnVisible);
}

void cListHandler::SetExcelVisible(bool ExcelVisible)
{
    ColHeaders(ExcelVisible);
    RowHeaders(ExcelVisible);
    DisplayVerticalScroll(ExcelVisible);
    DisplayHorizontalScroll(ExcelVisible);
}

void cListHandler::ColHeaders(bool v)
{
    if (ObjectList)
        ObjectList->SetHeadingsVisible(v, ObjectList->verticalHeader()->isVisible());
}

void cListHandler::RowHeaders(bool v)
{
    if (ObjectList)
        ObjectList->SetHeadingsVisible(ObjectList->horizontalHeader()->isVisible(), v);
}

void cListHandler::SetVisibleRange(const QString& A)
{
    try {
        // The protection stays: the heading row and the count cell are locked for good.
        sheet().SetViewableRange(cSheetRange::fncParse(A));
    } catch (...) {
        subHandleCurrentException(QStringLiteral("SetVisibleRange"));
    }
}

QVariant cListHandler::fncCleanValue(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    if (v.typeId() == QMetaType::QString) {
        const QString t = v.toString();
        // A leading sign would turn the text into a number or formula where it is read back.
        if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+')))
            return QString(QLatin1Char('\'') + t);
    }
    return v;
}

int cListHandler::UsedRows(const QString& CountCellRef)
{
    const cSheetRange cell = cSheetRange::fncParse(CountCellRef);
    const QVariant v = sheet().Value(cell.intTop, cell.intLeft);
    bool ok = false;
    const int count = v.toInt(&ok);
    // A count cell without its formula reads as no rows rather than minus one.
    return ok && count > 0 ? count - 1 : 0;
}

QList<QList<QVariant>> cListHandler::fncGetRangeArray(
    const QString& CountCellRef, const QString& strColDef)
{
    QList<QList<QVariant>> rows;
    try {
        subLog(QStringLiteral("Entering fncGetRangeArray"));
        const int n = UsedRows(CountCellRef);
        if (n > 0) {
            EditMode(true);
            sheet().SortRange(
                cSheetRange::fncParse(QStringLiteral("a2:") + strColDef + QStringLiteral("1000")),
                0);
            EditMode(false);
            const cSheetRange r
                = cSheetRange::fncParse(QStringLiteral("a2:") + strColDef + QString::number(n + 1));
            rows.reserve(r.Rows());
            for (int row = r.intTop; row <= r.intBottom; ++row) {
                QList<QVariant> line;
                line.reserve(r.Columns());
                for (int col = r.intLeft; col <= r.intRight; ++col)
                    line.append(fncCleanValue(sheet().Value(row, col)));
                rows.append(line);
            }
        }
    } catch (...) {
        subHandleCurrentException(QStringLiteral("fncGetRangeArray"));
    }
    return rows;
}

cDictionary<QVariant> cListHandler::fncGetRangeDic(
    const QString& CountCellRef, const QString& strColDef)
{
    cDictionary<QVariant> dic = fncCreateDic<QVariant>();
    try {
        subLog(QStringLiteral("Entering fncGetRangeDic"));
        const int n = UsedRows(CountCellRef);
        if (n >= 1) {
            sheet().SortRange(
                cSheetRange::fncParse(QStringLiteral("a2:") + strColDef + QStringLiteral("1000")),
                0);
            for (int row = 1; row <= n; ++row) {
                const QVariant v = fncCleanValue(sheet().Value(row, 0));
                const QString key = v.toString();
                if (!dic.Exists(key))
                    dic.Add(key, v);
            }
        }
    } catch (...) {
        subHandleCurrentException(QStringLiteral("fncGetRangeDic"));
    }
    return dic;
}

void cListHandler::SortRange()
{
    try {
        sheet().SortRange(cSheetRange::fncParse(QStringLiteral("A2:d1000")), 0);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("subSortRange"));
    }
}

void cListHandler::FreezePanes(const QString& A)
{
    const cSheetRange r = cSheetRange::fncParse(A);
    if (!ObjectList)
        return;
    // Only rows are frozen: the lists keep their heading row in view; columns scroll.
    ObjectList->SetFrozenRows(r.intTop == 0 && r.intLeft == 0 ? 0 : r.intTop);
}

void cListHandler::FixHorizontalAlign(const QString& objRange, int intAlign)
{
    using eAlign = cSheetModel::eAlign;
    const eAlign a = intAlign == 1 ? eAlign::Left
        : intAlign == 2            ? eAlign::Center
        : intAlign == 3            ? eAlign::Right
                                   : eAlign::General;
    sheet().ApplyStyle(cSheetRange::fncParse(objRange), [a](auto& s) { s.align = a; });
}

void cListHandler::CenterAlign(const QString& A)
{
    FixHorizontalAlign(A, 2);
}

void cListHandler::AutoFitCols(const QString& A)
{
    const cSheetRange r = cSheetRange::fncParse(A);
    if (ObjectList)
        ObjectList->AutoFitColumns(r);
}

void cListHandler::SetFont(const QString& A, const QString& FontName)
{
    sheet().ApplyStyle(
        cSheetRange::fncParse(A), [&FontName](auto& s) { s.strFontName = FontName; });
}

void cListHandler::RightEdgeColDash(const QString& objRange)
{
    const cSheetRange r = cSheetRange::fncParse(objRange);
    if (ObjectList)
        ObjectList->SetRightEdgeDash(r.intRight);
}

void cListHandler::TopEdgeRowDash(const QString& objRange)
{
    const cSheetRange r = cSheetRange::fncParse(objRange);
    if (ObjectList)
        ObjectList->SetTopEdgeDash(r.intTop);
}

void cListHandler::DisplayVerticalScroll(bool v)
{
    if (ObjectList)
        ObjectList->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void cListHandler::DisplayHorizontalScroll(bool v)
{
    if (ObjectList)
        ObjectList->setHorizontalScrollBarPolicy(
            v ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void cListHandler::SetChecked(const QString& A, bool blnState)
{
    try {
        subLog(QStringLiteral("Setting checkbox value of cells: ") + A
            + QStringLiteral(" to the value ")
            + (blnState ? QStringLiteral("True") : QStringLiteral("False")));
        sheet().SetValue(cSheetRange::fncParse(A), fncCheckMarkText(blnState));
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cListHandler.SetChecked"));
    }
}

bool cListHandler::GetChecked(const QString& A)
{
    try {
        subLog(QStringLiteral("Reading the value of cell ") + A);
        const cSheetRange r = cSheetRange::fncParse(A);
        return sheet().isChecked(r.intTop, r.intLeft);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cListHandler.GetChecked"));
    }
}

void cListHandler::SetCheckedColumn(const QString& A)
{
    const cSheetRange r = cSheetRange::fncParse(A);
    // The check boxes are drawn by the sheet itself, so no symbol font is set.
    sheet().ApplyStyle(r, [](auto& s) {
        s.blnCheckMark = true;
        s.align = cSheetModel::eAlign::Center;
    });
    RaiseEventsEnabled(true);
    Checkboxes = true;
    CheckBoxCol = A.trimmed().remove(QLatin1Char('$')).left(1).toUpper();
}

void cListHandler::SetValue(const QString& A, const QVariant& vNewValue)
{
    try {
        subLog(QStringLiteral("Setting value of cells: ") + A
            + QStringLiteral(" to a value of type ") + fncTypeName(vNewValue));
        const cSheetRange r = cSheetRange::fncParse(A);
        QVariant v = vNewValue;
        if (v.typeId() == qMetaTypeId<cCurrency>())
            v = v.value<cCurrency>().toDouble();
        if (!v.isValid() || v.isNull()
            || (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty()))
            sheet().ClearContents(r);
        else if (r.isSingleCell())
            sheet().SetCellValue(r.intTop, r.intLeft, v);
        else
            sheet().SetValue(r, v);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cListHandler.SetValue"));
    }
}

QVariant cListHandler::GetValue(const QString& A, int intDataType)
{
    const cSheetRange r = cSheetRange::fncParse(A);
    const QVariant v = sheet().Value(r.intTop, r.intLeft);
    const bool empty = sheet().isCellEmpty(r.intTop, r.intLeft);
    switch (intDataType) {
    case 2:
    case 6:
    case 14: {
        if (empty)
            return QVariant::fromValue(cCurrency());
        std::optional<cCurrency> c;
        if (cSheetModel::fncIsNumber(v))
            c = cCurrency::fromDoubleChecked(v.toDouble());
        else if (v.typeId() == QMetaType::QString)
            c = cCurrency::fromLocaleString(v.toString(), QLocale());
        return QVariant::fromValue(c.value_or(cCurrency()));
    }
    case 8: {
        if (empty)
            return QString();
        if (cSheetModel::fncIsNumber(v)) {
            QLocale l;
            l.setNumberOptions(QLocale::OmitGroupSeparator);
            return l.toString(v.toDouble(), 'g', 15);
        }
        return v.toString();
    }
    default:
        return QVariant();
    }
}

void cListHandler::SelectCell(const QString& A)
{
    const cSheetRange r = cSheetRange::fncParse(A);
    EditMode(true);
    if (ObjectList)
        ObjectList->SelectRange(r);
    SelectedCell = r.fncAddress(true);
    EditMode(false);
}

void cListHandler::SetColumnWidth(const QString& A, int Width)
{
    // Width is in pixels, the older component's unit, which the callers' numbers were made for.
    const QString a = A.contains(QLatin1Char(':')) ? A : A + QLatin1Char(':') + A;
    const cSheetRange r = cSheetRange::fncParse(a);
    if (ObjectList)
        ObjectList->SetColumnWidth(r, Width);
}

void cListHandler::SetDateFormat(const QString& A)
{
    sheet().ApplyStyle(cSheetRange::fncParse(A),
        [](auto& s) { s.numberFormat = cSheetModel::eNumberFormat::GeneralDate; });
}

void cListHandler::SetTextFormat(const QString& A)
{
    sheet().ApplyStyle(cSheetRange::fncParse(A),
        [](auto& s) { s.numberFormat = cSheetModel::eNumberFormat::Text; });
}

void cListHandler::SetNumberFormat(const QString& A)
{
    sheet().ApplyStyle(cSheetRange::fncParse(A),
        [](auto& s) { s.numberFormat = cSheetModel::eNumberFormat::General; });
}

void cListHandler::SetDecimalFormat(const QString& A)
{
    sheet().ApplyStyle(cSheetRange::fncParse(A),
        [](auto& s) { s.numberFormat = cSheetModel::eNumberFormat::Number; });
}

void cListHandler::SetInteriorColor(const QString& A, const QColor& Color, bool blnClearBorders)
{
    sheet().ApplyStyle(cSheetRange::fncParse(A), [&](auto& s) {
        s.colBackground = Color;
        if (!blnClearBorders)
            s.colBorder = QColor(0xC0, 0xC0, 0xC0);
    });
}

QColor cListHandler::GetInteriorColor(const QString& A)
{
    try {
        subLog(QStringLiteral("Trying to determine interior color of cell ") + A);
        const cSheetRange r = cSheetRange::fncParse(A);
        const QColor c = sheet().Style(r.intTop, r.intLeft).colBackground;
        return c.isValid() ? c : QColor(Qt::white);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cListHandler.GetInteriorColor"));
    }
}

void cListHandler::EditMode(bool blnState)
{
    try {
        // Nested suspensions (SelectCell inside ClearAll) resume only at the outermost end,
        // and the protection comes back as it was before.
        if (blnState) {
            if (m_intEditDepth++ == 0) {
                m_blnWasProtected = sheet().isProtected();
                sheet().BeginUpdate();
                if (ObjectList)
                    ObjectList->setUpdatesEnabled(false);
                sheet().SetProtected(false);
                if (m_timer)
                    m_timer->TimerEnabled(false);
            }
        } else if (m_intEditDepth > 0 && --m_intEditDepth == 0) {
            sheet().EndUpdate();
            if (ObjectList)
                ObjectList->setUpdatesEnabled(true);
            sheet().SetProtected(m_blnWasProtected);
            if (m_timer && m_blnEventsOn)
                m_timer->TimerEnabled(true);
        }
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cListHandler.EditMode"));
    }
}

QString cListHandler::fncGetSel()
{
    const cSheetRange sel = ObjectList ? ObjectList->fncSelection() : cSheetRange::Cell(0, 0);
    QString address = sel.fncFirstCellAddress(true);
    Row = static_cast<qint16>(sel.intTop + 1);
    Column = static_cast<qint16>(sel.intLeft + 1);
    if (Row == 1) {
        address.replace(QLatin1Char('1'), QLatin1Char('2'));
        SelectCell(address);
        Row = 2;
    }
    return address;
}

void cListHandler::RaiseEventsEnabled(bool blnState)
{
    m_blnEventsOn = blnState;
    if (blnState) {
        if (!m_timer) {
            m_timer = new frmTimer(this);
            connect(m_timer, &frmTimer::Timer, this, &cListHandler::subPollSelection);
        }
        m_timer->TimerInterval(500);
        if (m_intEditDepth == 0)
            m_timer->TimerEnabled(true);
    } else if (m_timer) {
        m_timer->TimerEnabled(false);
    }
}

void cListHandler::subPollSelection()
{
    if (!CurrSheet || CurrSheet->ViewableRange().Rows() <= 1)
        return;
    QString sel = fncGetSel();
    QString plain = sel;
    plain.remove(QLatin1Char('$'));
    if (SelectedCell == sel || SelectedCell == plain)
        return;
    if (Checkboxes && plain.left(1).compare(CheckBoxCol, Qt::CaseInsensitive) == 0) {
        // Check marks change on the click or space bar that reaches the cell (see
        // subToggleCheckMark); moving onto one only records the selection.
        SelectedCell = sel;
        return;
    }
    SelectedCell = sel;
    emit SelectionChange(sel);
}

void cListHandler::Visible(bool v)
{
    m_blnVisible = v;
    if (List)
        List->setVisible(v);
}

void cListHandler::ClearAll()
{
    try {
        EditMode(true);
        const cSheetRange all { 0, 0, intSheetRows - 1, intSheetColumns - 1 };
        sheet().ClearContents(all);
        sheet().ClearFormats(all);
        if (ObjectList)
            ObjectList->ClearEdgeDashes();
        sheet().ApplyStyle(all, [](auto& s) {
            s.dblFontSize = 8;
            s.strFontName = QStringLiteral("Tahoma");
        });
        SelectCell(QStringLiteral("A1"));
        if (ObjectList)
            ObjectList->setShowGrid(true);
        EditMode(false);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("ClearAll"));
    }
}

void cListHandler::SetDicList(const cDictionary<QVariant>& DicList)
{
    try {
        EditMode(true);
        sheet().ClearContents(cSheetRange::fncParse(QStringLiteral("A2:A200")));
        int row = 1;
        for (const auto& entry : DicList) {
            if (row >= intSheetRows)
                throw cHVError(lngObjectError + 3011, QStringLiteral("cListHandler"),
                    QStringLiteral("The list has more items than the sheet has rows"));
            sheet().SetCellValue(row++, 0, entry.second);
        }
        EditMode(false);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("SetDicList"));
    }
}

QString cListHandler::fncPrintFilePath()
{
    return QDir(fncGetTempPath()).filePath(QStringLiteral("OWCPrint.htm"));
}

void cListHandler::PrintSheet(QPrinter* objIE)
{
    try {
        const auto used = sheet().UsedRange();
        if (!used)
            return;
        const QString html = sheet().fncHtml(*used);
        try {
            subReplaceFile(fncPrintFilePath(), html.toUtf8());
        } catch (const cHVError& e) {
            throw cHVError(lngObjectError + 3012, QStringLiteral("cListHandler"), e.Description());
        }
        if (objIE) {
            QTextDocument doc;
            doc.setHtml(html);
            doc.print(objIE);
        } else {
            subPrintFile(fncPrintFilePath());
        }
    } catch (...) {
        subHandleCurrentException(QStringLiteral("PrintSheet"));
    }
}

void cListHandler::Width(qint16 intWidth)
{
    m_intWidth = intWidth;
    subApplyGeometry();
}

void cListHandler::MoveRight()
{
    try {
        if (ObjectList)
            ObjectList->SetEnterMovesRight(true);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("MoveRight"));
    }
}

void cListHandler::AutoFilter(bool blnState)
{
    sheet().blnEnableAutoFilter = blnState;
    sheet().SetAutoFilter(blnState ? sheet().UsedRange() : std::nullopt);
}

void cListHandler::SetFormula(const QString& A, const QString& Formula)
{
    try {
        subLog(QStringLiteral("Setting formula of cells: ") + A + QStringLiteral(" to a formula: ")
            + Formula);
        sheet().SetFormula(cSheetRange::fncParse(A), Formula);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cListHandler.SetFormula"));
    }
}
