#include "cField.h"

eFieldType fncFieldTypeFromName(const QString& strColumn)
{
    const auto has = [&](const char* prefix) {
        return strColumn.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
    };
    if (has("int"))
        return eFieldType::Long;
    if (has("cur"))
        return eFieldType::Currency;
    if (has("bln"))
        return eFieldType::Boolean;
    if (has("dtm") || has("dte"))
        return eFieldType::Date;
    if (has("num"))
        return eFieldType::Single;
    return eFieldType::Text;
}

#include <QDateTime>
#include <QVariant>
#include <cCurrency.h>
#include <cHVError.h>

namespace {
[[noreturn]] void typeMismatch(const QVariant& value)
{
    throw cHVError(-2147352571, QStringLiteral("cRecordset"),
        QStringLiteral("Type mismatch: '%1' does not fit the column.").arg(value.toString()));
}

bool isCurrency(const QVariant& v)
{
    return v.metaType() == QMetaType::fromType<cCurrency>();
}
} // namespace

QVariant fncCoerceValue(const QVariant& value, eFieldType type)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    using T = eFieldType;
    switch (type) {
    case T::Long:
    case T::Integer: {
        bool ok = false;
        qlonglong n = 0;
        if (isCurrency(value)) {
            n = (value.value<cCurrency>().tenThousandths()
                    + (value.value<cCurrency>().tenThousandths() >= 0 ? 5000 : -5000))
                / 10000;
            ok = true;
        } else if (value.typeId() == QMetaType::Bool) {
            n = value.toBool() ? -1 : 0;
            ok = true;
        } else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
            n = qRound64(value.toDouble());
            ok = true;
        } else {
            n = value.toString().trimmed().toLongLong(&ok);
            if (!ok) {
                const double dbl = value.toString().trimmed().toDouble(&ok);
                n = qRound64(dbl);
            }
        }
        const qlonglong lo = type == T::Integer ? -32768 : std::numeric_limits<qint32>::min();
        const qlonglong hi = type == T::Integer ? 32767 : std::numeric_limits<qint32>::max();
        if (!ok || n < lo || n > hi)
            typeMismatch(value);
        return QVariant(static_cast<int>(n));
    }
    case T::Boolean: {
        if (value.typeId() == QMetaType::Bool)
            return value;
        const QString t = value.toString().trimmed();
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t == QLatin1String("t"))
            return QVariant(true);
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || t == QLatin1String("f"))
            return QVariant(false);
        bool ok = false;
        const double n = t.toDouble(&ok);
        if (!ok)
            typeMismatch(value);
        return QVariant(n != 0.0);
    }
    case T::Single:
    case T::Double: {
        if (isCurrency(value))
            return QVariant(value.value<cCurrency>().toDouble());
        bool ok = false;
        const double n = value.typeId() == QMetaType::QString
            ? value.toString().trimmed().toDouble(&ok)
            : value.toDouble(&ok);
        if (!ok)
            typeMismatch(value);
        return QVariant(type == T::Single ? static_cast<double>(static_cast<float>(n)) : n);
    }
    case T::Currency: {
        if (isCurrency(value))
            return value;
        if (value.typeId() == QMetaType::Bool)
            return QVariant::fromValue(cCurrency::fromTenThousandths(value.toBool() ? -10000 : 0));
        const auto c = cCurrency::fromVariant(value);
        if (!c)
            typeMismatch(value);
        return QVariant::fromValue(*c);
    }
    case T::Text:
    case T::Memo:
        if (isCurrency(value))
            return QVariant(value.value<cCurrency>().toInvariantString());
        return QVariant(value.toString());
    case T::Date: {
        if (value.typeId() == QMetaType::QDateTime)
            return value;
        if (value.typeId() == QMetaType::QDate)
            return QVariant(value.toDate().startOfDay());
        QDateTime dt = QDateTime::fromString(value.toString().trimmed(), Qt::ISODateWithMs);
        if (!dt.isValid())
            dt = QDateTime::fromString(value.toString().trimmed(), Qt::ISODate);
        if (!dt.isValid()) {
            const QDate date = QDate::fromString(value.toString().trimmed(), Qt::ISODate);
            if (date.isValid())
                dt = date.startOfDay();
        }
        if (!dt.isValid())
            typeMismatch(value);
        return QVariant(dt);
    }
    }
    return value;
}
