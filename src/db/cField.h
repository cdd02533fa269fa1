#pragma once

#include <QString>

// Column kinds of our schema, named after the Access types they replace. The XML writer maps
// them to the rowset type names (i4, i2, boolean, r4, r8, cy, string, dateTime).
enum class eFieldType {
    Long, // 32-bit integer
    Integer, // 16-bit integer
    Boolean,
    Single,
    Double,
    Currency, // values are cCurrency
    Text, // up to DefinedSize characters
    Memo, // long text
    Date, // QDateTime
};

// One column of a recordset.
struct cField
{
    QString Name;
    eFieldType Type = eFieldType::Text;
    int DefinedSize = 0; // characters for Text, 0 otherwise
    bool Nullable = true;
    bool AutoIncrement = false; // the table's key, filled by the database

    bool operator==(const cField&) const = default;
};

// The type a column of ours has by its Hungarian prefix (intX, strX, curX, blnX, dtmX/dteX, numX).
eFieldType fncFieldTypeFromName(const QString& strColumn);

class QVariant;
// value converted to a column's type (Currency as cCurrency, Date as QDateTime); a null value
// stays null. Throws cHVError when the value does not fit the type ("abc" for a number).
QVariant fncCoerceValue(const QVariant& value, eFieldType type);
