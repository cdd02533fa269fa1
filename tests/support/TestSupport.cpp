#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

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

bool recordMailUrl(const QUrl& url)
{
    if (mailFails())
        return false;
    urls().append(url);
    return true;
}

} // namespace hvtest
