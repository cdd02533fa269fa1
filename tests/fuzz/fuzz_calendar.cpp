// A calendar item file: read or refused with a cHVError. An item that reads cleanly and is
// saved unchanged reads back with the same fields and user properties.
#include "FuzzSupport.h"
#include "cOlAppointmentItem.h"
#include "modOutlookCode.h"

#include <QDir>
#include <QFile>

namespace {
QString fncDescribe(const cOlAppointmentItem& item)
{
    QString text = item.Subject() + QStringLiteral("|") + item.Body() + QStringLiteral("|")
        + item.Categories() + QStringLiteral("|") + item.Start().toString(Qt::ISODate);
    for (const cOlUserPropertyPtr& prop : item.UserProperties().all())
        text += QStringLiteral("|%1:%2=%3")
                    .arg(prop->Name())
                    .arg(prop->Type())
                    .arg(prop->Value().toString());
    return text;
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
    const QString strRead = fncDescribe(*item);
    item->setSubject(item->Subject());
    item->setBody(item->Body());
    item->setCategories(item->Categories());
    if (!hvfuzz::fncAccepts([&] { item->Save(); }))
        return 0; // a file with parts libical cannot read is never rewritten
    cOlAppointmentItemPtr again;
    hvfuzz::subCheck(hvfuzz::fncAccepts([&] { again = cOlAppointmentItem::fromFile(strPath); }),
        "a saved item is read",
        QString::fromUtf8(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()));
    hvfuzz::subCheck(fncDescribe(*again) == strRead, "a saved item reads back as it was read",
        strRead + QStringLiteral("\n-- became --\n") + fncDescribe(*again));
    return 0;
}
