#include "cSheetRange.h"

#include "cHVError.h"

namespace {
constexpr qint32 lngBadAddress = lngObjectError + 3001;

struct cPart
{
    int intCol = -1; // -1: no column letters
    int intRow = -1; // -1: no row digits
};

bool fncParsePart(const QString& s, cPart* p)
{
    qsizetype i = 0;
    const qsizetype n = s.size();
    if (i < n && s.at(i) == QLatin1Char('$'))
        ++i;
    const qsizetype letterStart = i;
    while (i < n && s.at(i).isLetter() && s.at(i).unicode() < 128)
        ++i;
    if (i > letterStart) {
        p->intCol = cSheetRange::fncColumnIndex(s.mid(letterStart, i - letterStart));
        if (p->intCol < 0)
            return false;
        if (i < n && s.at(i) == QLatin1Char('$'))
            ++i;
    }
    const qsizetype digitStart = i;
    while (i < n && s.at(i).isDigit() && s.at(i).unicode() < 128)
        ++i;
    if (i > digitStart) {
        if (i - digitStart > 6)
            return false;
        const int row = s.mid(digitStart, i - digitStart).toInt();
        if (row < 1 || row > intSheetRows)
            return false;
        p->intRow = row - 1;
    }
    return i == n && (p->intCol >= 0 || p->intRow >= 0);
}
} // namespace

QString cSheetRange::fncColumnName(int intCol)
{
    QString name;
    for (int c = intCol + 1; c > 0; c = (c - 1) / 26)
        name.prepend(QChar(u'A' + (c - 1) % 26));
    return name;
}

int cSheetRange::fncColumnIndex(const QString& strLetters)
{
    if (strLetters.isEmpty() || strLetters.size() > 3)
        return -1;
    int index = 0;
    for (const QChar ch : strLetters) {
        const char16_t u = ch.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            return -1;
        index = index * 26 + (u - u'A' + 1);
    }
    return index - 1 < intSheetColumns ? index - 1 : -1;
}

bool cSheetRange::fncTryParse(const QString& strAddress, cSheetRange* pRange)
{
    const QString s = strAddress.trimmed();
    const qsizetype colon = s.indexOf(QLatin1Char(':'));
    cPart a;
    cPart b;
    if (colon < 0) {
        if (!fncParsePart(s, &a) || a.intCol < 0 || a.intRow < 0)
            return false;
        b = a;
    } else {
        if (!fncParsePart(s.left(colon), &a) || !fncParsePart(s.mid(colon + 1), &b))
            return false;
        // Both ends must be of the same kind: cell:cell, column:column or row:row.
        if ((a.intCol < 0) != (b.intCol < 0) || (a.intRow < 0) != (b.intRow < 0))
            return false;
    }
    cSheetRange r;
    if (a.intCol < 0) {
        r.intLeft = 0;
        r.intRight = intSheetColumns - 1;
    } else {
        r.intLeft = std::min(a.intCol, b.intCol);
        r.intRight = std::max(a.intCol, b.intCol);
    }
    if (a.intRow < 0) {
        r.intTop = 0;
        r.intBottom = intSheetRows - 1;
    } else {
        r.intTop = std::min(a.intRow, b.intRow);
        r.intBottom = std::max(a.intRow, b.intRow);
    }
    if (pRange)
        *pRange = r;
    return true;
}

cSheetRange cSheetRange::fncParse(const QString& strAddress)
{
    cSheetRange r;
    if (!fncTryParse(strAddress, &r))
        throw cHVError(lngBadAddress, QStringLiteral("cSheetRange"),
            QStringLiteral("Not a cell address of the sheet: \"") + strAddress
                + QStringLiteral("\""));
    return r;
}

QString cSheetRange::fncFirstCellAddress(bool blnAbsolute) const
{
    const QString d = blnAbsolute ? QStringLiteral("$") : QString();
    return d + fncColumnName(intLeft) + d + QString::number(intTop + 1);
}

QString cSheetRange::fncAddress(bool blnAbsolute) const
{
    if (isSingleCell())
        return fncFirstCellAddress(blnAbsolute);
    const QString d = blnAbsolute ? QStringLiteral("$") : QString();
    return fncFirstCellAddress(blnAbsolute) + QLatin1Char(':') + d + fncColumnName(intRight) + d
        + QString::number(intBottom + 1);
}
