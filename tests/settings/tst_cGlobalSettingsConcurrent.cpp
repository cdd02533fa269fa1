#include "cGlobalSettings.h"
#include "cPersonalSettings.h"
#include "tst_cGlobalSettingsSupport.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

using namespace hvglobaltest;

namespace {
// Two programs save the same lists of one PostgreSQL database at the same moment: this test's
// save holds its transaction open while the other program's save starts and waits for it.
class ConcurrentSaves : public testing::Test
{
protected:
    void SetUp() override
    {
        LoadLanguages(fncColumnForLcid(1033));
        cPersonalSettings::subSetProgramFolder(hvtest::newTempDir(QStringLiteral("program")));
        subSetRemovedItemResolver(&resolver);
        for (int i = 1; i <= 20; ++i) {
            const QString name = QStringLiteral("I%1").arg(i, 2, 10, QLatin1Char('0'));
            db.fncExec(QStringLiteral("insert into tblMeta1 (strName, strCategory, curRate, "
                                      "blnEnabled) values (?, 'Cat', 5, ?)"),
                { name, true });
            for (int r = 1; r <= 2; ++r)
                db.fncExec(
                    QStringLiteral("insert into tblReports (strSubject, intMeta1ID) values (?, ?)"),
                    { QStringLiteral("%1/%2").arg(name).arg(r), db.fncId(1, name) });
        }
        db.subAddSettingsRow();
    }
    void TearDown() override
    {
        cGlobalSettings::subSetLockedHook(nullptr);
        subSetRemovedItemResolver(nullptr);
    }

    static QStringList range(const QString& prefix, int from, int to)
    {
        QStringList r;
        for (int i = from; i <= to; ++i)
            r.append(QStringLiteral("%1%2").arg(prefix).arg(i, 2, 10, QLatin1Char('0')));
        return r;
    }

