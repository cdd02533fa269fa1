#include "tst_cGlobalSettingsSupport.h"

#include "cGlobalSettings.h"
#include "cPersonalSettings.h"
#include "frmResolveRemovedItem.h"

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

using namespace hvglobaltest;

namespace {
// Runs steps on the dialog once it is up as a modal window; each step runs when the dialog
// is still open after the previous one.
void whenModal(std::function<void(frmResolveRemovedItem&)> step)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, step] {
        auto* dlg = qobject_cast<frmResolveRemovedItem*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        timer->stop();
        timer->deleteLater();
        step(*dlg);
    });
    timer->start();
}

class ResolveRemovedItemDialog : public testing::Test
{
protected:
    void SetUp() override
    {
        subLoadEnglishPhrases();
        subSetRemovedItemResolver(nullptr);
    }
};

TEST_F(ResolveRemovedItemDialog, HasTheNamedControlsAndTexts)
{
    frmResolveRemovedItem& frm = frmResolveRemovedItem::Instance();
    EXPECT_EQ(&frm, &frmResolveRemovedItem::Instance());
    EXPECT_EQ(frm.windowTitle(), QStringLiteral("Hourvane for Outlook 3"));
    for (const char* name : { "cmbMoveChoice", "cmdCancel", "optRemoveReports", "optMoveReportsTo", "cmdOK",
             "lblValueToBeResolved", "lblConflict" })
        EXPECT_NE(frm.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(frm.optRemoveReports()->text(), QStringLiteral("Remove time reports"));
    EXPECT_EQ(frm.optMoveReportsTo()->text(), QStringLiteral("Move time reports to:"));
    EXPECT_EQ(frm.cmdOK()->text(), QStringLiteral("OK"));
    EXPECT_EQ(frm.cmdCancel()->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(frm.cmbMoveChoice()->accessibleName(), QStringLiteral("Move time reports to:"));
    EXPECT_FALSE(QFontInfo(frm.optRemoveReports()->font()).family().isEmpty());
}

TEST_F(ResolveRemovedItemDialog, MoveNeedsAChosenValueAndReportsIt)
{
    bool stayedOpen = false;
    whenModal([&stayedOpen](frmResolveRemovedItem& dlg) {
        EXPECT_TRUE(dlg.optMoveReportsTo()->isChecked());
        EXPECT_EQ(dlg.cmbMoveChoice()->currentText(), QString());
        dlg.cmdOK()->click();
        stayedOpen = dlg.isVisible();
        dlg.cmbMoveChoice()->setCurrentIndex(1);
        dlg.cmdOK()->click();
    });
    QString choice;
    const qint32 result = fncRemovedItemResolver().fncResolve(QStringLiteral("Beta"),
        QStringLiteral("conflict"), { QStringLiteral("Acme"), QStringLiteral("Gamma") }, choice);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(result, cRemovedItemResolver::intMoveReports);
    EXPECT_EQ(choice, QStringLiteral("Gamma"));
    EXPECT_EQ(frmResolveRemovedItem::Instance().lblValueToBeResolved()->text(), QStringLiteral("Beta"));
    EXPECT_EQ(frmResolveRemovedItem::Instance().lblConflict()->text(), QStringLiteral("conflict"));
    EXPECT_FALSE(frmResolveRemovedItem::Instance().isVisible());
}

TEST_F(ResolveRemovedItemDialog, RemoveWorksWithNothingToMoveToAndCancelOrCloseGiveThree)
{
    whenModal([](frmResolveRemovedItem& dlg) {
        EXPECT_EQ(dlg.cmbMoveChoice()->count(), 0);
        dlg.optRemoveReports()->setChecked(true);
        dlg.cmdOK()->click();
    });
    QString choice;
    EXPECT_EQ(fncRemovedItemResolver().fncResolve(QStringLiteral("Only"), QString(), {}, choice),
        cRemovedItemResolver::intRemoveReports);

    // The next showing keeps the user's last option, but closing the window is no decision.
    whenModal([](frmResolveRemovedItem& dlg) {
        EXPECT_TRUE(dlg.optRemoveReports()->isChecked());
        dlg.reject();
    });
    EXPECT_EQ(fncRemovedItemResolver().fncResolve(QStringLiteral("Only"), QString(), {}, choice),
        cRemovedItemResolver::intCancelled);

    whenModal([](frmResolveRemovedItem& dlg) { dlg.cmdCancel()->click(); });
    EXPECT_EQ(fncRemovedItemResolver().fncResolve(QStringLiteral("Only"), QString(), {}, choice),
        cRemovedItemResolver::intCancelled);
    EXPECT_EQ(frmResolveRemovedItem::Instance().intReturnValue, 3);
}

// The save asks through the real dialog and carries out what the user clicked.
TEST_F(ResolveRemovedItemDialog, SaveMovesReportsAsChosenInTheDialog)
{
    cTestDatabase db(eEngine::SQLite);
    cPersonalSettings::subSetProgramFolder(hvtest::newTempDir(QStringLiteral("program")));
    for (const char* name : { "Acme", "Beta" })
        db.fncExec(QStringLiteral("insert into tblMeta1 (strName, blnEnabled) values (?, ?)"), { QLatin1String(name), true });
    db.fncExec(QStringLiteral("insert into tblReports (strSubject, intMeta1ID) values ('r', ?)"),
        { db.fncId(1, QStringLiteral("Beta")) });
    db.fncExec(QStringLiteral("insert into tblSettings (intCostCarrier, intReportTo, strReportToValue) values (1, ?, ?)"),
        { db.ReportTo(), db.ReportToValue() });
    cGlobalSettings gs;
    ASSERT_TRUE(gs.ReadGlobalSettings(2, db.Folder()));
    gs.MetaDataLists.ItemAt(0).MetaDic.Remove(QStringLiteral("Beta"));
    whenModal([](frmResolveRemovedItem& dlg) {
        EXPECT_EQ(dlg.lblValueToBeResolved()->text(), QStringLiteral("Beta"));
        dlg.optMoveReportsTo()->setChecked(true);
        dlg.cmbMoveChoice()->setCurrentText(QStringLiteral("Acme"));
        dlg.cmdOK()->click();
    });
    ASSERT_EQ(gs.SaveGlobalSettings(), QString());
    EXPECT_EQ(db.fncRows(QStringLiteral("select strName from tblMeta1")), QStringList { "Acme" });
    EXPECT_EQ(db.fncRows(QStringLiteral("select intMeta1ID from tblReports")),
        QStringList { QString::number(db.fncId(1, QStringLiteral("Acme"))) });
}
} // namespace
