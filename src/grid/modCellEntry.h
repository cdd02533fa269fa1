#pragma once

#include <QString>
#include <optional>

class cCurrency;

// Rules for text a user types or pastes into a cell or a field of the window.

// Longest name, category or caption the database column and the export can hold.
inline constexpr int intMaxEntryLength = 255;

// The text without the characters an XML file cannot carry (U+0000-U+001F except the line
// breaks and the tab, U+FFFE, U+FFFF, lone surrogates); tabs, line breaks and the vertical tab
// word processors paste as a soft line break become spaces, since one cell holds one line.
QString fncCleanEntryText(const QString& strText);

// A decimal number written with "," or "." as the decimal mark, whatever the locale (the
// program never writes digit grouping); nullopt for anything else, for infinities and for
// amounts beyond what the currency type holds.
std::optional<double> fncParseDecimal(const QString& strText);

// A typed amount as fncParseDecimal reads it; nullopt for anything the currency cannot hold.
std::optional<cCurrency> fncParseAmount(const QString& strText);
