#include "cSheet.h"

#include "cCheckMarkDelegate.h"
#include "cMessageBox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QWheelEvent>

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
{
    // Section sizes are set while the headers are still empty: set later, they are applied to
    // each of the sheet's rows one by one.
    horizontalHeader()->setDefaultSectionSize(80);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setModel(m_model);
    setItemDelegate(m_delegate);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::AnyKeyPressed);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setTabKeyNavigation(true);
    horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    verticalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);

    connect(m_delegate, &cCheckMarkDelegate::checkMarkActivated, this, [this](const QModelIndex& i) {
        if (m_blnAutoToggle)
            m_model->SetCellValue(i.row(), i.column(),
                QString(QChar(m_model->isChecked(i.row(), i.column()) ? chrUnchecked : chrChecked)));
        emit checkMarkActivated(i.row(), i.column());
    });
    connect(m_delegate, &cCheckMarkDelegate::inputRejected, this, &cSheet::subRejectedInput);
    connect(m_model, &cSheetModel::viewableRangeChanged, this, &cSheet::subApplyViewable);
    connect(m_model, &cSheetModel::filterChanged, this, &cSheet::subApplyFilter);
    connect(horizontalHeader(), &QHeaderView::customContextMenuRequested, this, &cSheet::subShowColumnMenu);
    connect(verticalHeader(), &QHeaderView::customContextMenuRequested, this, &cSheet::subShowRowMenu);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int col, int, int size) {
        if (m_frozen)
            m_frozen->setColumnWidth(col, size);
    });
}

cSheet::~cSheet() = default;

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
        if (ch.isSurrogate() || ch.isMark() || ch.direction() == QChar::DirR || ch.direction() == QChar::DirAL)
            return true;
    }
    return false;
}
} // namespace

void cSheet::AutoFitColumns(const cSheetRange& range)
{
    // Measured over the filled rows of the viewable range rather than only the rows on screen,
    // so a long name further down is not cut off.
    const int lastRow = std::min(m_model->ViewableRange().intBottom, std::max(0, m_model->LastUsedRow()));
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
        fonts.push_back(std::make_unique<cFontWidths>(cFontWidths { &s, QFontMetrics(fnt), QFontMetricsF(fnt), {}, {} }));
        fonts.back()->latin.fill(-1);
        return *fonts.back();
    };
    struct cCandidate
    {
        qreal estimate;
        int row;
        cFontWidths* font;
        QString text;
    };
    constexpr int intMaxLaidOut = 32;

    for (int c = range.intLeft; c <= std::min(range.intRight, m_model->ViewableRange().intRight); ++c) {
        int width = 0;
        std::vector<cCandidate> candidates;
        for (int r = 0; r <= lastRow; ++r) {
            const auto& s = m_model->Style(r, c);
            if (s.blnCheckMark) {
                width = std::max(width, checkWidth);
                continue;
            }
            if (m_model->isCellEmpty(r, c))
                continue;
            QString text = m_model->fncDisplayText(r, c);
            if (text.isEmpty())
                continue;
            cFontWidths& f = fncFontOf(r, c, s);
            if (fncNeedsShaping(text)) {
                width = std::max(width, f.fm.horizontalAdvance(text) + padding);
                continue;
            }
            qreal estimate = 0;
            for (const QChar ch : text)
                estimate += f.advance(ch);
            candidates.push_back({ estimate, r, &f, std::move(text) });
        }
        std::sort(candidates.begin(), candidates.end(),
            [](const cCandidate& a, const cCandidate& b) { return a.estimate > b.estimate; });
        int laidOut = 0;
        for (const cCandidate& cand : candidates) {
            // Kerning of the scripts estimated here narrows text, so a text estimated no wider
            // than the widest laid out so far cannot be wider than it.
            if (qRound(cand.estimate) + padding <= width)
                break;
            if (laidOut == intMaxLaidOut) {
                width = std::max(width, static_cast<int>(std::ceil(cand.estimate)) + padding);
                break;
            }
            width = std::max(width, cand.font->fm.horizontalAdvance(cand.text) + padding);
            ++laidOut;
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
        m_frozen->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
        m_frozen->horizontalHeader()->setDefaultSectionSize(horizontalHeader()->defaultSectionSize());
        m_frozen->setModel(m_model);
        m_frozen->setSelectionModel(selectionModel());
        m_frozen->setItemDelegate(m_delegate);
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
    const int width = viewport()->width() + (verticalHeader()->isVisible() ? verticalHeader()->width() : 0);
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

bool cSheet::fncUserInsertRows(int intRow, int intCount) { return m_model->fncInsertRows(intRow, intCount); }
bool cSheet::fncUserDeleteRows(int intRow, int intCount) { return m_model->fncDeleteRows(intRow, intCount); }
bool cSheet::fncUserInsertColumns(int intCol, int intCount) { return m_model->fncInsertColumns(intCol, intCount); }
bool cSheet::fncUserDeleteColumns(int intCol, int intCount) { return m_model->fncDeleteColumns(intCol, intCount); }

bool cSheet::fncUserSortColumn(int intCol, Qt::SortOrder order)
{
    // The block under the heading row that holds data, as a user's sort of a list would take it.
    const auto used = m_model->UsedRange();
    if (!used || used->intBottom < 1)
        return false;
    return m_model->fncUserSort({ 1, used->intLeft, used->intBottom, used->intRight }, intCol, order);
}

void cSheet::subShowColumnMenu(const QPoint& pos)
{
    const int col = horizontalHeader()->logicalIndexAt(pos);
    if (col < 0)
        return;
    QMenu menu(this);
    const auto& p = m_model->Protection();
    const bool prot = m_model->isProtected();
    menu.addAction(tr("Sort ascending"), this, [this, col] { fncUserSortColumn(col, Qt::AscendingOrder); })
        ->setEnabled(!prot || p.blnAllowSorting);
    menu.addAction(tr("Sort descending"), this, [this, col] { fncUserSortColumn(col, Qt::DescendingOrder); })
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

void cSheet::keyPressEvent(QKeyEvent* event)
{
    const QModelIndex cur = currentIndex();
    if (cur.isValid() && state() != QAbstractItemView::EditingState) {
        const auto& s = m_model->Style(cur.row(), cur.column());
        if (event->key() == Qt::Key_Space && s.blnCheckMark) {
            if (cur.data(Qt::CheckStateRole).isValid())
                emit m_delegate->checkMarkActivated(cur);
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_Delete) {
            const cSheetRange sel = fncSelection();
            for (int r = sel.intTop; r <= sel.intBottom; ++r) {
                for (int c = sel.intLeft; c <= sel.intRight; ++c) {
                    if (m_model->fncUserCanEdit(r, c) && !m_model->Style(r, c).blnCheckMark)
                        m_model->SetCellValue(r, c, QVariant());
                }
            }
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            const QModelIndex next = m_blnEnterMovesRight ? moveCursor(MoveRight, Qt::NoModifier)
                                                          : moveCursor(MoveDown, Qt::NoModifier);
            if (next.isValid())
                setCurrentIndex(next);
            event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void cSheet::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableView::closeEditor(editor, hint);
    if (hint == QAbstractItemDelegate::SubmitModelCache) {
        const QModelIndex next = m_blnEnterMovesRight ? moveCursor(MoveRight, Qt::NoModifier)
                                                      : moveCursor(MoveDown, Qt::NoModifier);
        if (next.isValid())
            setCurrentIndex(next);
    }
}
