#include "cSheet.h"

#include "cCheckMarkDelegate.h"
#include "cMessageBox.h"
#include "cSheetUndoCommand.h"
#include "modPhrases.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace {
// The overlay that shows the frozen heading rows. It shares the sheet's selection, so Qt would
// scroll it to every current cell the sheet moves to and show an item row where the headings
// belong; it stays at its top and hands the wheel to the sheet instead.
class cFrozenView : public QTableView
{
public:
    explicit cFrozenView(QTableView* sheet)
        : QTableView(sheet)
        , m_sheet(sheet)
    {
        connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
            if (v != 0)
                verticalScrollBar()->setValue(0);
        });
    }

    // The sheet scrolls to the current cell itself and the overlay follows it sideways.
    void scrollTo(const QModelIndex&, ScrollHint) override { }

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        QCoreApplication::sendEvent(m_sheet->viewport(), event);
    }

private:
    QTableView* m_sheet;
};
} // namespace

cSheet::cSheet(QWidget* parent)
    : QTableView(parent)
    , m_model(new cSheetModel(this))
    , m_delegate(new cCheckMarkDelegate(this))
    , m_undo(std::make_unique<QUndoStack>())
{
    // Section sizes are set while the headers are still empty: set later, they are applied to
    // each of the sheet's rows one by one.
    horizontalHeader()->setDefaultSectionSize(80);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Visible headers measure a few hundred of their sections for every change of the model's
    // extent; measured once when they are first shown is enough (most sheets hide them anyway).
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setModel(m_model);
    horizontalHeader()->show();
    verticalHeader()->show();
    setItemDelegate(m_delegate);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::AnyKeyPressed);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setTabKeyNavigation(true);
    horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    verticalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);

    connect(
        m_delegate, &cCheckMarkDelegate::checkMarkActivated, this, [this](const QModelIndex& i) {
            fncUserEdit(cSheetRange::Cell(i.row(), i.column()), QString(), [this, i] {
                m_model->SetCellValue(i.row(), i.column(),
                    fncCheckMarkText(!m_model->isChecked(i.row(), i.column())));
                return true;
            });
        });
    // A refill is a new list: the history of the old one means nothing in it.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_blnClearingHistory = true;
        m_undo->clear();
        m_blnClearingHistory = false;
    });
    subAttachHistory();
    connect(m_model, &cSheetModel::viewableRangeChanged, this, &cSheet::subApplyViewable);
    connect(m_model, &cSheetModel::filterChanged, this, &cSheet::subApplyFilter);
    connect(horizontalHeader(), &QHeaderView::customContextMenuRequested, this,
        &cSheet::subShowColumnMenu);
    connect(
        verticalHeader(), &QHeaderView::customContextMenuRequested, this, &cSheet::subShowRowMenu);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int col, int, int size) {
        if (m_frozen)
            m_frozen->setColumnWidth(col, size);
    });
}

// The history is cleared as it goes; that is no change of the user's.
cSheet::~cSheet()
{
    m_undo->blockSignals(true);
}

void cSheet::subAttachHistory()
{
    // Every step done, undone or redone is a change the user made.
    connect(m_undo.get(), &QUndoStack::indexChanged, this, [this] {
        if (!m_blnClearingHistory)
            emit userChanged();
    });
}

std::unique_ptr<cSheet::cHistory> cSheet::TakeHistory(const cSheetRange& range)
{
    // Nothing to keep, so no snapshot of the cells is taken.
    if (m_undo->count() == 0)
        return nullptr;
    auto history
        = std::make_unique<cHistory>(cHistory { std::move(m_undo), range, fncBlockText(range) });
    disconnect(history->stack.get(), nullptr, this, nullptr);
    history->stack->blockSignals(true);
    m_undo = std::make_unique<QUndoStack>();
    subAttachHistory();
    return history;
}

void cSheet::RestoreHistory(std::unique_ptr<cHistory> history)
{
    // The steps record cells by their place: they fit only the cells as they were left.
    if (!history || fncBlockText(history->range) != history->strShown)
        return;
    m_undo->blockSignals(true);
    m_undo = std::move(history->stack);
    m_undo->blockSignals(false);
    subAttachHistory();
}

