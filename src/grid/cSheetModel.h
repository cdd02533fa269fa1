#pragma once

#include "cSheetRange.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// The check-mark characters (code page 1252): 254 ticked box, 168 empty box.
inline constexpr char16_t chrChecked = 0x00FE;
inline constexpr char16_t chrUnchecked = 0x00A8;
// A check-mark cell's text, one shared string each rather than a new one for every cell.
const QString& fncCheckMarkText(bool blnChecked);

// The cells of one sheet: values, the count formula, formats, locks and protection, the
// viewable range, sort and auto filter. The model's rows and columns are those of the viewable
// range (from A1 to its bottom-right corner); every cell of the sheet stays addressable.
class cSheetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Number takes only decimal numbers ("," or "." as the mark) and refuses other input.
    enum class eNumberFormat { General, Text, GeneralDate, Number };

    // A cell value that is a number (not a numeric text).
    static bool fncIsNumber(const QVariant& v);
    enum class eAlign { General, Left, Center, Right };

    struct cCellStyle
    {
        QString strFontName; // empty: the application's font
        double dblFontSize = 0; // 0: the application's size
        bool blnBold = false;
        eAlign align = eAlign::General;
        QColor colBackground; // invalid: none
        QColor colBorder; // invalid: gridlines only
        bool blnLocked = true;
        eNumberFormat numberFormat = eNumberFormat::General;
        bool blnCheckMark = false;
        bool operator==(const cCellStyle&) const = default;
    };

    // What the user may still do while the sheet is protected.
    struct cProtection
    {
        bool blnAllowDeletingColumns = true;
        bool blnAllowInsertingColumns = true;
        bool blnAllowInsertingRows = true;
        bool blnAllowDeletingRows = true;
        bool blnAllowFiltering = true;
        bool blnAllowSorting = true;
        bool blnAllowFormattingColumns = true;
        bool blnAllowFormattingRows = true;
    };

    explicit cSheetModel(QObject* parent = nullptr);

    // Values. A formula cell's value is its result; an invalid QVariant is an empty cell.
    QVariant Value(int intRow, int intCol) const;
    QString Formula(int intRow, int intCol) const;
    void SetValue(const cSheetRange& range, const QVariant& value);
    void SetCellValue(int intRow, int intCol, const QVariant& value);
    void ClearContents(const cSheetRange& range);
    void ClearFormats(const cSheetRange& range);
    // "=Counta(range)" is the formula the sheet understands; anything else throws cHVError.
    // An empty formula clears the cells.
    void SetFormula(const cSheetRange& range, const QString& strFormula);
    bool isCellEmpty(int intRow, int intCol) const;
    bool isRowEmpty(int intRow, int intExceptCol = -1) const;
    QString fncDisplayText(int intRow, int intCol) const;
    // Empty check-mark cells count as checked.
    bool isChecked(int intRow, int intCol) const;

    const cCellStyle& Style(int intRow, int intCol) const;
    void ApplyStyle(const cSheetRange& range, const std::function<void(cCellStyle&)>& change);

    bool isProtected() const { return m_blnProtected; }
    void SetProtected(bool blnOn);
    cProtection& Protection() { return m_protection; }
    const cProtection& Protection() const { return m_protection; }
    bool fncUserCanEdit(int intRow, int intCol) const;

    // User operations; false when the protection forbids them.
    bool fncInsertRows(int intRow, int intCount);
    bool fncDeleteRows(int intRow, int intCount);
    bool fncInsertColumns(int intCol, int intCount);
    bool fncDeleteColumns(int intCol, int intCount);

    void SetViewableRange(const cSheetRange& range);
    cSheetRange ViewableRange() const { return m_viewable; }

    // Stable sort of the rows of range by one of its columns; values and formats of a row
    // move together, blanks go last.
    void SortRange(
        const cSheetRange& range, int intKeyCol, Qt::SortOrder order = Qt::AscendingOrder);
    bool fncUserSort(const cSheetRange& range, int intKeyCol, Qt::SortOrder order);

    bool blnEnableAutoFilter = true;
    void SetAutoFilter(std::optional<cSheetRange> range);
    std::optional<cSheetRange> AutoFilter() const { return m_autoFilter; }
    // Shows only rows whose cell in intCol displays one of strValues; an empty list drops it.
    bool fncSetFilter(int intCol, const QStringList& strValues);
    bool isRowFiltered(int intRow) const;
    QStringList fncDistinctValues(int intCol) const;

    // Bounding block of the cells holding a value or formula; nullopt for an empty sheet.
    std::optional<cSheetRange> UsedRange() const;
    // The last row holding a value or formula, -1 for an empty sheet.
    int LastUsedRow() const;

    // Changes made between these (they nest) reach the views as one changed block at the end,
    // instead of one signal per cell.
    void BeginUpdate();
    void EndUpdate();
    QString fncHtml(const cSheetRange& range) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Turns typed text into a value: numbers stay numbers, "'" forces text, "=" a formula.
    // Returns false (and leaves the cell alone) for input the sheet cannot take: a formula it
    // does not know, a text over intMaxEntryLength, a non-number in a Number cell. The text is
    // cleaned first (fncCleanEntryText).
    bool fncEnterText(int intRow, int intCol, const QString& strText, QString* pError = nullptr);

    // The values of a block, to be put back later (undo); formulas are not part of it.
    struct cBlock
    {
        cSheetRange range;
        std::vector<QVariant> values;
    };
    cBlock fncBlock(const cSheetRange& range) const;
    void PutBlock(const cBlock& block);

signals:
    void filterChanged();
    void viewableRangeChanged();

private:
    struct cFormula
    {
        QString strText;
        cSheetRange range;
        mutable int intCache = 0;
        mutable bool blnDirty = true;
    };

    static qint64 key(int r, int c) { return static_cast<qint64>(r) * intSheetColumns + c; }
    quint16 fncInternStyle(const cCellStyle& style);
    void subCellsChanged(const cSheetRange& range);
    void subEmitChanged(const cSheetRange& range);
    int fncCountA(const cSheetRange& range, int intSelfRow, int intSelfCol) const;
    std::vector<QVariant>& rowValues(int r, int intLastCol);
    std::vector<quint16>& rowStyles(int r, int intLastCol);
    const std::vector<QVariant>& valuesAt(int r) const;
    void subShiftRows(int intFrom, int intBy);
    void subShiftColumns(int intFrom, int intBy);

    std::vector<std::vector<QVariant>> m_values; // a row's vector stays empty until written
    std::vector<std::vector<quint16>> m_styleIds;
    QList<cCellStyle> m_styles;
    QHash<qint64, cFormula> m_formulas;
    bool m_blnProtected = false;
    cProtection m_protection;
    cSheetRange m_viewable { 0, 0, intDefaultViewableRows - 1, intSheetColumns - 1 };
    std::optional<cSheetRange> m_autoFilter;
    QHash<int, QSet<QString>> m_filters;
    int m_intUpdateDepth = 0;
    std::optional<cSheetRange> m_pendingChange;
};
