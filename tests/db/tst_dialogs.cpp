#include "ui_frmChooseConnection.h"
#include "ui_frmSQLLogon.h"

#include <cConnectionDialogsQt.h>
#include <cDbTestEngines.h>
#include <frmChooseConnection.h>
#include <frmSQLLogon.h>
#include <modConnectionString.h>
#include <modDBCode.h>
#include <modPhrases.h>

namespace {

using hvtest::whenModal;

class Dialogs : public testing::Test
{
protected:
    void SetUp() override
    {
        LoadLanguages(fncGetlocalLanguage());
        subResetDBState();
    }
    void TearDown() override { subResetDBState(); }
};

} // namespace

TEST_F(Dialogs, LogonFillsTheBoxesTestsTheConnectionAndEndsTheProgramWhenCancelled)
{
    frmSQLLogon frm;
    frm.strConnection
        = QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=True;Password=pa=ss;User "
                         "ID=sa;Data Source=db1;Initial Catalog=HV");
    frm.subLoad();
    auto& ui = frm.ui();
    EXPECT_EQ((QStringList { ui.txtPassword->text(), ui.txtUserName->text(), ui.txtServer->text(),
                  ui.txtDatabase->text() }),
        QStringList({ "pa=ss", "sa", "db1", "HV" }));
    EXPECT_TRUE(ui.txtUserName->isEnabled());
    EXPECT_EQ(ui.cmbServerKind->currentText(), QStringLiteral("Microsoft SQL Server"));
    // A password with ";" is quoted on the way out and read back whole.
    ui.txtPassword->setText(QStringLiteral("a;b\"c"));
    frm.subBuildSQLConnection(false);
    frmSQLLogon again;
    again.strConnection = frm.strConnection;
    again.subLoad();
    EXPECT_EQ(again.ui().txtPassword->text(), QStringLiteral("a;b\"c"));

    // A trusted logon ignores name and password and sets the provider.
    frm.strConnection = QStringLiteral(
        "Provider=PostgreSQL;Integrated Security=SSPI;Data Source=h;Initial Catalog=d");
    frm.subLoad();
    EXPECT_TRUE(ui.chkIntegratedSecurity->isChecked());
    EXPECT_FALSE(ui.txtPassword->isEnabled());
    EXPECT_EQ(ui.cmbServerKind->currentText(), QStringLiteral("PostgreSQL"));
    ui.txtUserName->setText(QStringLiteral("ignored"));
    frm.subBuildSQLConnection(false);
    EXPECT_EQ(frm.strConnection,
        QStringLiteral("Provider=PostgreSQL;Persist Security Info=True;Integrated "
                       "Security=SSPI;Data Source=h;Initial Catalog=d"));
    // Its test button reports a failed connection; a new database has none.
    frm.strConnection = QStringLiteral(
        "Provider=PostgreSQL;Password=x;User ID=x;Data Source=127.0.0.1:1;Initial Catalog=x");
    frm.subLoad();
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    ui.cmdTest->click();
    ASSERT_EQ(cMessageBox::history().size(), 1);
    EXPECT_TRUE(cMessageBox::history().at(0).strText.startsWith(
        fncPhrase("LNGCONNECTIONFAILED") + QStringLiteral("\r\n")));
    EXPECT_EQ(cMessageBox::history().at(0).icon, cMessageBox::Icon::Critical);
    frm.blnNewDB = true;
    frm.subLoad();
    EXPECT_TRUE(ui.cmdTest->isHidden());

    // Cancel of a new database's logon ends the program; a choice closed with the close box is 0.
    cConnectionDialogsQt dlg;
    whenModal<frmSQLLogon>([](frmSQLLogon* f) { f->ui().cmdCancel->click(); });
    EXPECT_TRUE(hvtest::endsProgram([&] { dlg.fncSQLLogon(QString(), true); }));
    whenModal<frmSQLLogon>([](frmSQLLogon* f) { f->close(); });
    EXPECT_TRUE(dlg.fncSQLLogon(QStringLiteral("Provider=SQLOLEDB.1;Data Source=x"), false)
                    .strConnection.isEmpty());
    // The choice closed with the close box is zero.
    whenModal<frmChooseConnection>([](frmChooseConnection* f) {
        EXPECT_TRUE(f->ui().optSelectExistingSQLDB->text().contains(QStringLiteral("Other.sql")));
        EXPECT_TRUE(f->ui().optNewAccessDatabase->isChecked());
        f->close();
    });
    EXPECT_EQ(dlg.fncChooseConnection(QStringLiteral("Other.sql")), 0);
}
TEST_F(Dialogs, ExistingServerDatabaseChosenThroughTheRealDialogs)
{
    auto& pg = hvtest::cPgTestServer::Instance();
    ASSERT_TRUE(pg.Running()) << pg.Error().toStdString();
    const QString name = QStringLiteral("gui_%1").arg(::getpid());
    ASSERT_TRUE(fncRunCreationScript(pg.ServerConnectionString(), name));
    subSetConnectionDialogs(std::make_shared<cConnectionDialogsQt>());
    strDataFolder = hvtest::newTempDir(QStringLiteral("gui"));

    whenModal<frmChooseConnection>([&](frmChooseConnection* f) {
        f->ui().optSelectExistingSQLDB->setChecked(true);
        whenModal<frmSQLLogon>([&](frmSQLLogon* l) {
            auto& ui = l->ui();
            ui.cmbServerKind->setCurrentIndex(1);
            ui.chkIntegratedSecurity->click();
            ui.txtServer->setText(QStringLiteral("127.0.0.1:%1").arg(pg.Port()));
            ui.txtUserName->setText(pg.User());
            ui.txtDatabase->setText(name);
            cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
            ui.cmdTest->click();
            ui.cmdOK->click();
        });
        f->ui().cmdOK->click();
    });
    auto rs = fncReturnRecordset(QStringLiteral("tblOtherSettings"), true);
    ASSERT_TRUE(rs);
    ASSERT_EQ(cMessageBox::history().size(), 1);
    EXPECT_EQ(cMessageBox::history().at(0).strText, fncPhrase("LNGCONNECTIONSUCCEEDED"));
    EXPECT_EQ(ReportTo(), 3);
    EXPECT_EQ(
        fncParseConnectionString(ReportToValue()).Value(QStringLiteral("Initial Catalog")), name);
    EXPECT_EQ(QString::fromLocal8Bit(
                  hvtest::readFile(strDataFolder + QStringLiteral("/HourvaneConnection.txt"))),
        ReportToValue());
}
