#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hvtest {
namespace {
QList<QUrl> colMailUrls;
bool blnMailFails = false;
int intTempDirs = 0;
} // namespace

QString homeDir()
{
    return qEnvironmentVariable("HOME");
}

QString newTempDir(const QString& prefix)
{
    QDir home(homeDir());
    QString name;
    do {
        name = QStringLiteral("%1-%2").arg(prefix).arg(++intTempDirs);
    } while (home.exists(name));
    home.mkpath(name);
    return home.filePath(name);
}

QByteArray readFile(const QString& strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& strPath, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(strPath).absolutePath());
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << strPath.toStdString();
    file.write(bytes);
}

cHVError errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const cHVError& e) {
        return e;
    }
    return cHVError(0, QString(), QStringLiteral("no error"));
}

const QList<QUrl>& openedMailUrls()
{
    return colMailUrls;
}
void clearOpenedMailUrls()
{
    colMailUrls.clear();
}
void setMailOpenerFails(bool fails)
{
    blnMailFails = fails;
}
int fncRunUnprivileged(const std::function<void()>& f)
{
    const pid_t pid = fork();
    if (pid == 0) {
        int code = 0;
        if (geteuid() == 0) {
            constexpr uid_t nobody = 65534;
            const QByteArray home = homeDir().toLocal8Bit();
            const char* chownArgs[] = { "chown", "-R", "65534:65534", home.constData(), nullptr };
            const pid_t chowner = fork();
            if (chowner == 0) {
                execvp("chown", const_cast<char* const*>(chownArgs));
                _exit(127);
            }
            int status = 0;
            waitpid(chowner, &status, 0);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || setgroups(0, nullptr) != 0
                || setgid(nobody) != 0 || setuid(nobody) != 0)
                _exit(3);
        }
        try {
            f();
        } catch (...) {
            code = 1;
        }
        _exit(code);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void runUnprivileged(const std::function<void(const QString& strDir)>& f)
{
    // Made before the fork: the child gives the whole temporary HOME to the user it becomes.
    const QString strDir = newTempDir(QStringLiteral("unprivileged"));
    const int status = fncRunUnprivileged([&] {
        f(strDir);
        std::fflush(stdout);
        if (testing::Test::HasFailure())
            throw 1;
    });
    EXPECT_EQ(status, 0) << "the check as an unprivileged user failed (1: a failed assertion or an "
                            "exception, 3: no privileges dropped)";
    // The child gave the temporary HOME away; later tests (the runtime folder) need it back.
    if (::geteuid() == 0) {
        EXPECT_EQ(::lchown(QFile::encodeName(homeDir()).constData(), ::geteuid(), ::getegid()), 0);
        QDirIterator it(homeDir(),
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
            QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QByteArray path = QFile::encodeName(it.next());
            EXPECT_EQ(::lchown(path.constData(), ::geteuid(), ::getegid()), 0) << path.constData();
        }
    }
}

bool recordMailUrl(const QUrl& url)
{
    if (blnMailFails)
        return false;
    colMailUrls.append(url);
    return true;
}

} // namespace hvtest
