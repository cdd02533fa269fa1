#pragma once

#include "cCurrency.h"
#include "cDictionary.h"
#include "cMetaData.h"
#include "modErrorHandling.h"

#include <QString>
#include <QVariant>

class cRecordset;

// One metadata list: its captions, its number and its values keyed by name (case-insensitive,
// in insertion order).
class cMetaDictionary
{
public:
    cDictionary<cMetaData> MetaDic = fncCreateDic<cMetaData>();
    QString Caption;
    QString CategoryCaption;
    QString SuperCategoryCaption;
    qint16 Index = 0;

    // Adds one value unless the name is empty or already present (the first one wins).
    void AddMeta(const QString& strName, const QString& strCategory, cCurrency curRate,
        qint32 lngID, const QString& strSuperCategory, bool blnEnabled);

    // One value per row from the current row to the end. Rows of a single column (strName)
    // are numbered 1, 2, 3 ... and enabled.
    void ReadFromRecordset(cRecordset& rs);

    // Clears the control and adds every key. Any control with clear() and addItem(QString)
    // serves (combo box, list widget).
    template <typename Control> void FillCombo(Control* ctl) const
    {
        try {
            subLog(QStringLiteral("Filling list control"));
            ctl->clear();
            for (const auto& entry : MetaDic)
                ctl->addItem(entry.first);
        } catch (...) {
            subHandleCurrentException(QStringLiteral("cMetaDictionary.subFillcombo"));
        }
    }

    // Null-safe field value: text mode gives "" for null and the value's text otherwise;
    // numeric mode gives the 16-bit 0 for null and the value unchanged otherwise.
    static QVariant fncSafeValue(const QVariant& varValue, bool blnNumeric);
};
