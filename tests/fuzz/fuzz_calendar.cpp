// A calendar item file: read or refused with a cHVError. An item that reads cleanly and is
// saved unchanged reads back with the same fields, and every user property it had with the
// same value (one the reader skipped as damaged may come back readable).
#include "FuzzSupport.h"
#include "cOlAppointmentItem.h"
#include "modOutlookCode.h"

#include <QDir>
#include <QFile>

namespace {
QString fncFields(const cOlAppointmentItem& item)
{
    return item.Subject() + QStringLiteral("|") + item.Body() + QStringLiteral("|")
        + item.Categories() + QStringLiteral("|") + item.Start().toString(Qt::ISODate);
}

QString fncProperty(const cOlUserPropertyPtr& prop)
{
    return prop ? QStringLiteral("%1:%2=%3")
                      .arg(prop->Name())
                      .arg(prop->Type())
                      .arg(prop->Value().toString())
                : QStringLiteral("<missing>");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hvfuzz::subStartInput();
    static const QString strPath
        = QDir(qEnvironmentVariable("HOURVANE_CALENDAR")).filePath(QStringLiteral("item.ics"));
    QFile file(strPath);
    hvfuzz::subCheck(file.open(QIODevice::WriteOnly | QIODevice::Truncate),
        "the item file can be written", strPath);
    file.write(hvfuzz::fncBytes(data, size));
    file.close();

    cOlAppointmentItemPtr item;
    if (!hvfuzz::fncAccepts([&] { item = cOlAppointmentItem::fromFile(strPath); }))
        return 0;
    fncGetLongProperty(item, QStringLiteral("Settings"));
    const QString strFields = fncFields(*item);
    item->setSubject(item->Subject());
    item->setBody(item->Body());
    item->setCategories(item->Categories());
    if (!hvfuzz::fncAccepts([&] { item->Save(); }))
        return 0; // a file with parts libical cannot read is never rewritten
    cOlAppointmentItemPtr again;
    hvfuzz::subCheck(hvfuzz::fncAccepts([&] { again = cOlAppointmentItem::fromFile(strPath); }),
        "a saved item is read",
        QString::fromUtf8(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()));
    hvfuzz::subCheck(fncFields(*again) == strFields, "a saved item reads back as it was read",
        strFields + QStringLiteral("\n-- became --\n") + fncFields(*again));
    for (const cOlUserPropertyPtr& prop : item->UserProperties().all()) {
        const QString strAgain = fncProperty(again->UserProperties().Find(prop->Name()));
        hvfuzz::subCheck(strAgain == fncProperty(prop),
            "a saved property reads back as it was read",
            fncProperty(prop) + QStringLiteral("\n-- became --\n") + strAgain);
    }
    return 0;
}
