#pragma once

#include "cOlItems.h"

#include <QDate>
#include <QString>
#include <memory>

class cOlFolder;
using cOlFolderPtr = std::shared_ptr<cOlFolder>;

// A folder of the calendar store: a directory. The calendar holds one .ics file per item; its
// parent directory plays the mailbox's top folder.
class cOlFolder
{
public:
    cOlFolder(QString strPath, int intDefaultItemType);

    // The text of the folder's "displayname" file when it has one, else the directory's name.
    QString Name() const;
    // The folder above; nullptr at the root of the file system.
    cOlFolderPtr Parent() const;
    int DefaultItemType() const { return m_intDefaultItemType; }
    const QString& Path() const { return m_strPath; }

    cOlItems Items() const;
    // Creates and saves a whole-day appointment with that subject and date.
    cOlAppointmentItemPtr AddAppointment(const QString& strSubject, const QDate& dteStart) const;

private:
    QString m_strPath;
    int m_intDefaultItemType;
};
