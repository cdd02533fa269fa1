#include "cOlNameSpace.h"

#include "cHVError.h"
#include "olConstants.h"

#include <QDir>
#include <QFileInfo>

cOlNameSpace::cOlNameSpace(QString strCalendarPath)
    : m_strCalendarPath(std::move(strCalendarPath))
{
}

cOlFolderPtr cOlNameSpace::GetDefaultFolder(int intFolderType) const
{
    switch (intFolderType) {
    case olFolderCalendar:
        return std::make_shared<cOlFolder>(m_strCalendarPath, olAppointmentItem);
    case olFolderInbox:
        return std::make_shared<cOlFolder>(
            QFileInfo(m_strCalendarPath).absoluteDir().filePath(QStringLiteral("Inbox")),
            olMailItem);
    default:
        throw cHVError(lngObjectError + 7, QStringLiteral("cOlNameSpace"),
            QStringLiteral("No default folder of type %1").arg(intFolderType));
    }
}
