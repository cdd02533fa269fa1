#include "frmSQLLogon.h"

#include "cConnection.h"
#include "modConnectionString.h"
#include "ui_frmSQLLogon.h"

#include <cHVError.h>
#include <cMessageBox.h>
#include <modErrorHandling.h>
#include <modPhrases.h>
#include <modProgramEnd.h>

#if __has_include(<modWindowHelpers.h>)
#include <modWindowHelpers.h>
#define HV_WINDOW_HELPERS 1
#endif

namespace {
enum { intKindSqlServer = 0, intKindPostgreSQL = 1 };
}

frmSQLLogon::frmSQLLogon(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmSQLLogon>())
{
    m_ui->setupUi(this);
    connect(m_ui->chkIntegratedSecurity, &QCheckBox::clicked, this,
        [this] { chkIntegratedSecurity_Click(); });
    connect(m_ui->cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(m_ui->cmdTest, &QPushButton::clicked, this, [this] { cmdTest_Click(); });
}

frmSQLLogon::~frmSQLLogon() = default;

void frmSQLLogon::subLoad()
{
#ifdef HV_WINDOW_HELPERS
    subApplyBackColorToControl(this, m_ui->chkIntegratedSecurity);
#endif
    m_ui->lblServerKind->setText(fncPhrase("LNGSERVERKIND"));
    m_ui->lblServer->setText(fncPhrase("LNGSERVER"));
    m_ui->lblDatabase->setText(fncPhrase("LNGDATABASE"));
    m_ui->chkIntegratedSecurity->setText(fncPhrase("LNGINTEGRATEDSECURITY"));
    m_ui->lblUserName->setText(fncPhrase("LNGUSERNAME"));
    m_ui->lblPassword->setText(fncPhrase("LNGPASSWORD"));
    m_ui->cmdOK->setText(fncPhrase("LNGOK"));
    m_ui->cmdCancel->setText(fncPhrase("LNGCANCEL"));
    m_ui->cmdTest->setText(fncPhrase("LNGTEST"));
    m_blnEndOnClose = false;
    if (!strConnection.isEmpty()) {
        const cDictionary<QString> parts = fncParseConnectionString(strConnection);
        m_ui->chkIntegratedSecurity->setChecked(
            parts.Exists(QStringLiteral("Integrated Security")));
        m_ui->txtServer->setText(parts.Value(QStringLiteral("Data Source")));
        m_ui->txtDatabase->setText(parts.Value(QStringLiteral("Initial Catalog")));
        m_ui->txtPassword->setText(parts.Value(QStringLiteral("Password")));
        m_ui->txtUserName->setText(parts.Value(QStringLiteral("User ID")));
        const bool blnPg = parts.Value(QStringLiteral("Provider"))
                               .trimmed()
                               .compare(strPostgreSQLProvider, Qt::CaseInsensitive)
            == 0;
        m_ui->cmbServerKind->setCurrentIndex(blnPg ? intKindPostgreSQL : intKindSqlServer);
    } else {
        m_ui->chkIntegratedSecurity->setChecked(true);
    }
    chkIntegratedSecurity_Click();
    m_ui->cmdTest->setVisible(!blnNewDB);
}

int frmSQLLogon::exec()
{
    subLoad();
    const int result = QDialog::exec();
    // Ended here, after the event loop, rather than from inside a click handler.
    if (m_blnEndOnClose)
        subEndProgram();
    return result;
}

void frmSQLLogon::reject()
{
    cmdCancel_Click();
}

void frmSQLLogon::chkIntegratedSecurity_Click()
{
    const bool blnEnable = !m_ui->chkIntegratedSecurity->isChecked();
    m_ui->txtUserName->setEnabled(blnEnable);
    m_ui->txtPassword->setEnabled(blnEnable);
}

void frmSQLLogon::subBuildSQLConnection(bool blnServerConnOnly)
{
    const bool blnPg = m_ui->cmbServerKind->currentIndex() == intKindPostgreSQL;
    strConnection = QStringLiteral("Provider=")
        + (blnPg ? strPostgreSQLProvider : strSqlServerProvider)
        + QStringLiteral(";Persist Security Info=True");
    if (m_ui->chkIntegratedSecurity->isChecked())
        strConnection += QStringLiteral(";Integrated Security=SSPI");
    else
        strConnection += fncConnectionPart(QStringLiteral("Password"), m_ui->txtPassword->text())
            + fncConnectionPart(QStringLiteral("User ID"), m_ui->txtUserName->text());
    strConnection += fncConnectionPart(QStringLiteral("Data Source"), m_ui->txtServer->text());
    if (!blnServerConnOnly)
        strConnection
            += fncConnectionPart(QStringLiteral("Initial Catalog"), m_ui->txtDatabase->text());
}

void frmSQLLogon::cmdTest_Click()
{
    subBuildSQLConnection(false);
    try {
        ConnectionPtr conn = cConnection::Open(strConnection);
        conn->Close();
        cMessageBox::Show(fncPhrase("LNGCONNECTIONSUCCEEDED"), cMessageBox::Buttons::Ok,
            cMessageBox::Icon::Information);
    } catch (const cHVError& e) {
        cMessageBox::Show(fncPhrase("LNGCONNECTIONFAILED") + QStringLiteral("\r\n")
                + fncMaskPasswords(e.Description()),
            cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical);
    }
}

void frmSQLLogon::cmdOK_Click()
{
    subBuildSQLConnection(blnNewDB);
    QDialog::accept();
}

void frmSQLLogon::cmdCancel_Click()
{
    strConnection.clear();
    m_blnEndOnClose = blnNewDB;
    QDialog::reject();
}
