#include "cSheetModel.h"

#include "cHVError.h"
#include "modCellEntry.h"
#include "modPhrases.h"

#include <QCollator>
#include <QDateTime>
#include <QFont>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace {
constexpr qint32 lngUnsupportedFormula = lngObjectError + 3002;

// Every number shown is formatted with it: made once for as long as the default locale stays,
// with the symbols the quick writing of amounts needs.
struct cNumberLocale
{
    QLocale locale;
    QString strPoint;
    QString strMinus;
    char16_t chrZero = u'0';
    bool blnQuick = false; // digits are single consecutive units from chrZero
};

const cNumberLocale& fncNumberLocale()
{
    thread_local std::optional<QLocale> base;
    thread_local cNumberLocale numbers;
    if (const QLocale current; !base || current != *base) {
        base = current;
        numbers.locale = current;
        numbers.locale.setNumberOptions(QLocale::OmitGroupSeparator);
        numbers.strPoint = current.decimalPoint();
        numbers.strMinus = current.negativeSign();
        const QString strZero = current.zeroDigit();
        numbers.blnQuick = strZero.size() == 1 && !strZero.at(0).isSurrogate();
        numbers.chrZero = numbers.blnQuick ? strZero.at(0).unicode() : u'0';
    }
    return numbers;
}

// A value of whole ten-thousandths below 10^11 (every amount a list holds) has at most 15
// significant digits, so QLocale's 15-digit text of it is that decimal without trailing zeros;
// written digit by digit here, it costs a tenth. Anything else is left to QLocale.
std::optional<QString> fncQuickNumberText(double d, const cNumberLocale& n)
{
    constexpr double dblScale = 10000;
    if (!n.blnQuick || !(std::fabs(d) < 1e11) || (d == 0 && std::signbit(d)))
        return std::nullopt;
    const qint64 lngScaled = std::llround(d * dblScale);
    if (static_cast<double>(lngScaled) / dblScale != d)
        return std::nullopt;
    quint64 lngAbs = static_cast<quint64>(lngScaled < 0 ? -lngScaled : lngScaled);
    std::array<char16_t, 24> digits {};
    size_t intLen = 0;
    int intFraction = 4;
    // Trailing zeros of the fraction are not written.
    while (intFraction > 0 && lngAbs % 10 == 0) {
        lngAbs /= 10;
        --intFraction;
    }
    for (int i = 0; i < intFraction; ++i) {
        digits[intLen++] = static_cast<char16_t>(n.chrZero + lngAbs % 10);
        lngAbs /= 10;
    }
    QString text;
    text.reserve(static_cast<qsizetype>(intLen + 16));
    if (lngScaled < 0)
        text += n.strMinus;
    const size_t intFractionLen = intLen;
    do {
        digits[intLen++] = static_cast<char16_t>(n.chrZero + lngAbs % 10);
        lngAbs /= 10;
    } while (lngAbs > 0);
    for (size_t i = intLen; i > intFractionLen; --i)
        text += QChar(digits[i - 1]);
    if (intFractionLen > 0) {
        text += n.strPoint;
        for (size_t i = intFractionLen; i > 0; --i)
            text += QChar(digits[i - 1]);
    }
    return text;
}

bool isEmptyValue(const QVariant& v)
{
    if (v.typeId() == QMetaType::QString)
        return static_cast<const QString*>(v.constData())->isEmpty();
    return !v.isValid() || v.isNull();
}

// Days since 30 December 1899, the serial date of spreadsheets.
QDateTime fncFromSerial(double d)
{
    const QDateTime base(QDate(1899, 12, 30), QTime(0, 0));
    return base.addMSecs(static_cast<qint64>(d * 86400000.0 + (d >= 0 ? 0.5 : -0.5)));
}

