#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class frmSQLLogon;
}

// Collects a server logon and builds its connection string (SQL Server or PostgreSQL).
class frmSQLLogon : public QDialog
{
    Q_OBJECT
public:
    explicit frmSQLLogon(QWidget* parent = nullptr);
    ~frmSQLLogon() override;

    QString strConnection; // in: a string to edit; out: the built string, empty after Cancel
    bool blnNewDB = false;

    // Fills the controls from strConnection; exec() calls it, tests may call it before show().
    void subLoad();
    int exec() override;
    void reject() override; // the close box is Cancel
    void subBuildSQLConnection(bool blnServerConnOnly);

    Ui::frmSQLLogon& ui() { return *m_ui; }

private:
    void chkIntegratedSecurity_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdTest_Click();

    std::unique_ptr<Ui::frmSQLLogon> m_ui;
    bool m_blnEndOnClose = false;
};
