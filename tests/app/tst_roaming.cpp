#include "TestSupport.h"
#include "cListHandler.h"
#include "cPersonalSettings.h"
#include "frmHVPersSettingsSingle.h"
#include "modDBCode.h"
#include "modMain.h"
#include "modOutlookCode.h"
#include "modRegistryEntry.h"
#include "tst_StartUpSupport.h"
#include "ui_frmHVPersSettingsSingle.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

// Settings travel between two machines through a real CalDAV server (Radicale) and a real vdir
// sync tool (vdirsyncer), each machine with its own home, per-user store, data folder and
// calendar folder. A part that cannot start fails the test.

using namespace hvapptest;

namespace {

struct Machine
{
    QString strHome;
    QString strVdirConfig;

    QString calendar() const { return strHome + QStringLiteral("/.local/share/hourvane/calendar"); }
};

class Roaming : public testing::Test
{
protected:
    void SetUp() override
    {
        m_oldCalendar = qgetenv("HOURVANE_CALENDAR");
        // Each machine's calendar is the default folder in its own home.
        qunsetenv("HOURVANE_CALENDAR");
        // The program's folder holds the program, as an installed one does, and takes the export.
        const QString strProgram = hvtest::newTempDir(QStringLiteral("program"));
        ASSERT_TRUE(QFile::link(
            QStringLiteral(HV_APP_EXE), strProgram + QStringLiteral("/HVPersonalSettingsSingle")));
        cPersonalSettings::subSetProgramFolder(strProgram);
        // A CalDAV server of the test's own on a free loopback port.
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        m_port = probe.serverPort();
        probe.close();
        m_storage = hvtest::newTempDir(QStringLiteral("radicale"));
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(QStringLiteral("radicale"),
            { QStringLiteral("--config"), QString(), QStringLiteral("--server-hosts"),
                QStringLiteral("127.0.0.1:%1").arg(m_port), QStringLiteral("--auth-type"),
                QStringLiteral("none"), QStringLiteral("--storage-filesystem-folder"), m_storage,
                QStringLiteral("--logging-level"), QStringLiteral("warning") });
        ASSERT_TRUE(m_server.waitForStarted(10000))
            << "radicale (Debian package radicale) cannot be started: "
            << m_server.errorString().toStdString();
        const auto answers = [this] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            return socket.waitForConnected(100) || m_server.state() != QProcess::Running;
        };
        ASSERT_TRUE(QTest::qWaitFor(answers, 10000) && m_server.state() == QProcess::Running)
            << "radicale does not answer on port " << m_port << ": "
            << m_server.readAll().toStdString();
    }

