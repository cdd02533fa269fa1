#include "TestSupport.h"
#include "cDbTestEngines.h"
#include "cGlobalSettings.h"
#include "cListHandler.h"
#include "cOlApplication.h"
#include "cPersonalSettings.h"
#include "cPgTestServer.h"
#include "frmChooseConnection.h"
#include "frmHVPersSettingsSingle.h"
#include "frmResolveRemovedItem.h"
#include "frmSQLLogon.h"
#include "modConnectionString.h"
#include "modDBCode.h"
#include "modDBCreate.h"
#include "modMain.h"
#include "modOutlookCode.h"
#include "modPhrases.h"
#include "modRegistryEntry.h"
#include "tst_StartUpSupport.h"
#include "ui_frmChooseConnection.h"
#include "ui_frmHVPersSettingsSingle.h"
#include "ui_frmSQLLogon.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QPointer>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>
#include <tuple>

using namespace hvapptest;

namespace {
const QString strSection = QStringLiteral("Settings");

QString fncDocuments()
{
    return QDir::homePath() + QStringLiteral("/Documents");
}
QString fncDataFolder()
{
    return fncDocuments() + QStringLiteral("/My Hourvanes");
}
QString fncDatabase()
{
    return fncDataFolder() + QStringLiteral("/Hourvane3.mdb");
}

// The program's database through a connection of the test's own.
QString fncLocalConnection()
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + fncDatabase();
}
QStringList fncQuery(const QString& strSql)
{
    return hvtest::fncRows(fncLocalConnection(), strSql);
}
void fncExec(const QString& strSql)
{
    cConnection::Open(fncLocalConnection())->Execute(strSql);
}

class StartUp : public testing::Test
{
protected:
    // A machine on which the program never ran. The program's folder is a temporary one, so that
    // the export lands there and not in the build tree beside the test.
    void SetUp() override
    {
        cPersonalSettings::subSetProgramFolder(hvtest::newTempDir(QStringLiteral("program")));
        subEndRun();
        QFile::remove(fncRegistryStorePath());
        QDir(fncDocuments()).removeRecursively();
        QDir().mkpath(fncDocuments());
        QDir(cOlApplication::fncCalendarPath()).removeRecursively();
    }
    void TearDown() override { subEndRun(); }

    static QString fncStoredBody()
    {
        const auto app = cOlApplication::Start();
        const auto item = app->GetNamespace(QStringLiteral("MAPI"))
                              ->GetDefaultFolder(9)
                              ->Items()
                              .Item(strSettingsSubject);
        return item ? fncGetLongProperty(item, QStringLiteral("Settings")) : QString();
    }

    static void clearCell(cListHandler& exs, int intRow, int intCol)
    {
        cSheet* view = exs.ObjectList;
        const QModelIndex index = view->model()->index(intRow - 1, intCol);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        QTest::keyClick(view, Qt::Key_Delete);
    }

    // OK unloads the window: it is hidden at once and gone with the next event round.
    static bool windowUnloaded()
    {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return fncSettingsWindow() == nullptr;
    }

    // A first run: Acme and Beta as customers, Person as cost carrier with a rate of 45.5, the
    // private filter off, then OK.
    void subFirstRun()
    {
        frmHVPersSettingsSingle& frm = start();
        Ui::frmHVPersSettingsSingle& ui = frm.ui();
        fillMandatory(frm, QStringLiteral("45.5"));
        typeIntoCell(frm.exsList(), 3, 0, QStringLiteral("Beta"));
        QTest::mouseClick(ui.chkPrivate, Qt::LeftButton);
        // As the window manager and a drag of the split would leave them.
        frm.resize(1010, 760);
        ui.splLists->setSizes({ 700, 200 });
        m_intSplit = ui.splLists->sizes();
        QTest::mouseClick(ui.cmdOK, Qt::LeftButton);
        EXPECT_EQ(cMessageBox::history().size(), 0);
        EXPECT_TRUE(windowUnloaded());
    }
    QList<int> m_intSplit;
};
} // namespace

