#include "cMetaDictionary.h"

#include "cHVError.h"
#include "cRecordset.h"

namespace {
const QString strSource = QStringLiteral("cMetaDictionary");

// CBool of a field's text: "True"/"False" in any case, or a number (0 is False).
bool fncFieldToBoolean(const QString& strText)
{
    const QString t = strText.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (ok)
        return d != 0.0;
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
    // The columns are looked up once, not per row.
    const int intName = rs.FieldIndex(QStringLiteral("strName"));
    const bool blnFull = rs.FieldCount() > 1;
    const auto column = [&rs, blnFull](const char* strName) {
        return blnFull ? rs.FieldIndex(QLatin1String(strName)) : -1;
    };
    const int intRate = column("curRate");
    const int intCategory = column("strCategory");
    const int intSuper = column("strSuperCategory");
    const int intEnabled = column("blnEnabled");
    const auto value = [&rs](int intIndex, const char* strName) {
        return intIndex >= 0 ? rs.Value(intIndex) : rs.Value(QLatin1String(strName));
    };
    while (!rs.Eof()) {
        QString strCategory;
        QString strSuperCategory;
        cCurrency curRate;
        bool blnEnabled = true;
        if (blnFull) {
            lngID = fncFieldToLong(rs.Value(0));
            curRate = fncFieldToCurrency(fncSafeValue(value(intRate, "curRate"), true));
            strCategory = fncSafeValue(value(intCategory, "strCategory"), false).toString();
            strSuperCategory = fncSafeValue(value(intSuper, "strSuperCategory"), false).toString();
            const QVariant enabled = value(intEnabled, "blnEnabled");
            blnEnabled = enabled.typeId() == QMetaType::Bool
                ? enabled.toBool()
                : fncFieldToBoolean(fncSafeValue(enabled, false).toString());
        } else {
            // A plain list of names: numbered in row order.
            ++lngID;
        }
        const QString strName = fncSafeValue(value(intName, "strName"), false).toString();
        AddMeta(strName, strCategory, curRate, lngID, strSuperCategory, blnEnabled);
        rs.MoveNext();
    }
}
