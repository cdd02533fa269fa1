#pragma once

#include "cOlFolder.h"

#include <QString>
#include <memory>

// The store's namespace: it knows the default folders.
class cOlNameSpace
{
public:
    explicit cOlNameSpace(QString strCalendarPath);

    // olFolderCalendar: the calendar folder; olFolderInbox: the "Inbox" folder beside it (never
    // created on disk, so a calendar synchronisation tool does not take it for a calendar).
    // Other codes throw cHVError.
    cOlFolderPtr GetDefaultFolder(int intFolderType) const;

private:
    QString m_strCalendarPath;
};

using cOlNameSpacePtr = std::shared_ptr<cOlNameSpace>;