    const cTestDatabase db { eEngine::PostgreSQL };
    cScriptedResolver resolver;
};

// The other program removes one item, adds a new one and the renamed ones' new names, and edits
// the items left and one this one renamed: it is asked about that one and keeps the rename.
TEST_F(ConcurrentSaves, RenamesAndAnotherRemovingAddingAndEditingKeepEveryEditAndReport)
{
    QStringList commands { db.Folder(), hvtest::newTempDir(QStringLiteral("other")),
        QStringLiteral("answer\tno"), QStringLiteral("remove\t1\tI10\t1"),
        QStringLiteral("add\t1\tN01\tNew\t7"), QStringLiteral("set\t1\tI01\tEdited\t42") };
    for (const QString& n : range(QStringLiteral("R"), 1, 5))
        commands.append(QStringLiteral("add\t1\t%1\tCat\t5").arg(n));
    QStringList kept = range(QStringLiteral("I"), 6, 20);
    kept.removeOne(QStringLiteral("I10"));
    for (const QString& n : kept)
        commands.append(QStringLiteral("set\t1\t%1\tEdited\t42").arg(n));
    QProcess other;
    other.start(QStringLiteral(HV_SAVE_SESSION), commands);
    ASSERT_TRUE(other.waitForReadyRead(60000));
    EXPECT_EQ(other.readLine().trimmed(), QByteArray("loaded"));

    // Renames I01..I05 to R01..R05 as the window does: the old item goes, its reports move to the
    // new one.
    cGlobalSettings mine;
    ASSERT_TRUE(mine.ReadGlobalSettings(2, QString()));
    cMetaDictionary& list = mine.MetaDataLists.ItemAt(0);
    for (int i = 1; i <= 5; ++i) {
        const QString to = QStringLiteral("R0%1").arg(i);
        list.MetaDic.Remove(QStringLiteral("I0%1").arg(i));
        list.AddMeta(to, QStringLiteral("Cat"), cCurrency::fromDouble(5), 0, QString(), true);
        resolver.answers.enqueue({ cRemovedItemResolver::intMoveReports, to });
    }
    // The other program's save runs while this one's is locked in: it loaded before this save
    // began, and must be waiting for the lock when this save goes on.
    int intHookCalls = 0;
    cGlobalSettings::subSetLockedHook([&] {
        if (intHookCalls++ > 0)
            return;
        other.write("save\n");
        other.waitForBytesWritten(10000);
        ConnectionPtr watch = db.fncOpen();
        const QDeadlineTimer deadline(60000);
        bool blnWaiting = false;
        while (!blnWaiting && !deadline.hasExpired()) {
            const RecordsetPtr rs = watch->OpenRecordset(
                QStringLiteral("select count(*) from pg_stat_activity where datname = "
                               "current_database() and wait_event_type = 'Lock'"),
                true);
            blnWaiting = rs->Value(0).toInt() > 0;
            QThread::yieldCurrentThread();
        }
        EXPECT_TRUE(blnWaiting) << "the other save never waited for this one";
    });
    EXPECT_EQ(mine.SaveGlobalSettings(), QString());
    EXPECT_EQ(intHookCalls, 1);
    EXPECT_TRUE(other.waitForFinished(60000));
    EXPECT_EQ(other.exitCode(), 0) << other.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(other.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines.at(0), QStringLiteral("saved\t"));
    EXPECT_EQ(lines.at(1), QStringLiteral("asked\tI10"));
    EXPECT_TRUE(lines.at(2).startsWith(QStringLiteral("box\tSomeone else changed \"I01\"")))
        << lines.at(2).toStdString();
    QStringList expected = kept + range(QStringLiteral("R"), 1, 5) + QStringList { "N01" };
    expected.sort();
    EXPECT_EQ(db.fncNames(1), expected);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(db.fncReportsOf(QStringLiteral("R0%1").arg(i)),
            (QStringList { QStringLiteral("I0%1/1").arg(i), QStringLiteral("I0%1/2").arg(i) }));
    }
    EXPECT_EQ(db.fncRows(QStringLiteral("select count(*) from tblReports")), QStringList { "38" });
    EXPECT_EQ(
        db.fncRows(QStringLiteral("select count(*) from tblReports where intMeta1ID is null")),
        QStringList { "0" });
    EXPECT_EQ(db.fncRows(QStringLiteral(
                  "select count(*) from tblMeta1 where strCategory = 'Edited' and curRate = 42")),
        QStringList { "14" });
}

// The server drops the save's connection inside its transaction (a restart): the save opens
// it once more; when that fails too, the edits stay and the user reads why.
TEST_F(ConcurrentSaves, ALostServerConnectionIsOpenedOnceMoreThenTheEditsStay)
{
    for (const int intDrops : { 1, 2 }) {
        SCOPED_TRACE(intDrops);
        const QStringList before = db.fncDump();
        cGlobalSettings g;
        ASSERT_TRUE(g.ReadGlobalSettings(2, QString()));
        g.MetaDataLists.ItemAt(0).MetaDic.Item(QStringLiteral("I07")).Category
            = QStringLiteral("Edited");
        int intCalls = 0;
        cGlobalSettings::subSetLockedHook([&] {
            if (intCalls++ < intDrops)
                db.fncExec(
                    QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity where "
                                   "datname = current_database() and pid <> pg_backend_pid()"));
        });
        QString strMessage;
        EXPECT_FALSE(hvtest::endsProgram([&] { strMessage = g.SaveGlobalSettings(); }));
        EXPECT_EQ(intCalls, 2);
        const QStringList category
            = db.fncRows(QStringLiteral("select strCategory from tblMeta1 where strName = 'I07'"));
        if (intDrops == 1) {
            EXPECT_EQ(strMessage, QString());
            EXPECT_EQ(category, QStringList { "Edited" });
        } else {
            EXPECT_TRUE(strMessage.startsWith(fncPhrase("LNGSAVEFAILEDKEPT")))
                << strMessage.toStdString();
            EXPECT_EQ(db.fncDump(), before);
            EXPECT_EQ(g.MetaDataLists.ItemAt(0).MetaDic.Item(QStringLiteral("I07")).Category,
                QStringLiteral("Edited"));
        }
    }
}
} // namespace
