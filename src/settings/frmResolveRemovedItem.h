#pragma once

#include "cDictionary.h"

#include <QDialog>
#include <QStringList>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace Ui {
class frmResolveRemovedItem;
}

// The modal question what happens to the time reports of a value that is no longer in its
// list: remove them, or move them to another value. It only collects the decision.
class frmResolveRemovedItem : public QDialog
{
    Q_OBJECT

public:
    // The one instance of the run, created on first use and hidden (not destroyed) after each
    // decision, so the caller can read its controls.
    static frmResolveRemovedItem& Instance();
    ~frmResolveRemovedItem() override;

    // 1 = remove the reports, 2 = move them to cmbMoveChoice's value, 3 = cancelled.
    qint32 intReturnValue = 3;

    // The values in the order of the user's language.
    void subFillDropDown(const QStringList& colItems);
    template <typename T> void subFillDropDown(const cDictionary<T>& dic)
    {
        subFillDropDown(dic.Keys());
    }
    void subSetCaptions();

    // Shows the dialog modally. Every showing starts as cancelled, with "Move" selected and no
    // value chosen, so neither closing the window nor Return repeats the previous decision.
    qint32 fncShowModal();

    QComboBox* cmbMoveChoice() const;
    QPushButton* cmdCancel() const;
    QRadioButton* optRemoveReports() const;
    QRadioButton* optMoveReportsTo() const;
    QPushButton* cmdOK() const;
    QLabel* lblValueToBeResolved() const;
    QLabel* lblConflict() const;
    QLabel* lblReportCount() const;

    // Closing the window (Escape, the title bar) is the same as Cancel.
    void reject() override;

private:
    frmResolveRemovedItem();
    void cmdOK_Click();
    void cmdCancel_Click();

    std::unique_ptr<Ui::frmResolveRemovedItem> ui;
};
