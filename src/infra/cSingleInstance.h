#pragma once

#include <QString>

#include <memory>

class QLockFile;

// The previous-instance test: a lock file in the user's runtime folder, held for the whole run.
// A lock left by a copy that crashed (its process is gone) does not block a new start.
class cSingleInstance
{
public:
    explicit cSingleInstance(const QString& strName = QStringLiteral("HVPersonalSettingsSingle"));
    ~cSingleInstance();
    cSingleInstance(const cSingleInstance&) = delete;
    cSingleInstance& operator=(const cSingleInstance&) = delete;

    // True when no other running copy holds the lock (taking it if so). When the lock cannot be
    // made at all (no runtime folder we may write), the program is let start.
    bool fncIsFirst();
    QString fncLockPath() const;

private:
    QString m_strPath;
    std::unique_ptr<QLockFile> m_lock;
    int m_intState = -1; // -1 not asked yet, 0 another copy runs, 1 first
};
