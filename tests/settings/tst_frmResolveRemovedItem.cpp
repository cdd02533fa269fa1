#include "frmResolveRemovedItem.h"
#include "tst_cGlobalSettingsSupport.h"

#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace hvglobaltest;

namespace {
// Runs a step on the dialog once it is up as a modal window; a step that leaves it open fails.
void whenModal(std::function<void(frmResolveRemovedItem&)> step)
{
    hvtest::whenModal<frmResolveRemovedItem>([step](frmResolveRemovedItem* dlg) {
        step(*dlg);
        if (dlg->isVisible()) {
            ADD_FAILURE() << "the dialog is still open";
            dlg->reject();
        }
    });
}

class ResolveRemovedItemDialog : public testing::Test
{
protected:
    void SetUp() override
    {
        LoadLanguages(fncColumnForLcid(1033));
        subSetRemovedItemResolver(nullptr);
    }
};

// Keyboard only: Return without a chosen value leaves the dialog open; the values come in the
// order of the user's language (German puts Öl beside Ost, not after Zebra).
TEST_F(ResolveRemovedItemDialog, MoveNeedsAChosenValueAndReportsIt)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    bool stayedOpen = false;
    QStringList shown;
    whenModal([&](frmResolveRemovedItem& dlg) {
        EXPECT_EQ((QStringList { dlg.lblValueToBeResolved()->text(), dlg.lblConflict()->text(),
                      dlg.lblReportCount()->text() }),
            (QStringList { "Beta", "conflict", "Time reports of this item: 1.234" }));
        for (int i = 0; i < dlg.cmbMoveChoice()->count(); ++i)
            shown.append(dlg.cmbMoveChoice()->itemText(i));
        QTest::keyClick(&dlg, Qt::Key_Return);
        stayedOpen = dlg.isVisible();
        QTest::keyClick(dlg.cmbMoveChoice(), Qt::Key_Down);
        QTest::keyClick(dlg.cmbMoveChoice(), Qt::Key_Down);
        QTest::keyClick(&dlg, Qt::Key_Return);
    });
    QString choice;
    const qint32 result = fncRemovedItemResolver().fncResolve(QStringLiteral("Beta"),
        QStringLiteral("conflict"), 1234,
        { QStringLiteral("Zebra"), QStringLiteral("Ost"), QStringLiteral("apple"),
            QString::fromUtf8("Öl") },
        choice);
    QLocale::setDefault(saved);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(shown,
        (QStringList { QStringLiteral("apple"), QString::fromUtf8("Öl"), QStringLiteral("Ost"),
            QStringLiteral("Zebra") }));
    EXPECT_EQ(result, cRemovedItemResolver::intMoveReports);
    EXPECT_EQ(choice, QString::fromUtf8("Öl"));
    EXPECT_FALSE(frmResolveRemovedItem::Instance().isVisible());
}

// The controls carry their texts. "Remove" chosen for one item is not the answer for the next:
// Return there deletes nothing.
TEST_F(ResolveRemovedItemDialog, EveryItemStartsWithMoveAndNoValueAndCloseGivesThree)
{
    whenModal([](frmResolveRemovedItem& dlg) {
        EXPECT_EQ((QStringList { dlg.windowTitle(), dlg.optRemoveReports()->text(),
                      dlg.optMoveReportsTo()->text(), dlg.cmdOK()->text(), dlg.cmdCancel()->text(),
                      dlg.cmbMoveChoice()->accessibleName() }),
            (QStringList { "Hourvane for Outlook 3", "Remove time reports",
                "Move time reports to:", "OK", "Cancel", "Move time reports to:" }));
        EXPECT_FALSE(QFontInfo(dlg.optRemoveReports()->font()).family().isEmpty());
        EXPECT_EQ(dlg.cmbMoveChoice()->count(), 0);
        // On the button's circle: a radio button takes clicks on its circle and text only.
        QTest::mouseClick(dlg.optRemoveReports(), Qt::LeftButton, {},
            QPoint(8, dlg.optRemoveReports()->height() / 2));
        QTest::keyClick(&dlg, Qt::Key_Return);
    });
    QString choice;
    EXPECT_EQ(fncRemovedItemResolver().fncResolve(QStringLiteral("Only"), QString(), 3, {}, choice),
        cRemovedItemResolver::intRemoveReports);

    bool stayedOpen = false;
    whenModal([&stayedOpen](frmResolveRemovedItem& dlg) {
        EXPECT_TRUE(dlg.optMoveReportsTo()->isChecked());
        EXPECT_EQ(dlg.cmbMoveChoice()->currentIndex(), -1);
        QTest::keyClick(&dlg, Qt::Key_Return);
        stayedOpen = dlg.isVisible();
        QTest::keyClick(&dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(fncRemovedItemResolver().fncResolve(
                  QStringLiteral("Next"), QString(), 5, { QStringLiteral("Only") }, choice),
        cRemovedItemResolver::intCancelled);
    EXPECT_TRUE(stayedOpen);

    whenModal(
        [](frmResolveRemovedItem& dlg) { QTest::mouseClick(dlg.cmdCancel(), Qt::LeftButton); });
    EXPECT_EQ(fncRemovedItemResolver().fncResolve(QStringLiteral("Only"), QString(), 0, {}, choice),
        cRemovedItemResolver::intCancelled);
    EXPECT_EQ(frmResolveRemovedItem::Instance().intReturnValue, 3);
}

} // namespace
