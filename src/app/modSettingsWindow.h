#pragma once

#include <QString>
#include <QVariant>

// Value rules of the settings window that need no widget: check-box values, cell cleaning,
// the numbers of the text boxes, mnemonics.

// Check-box value of a Boolean: 1 checked, 0 unchecked.
qint16 fncBoolInt(bool blnValue);

// A cell of the list grid as it may be stored: trimmed, without "," and ";" (they separate
// fields of the stored settings) and without line breaks (they separate lines of it).
QString fncClearInvalidValues(const QVariant& varValue);
// A list caption as it may be stored: ":" and ";" and line breaks removed (the caption heads a
// line "Caption:item;item;" of the stored selection).
QString fncClearInvalidCaption(const QString& strCaption);

// A number or numeric text as the window shows it: the locale's decimal separator, no grouping.
QString fncNumberText(const QVariant& varValue);
// A number as the settings store it, whatever the locale ("0.75").
QString fncInvariantNumberText(double dblValue);

// The captions with an Alt+letter mnemonic each ("&OK"), in the given order of preference: the
// first letter or digit of a word not taken yet, else any such character not taken, else none.
// Letters are compared without case; a "&" in a caption is escaped.
QStringList fncWithMnemonics(const QStringList& colCaptions);
