#pragma once

#include "cListHandler.h"
#include "frmHVPersSettingsSingle.h"
#include "modDBCode.h"
#include "modMain.h"
#include "modOutlookCode.h"
#include "ui_frmHVPersSettingsSingle.h"

#include <QApplication>
#include <QTest>
#include <stdexcept>

// Runs of the whole program in the test process, as a user starts and ends it.
namespace hvapptest {

// Everything a run leaves in memory is dropped; the files stay, as after a real end.
inline void subEndRun()
{
    subResetMainState();
    subResetOutlookState();
    subResetDBState();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Main up to the window, active; what the start-up timer does half a second after the window
// appeared is done now, so that no refill lands in the middle of a test's typing.
inline frmHVPersSettingsSingle& start()
{
    Main();
    frmHVPersSettingsSingle* frm = fncSettingsWindow();
    if (!frm)
        throw std::runtime_error("no window");
    frm->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(frm));
    frm->timStartup_Timer();
    return *frm;
}

// Column A of the window's list grid from row 2 down to the first empty cell.
inline QStringList gridNames(frmHVPersSettingsSingle& frm)
{
    QStringList out;
    const cSheetModel& sheet = *frm.exsList().CurrSheet;
    for (int r = 1; !sheet.isCellEmpty(r, 0); ++r)
        out.append(sheet.Value(r, 0).toString());
    return out;
}

// Clicks a cell of a sheet (row as the sheet counts, from 1) and types into it; Return ends it.
inline void typeIntoCell(cListHandler& exs, int intRow, int intCol, const QString& strText)
{
    cSheet* view = exs.ObjectList;
    const QModelIndex index = view->model()->index(intRow - 1, intCol);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    ASSERT_EQ(view->currentIndex(), index);
    for (const QChar ch : strText) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : view;
        QTest::keyClick(target, ch.toLatin1());
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

// What OK needs: a customer, Acme, and a cost carrier, Person, with the person's rate if one is
// given.
inline void fillMandatory(frmHVPersSettingsSingle& frm, const QString& strRate = {})
{
    typeIntoCell(frm.exsList(), 2, 0, QStringLiteral("Acme"));
    frm.ui().cmbCostCarrier->setFocus();
    QTest::keyClick(frm.ui().cmbCostCarrier, Qt::Key_Home);
    if (strRate.isEmpty())
        return;
    ASSERT_FALSE(frm.ui().txtPersonalRate->isHidden());
    frm.ui().txtPersonalRate->setFocus();
    frm.ui().txtPersonalRate->selectAll();
    QTest::keyClicks(frm.ui().txtPersonalRate, strRate);
}

} // namespace hvapptest
