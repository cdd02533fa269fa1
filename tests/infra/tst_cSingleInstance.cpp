#include "cSingleInstance.h"

#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>

namespace {
void subWriteLock(const QString& path, qint64 pid, const QString& app)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QString::number(pid).toUtf8() + '\n' + app.toUtf8() + '\n' + QSysInfo::machineHostName().toUtf8() + '\n');
}
} // namespace

class SingleInstance : public testing::Test
{
protected:
    const QString strName = QStringLiteral("HVSingleTest");
    void SetUp() override { QFile::remove(cSingleInstance(strName).fncLockPath()); }
};

TEST_F(SingleInstance, ASecondCopyIsNotFirstUntilTheFirstEnds)
{
    auto first = std::make_unique<cSingleInstance>(strName);
    EXPECT_TRUE(first->fncIsFirst());
    EXPECT_TRUE(first->fncLockPath().startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));
    cSingleInstance second(strName);
    EXPECT_FALSE(second.fncIsFirst());
    first.reset();
    EXPECT_FALSE(QFileInfo::exists(second.fncLockPath()));
    cSingleInstance third(strName);
    EXPECT_TRUE(third.fncIsFirst());
}

TEST_F(SingleInstance, ALockOfACrashedCopyDoesNotBlock)
{
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    ASSERT_TRUE(gone.waitForStarted(5000));
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished(5000));
    const QString path = cSingleInstance(strName).fncLockPath();
    subWriteLock(path, deadPid, QStringLiteral("HVPersonalSettingsSingle"));
    cSingleInstance next(strName);
    EXPECT_TRUE(next.fncIsFirst());
}

TEST_F(SingleInstance, ALockOfARunningCopyBlocks)
{
    QProcess running;
    running.start(QStringLiteral("sleep"), { QStringLiteral("30") });
    ASSERT_TRUE(running.waitForStarted(5000));
    const QString path = cSingleInstance(strName).fncLockPath();
    subWriteLock(path, running.processId(), QStringLiteral("sleep"));
    {
        cSingleInstance blocked(strName);
        EXPECT_FALSE(blocked.fncIsFirst());
    }
    EXPECT_TRUE(QFileInfo::exists(path)) << "the other copy's lock is left alone";
    running.kill();
    running.waitForFinished(5000);
    cSingleInstance after(strName);
    EXPECT_TRUE(after.fncIsFirst());
}
