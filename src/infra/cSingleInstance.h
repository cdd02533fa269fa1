#pragma once

#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

// The previous-instance test: a lock file in the user's runtime folder, held for the whole run.
// A lock left by a copy that crashed (its process is gone) does not block a new start. Beside the
// lock the first copy listens on a local socket, so that a later start can ask it to show its
// window.
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
    QString fncSocketPath() const;

    // The first copy: onActivate runs (in the event loop) each time a later start asks for the
    // window. Only the owner of the lock listens.
    void subListen(std::function<void()> onActivate);
    // A later copy: asks the first to show its window; false when no copy took the request.
    bool fncAskFirstToActivate() const;

private:
    QString m_strPath;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLocalServer> m_server;
    int m_intState = -1; // -1 not asked yet, 0 another copy runs, 1 first
};