void cSheet::subRejectedInput(const QString& strReason)
{
    cMessageBox::Show(strReason, cMessageBox::Buttons::Ok, cMessageBox::Icon::Warning);
}

void cSheet::SetColumnWidth(const cSheetRange& range, int intWidth)
{
    for (int c = range.intLeft; c <= range.intRight; ++c) {
        setColumnHidden(c, intWidth <= 0);
        if (intWidth > 0)
            setColumnWidth(c, intWidth);
        if (m_frozen) {
            m_frozen->setColumnHidden(c, intWidth <= 0);
            if (intWidth > 0)
                m_frozen->setColumnWidth(c, intWidth);
        }
    }
}

int cSheet::ColumnWidthOf(int intCol) const
{
    return isColumnHidden(intCol) ? 0 : columnWidth(intCol);
}

namespace {
// True when a text's width is not the sum of its characters' widths (marks, surrogate pairs,
// right-to-left scripts), so it must be laid out to be measured.
bool fncNeedsShaping(const QString& text)
{
    for (const QChar ch : text) {
        if (ch.unicode() < 0x0300)
            continue;
        if (ch.isSurrogate() || ch.isMark() || ch.direction() == QChar::DirR
            || ch.direction() == QChar::DirAL)
            return true;
    }
    return false;
}
} // namespace

void cSheet::AutoFitColumns(const cSheetRange& range)
{
    // Measured over the filled rows of the viewable range rather than only the rows on screen,
    // so a long name further down is not cut off.
    const int lastRow
        = std::min(m_model->ViewableRange().intBottom, std::max(0, m_model->LastUsedRow()));
    const QStyle* st = style();
    const int padding = 2 * st->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 8;
    const int checkWidth = st->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) + 8;

    // Cells share a handful of styles: each style's font, metrics and character widths are
    // built once. A text is first estimated from its characters; only texts whose estimate can
    // beat the widest exact width so far are laid out.
    struct cFontWidths
    {
        const cSheetModel::cCellStyle* style;
        QFontMetrics fm;
        QFontMetricsF fmf;
        std::array<qreal, 256> latin; // negative: not measured yet
        QHash<char16_t, qreal> others;
        qreal advance(QChar ch)
        {
            const char16_t u = ch.unicode();
            if (u < latin.size()) {
                if (latin[u] < 0)
                    latin[u] = fmf.horizontalAdvance(ch);
                return latin[u];
            }
            auto it = others.constFind(u);
            if (it == others.cend())
                it = others.insert(u, fmf.horizontalAdvance(ch));
            return *it;
        }
    };
    std::vector<std::unique_ptr<cFontWidths>> fonts;
    const auto fncFontOf = [&](int r, int c, const cSheetModel::cCellStyle& s) -> cFontWidths& {
        for (auto& f : fonts) {
            if (f->style == &s || *f->style == s)
                return *f;
        }
        const QVariant v = m_model->data(m_model->index(r, c), Qt::FontRole);
        const QFont fnt = v.isValid() ? v.value<QFont>() : font();
        fonts.push_back(std::make_unique<cFontWidths>(
            cFontWidths { &s, QFontMetrics(fnt), QFontMetricsF(fnt), {}, {} }));
        fonts.back()->latin.fill(-1);
        return *fonts.back();
    };
    // Only the widest estimates can decide the width: they are laid out, widest first, the rest
    // never leave the estimate.
    struct cCandidate
    {
        qreal estimate;
        int row;
        cFontWidths* font;
    };
    constexpr size_t intMaxLaidOut = 32;

    for (int c = range.intLeft; c <= std::min(range.intRight, m_model->ViewableRange().intRight);
         ++c) {
        int width = 0;
        std::vector<cCandidate> candidates;
        const cSheetModel::cCellStyle* lastStyle = nullptr;
        cFontWidths* lastFont = nullptr;
        for (int r = 0; r <= lastRow; ++r) {
            const auto& s = m_model->Style(r, c);
            if (s.blnCheckMark) {
                width = std::max(width, checkWidth);
                continue;
            }
            const QString text = m_model->fncDisplayText(r, c);
            if (text.isEmpty())
                continue;
            if (&s != lastStyle) {
                lastStyle = &s;
                lastFont = &fncFontOf(r, c, s);
            }
            if (fncNeedsShaping(text)) {
                width = std::max(width, lastFont->fm.horizontalAdvance(text) + padding);
                continue;
            }
            qreal estimate = 0;
            for (const QChar ch : text)
                estimate += lastFont->advance(ch);
            candidates.push_back({ estimate, r, lastFont });
        }
        const auto wider
            = [](const cCandidate& a, const cCandidate& b) { return a.estimate > b.estimate; };
        const size_t intKept = std::min(candidates.size(), intMaxLaidOut + 1);
        std::partial_sort(candidates.begin(),
            candidates.begin() + static_cast<std::ptrdiff_t>(intKept), candidates.end(), wider);
        for (size_t i = 0; i < intKept; ++i) {
            const cCandidate& cand = candidates[i];
            // Kerning of the scripts estimated here narrows text, so a text estimated no wider
            // than the widest laid out so far cannot be wider than it.
            if (qRound(cand.estimate) + padding <= width)
                break;
            if (i == intMaxLaidOut) {
                width = std::max(width, static_cast<int>(std::ceil(cand.estimate)) + padding);
                break;
            }
            width = std::max(width,
                cand.font->fm.horizontalAdvance(m_model->fncDisplayText(cand.row, c)) + padding);
        }
        SetColumnWidth(cSheetRange { 0, c, 0, c }, std::max(width, 16));
    }
}

