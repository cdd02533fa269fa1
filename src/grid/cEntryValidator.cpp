#include "cEntryValidator.h"

#include "modCellEntry.h"

QValidator::State cEntryValidator::validate(QString& strInput, int& intPos) const
{
    const QString strClean = fncCleanEntryText(strInput);
    if (strClean != strInput) {
        // The cursor stays after what was before it.
        intPos = static_cast<int>(fncCleanEntryText(strInput.left(intPos)).size());
        strInput = strClean;
    }
    return Acceptable;
}