// The window always opens on the data folder, whatever destination the store names, and on the
// default calendar when the active folder holds no appointments. The end of the program unloads
// the window and releases calendar and database.
TEST_F(StartUp, AFreshMachineGetsTheDataFolderTheDatabaseAndTheWindowTheEndReleasesThem)
{
    subWriteRegistryValue(strSection, QStringLiteral("ReportChoice"), QStringLiteral("3"));
    subWriteRegistryValue(strSection, QStringLiteral("ReportValue"),
        QStringLiteral("Provider=SQLOLEDB.1;Data Source=far"));
    cOlApplication::setActiveFolderType(6);
    frmHVPersSettingsSingle& frm = start();
    EXPECT_EQ(QDir(fncDocuments()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList({ QStringLiteral("My Hourvanes") }));
    EXPECT_TRUE(QFileInfo::exists(fncDatabase()));
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(frm.windowTitle(), strProgramTitle + QStringLiteral(" \u2013 ") + fncDatabase());
    EXPECT_EQ(frm.ui().cmdDatabase->text(), fncPhrase("LNGDATABASEBUTTON"));
    ASSERT_EQ(frm.ui().tbsLists->count(), 2);
    EXPECT_EQ(frm.ui().tbsLists->tabText(0), fncPhrase("LNGCUSTOMER"));
    EXPECT_EQ(frm.ui().tbsLists->tabText(1), fncPhrase("LNGTASK"));
    EXPECT_EQ(fncPersonalSettings().ReportChoice, 2);
    EXPECT_EQ(fncPersonalSettings().ReportValue, fncDataFolder());
    EXPECT_EQ(fncGlobalSettings().ReportTo, 2);
    EXPECT_TRUE(blnSingleUser);
    EXPECT_FALSE(fncUserFullName().isEmpty());
    EXPECT_FALSE(fncListSeparator().isEmpty());
    ASSERT_NE(fncCurrentFolder(), nullptr);
    EXPECT_EQ(fncCurrentFolder()->DefaultItemType(), 1);
    ASSERT_NE(fncOutlookApplication(), nullptr);

    const QPointer<QWidget> shared = &frmResolveRemovedItem::Instance();
    EXPECT_TRUE(hvtest::endsProgram([&] { frm.cmdCancel_Click(); }));
    EXPECT_FALSE(frm.isVisible());
    EXPECT_EQ(fncOutlookApplication(), nullptr);
    EXPECT_EQ(fncCurrentFolder(), nullptr);
    EXPECT_EQ(fncSharedConnection(), nullptr);
    EXPECT_TRUE(windowUnloaded());
    EXPECT_FALSE(shared.isNull())
        << "the shared dialog is deleted by its owner as the application ends";
}

// Installed into a bin folder, the program keeps its folder free of the files it writes.
TEST_F(StartUp, OkSavesEverythingTheNextStartShowsItCancelChangesNothingARemovalMovesReports)
{
    cOlApplication::Start()
        ->GetNamespace(QStringLiteral("MAPI"))
        ->GetDefaultFolder(9)
        ->AddAppointment(strSettingsSubject, dteSettingsDate);
    const QString strBin = hvtest::newTempDir(QStringLiteral("installed")) + QStringLiteral("/bin");
    ASSERT_TRUE(QDir().mkpath(strBin));
    cPersonalSettings::subSetProgramFolder(strBin);
    subFirstRun();
    EXPECT_TRUE(QDir(strBin).isEmpty());
    const QDir data(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    for (const char* f :
        { "HVSettings.xml", "HVMetaLists.xml", "HVMeta1.xml", "HVMeta2.xml", "HVMeta3.xml" })
        EXPECT_TRUE(data.exists(QLatin1String(f))) << f;
    EXPECT_EQ(fncQuery(QStringLiteral("select strName from tblMeta1 order by strName")),
        QStringList({ "Acme", "Beta" }));
    EXPECT_EQ(
        fncQuery(QStringLiteral("select intCostCarrier from tblSettings")), QStringList { "1" });
    QStringList stored;
    for (const char* name : { "FilterPrivate", "ReportChoice", "ReportValue", "PersonalRate" })
        stored << fncReadRegistryValue(strSection, QString::fromLatin1(name), QString());
    EXPECT_EQ(stored, (QStringList { "False", "2", fncDataFolder(), "45.5" }));
    const QString strSelection
        = fncReadRegistryValue(strSection, QStringLiteral("MetadataList"), QString());
    EXPECT_TRUE(
        strSelection.startsWith(fncPhrase("LNGCUSTOMER") + QStringLiteral(":Acme;Beta;\r\n")))
        << strSelection.toStdString();

    const QStringList lines = fncStoredBody().split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ((QStringList { lines.at(0), lines.at(1), lines.at(4), lines.at(6) }),
        (QStringList { "2", fncDataFolder(), "False",
            fncPhrase("LNGCUSTOMER") + QStringLiteral(":Acme;Beta;") }));

    // The next start keeps the window's size and split, and changes no file.
    subEndRun();
    const QByteArray dbBefore = hvtest::readFile(fncDatabase());
    const QByteArray storeBefore = hvtest::readFile(fncRegistryStorePath());
    const QString bodyBefore = fncStoredBody();
    frmHVPersSettingsSingle& frm = start();
    EXPECT_EQ(frm.size(), QSize(1010, 760));
    EXPECT_EQ(frm.ui().splLists->sizes(), m_intSplit);
    EXPECT_EQ(gridNames(frm), QStringList({ "Acme", "Beta" }));
    EXPECT_EQ(frm.ui().chkPrivate->checkState(), Qt::Unchecked);
    EXPECT_EQ(frm.ui().cmbCostCarrier->currentIndex(), 0);
    EXPECT_FALSE(frm.ui().txtPersonalRate->isHidden());
    EXPECT_EQ(cPersonalSettings::fncTextToRate(frm.ui().txtPersonalRate->text()),
        cCurrency::fromTenThousandths(455000));

    // Cancel, the changes discarded, leaves everything as it was.
    typeIntoCell(frm.exsList(), 4, 0, QStringLiteral("Gamma"));
    QTest::mouseClick(frm.ui().chkRecurring, Qt::LeftButton);
    frm.ui().cmbCostCarrier->setFocus();
    QTest::keyClick(frm.ui().cmbCostCarrier, Qt::Key_End);
    cMessageBox::setNextAnswer(cMessageBox::Answer::Yes);
    int intExitCode = -1;
    EXPECT_TRUE(hvtest::endsProgram(
        [&] { QTest::keyClick(frm.ui().chkEvents, Qt::Key_Escape); }, &intExitCode));
    EXPECT_EQ(intExitCode, 0);
    EXPECT_EQ(hvtest::readFile(fncDatabase()), dbBefore);
    EXPECT_EQ(hvtest::readFile(fncRegistryStorePath()), storeBefore);
    EXPECT_EQ(fncStoredBody(), bodyBefore);

    // Removing a customer with reports asks where they go and moves them.
    subEndRun();
    const QStringList ids
        = fncQuery(QStringLiteral("select intMeta1ID from tblMeta1 order by strName"));
    ASSERT_EQ(ids.size(), 2);
    fncExec(QStringLiteral("insert into tblReports (numHours, strSubject, intMeta1ID) values "
                           "(2, 'Audit', %1), (3, 'Review', %1)")
                .arg(ids.at(1)));

    frmHVPersSettingsSingle& again = start();
    ASSERT_EQ(gridNames(again), QStringList({ "Acme", "Beta" }));
    clearCell(again.exsList(), 3, 0);
    QStringList colAsked; // the removed value, then those its reports may move to
    hvtest::whenModal<frmResolveRemovedItem>([&](frmResolveRemovedItem* dlg) {
        colAsked.append(dlg->lblValueToBeResolved()->text());
        for (int i = 0; i < dlg->cmbMoveChoice()->count(); ++i)
            colAsked.append(dlg->cmbMoveChoice()->itemText(i));
        QTest::mouseClick(dlg->optMoveReportsTo(), Qt::LeftButton);
        QTest::keyClick(dlg->cmbMoveChoice(), Qt::Key_Down);
        QTest::mouseClick(dlg->cmdOK(), Qt::LeftButton);
    });
    QTest::mouseClick(again.ui().cmdOK, Qt::LeftButton);
    EXPECT_EQ(colAsked, QStringList({ "Beta", "Acme" }));
    EXPECT_TRUE(windowUnloaded());
    EXPECT_EQ(fncQuery(QStringLiteral("select strName from tblMeta1")), QStringList { "Acme" });
    EXPECT_EQ(fncQuery(QStringLiteral("select intMeta1ID from tblReports order by intReportID")),
        QStringList({ ids.at(0), ids.at(0) }));
}

// OK without the mandatory values keeps the window open and saves nothing; once they are there,
// Return presses OK.
TEST_F(StartUp, MissingMandatoryValuesKeepTheWindowOpenAndSaveNothing)
{
    frmHVPersSettingsSingle& frm = start();
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    QTest::mouseClick(frm.ui().cmdOK, Qt::LeftButton);
    ASSERT_EQ(cMessageBox::history().size(), 1);
    EXPECT_EQ(cMessageBox::history().at(0).strText,
        fncPhrase("LNGFAILEDSAVESETTINGS") + QStringLiteral("\r\n")
            + fncPhrase("LNGALLVALUESNOTFILLEDOUT"));
    EXPECT_EQ(fncSettingsWindow(), &frm);
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(
        fncReadRegistryValue(strSection, QStringLiteral("ReportChoice"), QStringLiteral("NULL")),
        QStringLiteral("NULL"));
    EXPECT_TRUE(fncQuery(QStringLiteral("select strName from tblMeta1")).isEmpty());

    fillMandatory(frm);
    frm.ui().txtPersonalRate->setFocus();
    QTest::keyClick(frm.ui().txtPersonalRate, Qt::Key_Return);
    EXPECT_TRUE(windowUnloaded());
    EXPECT_EQ(fncQuery(QStringLiteral("select strName from tblMeta1")), QStringList { "Acme" });
}

// A list after the first is read when its tab is first shown: an item removed there is removed.
// A list never shown comes through OK as stored, and its names reach the personal settings.
TEST_F(StartUp, ListsAreReadWhenFirstShownAndOneNeverShownIsSavedAsStored)
{
    subFirstRun();
    subEndRun();
    fncExec(QStringLiteral("insert into tblMeta2 (strName, curRate, blnEnabled) "
                           "values ('Build', 5, 1), ('Test', 6, 1)"));
    fncExec(QStringLiteral("insert into tblMeta3 (strName, strCategory, curRate, blnEnabled) "
                           "values ('Alpha', 'North', 7, 0)"));
    fncExec(QStringLiteral(
        "update tblMetaLists set strMetaListCaption = 'Project' where intMetaListID = 3"));
    const QString strList3 = QStringLiteral("select * from tblMeta3");
    const QStringList colList3 = fncQuery(strList3);

    frmHVPersSettingsSingle& frm = start();
    QTest::mouseClick(
        frm.ui().tbsLists, Qt::LeftButton, {}, frm.ui().tbsLists->tabRect(1).center());
    ASSERT_EQ(gridNames(frm), (QStringList { "Build", "Test" }));
    clearCell(frm.exsList(), 3, 0);
    hvtest::whenModal<frmResolveRemovedItem>([](frmResolveRemovedItem* dlg) {
        QTest::mouseClick(dlg->optRemoveReports(), Qt::LeftButton, {},
            QPoint(8, dlg->optRemoveReports()->height() / 2));
        QTest::mouseClick(dlg->cmdOK(), Qt::LeftButton);
    });
    QTest::mouseClick(frm.ui().cmdOK, Qt::LeftButton);
    EXPECT_TRUE(windowUnloaded());
    EXPECT_EQ(fncQuery(QStringLiteral("select strName from tblMeta2")), QStringList { "Build" });
    EXPECT_EQ(fncQuery(strList3), colList3);
    EXPECT_TRUE(fncReadRegistryValue(strSection, QStringLiteral("MetadataList"), QString())
                    .contains(QStringLiteral("\r\nProject:Alpha;\r\n")));
}

TEST_F(StartUp, ACalendarThatCannotBeHadEndsTheProgram)
{
    const QString strFile = hvtest::newTempDir() + QStringLiteral("/not-a-folder");
    hvtest::writeFile(strFile, {});
    const QByteArray saved = qgetenv("HOURVANE_CALENDAR");
    qputenv("HOURVANE_CALENDAR", strFile.toLocal8Bit());
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    int intExitCode = 0;
    const bool blnEnded = hvtest::endsProgram([] { Main(); }, &intExitCode);
    qputenv("HOURVANE_CALENDAR", saved);
    EXPECT_TRUE(blnEnded);
    EXPECT_EQ(intExitCode, intExitFailure);
    ASSERT_FALSE(cMessageBox::history().isEmpty());
    EXPECT_EQ(fncSettingsWindow(), nullptr);
    EXPECT_FALSE(QFileInfo::exists(fncDatabase()));
}

TEST(DataFolder, EveryOlapCubesOfThePathIsReplaced)
{
    QStringList out;
    for (const char* path : { "/home/ann/Documents/OLAP Cubes",
             "/srv/OLAP Cubes/ann/Documents/OLAP Cubes/", "/a/olap cubes" })
        out << fncDataFolderFor(QString::fromLatin1(path));
    EXPECT_EQ(out,
        QStringList({ "/home/ann/Documents/My Hourvanes",
            "/srv/My Hourvanes/ann/Documents/My Hourvanes", "/a/olap cubes" }));
}

// A team moves its lists to a new PostgreSQL database: chosen at start through the real dialogs,
// the local lists copied there, and every later start uses the server with the local file left
// alone.
TEST_F(StartUp, AChosenServerGetsTheLocalListsAndIsUsedFromThenOn)
{
    subFirstRun();
    subEndRun();
    fncExec(QStringLiteral("update tblMeta1 set strCategory = 'North', curRate = 125000, "
                           "blnEnabled = 0 where strName = 'Beta'"));
    fncExec(QStringLiteral("insert into tblMeta2 (strName, strSuperCategory, curRate, blnEnabled) "
                           "values ('Build', 'Top', 5, 1)"));
    fncExec(QStringLiteral("insert into tblMeta3 (strName, blnEnabled) values ('Apollo', 1)"));
    fncExec(QStringLiteral(
        "update tblMetaLists set strMetaListCategoryCaption = 'Region' where intMetaListID = 1"));
    fncExec(QStringLiteral(
        "insert into tblOtherSettings (strPropName, strPropValue) values ('Mode', 'team')"));
    const QString strMeta = QStringLiteral("select strName, strCategory, strSuperCategory, "
                                           "curRate, blnEnabled from tblMeta%1 order by strName");
    const QStringList tables { strMeta.arg(1), strMeta.arg(2), strMeta.arg(3),
        QStringLiteral("select strMetaListCaption, strMetaListCategoryCaption, "
                       "strMetaListSuperCategoryCaption from tblMetaLists order by intMetaListID"),
        QStringLiteral("select intCostCarrier from tblSettings"),
        QStringLiteral(
            "select strPropName, strPropValue from tblOtherSettings order by strPropName") };
    const auto rows = [&](const QString& strConnection) {
        QStringList all;
        for (const QString& strSql : tables)
            all += hvtest::fncRows(strConnection, strSql);
        return all;
    };
    const QStringList expected = rows(fncLocalConnection());
    const QByteArray localHash = hvtest::readFile(fncDatabase());

    hvtest::cPgTestServer& pg = hvtest::cPgTestServer::Instance();
    ASSERT_TRUE(pg.Running()) << pg.Error().toStdString();
    const QString name = QStringLiteral("team_%1").arg(::getpid());
    ASSERT_TRUE(fncRunCreationScript(pg.ServerConnectionString(), name));
    hvtest::whenModal<frmChooseConnection>([&](frmChooseConnection* f) {
        QTest::mouseClick(f->ui().optSelectExistingSQLDB, Qt::LeftButton);
        hvtest::whenModal<frmSQLLogon>([&](frmSQLLogon* l) {
            auto& ui = l->ui();
            ui.cmbServerKind->setCurrentIndex(1);
            QTest::mouseClick(ui.chkIntegratedSecurity, Qt::LeftButton);
            QTest::keyClicks(ui.txtServer, QStringLiteral("127.0.0.1:%1").arg(pg.Port()));
            QTest::keyClicks(ui.txtUserName, pg.User());
            QTest::keyClicks(ui.txtPassword, QStringLiteral("s3cretPw"));
            QTest::keyClicks(ui.txtDatabase, name);
            QTest::mouseClick(ui.cmdOK, Qt::LeftButton);
        });
        QTest::mouseClick(f->ui().cmdOK, Qt::LeftButton);
    });
    cMessageBox::setNextAnswer(cMessageBox::Answer::Yes); // copy the local lists
    subSetChooseDatabaseAtStart(true);
    {
        frmHVPersSettingsSingle& frm = start();
        ASSERT_EQ(cMessageBox::history().size(), 1);
        EXPECT_TRUE(cMessageBox::history().first().strText.contains(QStringLiteral(" 2, 1 and 1 ")))
            << cMessageBox::history().first().strText.toStdString();
        EXPECT_TRUE(frm.windowTitle().endsWith(
            QStringLiteral("127.0.0.1:%1 / %2").arg(pg.Port()).arg(name)));
        EXPECT_FALSE(frm.windowTitle().contains(QStringLiteral("s3cretPw")));
        EXPECT_EQ(gridNames(frm), (QStringList { "Acme", "Beta" }));
    }
    const QString strFile = fncDataFolder() + QStringLiteral("/HourvaneConnection.txt");
    const QString strConnection = QString::fromLocal8Bit(hvtest::readFile(strFile));
    EXPECT_EQ(
        fncParseConnectionString(strConnection).Value(QStringLiteral("Initial Catalog")), name);
    // The file holds the password: nobody but its owner may read it.
    EXPECT_EQ(QFile::permissions(strFile)
            & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup
                | QFileDevice::WriteOther),
        QFileDevice::Permissions());
    EXPECT_EQ(rows(strConnection), expected);
    subEndRun();

    // A later start reads the server; the local file is not touched.
    fncExec(QStringLiteral("update tblMeta1 set strName = 'Local only' where strName = 'Acme'"));
    const QByteArray changedHash = hvtest::readFile(fncDatabase());
    EXPECT_NE(changedHash, localHash);
    frmHVPersSettingsSingle& again = start();
    EXPECT_EQ(gridNames(again), (QStringList { "Acme", "Beta" }));
    EXPECT_EQ(fncPersonalSettings().ReportChoice, 3);
    EXPECT_EQ(hvtest::readFile(fncDatabase()), changedHash);

    // "Database..." back to the local file: its lists are shown, the server is forgotten.
    hvtest::whenModal<frmChooseConnection>(
        [](frmChooseConnection* f) { QTest::mouseClick(f->ui().cmdOK, Qt::LeftButton); });
    QTest::mouseClick(again.ui().cmdDatabase, Qt::LeftButton);
    EXPECT_EQ(gridNames(again), (QStringList { "Beta", "Local only" }));
    EXPECT_TRUE(again.windowTitle().endsWith(fncDatabase()));
    EXPECT_FALSE(QFileInfo::exists(strFile));
}

// The server goes away while the window is open: OK and a tab not shown yet say so and keep the
// window and its edits; once the server is back, OK saves them.
TEST_F(StartUp, AServerGoneAtOkKeepsTheWindowAndItsEditsUntilItIsBack)
{
    hvtest::cPgTestServer& pg = hvtest::cPgTestServer::Instance();
    ASSERT_TRUE(pg.Running()) << pg.Error().toStdString();
    const QString name = QStringLiteral("gone_%1").arg(::getpid());
    ASSERT_TRUE(fncRunCreationScript(pg.ServerConnectionString(), name));
    const QString strServer
        = pg.ServerConnectionString() + QStringLiteral(";Initial Catalog=") + name;
    QDir().mkpath(fncDataFolder());
    subWriteConnectionFile(fncDataFolder() + QStringLiteral("/HourvaneConnection.txt"), strServer);
    frmHVPersSettingsSingle& frm = start();
    fillMandatory(frm);

    ASSERT_TRUE(pg.Exec(QStringLiteral("alter database %1 allow_connections false").arg(name)))
        << pg.Error().toStdString();
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    QTest::mouseClick(frm.ui().cmdOK, Qt::LeftButton);
    ASSERT_EQ(cMessageBox::history().size(), 1);
    EXPECT_TRUE(cMessageBox::history().first().strText.startsWith(fncPhrase("LNGSAVEFAILEDKEPT")))
        << cMessageBox::history().first().strText.toStdString();
    EXPECT_FALSE(windowUnloaded());
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(gridNames(frm), QStringList { "Acme" });
    EXPECT_FALSE(QFileInfo::exists(fncDatabase()));
    // The second list, not read yet, cannot be shown either: the first stays, with the edit.
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    QTest::mouseClick(
        frm.ui().tbsLists, Qt::LeftButton, {}, frm.ui().tbsLists->tabRect(1).center());
    ASSERT_EQ(cMessageBox::history().size(), 2);
    EXPECT_TRUE(cMessageBox::history().at(1).strText.startsWith(fncPhrase("LNGCONNECTIONFAILED")));
    EXPECT_EQ(frm.ui().tbsLists->currentIndex(), 0);
    EXPECT_EQ(gridNames(frm), QStringList { "Acme" });

    ASSERT_TRUE(pg.Exec(QStringLiteral("alter database %1 allow_connections true").arg(name)));
    QTest::mouseClick(frm.ui().cmdOK, Qt::LeftButton);
    EXPECT_EQ(cMessageBox::history().size(), 2);
    EXPECT_TRUE(windowUnloaded());
    EXPECT_EQ(hvtest::fncRows(strServer, QStringLiteral("select strName from tblMeta1")),
        QStringList { "Acme" });
}

namespace {
// A home of its own for the real program, which is copied into the home's bin folder as an
// installation puts it.
struct cInstalledProgram
{
    QString strHome = hvtest::newTempDir(QStringLiteral("installed"));
    QString strExe = strHome + QStringLiteral("/bin/HVPersonalSettingsSingle");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    cInstalledProgram()
    {
        for (const char* sub : { "bin", "Documents", "runtime" })
            QDir(strHome).mkpath(QLatin1String(sub));
        QFile::setPermissions(strHome + QStringLiteral("/runtime"),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_TRUE(QFile::copy(QStringLiteral(HV_APP_EXE), strExe));
        env.insert(QStringLiteral("HOME"), strHome);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), strHome + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), strHome + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), strHome + QStringLiteral("/runtime"));
        env.insert(QStringLiteral("HOURVANE_CALENDAR"), strHome + QStringLiteral("/calendar"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOURVANE_LOG"), QStringLiteral("1"));
    }

    // Every file under the home with its size and time of change, the runtime folder left out.
    QStringList fncFiles() const
    {
        QStringList files;
        QDirIterator it(strHome, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
            QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            if (!info.filePath().startsWith(strHome + QStringLiteral("/runtime")))
                files.append(info.filePath() + QLatin1Char(' ') + QString::number(info.size())
                    + QLatin1Char(' ') + info.lastModified().toString(Qt::ISODateWithMs));
        }
        files.sort();
        return files;
    }

    // Runs the program to its end; its exit status, standard output and error.
    std::tuple<int, QString, QString> run(
        const QStringList& colArguments, const QProcessEnvironment& environment) const
    {
        QProcess p;
        p.setProcessEnvironment(environment);
        p.start(strExe, colArguments);
        EXPECT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        return { p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError()) };
    }
};
} // namespace