// Sort order of spreadsheets: numbers, then texts in the user's language order without regard
// to case ("Ä" with "A" in German); blanks always last.
int fncCompare(const QCollator& collator, const QVariant& a, const QVariant& b)
{
    const bool ea = isEmptyValue(a);
    const bool eb = isEmptyValue(b);
    if (ea || eb)
        return ea == eb ? 0 : (ea ? 2 : -2); // +-2: blanks, not flipped by descending order
    const bool na = cSheetModel::fncIsNumber(a);
    const bool nb = cSheetModel::fncIsNumber(b);
    if (na && nb) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (na != nb)
        return na ? -1 : 1;
    const int c = collator.compare(a.toString(), b.toString());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

const QRegularExpression& rxCountA()
{
    static const QRegularExpression rx(QStringLiteral(R"(^\s*=\s*counta\s*\(\s*([^)]+?)\s*\)\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    return rx;
}
} // namespace

cSheetModel::cSheetModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    m_styles.append(cCellStyle());
}

namespace {
// Rows are kept down to the last one written and each as wide as its last column written: a
// sheet of many rows and columns costs only what it holds.
template <typename T>
std::vector<T>& fncGrownRow(std::vector<std::vector<T>>& rows, int r, int intLastCol)
{
    if (static_cast<size_t>(r) >= rows.size())
        rows.resize(static_cast<size_t>(r) + 1);
    auto& row = rows[static_cast<size_t>(r)];
    // A row filled left to right would otherwise be moved to a bigger block several times; the
    // first block is as big as the doublings would end at for a list's few columns.
    if (row.capacity() == 0)
        row.reserve(std::max<size_t>(static_cast<size_t>(intLastCol) + 1, 8));
    if (row.size() <= static_cast<size_t>(intLastCol))
        row.resize(static_cast<size_t>(intLastCol) + 1);
    return row;
}

template <typename T> T fncCellOf(const std::vector<T>& row, int c)
{
    return static_cast<size_t>(c) < row.size() ? row[static_cast<size_t>(c)] : T();
}

template <typename T> const std::vector<T>& fncRowAt(const std::vector<std::vector<T>>& rows, int r)
{
    static const std::vector<T> none;
    return static_cast<size_t>(r) < rows.size() ? rows[static_cast<size_t>(r)] : none;
}
} // namespace

std::vector<QVariant>& cSheetModel::rowValues(int r, int intLastCol)
{
    return fncGrownRow(m_values, r, intLastCol);
}

std::vector<quint16>& cSheetModel::rowStyles(int r, int intLastCol)
{
    return fncGrownRow(m_styleIds, r, intLastCol);
}

const std::vector<QVariant>& cSheetModel::valuesAt(int r) const
{
    return fncRowAt(m_values, r);
}

QVariant cSheetModel::Value(int intRow, int intCol) const
{
    const auto f = m_formulas.constFind(key(intRow, intCol));
    if (f != m_formulas.cend()) {
        if (f->blnDirty || m_intUpdateDepth > 0) {
            f->intCache = fncCountA(f->range, intRow, intCol);
            f->blnDirty = false;
        }
        return f->intCache;
    }
    return fncCellOf(valuesAt(intRow), intCol);
}

QString cSheetModel::Formula(int intRow, int intCol) const
{
    return m_formulas.value(key(intRow, intCol)).strText;
}

bool cSheetModel::isCellEmpty(int intRow, int intCol) const
{
    if (m_formulas.contains(key(intRow, intCol)))
        return false;
    const auto& row = valuesAt(intRow);
    return static_cast<size_t>(intCol) >= row.size()
        || isEmptyValue(row[static_cast<size_t>(intCol)]);
}

bool cSheetModel::isRowEmpty(int intRow, int intExceptCol) const
{
    for (int c = 0; c < intSheetColumns; ++c) {
        if (c != intExceptCol && !isCellEmpty(intRow, c))
            return false;
    }
    return true;
}

int cSheetModel::fncCountA(const cSheetRange& range, int intSelfRow, int intSelfCol) const
{
    int n = 0;
    const int last = std::min(range.intBottom, static_cast<int>(m_values.size()) - 1);
    for (int r = range.intTop; r <= last; ++r) {
        const auto& row = valuesAt(r);
        const int right = std::min(range.intRight, static_cast<int>(row.size()) - 1);
        for (int c = range.intLeft; c <= right; ++c) {
            if (!isEmptyValue(row[static_cast<size_t>(c)]))
                ++n;
        }
    }
    // Other formula cells inside the range count as filled; the formula's own cell does not,
    // which keeps a range that covers itself from going round in circles.
    for (auto it = m_formulas.cbegin(); it != m_formulas.cend(); ++it) {
        const int r = static_cast<int>(it.key() / intSheetColumns);
        const int c = static_cast<int>(it.key() % intSheetColumns);
        if (range.Contains(r, c) && !(r == intSelfRow && c == intSelfCol))
            ++n;
    }
    return n;
}

void cSheetModel::BeginUpdate()
{
    ++m_intUpdateDepth;
}

void cSheetModel::EndUpdate()
{
    if (m_intUpdateDepth == 0 || --m_intUpdateDepth > 0 || !m_pendingChange)
        return;
    const cSheetRange range = *m_pendingChange;
    m_pendingChange.reset();
    subCellsChanged(range);
}

void cSheetModel::subEmitChanged(const cSheetRange& range)
{
    if (m_intUpdateDepth > 0) {
        // One block covering every change is announced when the update ends.
        m_pendingChange = m_pendingChange
            ? cSheetRange { std::min(m_pendingChange->intTop, range.intTop),
                  std::min(m_pendingChange->intLeft, range.intLeft),
                  std::max(m_pendingChange->intBottom, range.intBottom),
                  std::max(m_pendingChange->intRight, range.intRight) }
            : range;
        return;
    }
    const int rows = rowCount();
    const int cols = columnCount();
    if (range.intTop >= rows || range.intLeft >= cols)
        return;
    emit dataChanged(index(range.intTop, range.intLeft),
        index(std::min(range.intBottom, rows - 1), std::min(range.intRight, cols - 1)));
}

// Values changed: the block itself and every formula that counts any of its cells.
void cSheetModel::subCellsChanged(const cSheetRange& range)
{
    subEmitChanged(range);
    // Within an update every formula counts as changed (see Value); the ones the changes touch
    // are marked when it ends.
    if (m_intUpdateDepth > 0)
        return;
    for (auto it = m_formulas.begin(); it != m_formulas.end(); ++it) {
        const cSheetRange& f = it->range;
        const bool overlaps = f.intLeft <= range.intRight && range.intLeft <= f.intRight
            && f.intTop <= range.intBottom && range.intTop <= f.intBottom;
        if (overlaps) {
            it->blnDirty = true;
            const int r = static_cast<int>(it.key() / intSheetColumns);
            const int c = static_cast<int>(it.key() % intSheetColumns);
            subEmitChanged(cSheetRange::Cell(r, c));
        }
    }
}

void cSheetModel::SetCellValue(int intRow, int intCol, const QVariant& value)
{
    m_formulas.remove(key(intRow, intCol));
    if (isEmptyValue(value)) {
        if (static_cast<size_t>(intCol) < valuesAt(intRow).size())
            m_values[static_cast<size_t>(intRow)][static_cast<size_t>(intCol)] = QVariant();
    } else {
        rowValues(intRow, intCol)[static_cast<size_t>(intCol)] = value;
    }
    subCellsChanged(cSheetRange::Cell(intRow, intCol));
}

void cSheetModel::SetValue(const cSheetRange& range, const QVariant& value)
{
    const bool empty = isEmptyValue(value);
    for (int r = range.intTop; r <= range.intBottom; ++r) {
        if (empty && valuesAt(r).size() <= static_cast<size_t>(range.intLeft))
            continue;
        auto& row = empty ? m_values[static_cast<size_t>(r)] : rowValues(r, range.intRight);
        const int right = std::min(range.intRight, static_cast<int>(row.size()) - 1);
        for (int c = range.intLeft; c <= right; ++c)
            row[static_cast<size_t>(c)] = empty ? QVariant() : value;
    }
    for (auto it = m_formulas.begin(); it != m_formulas.end();) {
        const int r = static_cast<int>(it.key() / intSheetColumns);
        const int c = static_cast<int>(it.key() % intSheetColumns);
        it = range.Contains(r, c) ? m_formulas.erase(it) : std::next(it);
    }
    subCellsChanged(range);
}

void cSheetModel::ClearContents(const cSheetRange& range)
{
    SetValue(range, QVariant());
}

void cSheetModel::ClearFormats(const cSheetRange& range)
{
    const int last = std::min(range.intBottom, static_cast<int>(m_styleIds.size()) - 1);
    for (int r = range.intTop; r <= last; ++r) {
        auto& row = m_styleIds[static_cast<size_t>(r)];
        const int right = std::min(range.intRight, static_cast<int>(row.size()) - 1);
        for (int c = range.intLeft; c <= right; ++c)
            row[static_cast<size_t>(c)] = 0;
    }
    if (range.WholeColumns() && range.WholeRows()) {
        m_styles.resize(1);
        for (auto& row : m_styleIds)
            row.clear();
    }
    subEmitChanged(range);
}

void cSheetModel::SetFormula(const cSheetRange& range, const QString& strFormula)
{
    if (strFormula.trimmed().isEmpty()) {
        ClearContents(range);
        return;
    }
    const QRegularExpressionMatch m = rxCountA().match(strFormula);
    cSheetRange counted;
    if (!m.hasMatch() || !cSheetRange::fncTryParse(m.captured(1), &counted))
        throw cHVError(lngUnsupportedFormula, QStringLiteral("cSheetModel"),
            QStringLiteral("The sheet does not understand the formula \"") + strFormula
                + QStringLiteral("\""));
    ClearContents(range);
    for (int r = range.intTop; r <= range.intBottom; ++r) {
        for (int c = range.intLeft; c <= range.intRight; ++c)
            m_formulas.insert(key(r, c), cFormula { strFormula.trimmed(), counted });
    }
    subCellsChanged(range);
}

quint16 cSheetModel::fncInternStyle(const cCellStyle& style)
{
    const qsizetype i = m_styles.indexOf(style);
    if (i >= 0)
        return static_cast<quint16>(i);
    if (m_styles.size() >= 65535)
        throw cHVError(lngObjectError + 3003, QStringLiteral("cSheetModel"),
            QStringLiteral("Too many different cell formats"));
    m_styles.append(style);
    return static_cast<quint16>(m_styles.size() - 1);
}

const cSheetModel::cCellStyle& cSheetModel::Style(int intRow, int intCol) const
{
    return m_styles.at(fncCellOf(fncRowAt(m_styleIds, intRow), intCol));
}

void cSheetModel::ApplyStyle(
    const cSheetRange& range, const std::function<void(cCellStyle&)>& change)
{
    // Few distinct formats exist, so each old format maps to its changed one once; neighbouring
    // cells mostly share their format, so the last mapping is tried before the table.
    QHash<quint16, quint16> mapped;
    int lastFrom = -1;
    quint16 lastTo = 0;
    for (int r = range.intTop; r <= range.intBottom; ++r) {
        auto& row = rowStyles(r, range.intRight);
        for (int c = range.intLeft; c <= range.intRight; ++c) {
            quint16& id = row[static_cast<size_t>(c)];
            if (id == lastFrom) {
                id = lastTo;
                continue;
            }
            lastFrom = id;
            auto it = mapped.constFind(id);
            if (it == mapped.cend()) {
                cCellStyle s = m_styles.at(id);
                change(s);
                it = mapped.insert(id, fncInternStyle(s));
            }
            id = lastTo = *it;
        }
    }
    subEmitChanged(range);
}

const QString& fncCheckMarkText(bool blnChecked)
{
    static const QString checked { QChar(chrChecked) }, unchecked { QChar(chrUnchecked) };
    return blnChecked ? checked : unchecked;
}

bool cSheetModel::isChecked(int intRow, int intCol) const
{
    const QVariant v = Value(intRow, intCol);
    if (isEmptyValue(v))
        return true;
    return v.toString() == fncCheckMarkText(true);
}

void cSheetModel::SetProtected(bool blnOn)
{
    if (m_blnProtected == blnOn)
        return;
    m_blnProtected = blnOn;
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), { Qt::EditRole });
}

