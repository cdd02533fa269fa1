#include "cSingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {
const QByteArray strActivate = QByteArrayLiteral("activate\n");
constexpr int intTimeoutMs = 2000;
} // namespace

cSingleInstance::cSingleInstance(const QString& strName)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QDir().mkpath(folder);
    m_strPath = QDir(folder).filePath(strName + QStringLiteral(".lock"));
}

cSingleInstance::~cSingleInstance() = default;

QString cSingleInstance::fncLockPath() const
{
    return m_strPath;
}

QString cSingleInstance::fncSocketPath() const
{
    return m_strPath.chopped(5) + QStringLiteral(".socket");
}

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

void cSingleInstance::subListen(std::function<void()> onActivate)
{
    if (!fncIsFirst() || m_server)
        return;
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a crashed copy: the lock is ours, so nobody listens on it any more.
    QLocalServer::removeServer(fncSocketPath());
    if (!m_server->listen(fncSocketPath()))
        return;
    QLocalServer* server = m_server.get();
    QObject::connect(
        server, &QLocalServer::newConnection, server, [server, onActivate = std::move(onActivate)] {
            while (QLocalSocket* socket = server->nextPendingConnection()) {
                QObject::connect(
                    socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, onActivate] {
                    if (!socket->canReadLine())
                        return;
                    if (socket->readLine(64) == strActivate && onActivate)
                        onActivate();
                    socket->disconnectFromServer();
                });
            }
        });
}

bool cSingleInstance::fncAskFirstToActivate() const
{
    QLocalSocket socket;
    socket.connectToServer(fncSocketPath());
    if (!socket.waitForConnected(intTimeoutMs))
        return false;
    socket.write(strActivate);
    const bool blnSent = socket.waitForBytesWritten(intTimeoutMs);
    socket.disconnectFromServer();
    return blnSent;
}
