#include "cOlFolder.h"

#include "olConstants.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

cOlFolder::cOlFolder(QString strPath, int intDefaultItemType)
    : m_strPath(QDir::cleanPath(strPath))
    , m_intDefaultItemType(intDefaultItemType)
{
}

QString cOlFolder::Name() const
{
    // vdirsyncer and khal keep a collection's title in this file.
    QFile file(QDir(m_strPath).filePath(QStringLiteral("displayname")));
    if (file.open(QIODevice::ReadOnly)) {
        const QString name = QString::fromUtf8(file.read(4096)).trimmed();
        if (!name.isEmpty())
            return name;
    }
    return QFileInfo(m_strPath).fileName();
}

cOlFolderPtr cOlFolder::Parent() const
{
    const QFileInfo info(m_strPath);
    const QString parent = info.absolutePath();
    if (info.isRoot() || parent == m_strPath)
        return nullptr;
    return std::make_shared<cOlFolder>(parent, olMailItem);
}

cOlItems cOlFolder::Items() const
{
    return cOlItems(m_strPath);
}

cOlAppointmentItemPtr cOlFolder::AddAppointment(
    const QString& strSubject, const QDate& dteStart) const
{
    auto item = cOlAppointmentItem::createNew(m_strPath);
    item->setSubject(strSubject);
    item->setStart(dteStart);
    item->Save();
    return item;
}