bool cSheetModel::fncUserCanEdit(int intRow, int intCol) const
{
    return !m_blnProtected || !Style(intRow, intCol).blnLocked;
}

void cSheetModel::subShiftRows(int intFrom, int intBy)
{
    // Rows past the last one kept are empty already and stay so.
    const auto shift = [&](auto& rows) {
        if (static_cast<size_t>(intFrom) >= rows.size())
            return;
        if (intBy > 0) {
            rows.insert(rows.begin() + intFrom, static_cast<size_t>(intBy), {});
            if (rows.size() > static_cast<size_t>(intSheetRows))
                rows.resize(intSheetRows);
        } else {
            const size_t end = std::min(rows.size(), static_cast<size_t>(intFrom - intBy));
            rows.erase(rows.begin() + intFrom, rows.begin() + static_cast<std::ptrdiff_t>(end));
        }
    };
    shift(m_values);
    shift(m_styleIds);
    // Formulas move with their cells; a formula pushed off the sheet or deleted goes.
    QHash<qint64, cFormula> moved;
    for (auto it = m_formulas.cbegin(); it != m_formulas.cend(); ++it) {
        int r = static_cast<int>(it.key() / intSheetColumns);
        const int c = static_cast<int>(it.key() % intSheetColumns);
        if (r >= intFrom) {
            if (intBy < 0 && r < intFrom - intBy)
                continue;
            r += intBy;
        }
        if (r >= 0 && r < intSheetRows) {
            cFormula f = *it;
            f.blnDirty = true;
            moved.insert(key(r, c), f);
        }
    }
    m_formulas = moved;
    subCellsChanged({ intFrom, 0, intSheetRows - 1, intSheetColumns - 1 });
}

