#pragma once

#include <QDialog>
#include <QTimer>
#include <memory>

namespace Ui {
class frmChooseConnection;
}

// Asks which kind of database to use when none can be found.
class frmChooseConnection : public QDialog
{
    Q_OBJECT
public:
    explicit frmChooseConnection(QWidget* parent = nullptr);
    ~frmChooseConnection() override;

    qint16 intReturnValue = 0; // 1 new local, 2 new server, 3 existing server; 0 closed without OK
    QString strSQLScriptFileName = QStringLiteral("CreateDBHV.sql");
    bool blnLoadExampleData = false;
    bool blnHideExampleDataOption = false;

    // Applies the members to the controls; exec() calls it, tests may call it before show().
    void subLoad();
    int exec() override;

    Ui::frmChooseConnection& ui() { return *m_ui; }

private:
    void cmdOK_Click();
    void timSetFocus_Timer();

    std::unique_ptr<Ui::frmChooseConnection> m_ui;
    QTimer timSetFocus;
};
