#include "cSingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

cSingleInstance::cSingleInstance(const QString& strName)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QDir().mkpath(folder);
    m_strPath = QDir(folder).filePath(strName + QStringLiteral(".lock"));
}

cSingleInstance::~cSingleInstance() = default;

QString cSingleInstance::fncLockPath() const { return m_strPath; }

bool cSingleInstance::fncIsFirst()
{
    if (m_intState < 0) {
        m_lock = std::make_unique<QLockFile>(m_strPath);
        // Only a dead owner makes a lock stale; a copy that runs for days keeps it.
        m_lock->setStaleLockTime(0);
        if (m_lock->tryLock(0))
            m_intState = 1;
        else
            m_intState = m_lock->error() == QLockFile::LockFailedError ? 0 : 1;
    }
    return m_intState == 1;
}