void cSheetModel::subShiftColumns(int intFrom, int intBy)
{
    const auto shift = [&](auto& rows, auto blank) {
        for (auto& row : rows) {
            if (row.size() <= static_cast<size_t>(intFrom))
                continue;
            if (intBy > 0) {
                row.insert(row.begin() + intFrom, static_cast<size_t>(intBy), blank);
                if (row.size() > static_cast<size_t>(intSheetColumns))
                    row.resize(intSheetColumns);
            } else {
                const size_t end = std::min(row.size(), static_cast<size_t>(intFrom - intBy));
                row.erase(row.begin() + intFrom, row.begin() + static_cast<std::ptrdiff_t>(end));
            }
        }
    };
    shift(m_values, QVariant());
    shift(m_styleIds, quint16(0));
    QHash<qint64, cFormula> moved;
    for (auto it = m_formulas.cbegin(); it != m_formulas.cend(); ++it) {
        const int r = static_cast<int>(it.key() / intSheetColumns);
        int c = static_cast<int>(it.key() % intSheetColumns);
        if (c >= intFrom) {
            if (intBy < 0 && c < intFrom - intBy)
                continue;
            c += intBy;
        }
        if (c >= 0 && c < intSheetColumns) {
            cFormula f = *it;
            f.blnDirty = true;
            moved.insert(key(r, c), f);
        }
    }
    m_formulas = moved;
    subCellsChanged({ 0, intFrom, intSheetRows - 1, intSheetColumns - 1 });
}

