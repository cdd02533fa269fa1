#pragma once

#include "cDictionary.h"

#include <QString>
#include <QVariant>

class cRecordset;

// Named common settings kept one row per name in tblOtherSettings (column 1 strPropName,
// column 2 strPropValue), so that new settings need no new columns.
class cOtherSettings
{
public:
    // Wanted types of GetValue (the variant type numbers of the stored form).
    static constexpr qint16 intTypeInteger = 2;
    static constexpr qint16 intTypeDate = 7;
    static constexpr qint16 intTypeText = 8;
    static constexpr qint16 intTypeBoolean = 11;

    cDictionary<QString> DicList = fncCreateDic<QString>();

    // Replaces the settings by the rows of rs (a later row of the same name wins); nullptr
    // gives no settings.
    void FromRS(cRecordset* rs);
    void SetValue(const QString& strName, const QString& strValue);
    // The value as qint16 (2), QDateTime (7), QString (8) or bool (11); the type's empty value
    // for a missing name; an invalid QVariant for any other type.
    QVariant GetValue(const QString& strName, qint16 intType) const;
    // Writes every setting into rs (an updatable recordset of tblOtherSettings), one row per
    // name: further rows of a name are removed, the last one is kept. nullptr does nothing.
    void ToRS(cRecordset* rs) const;
};
