#pragma once

#include "cField.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <cCurrency.h>
#include <memory>
#include <span>

class cConnection;

// A client-side recordset: every row is fetched into memory when it is opened. Changes of the
// current row are written back at once through the table's key (AddNew/Update/Delete), so a
// recordset opened on a table or on "select ... from <table> ..." is updatable.
// A recordset without a connection (built with AppendField/AppendRow, as the XML loader does)
// works the same way, its changes stay in memory.
//
// Values: Long/Integer as int, Boolean as bool, Single/Double as double, Currency as cCurrency
// (QVariant::fromValue; it converts to QString and double too), Text/Memo as QString, Date as
// QDateTime; a NULL column gives a null QVariant.
class cRecordset
{
public:
    cRecordset();
    ~cRecordset();
    cRecordset(const cRecordset&) = delete;
    cRecordset& operator=(const cRecordset&) = delete;

    // Disconnected recordsets: define the columns first, then append rows in column order.
    // AppendRow converts each value to its column's type (throws cHVError on a value that
    // does not fit, such as "abc" for a Long column).
    void AppendField(const cField& field);
    void AppendField(const QString& strName, eFieldType type, int intDefinedSize = 0);
    void AppendRow(const QVariantList& values);

    int FieldCount() const;
    const cField& Field(int intIndex) const;
    const QList<cField>& Fields() const;
    int FieldIndex(const QString& strName) const; // -1 when missing, names match in any case
    bool HasField(const QString& strName) const { return FieldIndex(strName) >= 0; }

    int RecordCount() const;
    bool Eof() const;
    bool Bof() const;
    int AbsolutePosition() const; // 0-based row index; RecordCount() at the end
    void MoveFirst();
    void MoveNext();
    void MoveLast();
    void Move(int intPosition);

    // Values of the current row; a missing column or no current row throws cHVError.
    QVariant Value(int intIndex) const;
    QVariant Value(const QString& strName) const;
    // Every value of the current row in column order, without a copy (for writers that walk
    // whole tables); valid until the recordset changes.
    std::span<const QVariant> RowValues() const;
    cCurrency CurrencyValue(const QString& strName) const; // NULL gives 0
    // Edits the current row (or the row AddNew started); stored by Update.
    void SetValue(int intIndex, const QVariant& value);
    void SetValue(const QString& strName, const QVariant& value);
    void SetValue(const QString& strName, cCurrency value)
    {
        SetValue(strName, QVariant::fromValue(value));
    }

    // Starts a new row at the end; Update stores it (and reads back the key the database gave it).
    void AddNew();
    // Stores the pending changes of the current row; does nothing when nothing changed.
    void Update();
    void CancelUpdate();
    bool EditPending() const;
    // Deletes the current row (from the table first when connected); the current row then is
    // the one after it.
    void Delete();

    // Forward search from the current row (inclusive). Moves to the first matching row and
    // returns true; otherwise ends at Eof and returns false. Texts compare without regard to case.
    bool Find(const QString& strField, const QVariant& value);
    // The ADO criterion form "column = 'text'" or "column = 123"; a malformed criterion throws.
    bool Find(const QString& strCriteria);

    bool ReadOnly() const;
    bool IsOpen() const;
    void Close();
    QString TableName() const; // empty when the source names no single table
    QString KeyColumn() const; // empty when none is known
    QString Source() const;

private:
    friend class cConnection;
    struct Impl;
    std::unique_ptr<Impl> d;
};

using RecordsetPtr = std::shared_ptr<cRecordset>;

// Registers the conversions of cCurrency inside QVariant (to QString and double).
void subRegisterCurrencyConversions();
