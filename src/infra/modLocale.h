#pragma once

#include <QLocale>
#include <QString>

// The separator of list items in the user's locale (what Windows calls LOCALE_SLIST).

// For the system locale.
QString fncGetListSeparator();
// Windows' default for the locale's identifier; for a locale without one, ";" where the
// decimal separator is "," and "," otherwise.
QString fncListSeparatorForLocale(const QLocale& locale);
// Windows' default for a locale identifier, empty when the identifier is not known.
QString fncListSeparatorForLcid(quint32 lngLcid);
