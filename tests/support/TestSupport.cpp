#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hvtest {
namespace {
QList<QUrl>& urls()
{
    static QList<QUrl> list;
    return list;
}
bool& mailFails()
{
    static bool fails = false;
    return fails;
}
int& counter()
{
    static int n = 0;
    return n;
}
} // namespace

QString homeDir() { return qEnvironmentVariable("HOME"); }

QString newTempDir(const QString& prefix)
{
    QDir home(homeDir());
    QString name;
    do {
        name = QStringLiteral("%1-%2").arg(prefix).arg(++counter());
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

const QList<QUrl>& openedMailUrls() { return urls(); }
void clearOpenedMailUrls() { urls().clear(); }
void setMailOpenerFails(bool fails) { mailFails() = fails; }

void runUnprivileged(const std::function<void(const QString& strDir)>& f)
{
    if (::geteuid() != 0) {
        f(newTempDir(QStringLiteral("unprivileged")));
        return;
    }
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr) << "no user nobody to run the check as";
    // The temporary HOME is root's alone; the child gets a folder of its own beside it.
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/hvtest-nobody-XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(
        ::chown(QFile::encodeName(dir.path()).constData(), nobody->pw_uid, nobody->pw_gid), 0);
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int code = 3;
        if (::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0
            && ::setuid(nobody->pw_uid) == 0) {
            try {
                f(dir.path());
                code = testing::Test::HasFailure() ? 1 : 0;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "exception as nobody: %s\n", e.what());
                code = 2;
            } catch (...) {
                code = 2;
            }
        }
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the check as nobody failed (wait status " << status
        << ", 2: exception, 3: no privileges dropped)";
}

bool recordMailUrl(const QUrl& url)
{
    if (mailFails())
        return false;
    urls().append(url);
    return true;
}

} // namespace hvtest
