#include "frmResolveRemovedItem.h"

#include "cRemovedItemResolver.h"
#include "modErrorHandling.h"
#include "modPhrases.h"
#include "ui_frmResolveRemovedItem.h"

#include <QCollator>
#include <QCoreApplication>
#include <QLocale>
#include <algorithm>

namespace {
frmResolveRemovedItem* g_instance = nullptr;

void subDeleteInstance()
{
    delete g_instance;
    g_instance = nullptr;
}

// The program's answer: the shared dialog, in the calling order the save relies on.
class cDialogResolver : public cRemovedItemResolver
{
public:
    qint32 fncResolve(const QString& strValue, const QString& strConflict, qint32 lngReportCount,
        const QStringList& colChoices, QString& strMoveChoice) override
    {
        frmResolveRemovedItem& frm = frmResolveRemovedItem::Instance();
        frm.lblValueToBeResolved()->setText(strValue);
        frm.lblConflict()->setText(strConflict);
        frm.lblReportCount()->setText(
            fncPhrase("LNGRESOLVEREPORTCOUNT").arg(QLocale().toString(lngReportCount)));
        frm.subFillDropDown(colChoices);
        const qint32 result = frm.fncShowModal();
        if (result == intMoveReports)
            strMoveChoice = frm.cmbMoveChoice()->currentText();
        return result;
    }
};

cRemovedItemResolver* g_resolver = nullptr;
} // namespace

cRemovedItemResolver& fncRemovedItemResolver()
{
    static cDialogResolver dialogResolver;
    return g_resolver ? *g_resolver : dialogResolver;
}

void subSetRemovedItemResolver(cRemovedItemResolver* resolver)
{
    g_resolver = resolver;
}

frmResolveRemovedItem& frmResolveRemovedItem::Instance()
{
    if (!g_instance) {
        g_instance = new frmResolveRemovedItem;
        // Widgets must go before the application object does.
        qAddPostRoutine(subDeleteInstance);
    }
    return *g_instance;
}

frmResolveRemovedItem::frmResolveRemovedItem()
    : ui(std::make_unique<Ui::frmResolveRemovedItem>())
{
    ui->setupUi(this);
    subSetCaptions();
    intReturnValue = 3;
    // The option buttons sit on the window's own background.
    for (QWidget* w : { static_cast<QWidget*>(ui->optRemoveReports),
             static_cast<QWidget*>(ui->optMoveReportsTo) }) {
        w->setBackgroundRole(backgroundRole());
        w->setAutoFillBackground(true);
    }
    connect(ui->cmdOK, &QPushButton::clicked, this, &frmResolveRemovedItem::cmdOK_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmResolveRemovedItem::cmdCancel_Click);
}

frmResolveRemovedItem::~frmResolveRemovedItem() = default;

void frmResolveRemovedItem::subSetCaptions()
{
    ui->cmdCancel->setText(fncPhrase("LNGCANCEL"));
    ui->optRemoveReports->setText(fncPhrase("LNGREMOVEREPORTS"));
    ui->optMoveReportsTo->setText(fncPhrase("LNGADDTOANOTHER"));
    ui->cmbMoveChoice->setAccessibleName(fncPhrase("LNGADDTOANOTHER"));
    ui->cmdOK->setText(fncPhrase("LNGOK"));
    ui->optMoveReportsTo->setChecked(true);
}

void frmResolveRemovedItem::subFillDropDown(const QStringList& colItems)
{
    try {
        subLog(QStringLiteral("Adding choice values to the dropdown"));
        QStringList items = colItems;
        std::sort(items.begin(), items.end(), QCollator());
        ui->cmbMoveChoice->clear();
        ui->cmbMoveChoice->addItems(items);
        // Nothing is chosen until the user chooses.
        ui->cmbMoveChoice->setCurrentIndex(-1);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("subFillDropDown"));
    }
}

qint32 frmResolveRemovedItem::fncShowModal()
{
    intReturnValue = 3;
    ui->optMoveReportsTo->setChecked(true);
    ui->cmbMoveChoice->setCurrentIndex(-1);
    ui->cmbMoveChoice->setFocus();
    exec();
    return intReturnValue;
}

void frmResolveRemovedItem::cmdOK_Click()
{
    if (ui->optRemoveReports->isChecked()) {
        intReturnValue = 1;
        done(QDialog::Accepted);
    } else if (!ui->cmbMoveChoice->currentText().isEmpty()) {
        intReturnValue = 2;
        done(QDialog::Accepted);
    }
}

void frmResolveRemovedItem::cmdCancel_Click()
{
    intReturnValue = 3;
    done(QDialog::Rejected);
}

void frmResolveRemovedItem::reject()
{
    intReturnValue = 3;
    QDialog::reject();
}

QComboBox* frmResolveRemovedItem::cmbMoveChoice() const
{
    return ui->cmbMoveChoice;
}
QPushButton* frmResolveRemovedItem::cmdCancel() const
{
    return ui->cmdCancel;
}
QRadioButton* frmResolveRemovedItem::optRemoveReports() const
{
    return ui->optRemoveReports;
}
QRadioButton* frmResolveRemovedItem::optMoveReportsTo() const
{
    return ui->optMoveReportsTo;
}
QPushButton* frmResolveRemovedItem::cmdOK() const
{
    return ui->cmdOK;
}
QLabel* frmResolveRemovedItem::lblValueToBeResolved() const
{
    return ui->lblValueToBeResolved;
}
QLabel* frmResolveRemovedItem::lblConflict() const
{
    return ui->lblConflict;
}
QLabel* frmResolveRemovedItem::lblReportCount() const
{
    return ui->lblReportCount;
}