// A second start brings the first copy's window forward and ends at once; the copy in bin writes
// its log to the per-user data folder, readable by its owner alone.
TEST(InstalledProgram, ASecondStartRaisesTheFirstAndNothingIsWrittenBesideTheProgram)
{
    const cInstalledProgram program;
    QProcess first;
    first.setProcessEnvironment(program.env);
    first.start(program.strExe, {});
    ASSERT_TRUE(first.waitForStarted(10000));
    const QString strLog
        = program.strHome + QStringLiteral("/.local/share/HVPersonalSettingsSingle/OrrevikLog.txt");
    const auto logHas = [&](const char* step) { return hvtest::readFile(strLog).contains(step); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return logHas("Loading the settings window"); }, 20000));

    const auto [intExitCode, strOut, strErr] = program.run({}, program.env);
    EXPECT_EQ(intExitCode, 0);
    EXPECT_EQ(strErr, QString());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return logHas("A second start asked for the window"); }, 10000));
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(5000);

    EXPECT_EQ(QDir(program.strHome + QStringLiteral("/bin"))
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList({ QStringLiteral("HVPersonalSettingsSingle") }));
    const QFileDevice::Permissions userBits
        = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    EXPECT_EQ(
        QFile::permissions(strLog) & ~userBits, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// The command line answers without a display and without touching a file; an unknown option or
// argument is refused with status 2; with no display the program says so in one line.
TEST(InstalledProgram, CommandLineAndMissingDisplay)
{
    const cInstalledProgram program;
    QProcessEnvironment noDisplay = program.env;
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        noDisplay.remove(QString::fromLatin1(name));
    const QStringList before = program.fncFiles();
    const QString strVersion = QStringLiteral("HVPersonalSettingsSingle %1.%2.%3\n")
                                   .arg(HV_VERSION_MAJOR)
                                   .arg(HV_VERSION_MINOR)
                                   .arg(HV_VERSION_PATCH);
    struct cCase
    {
        QStringList colArguments;
        int intExitCode;
        QString strOutStart;
        QString strErrStart;
    };
    const cCase cases[] = {
        { { QStringLiteral("--help") }, 0,
            QStringLiteral("Usage: HVPersonalSettingsSingle [options]\n"), {} },
        { { QStringLiteral("-h") }, 0,
            QStringLiteral("Usage: HVPersonalSettingsSingle [options]\n"), {} },
        { { QStringLiteral("--version") }, 0, strVersion, {} },
        { { QStringLiteral("-style"), QStringLiteral("fusion"), QStringLiteral("--choose-database"),
              QStringLiteral("-v") },
            0, strVersion, {} },
        { { QStringLiteral("--frobnicate") }, 2, {},
            QStringLiteral("HVPersonalSettingsSingle: Unknown option 'frobnicate'.") },
        { { QStringLiteral("settings.xml") }, 2, {},
            QStringLiteral("HVPersonalSettingsSingle: unexpected argument 'settings.xml'") },
        { {}, 1, {},
            QStringLiteral("HVPersonalSettingsSingle: cannot open its window, no display: neither "
                           "DISPLAY nor WAYLAND_DISPLAY is set.") },
    };
    for (const cCase& c : cases) {
        const auto [intExitCode, strOut, strErr] = program.run(c.colArguments, noDisplay);
        const std::string strCase = c.colArguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(intExitCode, c.intExitCode) << strCase;
        EXPECT_TRUE(strOut.startsWith(c.strOutStart)
            && (c.strOutStart.isEmpty() || strOut.endsWith(QLatin1Char('\n'))))
            << strCase << ": " << strOut.toStdString();
        EXPECT_EQ(strOut.isEmpty(), c.strOutStart.isEmpty()) << strCase;
        EXPECT_TRUE(strErr.startsWith(c.strErrStart)) << strCase << ": " << strErr.toStdString();
        EXPECT_EQ(strErr.isEmpty(), c.strErrStart.isEmpty()) << strCase;
        if (c.intExitCode == 1) {
            EXPECT_EQ(strErr.count(QLatin1Char('\n')), 1) << strErr.toStdString();
        }
    }
    EXPECT_EQ(program.fncFiles(), before);
}
