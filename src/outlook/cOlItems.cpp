#include "cOlItems.h"

#include "cHVError.h"
#include "modErrorHandling.h"

#include <QDir>

cOlItems::cOlItems(QString strFolderPath)
    : m_strFolderPath(std::move(strFolderPath))
{
    const QDir dir(m_strFolderPath);
    const QStringList files
        = dir.entryList({ QStringLiteral("*.ics") }, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : files) {
        try {
            m_items.append(cOlAppointmentItem::fromFile(dir.filePath(name)));
        } catch (const cHVError& e) {
            // A damaged item is left alone: not shown, not rewritten.
            subLog(QStringLiteral("Skipping calendar item ") + dir.filePath(name)
                + QStringLiteral(": ") + e.Description());
        }
    }
}

cOlAppointmentItemPtr cOlItems::Item(int intIndex) const
{
    if (intIndex < 1 || intIndex > m_items.size())
        return nullptr;
    return m_items.at(intIndex - 1);
}

cOlAppointmentItemPtr cOlItems::Item(const QString& strSubject) const
{
    for (const auto& item : m_items) {
        if (item->Subject().compare(strSubject, Qt::CaseInsensitive) == 0)
            return item;
    }
    return nullptr;
}

cOlAppointmentItemPtr cOlItems::Add() const
{
    return cOlAppointmentItem::createNew(m_strFolderPath);
}
