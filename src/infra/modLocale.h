#pragma once

#include <QLocale>
#include <QString>
#include <optional>

// The separator of list items in the user's locale (what Windows calls LOCALE_SLIST).

// For the system locale.
QString fncGetListSeparator();
// Windows' default for the locale's identifier; for a locale without one, ";" where the
// decimal separator is "," and "," otherwise.
QString fncListSeparatorForLocale(const QLocale& locale);
// Windows' default for a locale identifier, empty when the identifier is not known.
QString fncListSeparatorForLcid(quint32 lngLcid);

// Numbers stored as text (the rate, the hours) are written in one form whatever the locale:
// a point as the decimal mark, no grouping, only the digits needed ("7.5", "350").
QString fncNumberToStoredText(double dblValue);
// Reads a stored number written with "," or "." as its decimal mark (what any locale's copy
// wrote); nullopt when the text is no plain number (empty, grouped "1.234,5", letters).
std::optional<double> fncStoredTextToNumber(const QString& strText);
// The same text with its decimal mark made a point, for amounts that must not pass through a
// double; nullopt when it is no plain number.
std::optional<QString> fncStoredNumberInvariant(const QString& strText);
// A Boolean stored as text: "True" or "False" in any letter case, or a number, zero being False.
// Every form an earlier reader took is read: a number with either decimal mark, in the C form
// ("1e3", "inf") or as strLocale writes it ("1.234,5" in German). nullopt for anything else.
std::optional<bool> fncStoredTextToBoolean(
    const QString& strText, const QLocale& locale = QLocale::system());
