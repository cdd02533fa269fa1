#pragma once

#include "cOlNameSpace.h"

#include <QString>
#include <memory>

class cOlApplication;
using cOlApplicationPtr = std::shared_ptr<cOlApplication>;

// The calendar store as one application object: started means the calendar folder is open.
// The folder is HOURVANE_CALENDAR when set, else "hourvane/calendar" in the per-user data folder.
class cOlApplication
{
public:
    // Attaches when the folder exists, creates it otherwise. Throws cHVError when the folder
    // cannot be had (not creatable, not a directory, not readable and writable).
    static cOlApplicationPtr Start();
    static QString fncCalendarPath();

    // Test seams: the version text reported (empty: the built-in one), and the folder type
    // that the active window shows (olFolderCalendar unless set otherwise).
    static void setVersionText(const QString& strVersion);
    static void setActiveFolderType(int intFolderType);

    explicit cOlApplication(QString strCalendarPath, bool blnAttached);

    // Whether the calendar folder existed before Start (attached) or was created.
    bool Attached() const { return m_blnAttached; }
    // Version text such as "12.0.0".
    QString Version() const;
    // Only "MAPI" is known; other names throw cHVError.
    cOlNameSpacePtr GetNamespace(const QString& strType) const;
    // The folder shown by the active window.
    cOlFolderPtr ActiveFolder() const;
    const QString& CalendarPath() const { return m_strCalendarPath; }

private:
    QString m_strCalendarPath;
    bool m_blnAttached;
};
