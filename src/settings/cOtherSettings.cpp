#include "cOtherSettings.h"

#include "cHVError.h"
#include "cRecordset.h"
#include "cSimpleList.h"
#include "modErrorHandling.h"
#include "modLocale.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <functional>

namespace {
// The date that an empty date value stands for (day 0 of the stored form).
QDateTime fncZeroDate()
{
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

std::optional<double> fncToNumber(const QString& strText)
{
    const QString t = strText.trimmed();
    bool ok = false;
    double value = QLocale::system().toDouble(t, &ok);
    if (!ok)
        value = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Whole-number conversion as the stored form does it: halves round to the even neighbour.
qint16 fncToInteger(double value)
{
    const double rounded = std::nearbyint(value);
    if (rounded < -32768.0 || rounded > 32767.0)
        throw cHVError(6, QStringLiteral("cOtherSettings"), QStringLiteral("Overflow"));
    return static_cast<qint16>(rounded);
}

QDateTime fncToDate(const QString& strText)
{
    const QString t = strText.trimmed();
    QDateTime dt = QDateTime::fromString(t, Qt::ISODate);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(t, Qt::ISODate);
        if (d.isValid())
            dt = QDateTime(d, QTime(0, 0));
    }
    const QLocale locale = QLocale::system();
    if (!dt.isValid())
        dt = locale.toDateTime(t, QLocale::ShortFormat);
    if (!dt.isValid()) {
        const QDate d = locale.toDate(t, QLocale::ShortFormat);
        if (d.isValid())
            dt = QDateTime(d, QTime(0, 0));
    }
    if (!dt.isValid())
        throw cHVError(13, QStringLiteral("cOtherSettings"), QStringLiteral("Type mismatch"));
    return dt;
}

// A name stored twice (only edits from outside make that) keeps the last row, the one FromRS
// read, so the value saved below is the value read back.
void subRemoveEarlierDuplicates(cRecordset& rs)
{
    QList<int> earlier;
    cDictionary<int> lastRow = fncCreateDic<int>();
    const int intRows = rs.RecordCount();
    for (int pos = 0; pos < intRows; ++pos) {
        rs.Move(pos);
        const QVariant name = rs.Value(1);
        if (name.isNull())
            continue;
        if (lastRow.Exists(name.toString()))
            earlier.append(lastRow.Item(name.toString()));
        lastRow.Set(name.toString(), pos);
    }
    std::sort(earlier.begin(), earlier.end(), std::greater<int>());
    for (const int pos : earlier) {
        rs.Move(pos);
        subLog(
            QStringLiteral("Removing a second row of the Other Setting ") + rs.Value(1).toString());
        rs.Delete();
    }
}
} // namespace

void cOtherSettings::FromRS(cRecordset* rs)
{
    try {
        subLog(QStringLiteral("Looping through dababase tables to find all Other Settings"));
        DicList = fncCreateDic<QString>();
        if (!rs)
            return;
        while (!rs->Eof()) {
            const QVariant name = rs->Value(1);
            const QVariant value = rs->Value(2);
            // A row without a name cannot be asked for; skip it rather than invent a key.
            if (!name.isNull())
                DicList.Set(name.toString(), value.isNull() ? QString() : value.toString());
            rs->MoveNext();
        }
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cOtherSettings.FromRS"));
    }
}

void cOtherSettings::SetValue(const QString& strName, const QString& strValue)
{
    DicList.Set(strName, strValue);
}

QVariant cOtherSettings::GetValue(const QString& strName, qint16 intType) const
{
    try {
        subLog(QStringLiteral("Reading the value of the Other Setting ") + strName);
        const bool present = DicList.Exists(strName);
        const QString value = present ? DicList.Item(strName) : QString();
        switch (intType) {
        case intTypeInteger: {
            if (!present)
                return QVariant::fromValue(qint16(0));
            const auto number = fncToNumber(value);
            return QVariant::fromValue(number ? fncToInteger(*number) : qint16(0));
        }
        case intTypeDate:
            return present ? fncToDate(value) : fncZeroDate();
        case intTypeText:
            return value;
        case intTypeBoolean:
            return present ? fncStoredTextToBoolean(value).value_or(false) : false;
        default:
            return QVariant();
        }
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cOtherSettings.GetValue"));
    }
}

void cOtherSettings::ToRS(cRecordset* rs) const
{
    try {
        subLog(QStringLiteral("Saving other settings to database"));
        if (!rs)
            return;
        subRemoveEarlierDuplicates(*rs);
        cSimpleList stored;
        if (rs->RecordCount() > 0)
            rs->MoveFirst();
        stored.FromRS(*rs);
        for (const auto& entry : DicList) {
            const QString& key = entry.first;
            if (!stored.DicList.Exists(key)) {
                rs->AddNew();
                rs->SetValue(1, key);
            } else {
                if (rs->RecordCount() > 0)
                    rs->MoveFirst();
                // The name travels as a value, never inside a criterion text.
                if (!rs->Find(QStringLiteral("strPropName"), key))
                    throw cHVError(3021, QStringLiteral("cOtherSettings.ToRS"),
                        QStringLiteral("No row found for the setting ") + key);
            }
            QString value = entry.second;
            if (value.isEmpty())
                value = QStringLiteral(" ");
            subLog(
                QStringLiteral("Setting field ") + key + QStringLiteral(" to the value ") + value);
            rs->SetValue(2, value);
            rs->Update();
        }
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cOtherSettings.ToRS"));
    }
}
