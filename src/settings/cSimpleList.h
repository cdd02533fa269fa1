#pragma once

#include "cDictionary.h"

#include <QString>
#include <QStringList>

class cRecordset;
class QComboBox;
class QListWidget;

// A small list of distinct texts (compared without regard to case, kept in insertion order)
// with conversions from and to text, arrays, list controls and recordsets.
class cSimpleList
{
public:
    QString ListName;
    cDictionary<QString> DicList = fncCreateDic<QString>();

    // Items joined by CR LF, trimmed at both ends.
    QString ToString() const;
    // Replaces the list by the distinct non-empty lines of the text.
    void FromString(const QString& strText);

    // Refills the control with the non-blank items and selects strSelected (which receives
    // the control's previous text when it had one).
    void AddToComboOrList(QComboBox* ctl, QString& strSelected) const;
    void AddToComboOrList(QListWidget* ctl, QString& strSelected) const;
    void FromComboOrList(const QComboBox* ctl);
    void FromComboOrList(const QListWidget* ctl);

    // One item picked at random; empty for an empty list.
    QString RandomItem() const;

    void FromArray(const QStringList& arrItems);
    QStringList ToArray() const;

    // Adds the texts of column 1 from the current row to the end (null values have no text).
    void FromRS(cRecordset& rs);
    // Appends and stores a row (column 1 = the item) for every item the recordset lacks.
    void ToRS(cRecordset& rs) const;

private:
    void subAddDistinct(const QString& strItem);
};
