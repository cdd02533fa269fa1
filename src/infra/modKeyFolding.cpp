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
    if (a.size() != b.size())
        return false;
    if (a == b)
        return true;
    QVarLengthArray<char16_t, 128> folded;
    folded.reserve(a.size());
    subFoldUnits(a, [&folded](char16_t u) { folded.append(u); });
    qsizetype i = 0;
    bool blnSame = true;
    subFoldUnits(b, [&](char16_t u) { blnSame = blnSame && folded[i++] == u; });
    return blnSame;
}
