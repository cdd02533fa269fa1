#include "modKeyFolding.h"

#include <QVarLengthArray>

QString fncFoldKey(const QString& strText)
{
    qsizetype i = 0;
    for (const qsizetype n = strText.size(); i < n; ++i) {
        const char16_t c = strText.at(i).unicode();
        if (c >= 0x80 || (c >= u'A' && c <= u'Z'))
            break;
    }
    if (i == strText.size())
        return strText;
    QString strOut(strText.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(strOut.data());
    subFoldUnits(strText, [&out](char16_t u) { *out++ = u; });
    return strOut;
}

bool fncSameKey(QStringView a, QStringView b) noexcept
{
    const qsizetype n = a.size();
    if (n != b.size())
        return false;
    // Keys that differ mostly differ in an ASCII unit, which decides without folding the rest.
    qsizetype i = 0;
    for (; i < n; ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x == y)
            continue;
        if (x >= 0x80 || y >= 0x80)
            break;
        const char16_t lower = x | 0x20;
        if (lower != (y | 0x20) || lower < u'a' || lower > u'z')
            return false;
    }
    if (i == n)
        return true;
    // The rest is folded from the start of the code point that differs.
    if (i > 0 && a[i - 1].isHighSurrogate())
        --i;
    a = a.sliced(i);
    b = b.sliced(i);
    QVarLengthArray<char16_t, 128> folded;
    folded.reserve(a.size());
    subFoldUnits(a, [&folded](char16_t u) { folded.append(u); });
    qsizetype j = 0;
    bool blnSame = true;
    subFoldUnits(b, [&](char16_t u) { blnSame = blnSame && folded[j++] == u; });
    return blnSame;
}