    void TearDown() override
    {
        subEndRun();
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(5000))
                m_server.kill();
            m_server.waitForFinished(2000);
        }
        cPersonalSettings::subSetProgramFolder(QString());
        qputenv("HOURVANE_CALENDAR", m_oldCalendar);
    }

    Machine newMachine(const QString& strName) const
    {
        Machine m;
        m.strHome = hvtest::newTempDir(strName);
        QDir(m.strHome).mkpath(QStringLiteral("Documents"));
        QDir(m.strHome).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(m.strHome + QStringLiteral("/runtime"),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // The configuration the README shows, pointed at this machine's folders and the server.
        QString strConfig = QString::fromUtf8(hvtest::readFile(QStringLiteral(HV_README)));
        strConfig = strConfig.mid(strConfig.indexOf(QStringLiteral("    [general]\n")));
        strConfig.truncate(strConfig.indexOf(QStringLiteral("\n\n"),
                               strConfig.indexOf(QStringLiteral("[storage hourvane_remote]")))
            + 1);
        strConfig.remove(0, 4).replace(QStringLiteral("\n    "), QStringLiteral("\n"));
        strConfig.replace(QLatin1Char('~'), m.strHome)
            .replace(QStringLiteral("https://caldav.example.org/"),
                QStringLiteral("http://127.0.0.1:%1/").arg(m_port))
            .replace(QStringLiteral("password.fetch = [\"command\", \"pass\", \"caldav\"]"),
                QStringLiteral("password = \"secret\""));
        m.strVdirConfig = m.strHome + QStringLiteral("/vdirsyncer.conf");
        hvtest::writeFile(m.strVdirConfig, strConfig.toUtf8());
        return m;
    }

    // The process-wide view of "this machine": home, per-user store, data and runtime folders.
    static void useMachine(const Machine& m)
    {
        subEndRun();
        qputenv("HOME", m.strHome.toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (m.strHome + QStringLiteral("/.config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", (m.strHome + QStringLiteral("/.local/share")).toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", (m.strHome + QStringLiteral("/runtime")).toLocal8Bit());
        qputenv("XDG_DOCUMENTS_DIR", (m.strHome + QStringLiteral("/Documents")).toLocal8Bit());
        QSettings::setPath(
            QSettings::NativeFormat, QSettings::UserScope, m.strHome + QStringLiteral("/.config"));
    }

    // discover (creating the collection where it is missing), then sync; no conflict allowed.
    static void sync(const Machine& m)
    {
        for (const QString& step : { QStringLiteral("discover"), QStringLiteral("sync") }) {
            QProcess tool;
            tool.setProcessChannelMode(QProcess::MergedChannels);
            tool.start(
                QStringLiteral("vdirsyncer"), { QStringLiteral("-c"), m.strVdirConfig, step });
            ASSERT_TRUE(tool.waitForStarted(10000))
                << "vdirsyncer (Debian package vdirsyncer) cannot be started";
            tool.write("y\ny\n");
            tool.closeWriteChannel();
            ASSERT_TRUE(tool.waitForFinished(30000));
            const QString output = QString::fromLocal8Bit(tool.readAll());
            ASSERT_EQ(tool.exitCode(), 0) << output.toStdString();
            EXPECT_FALSE(output.contains(QStringLiteral("conflict"), Qt::CaseInsensitive))
                << output.toStdString();
        }
    }

    // What the window shows of the personal settings, plus the two options it has no box for.
    static std::string shown(frmHVPersSettingsSingle& frm)
    {
        const Ui::frmHVPersSettingsSingle& ui = frm.ui();
        const cPersonalSettings& s = fncPersonalSettings();
        QString out;
        for (const bool b :
            { ui.chkPrivate->isChecked(), ui.chkRecurring->isChecked(), ui.chkEvents->isChecked(),
                ui.chkConvertFullDayToHours->isChecked(), ui.chkRemoveLunch->isChecked(),
                s.CreateLocalCube, s.StartGrid, ui.chkWriteSubject->isChecked() })
            out += b ? u'1' : u'0';
        for (const QLineEdit* txt : { ui.txtPersonalRate, ui.txtFullDayHours, ui.txtLunchHours })
            out += QLatin1Char(' ') + txt->text();
        return out.toStdString();
    }

    static void type(QLineEdit* edit, const QString& strText)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, strText);
    }

    static void pressOk(frmHVPersSettingsSingle& frm)
    {
        QTest::mouseClick(frm.ui().cmdOK, Qt::LeftButton);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(fncSettingsWindow(), nullptr) << "OK did not close the window";
    }

    QStringList serverItems() const
    {
        return QDir(m_storage + QStringLiteral("/collection-root/you/calendar"))
            .entryList(QDir::Files | QDir::NoDotAndDotDot);
    }

    QByteArray m_oldCalendar;
    QProcess m_server;
    QString m_storage;
    quint16 m_port = 0;
};

TEST_F(Roaming, SettingsTravelBetweenTwoMachinesThroughACalDavServer)
{
    const Machine a = newMachine(QStringLiteral("machine-a"));
    const Machine b = newMachine(QStringLiteral("machine-b"));

    // A: private, recurring, events, whole days, lunch, local cube, grid and subject each the
    // opposite of its neighbour; rate and hours away from the defaults.
    const std::string fromA = "01010101 45.5 7.5 0.25";
    useMachine(a);
    {
        frmHVPersSettingsSingle& frm = start();
        Ui::frmHVPersSettingsSingle& ui = frm.ui();
        fillMandatory(frm, QStringLiteral("45.5"));
        QTest::mouseClick(ui.chkPrivate, Qt::LeftButton); // off
        QTest::mouseClick(ui.chkEvents, Qt::LeftButton); // off
        QTest::mouseClick(ui.chkConvertFullDayToHours, Qt::LeftButton); // on
        type(ui.txtFullDayHours, QStringLiteral("7.5"));
        QTest::mouseClick(ui.chkRemoveLunch, Qt::LeftButton);
        type(ui.txtLunchHours, QStringLiteral("0.25"));
        QTest::mouseClick(ui.chkRemoveLunch, Qt::LeftButton); // off again
        QTest::mouseClick(ui.chkWriteSubject, Qt::LeftButton); // on
        fncPersonalSettings().CreateLocalCube = true; // not in the window
        ASSERT_EQ(shown(frm), fromA);
        pressOk(frm);
    }
    subEndRun();
    sync(a);
    ASSERT_EQ(serverItems().size(), 1);

    // B: an empty store, another home and data folder; it shows what A saved.
    useMachine(b);
    sync(b);
    ASSERT_EQ(hvtest::readFile(fncRegistryStorePath()), QByteArray());
    {
        frmHVPersSettingsSingle& frm = start();
        EXPECT_EQ(shown(frm), fromA);
        EXPECT_TRUE(fncPersonalSettings().ReportValue.startsWith(b.strHome));
        fillMandatory(frm, QStringLiteral("61.25"));
        QTest::mouseClick(frm.ui().chkRecurring, Qt::LeftButton); // off
        pressOk(frm);
    }
    subEndRun();
    sync(b);
    useMachine(a);
    sync(a);

    // A keeps its store, yet shows what B saved since.
    {
        frmHVPersSettingsSingle& frm = start();
        EXPECT_EQ(shown(frm), "00010101 61.25 7.5 0.25"); // recurring off, another rate
        EXPECT_TRUE(fncPersonalSettings().ReportValue.startsWith(a.strHome));
    }
    subEndRun();
    EXPECT_EQ(serverItems().size(), 1);
    EXPECT_EQ(QDir(a.calendar()).entryList({ QStringLiteral("*.ics") }, QDir::Files).size(), 1);
    EXPECT_EQ(QDir(b.calendar()).entryList({ QStringLiteral("*.ics") }, QDir::Files).size(), 1);
}

} // namespace
