#include "cMetaDictionary.h"

#include "cHVError.h"
#include "cRecordset.h"
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

void cMetaDictionary::ReadFromRecordset(cRecordset& rs)
{
    qint32 lngID = 0;
    while (!rs.Eof()) {
        QString strCategory;
        QString strSuperCategory;
        cCurrency curRate;
        bool blnEnabled = true;
        if (rs.FieldCount() > 1) {
            lngID = fncFieldToLong(rs.Value(0));
            curRate = fncFieldToCurrency(fncSafeValue(rs.Value(QStringLiteral("curRate")), true));
            strCategory = fncSafeValue(rs.Value(QStringLiteral("strCategory")), false).toString();
            strSuperCategory
                = fncSafeValue(rs.Value(QStringLiteral("strSuperCategory")), false).toString();
            blnEnabled = fncFieldToBoolean(
                fncSafeValue(rs.Value(QStringLiteral("blnEnabled")), false).toString());
        } else {
            // A plain list of names: numbered in row order.
            ++lngID;
        }
        const QString strName = fncSafeValue(rs.Value(QStringLiteral("strName")), false).toString();
        AddMeta(strName, strCategory, curRate, lngID, strSuperCategory, blnEnabled);
        rs.MoveNext();
    }
}