void cSheet::ClearEdgeDashes()
{
    m_rightDash.clear();
    m_topDash.clear();
    viewport()->update();
}

void cSheet::SetHeadingsVisible(bool blnColumns, bool blnRows)
{
    horizontalHeader()->setVisible(blnColumns);
    verticalHeader()->setVisible(blnRows);
    if (m_frozen) {
        m_frozen->horizontalHeader()->setVisible(blnColumns);
        m_frozen->verticalHeader()->setVisible(blnRows);
    }
    subUpdateFrozenGeometry();
}

void cSheet::SetFrozenRows(int intRows)
{
    m_intFrozenRows = std::max(0, intRows);
    if (m_intFrozenRows == 0) {
        delete m_frozen;
        m_frozen = nullptr;
        return;
    }
    // The overlay is made when the sheet is first shown: by then the sheet usually shows fewer
    // rows than its whole extent, and each row costs the overlay's header a section.
    if (!m_frozen && !isVisible())
        return;
    if (!m_frozen) {
        // An overlay view on the same model and selection shows the top rows; it never
        // scrolls vertically and follows the sheet horizontally.
        m_frozen = new cFrozenView(this);
        m_frozen->horizontalHeader()->setVisible(horizontalHeader()->isVisible());
        m_frozen->verticalHeader()->setVisible(verticalHeader()->isVisible());
        m_frozen->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
        m_frozen->horizontalHeader()->setDefaultSectionSize(
            horizontalHeader()->defaultSectionSize());
        m_frozen->setModel(m_model);
        m_frozen->setSelectionModel(selectionModel());
        // A delegate of its own: the sheet's one reports commits and closed editors to the sheet.
        m_frozen->setItemDelegate(new cCheckMarkDelegate(this));
        m_frozen->setFocusPolicy(Qt::NoFocus);
        m_frozen->setEditTriggers(editTriggers());
        m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_frozen->setFrameShape(QFrame::NoFrame);
        m_frozen->setAccessibleName(accessibleName());
        connect(horizontalScrollBar(), &QScrollBar::valueChanged, m_frozen->horizontalScrollBar(),
            &QScrollBar::setValue);
        connect(m_frozen->horizontalScrollBar(), &QScrollBar::valueChanged, horizontalScrollBar(),
            &QScrollBar::setValue);
    }
    for (int c = 0; c < m_model->columnCount(); ++c) {
        m_frozen->setColumnHidden(c, isColumnHidden(c));
        m_frozen->setColumnWidth(c, columnWidth(c));
    }
    m_frozen->horizontalHeader()->setVisible(horizontalHeader()->isVisible());
    m_frozen->verticalHeader()->setVisible(verticalHeader()->isVisible());
    m_frozen->show();
    subUpdateFrozenGeometry();
}

