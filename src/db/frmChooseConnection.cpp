#include "frmChooseConnection.h"

#include "ui_frmChooseConnection.h"

#include <modPhrases.h>

#if __has_include(<clsAlwaysOnTop.h>) && __has_include(<modWindowHelpers.h>)
#include <clsAlwaysOnTop.h>
#include <modWindowHelpers.h>
#define HV_WINDOW_HELPERS 1
#endif

frmChooseConnection::frmChooseConnection(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmChooseConnection>())
{
    m_ui->setupUi(this);
    timSetFocus.setInterval(500);
    timSetFocus.setSingleShot(true);
    connect(m_ui->cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(&timSetFocus, &QTimer::timeout, this, [this] { timSetFocus_Timer(); });
}

frmChooseConnection::~frmChooseConnection() = default;

void frmChooseConnection::subLoad()
{
    setWindowTitle(fncPhrase("LNGCHOOSECONNECTION"));
    m_ui->lblChooseDB->setText(fncPhrase("LNGSELECTDATABASECONNECTION"));
    m_ui->optNewAccessDatabase->setText(fncPhrase("LNGCREATENEWACCESSDATABASE"));
    m_ui->optCreateSQLDataBase->setText(fncPhrase("LNGCREATESQLDATABASE"));
    m_ui->optSelectExistingSQLDB->setText(
        fncPhrase("LNGSELECTEXISTINGSQLDB")
            .replace(QStringLiteral("CreateDBHV.sql"), strSQLScriptFileName));
    m_ui->chkExampleData->setText(fncPhrase("LNGLOADEXAMPLEDATA"));
    m_ui->cmdOK->setText(fncPhrase("LNGOK"));
    intReturnValue = 0;
    blnLoadExampleData = false;
    m_ui->chkExampleData->setVisible(!blnHideExampleDataOption);
    m_ui->optNewAccessDatabase->setChecked(true);
#ifdef HV_WINDOW_HELPERS
    for (QWidget* w : { static_cast<QWidget*>(m_ui->chkExampleData),
             static_cast<QWidget*>(m_ui->optNewAccessDatabase),
             static_cast<QWidget*>(m_ui->optCreateSQLDataBase),
             static_cast<QWidget*>(m_ui->optSelectExistingSQLDB) })
        subApplyBackColorToControl(this, w);
    clsAlwaysOnTop().MakeTopMost(this);
#endif
    timSetFocus.start();
}

int frmChooseConnection::exec()
{
    subLoad();
    return QDialog::exec();
}

void frmChooseConnection::timSetFocus_Timer()
{
    timSetFocus.stop();
    raise();
    activateWindow();
}

void frmChooseConnection::cmdOK_Click()
{
    if (m_ui->optNewAccessDatabase->isChecked())
        intReturnValue = 1;
    else if (m_ui->optCreateSQLDataBase->isChecked())
        intReturnValue = 2;
    else
        intReturnValue = 3;
    blnLoadExampleData = m_ui->chkExampleData->isVisible() && m_ui->chkExampleData->isChecked();
    accept();
}
