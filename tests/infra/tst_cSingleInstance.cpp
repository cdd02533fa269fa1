#include "TestSupport.h"
#include "cSingleInstance.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>

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

// A lock left by a copy that crashed does not block; one of a running copy does, and is left alone.
TEST_F(SingleInstance, ALockBlocksOnlyWhileItsProcessRuns)
{
    const QString path = cSingleInstance(strName).fncLockPath();
    QProcess running;
    running.start(QStringLiteral("sleep"), { QStringLiteral("30") });
    ASSERT_TRUE(running.waitForStarted(5000));
    hvtest::writeFile(path,
        QByteArray::number(running.processId()) + "\nsleep\n" + QSysInfo::machineHostName().toUtf8()
            + '\n');
    {
        cSingleInstance blocked(strName);
        EXPECT_FALSE(blocked.fncIsFirst());
    }
    EXPECT_TRUE(QFileInfo::exists(path));
    running.kill();
    running.waitForFinished(5000);
    cSingleInstance after(strName); // the process has ended: as after a crash
    EXPECT_TRUE(after.fncIsFirst());
}