bool cSheetModel::fncInsertRows(int intRow, int intCount)
{
    if (intCount <= 0 || intRow < 0 || intRow >= intSheetRows)
        return false;
    if (m_blnProtected && !m_protection.blnAllowInsertingRows)
        return false;
    subShiftRows(intRow, std::min(intCount, intSheetRows - intRow));
    return true;
}

bool cSheetModel::fncDeleteRows(int intRow, int intCount)
{
    if (intCount <= 0 || intRow < 0 || intRow >= intSheetRows)
        return false;
    intCount = std::min(intCount, intSheetRows - intRow);
    if (m_blnProtected) {
        if (!m_protection.blnAllowDeletingRows)
            return false;
        // A row holding a locked cell (the heading) stays.
        for (int r = intRow; r < intRow + intCount; ++r) {
            for (int c = 0; c < intSheetColumns; ++c) {
                if (Style(r, c).blnLocked)
                    return false;
            }
        }
    }
    subShiftRows(intRow, -intCount);
    return true;
}

bool cSheetModel::fncInsertColumns(int intCol, int intCount)
{
    if (intCount <= 0 || intCol < 0 || intCol >= intSheetColumns)
        return false;
    if (m_blnProtected && !m_protection.blnAllowInsertingColumns)
        return false;
    subShiftColumns(intCol, std::min(intCount, intSheetColumns - intCol));
    return true;
}

bool cSheetModel::fncDeleteColumns(int intCol, int intCount)
{
    if (intCount <= 0 || intCol < 0 || intCol >= intSheetColumns)
        return false;
    if (m_blnProtected && !m_protection.blnAllowDeletingColumns)
        return false;
    subShiftColumns(intCol, -std::min(intCount, intSheetColumns - intCol));
    return true;
}

void cSheetModel::SetViewableRange(const cSheetRange& range)
{
    beginResetModel();
    m_viewable = range;
    endResetModel();
    emit viewableRangeChanged();
}

