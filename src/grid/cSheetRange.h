#pragma once

#include <QString>

// Extent of every sheet: the 65,536 rows of the classic spreadsheets (a list of tens of thousands
// of items fits) and the columns A to Z.
inline constexpr int intSheetRows = 65536;
inline constexpr int intSheetColumns = 26;
// Rows a new sheet shows until it is given a viewable range: a list's usual rows. A view keeps
// a section per row it may show, so a new sheet does not offer all of them.
inline constexpr int intDefaultViewableRows = 2000;

// A rectangular block of cells, 0-based and inclusive, read from A1-style addresses:
// "B2", "$B$2", "a2:d1000", "D2:A1" (reversed), "D:F" (whole columns), "1:1" (whole rows).
struct cSheetRange
{
    int intTop = 0;
    int intLeft = 0;
    int intBottom = 0;
    int intRight = 0;

    static cSheetRange Cell(int intRow, int intCol) { return { intRow, intCol, intRow, intCol }; }
    // Throws cHVError for an address that is malformed or lies outside the sheet.
    static cSheetRange fncParse(const QString& strAddress);
    static bool fncTryParse(const QString& strAddress, cSheetRange* pRange);

    static QString fncColumnName(int intCol);
    // -1 for anything but letters naming a column of the sheet.
    static int fncColumnIndex(const QString& strLetters);

    // "$B$2" for one cell, "$A$2:$D$5" for a block, as the selection reports addresses.
    QString fncAddress(bool blnAbsolute = true) const;
    QString fncFirstCellAddress(bool blnAbsolute = true) const;

    int Rows() const { return intBottom - intTop + 1; }
    int Columns() const { return intRight - intLeft + 1; }
    bool isSingleCell() const { return intTop == intBottom && intLeft == intRight; }
    bool Contains(int intRow, int intCol) const
    {
        return intRow >= intTop && intRow <= intBottom && intCol >= intLeft && intCol <= intRight;
    }
    bool WholeColumns() const { return intTop == 0 && intBottom == intSheetRows - 1; }
    bool WholeRows() const { return intLeft == 0 && intRight == intSheetColumns - 1; }
    bool operator==(const cSheetRange&) const = default;
};
