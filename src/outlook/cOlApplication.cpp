#include "cOlApplication.h"

#include "cHVError.h"
#include "olConstants.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
struct Seams
{
    QString strVersion;
    int intActiveFolderType = olFolderCalendar;
};

Seams& seams()
{
    static Seams s;
    return s;
}

// The object-model level this store offers (what callers check the version against).
const QString strBuiltInVersion = QStringLiteral("12.0.0");
} // namespace

void cOlApplication::setVersionText(const QString& strVersion)
{
    seams().strVersion = strVersion;
}

void cOlApplication::setActiveFolderType(int intFolderType)
{
    seams().intActiveFolderType = intFolderType;
}

QString cOlApplication::fncCalendarPath()
{
    const QString env = qEnvironmentVariable("HOURVANE_CALENDAR");
    if (!env.isEmpty())
        return QDir::cleanPath(env);
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/hourvane/calendar"));
}

cOlApplicationPtr cOlApplication::Start()
{
    const QString path = fncCalendarPath();
    const QFileInfo info(path);
    const bool attached = info.exists();
    if (attached && !info.isDir())
        throw cHVError(lngObjectError + 1, QStringLiteral("cOlApplication"),
            QStringLiteral("The calendar %1 is not a folder").arg(path));
    if (!attached && !QDir().mkpath(path))
        throw cHVError(lngObjectError + 2, QStringLiteral("cOlApplication"),
            QStringLiteral("The calendar folder %1 cannot be created").arg(path));
    const QFileInfo created(path);
    if (!created.isDir() || !created.isReadable() || !created.isWritable())
        throw cHVError(lngObjectError + 3, QStringLiteral("cOlApplication"),
            QStringLiteral("The calendar folder %1 cannot be read and written").arg(path));
    return std::make_shared<cOlApplication>(path, attached);
}

cOlApplication::cOlApplication(QString strCalendarPath, bool blnAttached)
    : m_strCalendarPath(std::move(strCalendarPath))
    , m_blnAttached(blnAttached)
{
}

QString cOlApplication::Version() const
{
    return seams().strVersion.isEmpty() ? strBuiltInVersion : seams().strVersion;
}

cOlNameSpacePtr cOlApplication::GetNamespace(const QString& strType) const
{
    if (strType.compare(QLatin1String("MAPI"), Qt::CaseInsensitive) != 0)
        throw cHVError(lngObjectError + 4, QStringLiteral("cOlApplication"),
            QStringLiteral("Unknown namespace %1").arg(strType));
    return std::make_shared<cOlNameSpace>(m_strCalendarPath);
}

cOlFolderPtr cOlApplication::ActiveFolder() const
{
    return GetNamespace(QStringLiteral("MAPI"))->GetDefaultFolder(seams().intActiveFolderType);
}