void cSheet::subUpdateFrozenGeometry()
{
    if (!m_frozen)
        return;
    int height = horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0;
    for (int r = 0; r < std::min(m_intFrozenRows, m_model->rowCount()); ++r)
        height += isRowHidden(r) ? 0 : rowHeight(r);
    const int left = frameWidth();
    const int width
        = viewport()->width() + (verticalHeader()->isVisible() ? verticalHeader()->width() : 0);
    m_frozen->verticalHeader()->setFixedWidth(verticalHeader()->width());
    m_frozen->setGeometry(left, frameWidth(), width, height);
    m_frozen->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
    m_frozen->raise();
}

void cSheet::showEvent(QShowEvent* event)
{
    QTableView::showEvent(event);
    if (m_intFrozenRows > 0 && !m_frozen)
        SetFrozenRows(m_intFrozenRows);
}

void cSheet::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    subUpdateFrozenGeometry();
}

void cSheet::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    subUpdateFrozenGeometry();
}

void cSheet::subApplyViewable()
{
    const cSheetRange v = m_model->ViewableRange();
    for (int r = 0; r < v.intTop; ++r)
        setRowHidden(r, true);
    for (int c = 0; c < v.intLeft; ++c)
        setColumnHidden(c, true);
    subApplyFilter();
    SetFrozenRows(m_intFrozenRows);
}

void cSheet::subApplyFilter()
{
    const auto range = m_model->AutoFilter();
    if (!range)
        return;
    const int last = std::min(range->intBottom, m_model->rowCount() - 1);
    for (int r = range->intTop + 1; r <= last; ++r) {
        const bool hide = m_model->isRowFiltered(r);
        if (isRowHidden(r) != hide)
            setRowHidden(r, hide);
    }
}

void cSheet::SelectRange(const cSheetRange& range)
{
    if (range.intTop >= m_model->rowCount() || range.intLeft >= m_model->columnCount())
        return;
    const QModelIndex tl = m_model->index(range.intTop, range.intLeft);
    const QModelIndex br = m_model->index(std::min(range.intBottom, m_model->rowCount() - 1),
        std::min(range.intRight, m_model->columnCount() - 1));
    selectionModel()->setCurrentIndex(tl, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(tl, br), QItemSelectionModel::ClearAndSelect);
    scrollTo(tl);
}

cSheetRange cSheet::fncSelection() const
{
    const QItemSelection sel = selectionModel()->selection();
    if (!sel.isEmpty()) {
        const QItemSelectionRange& r = sel.first();
        return { r.top(), r.left(), r.bottom(), r.right() };
    }
    const QModelIndex cur = currentIndex();
    return cur.isValid() ? cSheetRange::Cell(cur.row(), cur.column()) : cSheetRange::Cell(0, 0);
}

bool cSheet::fncUserInsertColumns(int intCol, int intCount)
{
    return m_model->fncInsertColumns(intCol, intCount);
}
bool cSheet::fncUserDeleteColumns(int intCol, int intCount)
{
    return m_model->fncDeleteColumns(intCol, intCount);
}

bool cSheet::fncUserEdit(
    const cSheetRange& range, const QString& strText, const std::function<bool()>& change)
{
    auto cmd = std::make_unique<cSheetUndoCommand>(m_model, range, strText);
    m_model->BeginUpdate();
    const bool ok = change();
    if (!ok)
        cmd->RestoreBefore();
    m_model->EndUpdate();
    if (!ok)
        return false;
    cmd->Finish();
    m_undo->push(cmd.release());
    return true;
}

int cSheet::LastItemRow() const
{
    const int last = m_model->LastUsedRow();
    return last < FirstItemRow() ? -1 : last;
}

bool cSheet::fncUserInsertRows(int intRow, int intCount)
{
    cSheetRange v = m_model->ViewableRange();
    if (intRow < FirstItemRow() || intCount <= 0 || intRow + intCount > v.intBottom)
        return false;
    // Items that would be pushed off the range get rows of their own where they can be added.
    if (m_fncAddRows && LastItemRow() > v.intBottom - intCount) {
        const int col = std::max(0, currentIndex().column());
        if (m_fncAddRows(LastItemRow() + intCount)) {
            v = m_model->ViewableRange();
            // A refill loses the current cell.
            setCurrentIndex(m_model->index(intRow, col));
        }
    }
    const cSheetRange area { intRow, 0, v.intBottom, v.intRight };
    for (int r = intRow; r <= v.intBottom; ++r) {
        for (int c = 0; c <= v.intRight; ++c) {
            if (!m_model->fncUserCanEdit(r, c)
                || (r > v.intBottom - intCount && !m_model->isCellEmpty(r, c)))
                return false;
        }
    }
    return fncUserEdit(area, QString(), [&] {
        cSheetModel::cBlock moved
            = m_model->fncBlock({ intRow, 0, v.intBottom - intCount, v.intRight });
        moved.range = { intRow + intCount, 0, v.intBottom, v.intRight };
        m_model->PutBlock(moved);
        m_model->ClearContents({ intRow, 0, intRow + intCount - 1, v.intRight });
        return true;
    });
}

