#include "cMetaDictionary.h"

#include "cHVError.h"
#include "cRecordset.h"
#include "modFileHandling.h"
#include "modLocale.h"

namespace {
const QString strSource = QStringLiteral("cMetaDictionary");

bool fncFieldToBoolean(const QString& strText)
{
    if (const auto bln = fncStoredTextToBoolean(strText))
        return *bln;
    throw cHVError(13, strSource,
        QStringLiteral("Type mismatch: blnEnabled \"%1\" is not a Boolean value").arg(strText));
}

cCurrency fncFieldToCurrency(const QVariant& var)
{
    if (var.metaType() == QMetaType::fromType<cCurrency>())
        return var.value<cCurrency>();
    if (const auto cur = cCurrency::fromVariant(var))
        return *cur;
    throw cHVError(13, strSource,
        QStringLiteral("Type mismatch: curRate \"%1\" is not an amount").arg(var.toString()));
}

qint32 fncFieldToLong(const QVariant& var)
{
    bool ok = false;
    const qint32 lng = var.isNull() ? 0 : var.toInt(&ok);
    if (!ok)
        throw cHVError(13, strSource,
            QStringLiteral("Type mismatch: the identity \"%1\" is not a number")
                .arg(var.toString()));
    return lng;
}
} // namespace

void cMetaDictionary::AddMeta(const QString& strName, const QString& strCategory, cCurrency curRate,
    qint32 lngID, const QString& strSuperCategory, bool blnEnabled)
{
    if (strName.isEmpty())
        return;
    cMetaData meta;
    meta.setMetaName(strName);
    meta.Category = strCategory;
    meta.HourlyRate = curRate;
    meta.ID = lngID;
    meta.SuperCategory = strSuperCategory;
    meta.Enabled = blnEnabled;
    MetaDic.TryAdd(strName, std::move(meta));
}

QVariant cMetaDictionary::fncSafeValue(const QVariant& varValue, bool blnNumeric)
{
    const bool blnNull = !varValue.isValid() || varValue.isNull();
    if (blnNumeric)
        return blnNull ? QVariant(qint16(0)) : varValue;
    return blnNull ? QVariant(QString()) : QVariant(varValue.toString());
}

void cMetaDictionary::ReadFromRecordset(cRecordset& rs)
{
    qint32 lngID = 0;
    MetaDic.Reserve(MetaDic.Count() + rs.RecordCount());
    // The columns are looked up once, not per row; a missing one fails as reading it fails.
    const bool blnFull = rs.FieldCount() > 1;
    const auto column = [&rs](const char* strName) {
        const int i = rs.FieldIndex(QLatin1String(strName));
        if (i < 0 && !rs.Eof())
            (void)rs.Value(QLatin1String(strName));
        return i;
    };
    const int intName = column("strName");
    const int intRate = blnFull ? column("curRate") : -1;
    const int intCategory = blnFull ? column("strCategory") : -1;
    const int intSuper = blnFull ? column("strSuperCategory") : -1;
    const int intEnabled = blnFull ? column("blnEnabled") : -1;
    while (!rs.Eof()) {
        const auto row = rs.RowValues();
        QString strCategory;
        QString strSuperCategory;
        cCurrency curRate;
        bool blnEnabled = true;
        if (blnFull) {
            lngID = fncFieldToLong(row[0]);
            curRate = fncFieldToCurrency(fncSafeValue(row[intRate], true));
            strCategory = fncNullToText(row[intCategory]);
            strSuperCategory = fncNullToText(row[intSuper]);
            const QVariant& enabled = row[intEnabled];
            blnEnabled = enabled.typeId() == QMetaType::Bool
                ? enabled.toBool()
                : fncFieldToBoolean(fncSafeValue(enabled, false).toString());
        } else {
            // A plain list of names: numbered in row order.
            ++lngID;
        }
        const QString strName = fncNullToText(row[intName]);
        AddMeta(strName, strCategory, curRate, lngID, strSuperCategory, blnEnabled);
        rs.MoveNext();
    }
}
