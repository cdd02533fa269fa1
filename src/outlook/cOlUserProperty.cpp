#include "cOlUserProperty.h"

#include "cHVError.h"
#include "modLocale.h"
#include "olConstants.h"

#include <QDateTime>

namespace {
QVariant emptyValueOf(int intType)
{
    switch (intType) {
    case olNumber:
        return 0.0;
    case olYesNo:
        return false;
    case olDateTime:
        return QDateTime();
    default:
        return QString();
    }
}

[[noreturn]] void typeMismatch(const QString& strName)
{
    throw cHVError(lngObjectError + 13, QStringLiteral("cOlUserProperty"),
        QStringLiteral("Type mismatch: the value does not fit the user property ") + strName);
}
} // namespace

cOlUserProperty::cOlUserProperty(QString strName, int intType)
    : m_strName(std::move(strName))
    , m_intType(intType)
    , m_value(emptyValueOf(intType))
{
    if (intType != olText && intType != olNumber && intType != olDateTime && intType != olYesNo)
        throw cHVError(lngObjectError + 5, QStringLiteral("cOlUserProperty"),
            QStringLiteral("Unknown user property type %1").arg(intType));
}

void cOlUserProperty::setValue(const QVariant& value)
{
    switch (m_intType) {
    case olText:
        m_value = value.isNull() ? QString() : value.toString();
        return;
    case olNumber: {
        if (value.typeId() == QMetaType::Bool) {
            m_value = value.toBool() ? -1.0 : 0.0; // the object model's True
            return;
        }
        bool ok = value.typeId() != QMetaType::QString;
        double d = ok ? value.toDouble(&ok) : 0.0;
        if (const auto parsed = fncStoredTextToNumber(value.toString());
            value.typeId() == QMetaType::QString && parsed) {
            d = *parsed;
            ok = true;
        }
        if (!ok)
            typeMismatch(m_strName);
        m_value = d;
        return;
    }
    case olYesNo: {
        if (value.typeId() == QMetaType::QString) {
            const auto bln = fncStoredTextToBoolean(value.toString());
            if (!bln)
                typeMismatch(m_strName);
            m_value = *bln;
            return;
        }
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (!ok && value.typeId() != QMetaType::Bool)
            typeMismatch(m_strName);
        m_value = value.typeId() == QMetaType::Bool ? value.toBool() : d != 0.0;
        return;
    }
    case olDateTime: {
        QDateTime dt;
        if (value.typeId() == QMetaType::QDate)
            dt = value.toDate().startOfDay();
        else if (value.typeId() == QMetaType::QString)
            dt = QDateTime::fromString(value.toString().trimmed(), Qt::ISODate);
        else
            dt = value.toDateTime();
        if (!dt.isValid() && !value.isNull())
            typeMismatch(m_strName);
        m_value = dt;
        return;
    }
    }
}