void cSheetModel::SortRange(const cSheetRange& range, int intKeyCol, Qt::SortOrder order)
{
    struct cRowData
    {
        std::vector<QVariant> values;
        std::vector<quint16> styles;
    };
    const int width = range.Columns();
    std::vector<cRowData> rows;
    rows.reserve(static_cast<size_t>(range.Rows()));
    for (int r = range.intTop; r <= range.intBottom; ++r) {
        cRowData d;
        const auto& v = valuesAt(r);
        const auto& s = fncRowAt(m_styleIds, r);
        d.values.assign(static_cast<size_t>(width), QVariant());
        d.styles.assign(static_cast<size_t>(width), 0);
        for (int c = 0; c < width; ++c) {
            d.values[static_cast<size_t>(c)] = fncCellOf(v, range.intLeft + c);
            d.styles[static_cast<size_t>(c)] = fncCellOf(s, range.intLeft + c);
        }
        rows.push_back(std::move(d));
    }
    const size_t k = static_cast<size_t>(intKeyCol - range.intLeft);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(rows.begin(), rows.end(), [&](const cRowData& a, const cRowData& b) {
        const int c = fncCompare(collator, a.values[k], b.values[k]);
        if (c == 2 || c == -2)
            return c < 0;
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    for (int r = range.intTop; r <= range.intBottom; ++r) {
        const cRowData& d = rows[static_cast<size_t>(r - range.intTop)];
        const bool anyValue = std::any_of(
            d.values.begin(), d.values.end(), [](const QVariant& v) { return !isEmptyValue(v); });
        if (anyValue || valuesAt(r).size() > static_cast<size_t>(range.intLeft)) {
            auto& v = rowValues(r, range.intRight);
            for (int c = 0; c < width; ++c)
                v[static_cast<size_t>(range.intLeft + c)] = d.values[static_cast<size_t>(c)];
        }
        auto& s = rowStyles(r, range.intRight);
        for (int c = 0; c < width; ++c)
            s[static_cast<size_t>(range.intLeft + c)] = d.styles[static_cast<size_t>(c)];
    }
    subCellsChanged(range);
}

bool cSheetModel::fncUserSort(const cSheetRange& range, int intKeyCol, Qt::SortOrder order)
{
    if (m_blnProtected) {
        if (!m_protection.blnAllowSorting)
            return false;
        for (int r = range.intTop; r <= range.intBottom; ++r) {
            for (int c = range.intLeft; c <= range.intRight; ++c) {
                if (Style(r, c).blnLocked)
                    return false;
            }
        }
    }
    SortRange(range, intKeyCol, order);
    return true;
}

void cSheetModel::SetAutoFilter(std::optional<cSheetRange> range)
{
    m_autoFilter = range;
    m_filters.clear();
    emit filterChanged();
}

bool cSheetModel::fncSetFilter(int intCol, const QStringList& strValues)
{
    if (!m_autoFilter || !blnEnableAutoFilter || intCol < m_autoFilter->intLeft
        || intCol > m_autoFilter->intRight)
        return false;
    if (m_blnProtected && !m_protection.blnAllowFiltering)
        return false;
    if (strValues.isEmpty())
        m_filters.remove(intCol);
    else
        m_filters.insert(intCol, QSet<QString>(strValues.begin(), strValues.end()));
    emit filterChanged();
    return true;
}

bool cSheetModel::isRowFiltered(int intRow) const
{
    // The first row of the filtered block holds the headings and always shows.
    if (!m_autoFilter || m_filters.isEmpty() || intRow <= m_autoFilter->intTop
        || intRow > m_autoFilter->intBottom)
        return false;
    for (auto it = m_filters.cbegin(); it != m_filters.cend(); ++it) {
        if (!it->contains(fncDisplayText(intRow, it.key())))
            return true;
    }
    return false;
}

QStringList cSheetModel::fncDistinctValues(int intCol) const
{
    QStringList values;
    if (!m_autoFilter)
        return values;
    QSet<QString> seen;
    for (int r = m_autoFilter->intTop + 1; r <= m_autoFilter->intBottom; ++r) {
        const QString t = fncDisplayText(r, intCol);
        if (!seen.contains(t)) {
            seen.insert(t);
            values.append(t);
        }
    }
    std::sort(values.begin(), values.end(),
        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return values;
}

int cSheetModel::LastUsedRow() const
{
    int bottom = -1;
    for (auto it = m_formulas.cbegin(); it != m_formulas.cend(); ++it)
        bottom = std::max(bottom, static_cast<int>(it.key() / intSheetColumns));
    for (int r = static_cast<int>(m_values.size()) - 1; r > bottom; --r) {
        const auto& row = valuesAt(r);
        if (std::any_of(
                row.cbegin(), row.cend(), [](const QVariant& v) { return !isEmptyValue(v); }))
            return r;
    }
    return bottom;
}

std::optional<cSheetRange> cSheetModel::UsedRange() const
{
    int top = intSheetRows;
    int left = intSheetColumns;
    int bottom = -1;
    int right = -1;
    const auto take = [&](int r, int c) {
        top = std::min(top, r);
        bottom = std::max(bottom, r);
        left = std::min(left, c);
        right = std::max(right, c);
    };
    for (int r = 0; r < static_cast<int>(m_values.size()); ++r) {
        const auto& row = valuesAt(r);
        for (size_t c = 0; c < row.size(); ++c) {
            if (!isEmptyValue(row[c]))
                take(r, static_cast<int>(c));
        }
    }
    for (auto it = m_formulas.cbegin(); it != m_formulas.cend(); ++it)
        take(static_cast<int>(it.key() / intSheetColumns),
            static_cast<int>(it.key() % intSheetColumns));
    if (bottom < 0)
        return std::nullopt;
    return cSheetRange { top, left, bottom, right };
}

QString cSheetModel::fncDisplayText(int intRow, int intCol) const
{
    const QVariant v = Value(intRow, intCol);
    const cCellStyle& s = Style(intRow, intCol);
    if (s.blnCheckMark)
        return isEmptyValue(v) && isRowEmpty(intRow, intCol)
            ? QString()
            : (isChecked(intRow, intCol) ? QStringLiteral("\u2611") : QStringLiteral("\u2610"));
    if (isEmptyValue(v))
        return QString();
    if (v.typeId() == QMetaType::QString)
        return *static_cast<const QString*>(v.constData());
    const cNumberLocale& numbers = fncNumberLocale();
    const QLocale& locale = numbers.locale;
    if (s.numberFormat == eNumberFormat::GeneralDate) {
        QDateTime dt;
        if (cSheetModel::fncIsNumber(v))
            dt = fncFromSerial(v.toDouble());
        else if (v.typeId() == QMetaType::QDateTime)
            dt = v.toDateTime();
        else if (v.typeId() == QMetaType::QDate)
            dt = v.toDate().startOfDay();
        if (dt.isValid())
            return dt.time() == QTime(0, 0) ? locale.toString(dt.date(), QLocale::ShortFormat)
                                            : locale.toString(dt, QLocale::ShortFormat);
    }
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        const double d = v.toDouble();
        if (auto quick = fncQuickNumberText(d, numbers))
            return *std::move(quick);
        return locale.toString(d, 'g', 15);
    }
    if (cSheetModel::fncIsNumber(v))
        return locale.toString(v.toLongLong());
    if (v.typeId() == QMetaType::QDateTime)
        return locale.toString(v.toDateTime(), QLocale::ShortFormat);
    if (v.typeId() == QMetaType::QDate)
        return locale.toString(v.toDate(), QLocale::ShortFormat);
    return v.toString();
}

QString cSheetModel::fncHtml(const cSheetRange& range) const
{
    QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>\n"
                                  "<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\">\n");
    for (int r = range.intTop; r <= range.intBottom; ++r) {
        html += QStringLiteral("<tr>");
        for (int c = range.intLeft; c <= range.intRight; ++c) {
            const cCellStyle& s = Style(r, c);
            QString style;
            if (s.blnBold)
                style += QStringLiteral("font-weight:bold;");
            if (!s.strFontName.isEmpty())
                style += QStringLiteral("font-family:'") + s.strFontName + QStringLiteral("';");
            if (s.dblFontSize > 0)
                style += QStringLiteral("font-size:") + QString::number(s.dblFontSize)
                    + QStringLiteral("pt;");
            if (s.colBackground.isValid())
                style += QStringLiteral("background-color:") + s.colBackground.name()
                    + QLatin1Char(';');
            if (s.align == eAlign::Center || s.blnCheckMark)
                style += QStringLiteral("text-align:center;");
            else if (s.align == eAlign::Right
                || (s.align == eAlign::General && cSheetModel::fncIsNumber(Value(r, c))))
                style += QStringLiteral("text-align:right;");
            html += style.isEmpty()
                ? QStringLiteral("<td>")
                : QStringLiteral("<td style=\"") + style + QStringLiteral("\">");
            html += fncDisplayText(r, c).toHtmlEscaped() + QStringLiteral("</td>");
        }
        html += QStringLiteral("</tr>\n");
    }
    html += QStringLiteral("</table>\n</body></html>\n");
    return html;
}

int cSheetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_viewable.intBottom + 1;
}

int cSheetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_viewable.intRight + 1;
}

QVariant cSheetModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    const int r = index.row();
    const int c = index.column();
    const cCellStyle& s = Style(r, c);
    switch (role) {
    case Qt::DisplayRole:
        return s.blnCheckMark ? QVariant() : QVariant(fncDisplayText(r, c));
    case Qt::EditRole: {
        const QString f = Formula(r, c);
        if (!f.isEmpty())
            return f;
        const QVariant v = Value(r, c);
        if (isEmptyValue(v))
            return QString();
        if (v.typeId() == QMetaType::QString && s.numberFormat != eNumberFormat::Text) {
            // Text that would read back as a number or formula keeps its apostrophe.
            bool ok = false;
            fncNumberLocale().locale.toDouble(v.toString(), &ok);
            if (ok || v.toString().startsWith(QLatin1Char('='))
                || v.toString().startsWith(QLatin1Char('\'')))
                return QString(QLatin1Char('\'') + v.toString());
        }
        return fncDisplayText(r, c);
    }
    case Qt::AccessibleTextRole:
        return fncDisplayText(r, c);
    case Qt::CheckStateRole:
        if (!s.blnCheckMark || (isCellEmpty(r, c) && isRowEmpty(r, c)))
            return QVariant();
        return isChecked(r, c) ? Qt::Checked : Qt::Unchecked;
    case Qt::FontRole: {
        if (s.strFontName.isEmpty() && s.dblFontSize <= 0 && !s.blnBold)
            return QVariant();
        QFont font;
        if (!s.strFontName.isEmpty())
            font.setFamilies({ s.strFontName });
        if (s.dblFontSize > 0)
            font.setPointSizeF(s.dblFontSize);
        font.setBold(s.blnBold);
        return font;
    }
    case Qt::TextAlignmentRole:
        switch (s.align) {
        case eAlign::Left:
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        case eAlign::Center:
            return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        case eAlign::Right:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        case eAlign::General:
            break;
        }
        if (s.blnCheckMark)
            return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        return QVariant::fromValue(
            (cSheetModel::fncIsNumber(Value(r, c)) && s.numberFormat != eNumberFormat::Text
                    ? Qt::AlignRight
                    : Qt::AlignLeft)
            | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        return s.colBackground.isValid() ? QVariant(s.colBackground) : QVariant();
    default:
        return QVariant();
    }
}

