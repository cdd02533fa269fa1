#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

// Keys that compare without regard to letter case (dictionary keys, the names of list items,
// the groups of the tree) are folded here and nowhere else: simple Unicode case folding, so that
// "ΣΟΦΙΑ", "σοφια" and "σοφιας" meet. The databases' unique index on lower(name) must never see
// one name where the folding sees two, or a save trips over it: over all of Unicode the only
// letter PostgreSQL's lower() joins and the folding keeps apart is "İ" (to "i"), so it is
// folded so too. SQLite's lower() joins only A-Z. The folded text keeps its length.

inline char32_t fncFoldLetter(char32_t c) noexcept
{
    if (c < 0x80)
        return c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c;
    if (c == 0x130)
        return U'i';
    return QChar::toCaseFolded(c);
}

// Hands each UTF-16 unit of the folded text to sink, without making a folded copy.
template <typename Sink> void subFoldUnits(QStringView strText, Sink&& sink)
{
    const qsizetype n = strText.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = strText[i].unicode();
        if (c < 0x80) {
            sink(static_cast<char16_t>(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && strText[i + 1].isLowSurrogate()) {
            const char32_t u = fncFoldLetter(QChar::surrogateToUcs4(c, strText[++i].unicode()));
            sink(QChar::highSurrogate(u));
            sink(QChar::lowSurrogate(u));
        } else {
            sink(static_cast<char16_t>(fncFoldLetter(c)));
        }
    }
}

// The folded key, for maps keyed by it; text without capitals comes back shared, not copied.
QString fncFoldKey(const QString& strText);
// The same as fncFoldKey(a) == fncFoldKey(b), without the copies.
bool fncSameKey(QStringView a, QStringView b) noexcept;