bool cSheet::fncUserDeleteRows(int intRow, int intCount)
{
    const cSheetRange v = m_model->ViewableRange();
    if (intRow < FirstItemRow() || intCount <= 0 || intRow > v.intBottom)
        return false;
    intCount = std::min(intCount, v.intBottom - intRow + 1);
    for (int r = intRow; r <= v.intBottom; ++r) {
        for (int c = 0; c <= v.intRight; ++c) {
            if (!m_model->fncUserCanEdit(r, c))
                return false;
        }
    }
    return fncUserEdit({ intRow, 0, v.intBottom, v.intRight }, QString(), [&] {
        if (intRow + intCount <= v.intBottom) {
            cSheetModel::cBlock moved
                = m_model->fncBlock({ intRow + intCount, 0, v.intBottom, v.intRight });
            moved.range = { intRow, 0, v.intBottom - intCount, v.intRight };
            m_model->PutBlock(moved);
        }
        m_model->ClearContents({ v.intBottom - intCount + 1, 0, v.intBottom, v.intRight });
        return true;
    });
}

bool cSheet::fncUserSortColumn(int intCol, Qt::SortOrder order)
{
    const int last = LastItemRow();
    const auto used = m_model->UsedRange();
    if (last < 0 || !used || intCol < 0 || intCol >= m_model->columnCount())
        return false;
    const cSheetRange rows { FirstItemRow(), 0, last,
        std::min(used->intRight, m_model->columnCount() - 1) };
    return fncUserEdit(rows, QString(), [&] { return m_model->fncUserSort(rows, intCol, order); });
}

void cSheet::UserClear(const cSheetRange& range)
{
    fncUserEdit(range, QString(), [&] {
        for (int r = range.intTop; r <= range.intBottom; ++r) {
            if (isRowHidden(r))
                continue;
            for (int c = range.intLeft; c <= range.intRight; ++c) {
                if (!isColumnHidden(c) && m_model->fncUserCanEdit(r, c)
                    && !m_model->Style(r, c).blnCheckMark && m_model->Formula(r, c).isEmpty()
                    && !m_model->isCellEmpty(r, c))
                    m_model->SetCellValue(r, c, QVariant());
            }
        }
        return true;
    });
}

bool cSheet::fncUserEnter(int intRow, int intCol, const QString& strText)
{
    QString strError;
    const bool ok = fncUserEdit(cSheetRange::Cell(intRow, intCol), QString(),
        [&] { return m_model->fncEnterText(intRow, intCol, strText, &strError); });
    if (!ok)
        m_strRefusal = strError;
    return ok;
}