bool cSheetModel::fncEnterText(int intRow, int intCol, const QString& strTyped, QString* pError)
{
    const cCellStyle& s = Style(intRow, intCol);
    const QString strText = fncCleanEntryText(strTyped);
    const QString strCell = cSheetRange::Cell(intRow, intCol).fncAddress(false);
    const auto refuse = [pError](const QString& strMessage) {
        if (pError)
            *pError = strMessage;
        return false;
    };
    if (strText.trimmed().isEmpty()) {
        SetCellValue(intRow, intCol, QVariant());
        return true;
    }
    if (strText.size() > intMaxEntryLength)
        return refuse(fncPhrase("LNGEDITTOOLONG").arg(strCell).arg(intMaxEntryLength));
    if (s.numberFormat == eNumberFormat::Number) {
        const auto d = fncParseDecimal(strText);
        if (!d)
            return refuse(fncPhrase("LNGEDITNOTANUMBER").arg(strCell, strText.trimmed()));
        SetCellValue(intRow, intCol, *d);
        return true;
    }
    if (s.numberFormat == eNumberFormat::Text) {
        SetCellValue(intRow, intCol, strText);
        return true;
    }
    if (strText.startsWith(QLatin1Char('\''))) {
        SetCellValue(intRow, intCol, strText.mid(1));
        return true;
    }
    if (strText.startsWith(QLatin1Char('=')) && strText.size() > 1) {
        try {
            SetFormula(cSheetRange::Cell(intRow, intCol), strText);
        } catch (const cHVError& e) {
            return refuse(e.Description());
        }
        return true;
    }
    bool ok = false;
    const QString t = strText.trimmed();
    double d = fncNumberLocale().locale.toDouble(t, &ok);
    if (!ok)
        d = QLocale::c().toDouble(t, &ok);
    if (ok) {
        SetCellValue(intRow, intCol, d);
        return true;
    }
    if (s.numberFormat == eNumberFormat::GeneralDate) {
        const QLocale l;
        for (const QString& fmt :
            { l.dateTimeFormat(QLocale::ShortFormat), l.dateFormat(QLocale::ShortFormat),
                QStringLiteral("yyyy-MM-dd HH:mm"), QStringLiteral("yyyy-MM-dd") }) {
            const QDateTime dt = l.toDateTime(t, fmt);
            if (dt.isValid()) {
                SetCellValue(intRow, intCol, dt);
                return true;
            }
        }
    }
    SetCellValue(intRow, intCol, strText);
    return true;
}

cSheetModel::cBlock cSheetModel::fncBlock(const cSheetRange& range) const
{
    cBlock block { range, {} };
    block.values.reserve(static_cast<size_t>(range.Rows()) * static_cast<size_t>(range.Columns()));
    for (int r = range.intTop; r <= range.intBottom; ++r) {
        const auto& row = valuesAt(r);
        for (int c = range.intLeft; c <= range.intRight; ++c)
            block.values.push_back(fncCellOf(row, c));
    }
    return block;
}

void cSheetModel::PutBlock(const cBlock& block)
{
    // Only a real change is announced: an open editor on an unchanged cell keeps its text.
    const cSheetRange& range = block.range;
    bool changed = false;
    auto it = block.values.cbegin();
    for (int r = range.intTop; r <= range.intBottom; ++r) {
        const bool blank = std::all_of(it, it + range.Columns(), isEmptyValue);
        if (blank && valuesAt(r).size() <= static_cast<size_t>(range.intLeft)) {
            it += range.Columns();
            continue;
        }
        auto& row = rowValues(r, range.intRight);
        for (int c = range.intLeft; c <= range.intRight; ++c, ++it) {
            QVariant& cell = row[static_cast<size_t>(c)];
            const QVariant v = isEmptyValue(*it) ? QVariant() : *it;
            if (cell.typeId() != v.typeId() || cell != v) {
                cell = v;
                changed = true;
            }
        }
    }
    if (changed)
        subCellsChanged(range);
}

bool cSheetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    const int r = index.row();
    const int c = index.column();
    if (role == Qt::CheckStateRole) {
        if (!Style(r, c).blnCheckMark)
            return false;
        const bool on = value.toInt() == Qt::Checked;
        SetCellValue(r, c, fncCheckMarkText(on));
        return true;
    }
    if (role != Qt::EditRole || !fncUserCanEdit(r, c) || Style(r, c).blnCheckMark)
        return false;
    return fncEnterText(r, c, value.toString());
}

Qt::ItemFlags cSheetModel::flags(const QModelIndex& index) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const cCellStyle& s = Style(index.row(), index.column());
    if (s.blnCheckMark)
        f |= Qt::ItemIsUserCheckable;
    else if (fncUserCanEdit(index.row(), index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant cSheetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return orientation == Qt::Horizontal ? QVariant(cSheetRange::fncColumnName(section))
                                         : QVariant(section + 1);
}

bool cSheetModel::fncIsNumber(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}
