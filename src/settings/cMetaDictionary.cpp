#include "cMetaDictionary.h"

void cMetaDictionary::AddMeta(const QString& strName, const QString& strCategory,
    cCurrency curRate, qint32 lngID, const QString& strSuperCategory, bool blnEnabled)
{
    if (strName.isEmpty() || MetaDic.Exists(strName))
        return;
    cMetaData meta;
    meta.setMetaName(strName);
    meta.Category = strCategory;
    meta.HourlyRate = curRate;
    meta.ID = lngID;
    meta.SuperCategory = strSuperCategory;
    meta.Enabled = blnEnabled;
    MetaDic.Add(strName, std::move(meta));
}

QVariant cMetaDictionary::fncSafeValue(const QVariant& varValue, bool blnNumeric)
{
    const bool blnNull = !varValue.isValid() || varValue.isNull();
    if (blnNumeric)
        return blnNull ? QVariant(qint16(0)) : varValue;
    return blnNull ? QVariant(QString()) : QVariant(varValue.toString());
}