QString cSheet::fncBlockText(const cSheetRange& range) const
{
    QString text;
    for (int r = range.intTop; r <= range.intBottom; ++r) {
        if (isRowHidden(r))
            continue;
        QStringList cells;
        for (int c = range.intLeft; c <= range.intRight; ++c) {
            if (!isColumnHidden(c))
                cells.append(m_model->fncDisplayText(r, c));
        }
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

int cSheet::fncVisibleColumnAfter(int intCol, int intStep) const
{
    int c = intCol + intStep;
    while (c >= 0 && c < m_model->columnCount() && isColumnHidden(c))
        c += intStep;
    return c >= 0 && c < m_model->columnCount() ? c : -1;
}

bool cSheet::fncUserPaste(const QString& strText)
{
    QString text = strText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (text.isEmpty())
        return false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QModelIndex cur = currentIndex();
    const int top = cur.isValid() ? cur.row() : FirstItemRow();
    const int left = cur.isValid() ? cur.column() : 0;
    // Target cells: the visible rows and columns from the current cell on.
    std::vector<int> rows;
    const auto fncTakeRows = [&] {
        rows.clear();
        for (int r = top;
             r < m_model->rowCount() && rows.size() < static_cast<size_t>(lines.size()); ++r) {
            if (!isRowHidden(r))
                rows.push_back(r);
        }
    };
    fncTakeRows();
    // Rows are added as needed where the owner of the sheet can add them.
    if (rows.size() < static_cast<size_t>(lines.size()) && m_fncAddRows
        && m_fncAddRows(top + static_cast<int>(lines.size()) - 1)) {
        setCurrentIndex(m_model->index(top, left)); // a refill loses the current cell
        fncTakeRows();
    }
    qsizetype width = 0;
    for (const QString& l : lines)
        width = std::max(width, l.count(QLatin1Char('\t')) + 1);
    std::vector<int> cols;
    for (int c = isColumnHidden(left) ? fncVisibleColumnAfter(left, 1) : left;
         c >= 0 && cols.size() < static_cast<size_t>(width); c = fncVisibleColumnAfter(c, 1))
        cols.push_back(c);
    const QString strCell = cSheetRange::Cell(top, left).fncAddress(false);
    if (rows.size() < static_cast<size_t>(lines.size())
        || cols.size() < static_cast<size_t>(width)) {
        subRejectedInput(fncPhrase("LNGEDITPASTETOOBIG").arg(strCell));
        return false;
    }
    const cSheetRange block { top, cols.front(), rows.back(), cols.back() };
    QString strError;
    const bool ok = fncUserEdit(block, QString(), [&] {
        for (size_t i = 0; i < rows.size(); ++i) {
            const QStringList cells = lines.at(static_cast<qsizetype>(i)).split(QLatin1Char('\t'));
            for (size_t j = 0; j < static_cast<size_t>(cells.size()); ++j) {
                const int r = rows[i];
                const int c = cols[j];
                const QString& t = cells.at(static_cast<qsizetype>(j));
                if (!m_model->fncUserCanEdit(r, c)) {
                    strError = fncPhrase("LNGEDITPASTETOOBIG").arg(strCell);
                    return false;
                }
                if (m_model->Style(r, c).blnCheckMark) {
                    // The box as copied, or any mark meaning no; anything else ticks it.
                    const QString v = t.trimmed().toLower();
                    if (!v.isEmpty())
                        m_model->SetCellValue(r, c,
                            fncCheckMarkText(v != QStringLiteral("\u2610")
                                && v != QStringLiteral("0") && v != QStringLiteral("false")
                                && v != fncCheckMarkText(false)));
                } else if (!m_model->fncEnterText(r, c, t, &strError)) {
                    return false;
                }
            }
        }
        return true;
    });
    if (!ok) {
        subRejectedInput(strError);
        return false;
    }
    SelectRange(block);
    return true;
}

void cSheet::CopySelection() const
{
    // The empty rows below the last item (Ctrl+A takes them all) are not copied.
    cSheetRange sel = fncSelection();
    sel.intBottom = std::max(sel.intTop, std::min(sel.intBottom, LastItemRow()));
    QGuiApplication::clipboard()->setText(fncBlockText(sel));
}

void cSheet::CutSelection()
{
    CopySelection();
    UserClear(fncSelection());
}

void cSheet::PasteClipboard()
{
    fncUserPaste(QGuiApplication::clipboard()->text());
}

bool cSheet::isEditing() const
{
    return state() == QAbstractItemView::EditingState && m_delegate->OpenEditor();
}

bool cSheet::fncCommitEditor()
{
    QWidget* editor = m_delegate->OpenEditor();
    if (!editor || state() != QAbstractItemView::EditingState)
        return true;
    commitData(editor);
    if (!m_strRefusal.isEmpty()) {
        subRefused(editor);
        return false;
    }
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void cSheet::subRefused(QWidget* editor)
{
    const QString strReason = std::exchange(m_strRefusal, QString());
    const auto* line = qobject_cast<QLineEdit*>(editor);
    const QString strText = line ? line->text() : QString();
    if (editor != m_refusedEditor || strText != m_strRefusedText) {
        m_refusedEditor = editor;
        m_strRefusedText = strText;
        subRejectedInput(strReason);
    }
    if (editor)
        editor->setFocus();
}

void cSheet::subMoveTo(int intRow, int intCol)
{
    if (intRow < 0 || intCol < 0 || intRow >= m_model->rowCount()
        || intCol >= m_model->columnCount())
        return;
    setCurrentIndex(m_model->index(intRow, intCol));
}

void cSheet::subLeave(bool blnNext)
{
    if (!fncCommitEditor())
        return;
    // QAbstractItemView moves between cells here; the window's chain moves between controls.
    // NOLINTNEXTLINE(bugprone-parent-virtual-call): skipping the cell walk is the point
    QWidget::focusNextPrevChild(blnNext);
}

void cSheet::contextMenuEvent(QContextMenuEvent* event)
{
    if (!fncCommitEditor())
        return;
    const QModelIndex at = indexAt(event->pos());
    if (at.isValid() && !selectionModel()->isSelected(at))
        setCurrentIndex(at);
    const cSheetRange sel = fncSelection();
    const bool blnItems = sel.intTop >= FirstItemRow();
    QMenu menu(this);
    const auto add = [&](const char* key, const QKeySequence& keys, bool blnEnabled, auto slot) {
        QAction* a = menu.addAction(fncPhrase(key), this, slot);
        a->setShortcut(keys);
        a->setEnabled(blnEnabled);
    };
    add("LNGEDITUNDO", QKeySequence::Undo, m_undo->canUndo(), [this] { m_undo->undo(); });
    add("LNGEDITREDO", QKeySequence(Qt::CTRL | Qt::Key_Y), m_undo->canRedo(),
        [this] { m_undo->redo(); });
    menu.addSeparator();
    add("LNGEDITCUT", QKeySequence::Cut, blnItems, [this] { CutSelection(); });
    add("LNGEDITCOPY", QKeySequence::Copy, true, [this] { CopySelection(); });
    add("LNGEDITPASTE", QKeySequence::Paste,
        blnItems && !QGuiApplication::clipboard()->text().isEmpty(), [this] { PasteClipboard(); });
    menu.addSeparator();
    add("LNGEDITINSERTROW", QKeySequence(Qt::CTRL | Qt::Key_Plus), blnItems,
        [this, sel] { fncUserInsertRows(sel.intTop, sel.Rows()); });
    add("LNGEDITDELETEROW", QKeySequence(Qt::CTRL | Qt::Key_Minus), blnItems,
        [this, sel] { fncUserDeleteRows(sel.intTop, sel.Rows()); });
    menu.addSeparator();
    add("LNGEDITSORTASC", QKeySequence(), LastItemRow() >= 0,
        [this, sel] { fncUserSortColumn(sel.intLeft, Qt::AscendingOrder); });
    add("LNGEDITSORTDESC", QKeySequence(), LastItemRow() >= 0,
        [this, sel] { fncUserSortColumn(sel.intLeft, Qt::DescendingOrder); });
    menu.exec(event->globalPos());
    event->accept();
}

void cSheet::subShowColumnMenu(const QPoint& pos)
{
    const int col = horizontalHeader()->logicalIndexAt(pos);
    if (col < 0)
        return;
    QMenu menu(this);
    const auto& p = m_model->Protection();
    const bool prot = m_model->isProtected();
    menu.addAction(
            tr("Sort ascending"), this, [this, col] { fncUserSortColumn(col, Qt::AscendingOrder); })
        ->setEnabled(!prot || p.blnAllowSorting);
    menu.addAction(tr("Sort descending"), this,
            [this, col] { fncUserSortColumn(col, Qt::DescendingOrder); })
        ->setEnabled(!prot || p.blnAllowSorting);
    if (m_model->AutoFilter() && m_model->blnEnableAutoFilter) {
        QMenu* filter = menu.addMenu(tr("Filter"));
        filter->setEnabled(!prot || p.blnAllowFiltering);
        filter->addAction(tr("(All)"), this, [this, col] { m_model->fncSetFilter(col, {}); });
        const QStringList values = m_model->fncDistinctValues(col);
        for (const QString& v : values)
            filter->addAction(v.isEmpty() ? tr("(Blanks)") : v, this,
                [this, col, v] { m_model->fncSetFilter(col, { v }); });
    }
    menu.addSeparator();
    menu.addAction(tr("Insert column"), this, [this, col] { fncUserInsertColumns(col); })
        ->setEnabled(!prot || p.blnAllowInsertingColumns);
    menu.addAction(tr("Delete column"), this, [this, col] { fncUserDeleteColumns(col); })
        ->setEnabled(!prot || p.blnAllowDeletingColumns);
    menu.exec(horizontalHeader()->mapToGlobal(pos));
}

void cSheet::subShowRowMenu(const QPoint& pos)
{
    const int row = verticalHeader()->logicalIndexAt(pos);
    if (row < 0)
        return;
    QMenu menu(this);
    const auto& p = m_model->Protection();
    const bool prot = m_model->isProtected();
    menu.addAction(tr("Insert row"), this, [this, row] { fncUserInsertRows(row); })
        ->setEnabled(!prot || p.blnAllowInsertingRows);
    menu.addAction(tr("Delete row"), this, [this, row] { fncUserDeleteRows(row); })
        ->setEnabled(!prot || p.blnAllowDeletingRows);
    menu.exec(verticalHeader()->mapToGlobal(pos));
}

bool cSheet::fncCellKey(QKeyEvent* event)
{
    const int key = event->key();
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    const QModelIndex cur = currentIndex();
    if (key == Qt::Key_Space && m_model->Style(cur.row(), cur.column()).blnCheckMark) {
        if (cur.data(Qt::CheckStateRole).isValid())
            emit m_delegate->checkMarkActivated(cur);
    } else if (key == Qt::Key_Delete) {
        UserClear(fncSelection());
    } else if (event->matches(QKeySequence::Copy)) {
        CopySelection();
    } else if (event->matches(QKeySequence::Cut)) {
        CutSelection();
    } else if (event->matches(QKeySequence::Paste)) {
        PasteClipboard();
    } else if (event->matches(QKeySequence::Undo)) {
        m_undo->undo();
    } else if (event->matches(QKeySequence::Redo)
        || (key == Qt::Key_Y && mods == Qt::ControlModifier)) {
        m_undo->redo();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        const QModelIndex next = m_blnEnterMovesRight ? moveCursor(MoveRight, Qt::NoModifier)
                                                      : moveCursor(MoveDown, Qt::NoModifier);
        if (next.isValid())
            setCurrentIndex(next);
    } else if (mods & Qt::ControlModifier) {
        const cSheetRange sel = fncSelection();
        const int last = std::max(LastItemRow(), FirstItemRow());
        const int firstCol = fncVisibleColumnAfter(-1, 1);
        const int lastCol = fncVisibleColumnAfter(m_model->columnCount(), -1);
        switch (key) {
        case Qt::Key_Plus:
            fncUserInsertRows(sel.intTop, sel.Rows());
            break;
        case Qt::Key_Minus:
            fncUserDeleteRows(sel.intTop, sel.Rows());
            break;
        // Spreadsheet habit: to the first or last item, not the end of the empty rows.
        case Qt::Key_Home:
            subMoveTo(FirstItemRow(), firstCol);
            break;
        case Qt::Key_End:
            subMoveTo(last, lastCol);
            break;
        case Qt::Key_Up:
            subMoveTo(FirstItemRow(), cur.column());
            break;
        case Qt::Key_Down:
            subMoveTo(last, cur.column());
            break;
        case Qt::Key_Left:
            subMoveTo(cur.row(), firstCol);
            break;
        case Qt::Key_Right:
            subMoveTo(cur.row(), lastCol);
            break;
        default:
            return false;
        }
    } else {
        return false;
    }
    return true;
}

void cSheet::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab)
        && (event->modifiers() & Qt::ControlModifier)) {
        subLeave(key == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
        event->accept();
        return;
    }
    if (currentIndex().isValid() && state() != QAbstractItemView::EditingState
        && fncCellKey(event)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void cSheet::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (!m_strRefusal.isEmpty()) {
        subRefused(editor);
        return;
    }
    QTableView::closeEditor(editor, hint);
    if (hint == QAbstractItemDelegate::SubmitModelCache) {
        const QModelIndex next = m_blnEnterMovesRight ? moveCursor(MoveRight, Qt::NoModifier)
                                                      : moveCursor(MoveDown, Qt::NoModifier);
        if (next.isValid())
            setCurrentIndex(next);
    }
}
