#include "modMain.h"

#include "cCommandLine.h"
#include "cDisplayCheck.h"
#include "cGlobalSettings.h"
#include "cMessageBox.h"
#include "cPersonalSettings.h"
#include "cSingleInstance.h"
#include "frmHVPersSettingsSingle.h"
#include "modDBCode.h"
#include "modDBCreate.h"
#include "modDatabaseChoice.h"
#include "modErrorHandling.h"
#include "modFileHandling.h"
#include "modLocale.h"
#include "modMessageBoxWidgets.h"
#include "modOutlookCode.h"
#include "modPhrases.h"
#include "modProgramEnd.h"
#include "modQtTranslations.h"
#include "modWindowHelpers.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>
#include <QImageReader>
#include <QPointer>
#include <cstdio>
#include <future>
#include <memory>
#include <optional>
#include <ranges>

namespace {
struct cMainState
{
    std::unique_ptr<cSingleInstance> objInstance;
    std::unique_ptr<cPersonalSettings> objPersonalSettings;
    std::unique_ptr<cGlobalSettings> objGlobalSettings;
    QPointer<frmHVPersSettingsSingle> frmSettings;
    QString strUserName;
    QString strListSeparator;
    bool blnChooseDatabase = false;
};

cMainState& state()
{
    static cMainState s;
    return s;
}

// Steps whose failures are ignored (the start before the calendar is known). An end of the
// program already under way is not a failure and passes.
template <typename F> void subIgnoreErrors(F&& f)
{
    try {
        f();
    } catch (const std::exception&) {
    }
}

// The common settings from the chosen database: the local one of the data folder unless a
// server was chosen. The report destination of both settings objects follows it.
bool fncLoadChosenDatabase()
{
    cMainState& s = state();
    const QString strServer = fncChosenServer();
    const qint32 lngKind = strServer.isEmpty() ? 2 : 3;
    const QString strValue = strServer.isEmpty() ? strDataFolder : strServer;
    s.objGlobalSettings->ReportTo = lngKind;
    s.objGlobalSettings->ReportToValue = strValue;
    s.objPersonalSettings->ReportChoice = lngKind;
    s.objPersonalSettings->ReportValue = strValue;
    // The window shows the first list; the others are read when their tab is.
    return fncOpenChosenDatabase()
        && s.objGlobalSettings->ReadGlobalSettings(lngKind, QString(), true);
}

// Reading the system's font list is fontconfig's slowest step at start, and the style's first
// frame is drawn from an image, for which Qt first loads every image plugin. A second core does
// both while the common settings are read, so the window's first paint waits for neither. Every
// end of the program waits for it first.
void subWarmUpInBackground()
{
    const std::shared_future<void> fonts = std::async(std::launch::async, [] {
        QFontDatabase::families();
        QBuffer none;
        none.open(QIODevice::ReadOnly);
        QImageReader(&none, "png").canRead();
    }).share();
    subAddEndHook([fonts] { fonts.wait(); });
}

void subRegisterEndHooks()
{
    // The hooks run in reverse order: windows first, then the calendar, then the database.
    subAddEndHook([] { subCloseConnection(); });
    subAddEndHook([] { subReleaseOutlook(); });
    subAddEndHook([] { subUnloadWindows(); });
}
} // namespace

void subSetChooseDatabaseAtStart(bool blnChoose)
{
    state().blnChooseDatabase = blnChoose;
}
cPersonalSettings& fncPersonalSettings()
{
    return *state().objPersonalSettings;
}
cGlobalSettings& fncGlobalSettings()
{
    return *state().objGlobalSettings;
}
bool fncHasGlobalSettings()
{
    return state().objGlobalSettings != nullptr;
}
frmHVPersSettingsSingle* fncSettingsWindow()
{
    return state().frmSettings;
}
const QString& fncUserFullName()
{
    return state().strUserName;
}
const QString& fncListSeparator()
{
    return state().strListSeparator;
}

QString fncDataFolderFor(const QString& strCubePath)
{
    QString strFolder = strCubePath;
    strFolder.replace(
        QStringLiteral("OLAP Cubes"), QStringLiteral("My Hourvanes"), Qt::CaseSensitive);
    while (strFolder.size() > 1
        && (strFolder.endsWith(QLatin1Char('/')) || strFolder.endsWith(QLatin1Char('\\'))))
        strFolder.chop(1);
    return strFolder;
}

void subUnloadWindows()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    // Every window goes out of sight, but only this program's own window is deleted: shared
    // dialogs of the lower layers (the removed-item question) are deleted by their owners when
    // the application ends, and deleting them here too crashed the program on its way out.
    for (QWidget* w : std::views::reverse(windows)) {
        if (w->isVisible())
            w->hide();
        if (qobject_cast<frmHVPersSettingsSingle*>(w))
            w->deleteLater();
    }
}

void subResetMainState()
{
    cMainState& s = state();
    if (s.frmSettings) {
        s.frmSettings->hide();
        delete s.frmSettings.data();
    }
    s.objGlobalSettings.reset();
    s.objPersonalSettings.reset();
    s.objInstance.reset();
    s.strUserName.clear();
    s.strListSeparator.clear();
    s.blnChooseDatabase = false;
}

void Main()
{
    cMainState& s = state();
    subRegisterEndHooks();
    subLog(QStringLiteral("Checking for a running copy of the program"));
    s.objInstance = std::make_unique<cSingleInstance>();
    if (!s.objInstance->fncIsFirst()) {
        // The running copy shows its window; this one changes nothing and ends.
        s.objInstance->fncAskFirstToActivate();
        s.objInstance.reset();
        subEndProgram(0);
    }
    // Listening from the start: a second start during loading is answered once the window is up.
    s.objInstance->subListen([] {
        subLog(QStringLiteral("A second start asked for the window"));
        subBringToFront(fncSettingsWindow());
    });
    s.objPersonalSettings = std::make_unique<cPersonalSettings>();

    // Until the calendar is known, failures are ignored; the check after them catches a
    // missing calendar.
    subIgnoreErrors([] {
        subLog(QStringLiteral("Loading the phrases"));
        LoadLanguages(fncGetlocalLanguage());
        fncLoadQtTranslations(fncGetlocalLanguage());
    });
    subIgnoreErrors([] { subStartOutlook(6); });
    subIgnoreErrors([] { subFindActiveFolder(9); });
    if (!fncOutlookApplication()) {
        cMessageBox::Show(
            fncPhrase("LNGO2KNEEDED"), cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical);
        return;
    }

    try {
        s.strUserName = fncGetUserName();
        s.strListSeparator = fncGetListSeparator();

        const cOlFolderPtr folder = fncCurrentFolder();
        if (!folder || folder->DefaultItemType() != 1) {
            subLog(QStringLiteral("Using the default calendar folder"));
            subSetCurrentFolder(fncOutlookNameSpace()->GetDefaultFolder(9));
        }

        if (!s.objPersonalSettings->GetValuesFromSettings()) {
            cMessageBox::Show(QStringLiteral("No personal settings found!"),
                cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical);
            subEndProgram(intExitFailure);
        }

        subLog(QStringLiteral("Finding the data folder"));
        const QString strFolder = fncDataFolderFor(fncGetLocalCubePath());
        strDataFolder = strFolder;
        blnSingleUser = true;

        s.objGlobalSettings = std::make_unique<cGlobalSettings>();
        if (!QFileInfo(strFolder).isDir() && !QDir().mkpath(strFolder))
            throw cHVError(lngObjectError + 4001, QStringLiteral("Main"),
                QStringLiteral("Could not create the data folder ") + strFolder);

        if (s.blnChooseDatabase)
            fncChooseDatabase();
        subWarmUpInBackground();
        if (!fncLoadChosenDatabase())
            return;

        subLog(QStringLiteral("Loading the settings window"));
        s.frmSettings = new frmHVPersSettingsSingle(*s.objPersonalSettings, *s.objGlobalSettings);
        s.frmSettings->setAttribute(Qt::WA_DeleteOnClose, false);
        s.frmSettings->subSetCaptions();
        s.frmSettings->subSetDatabaseCaption(fncDatabaseCaption(fncChosenServer()));
        s.frmSettings->subSetDatabaseChooser([] {
            if (!fncChooseDatabase() || !fncLoadChosenDatabase())
                return false;
            fncSettingsWindow()->subSetDatabaseCaption(fncDatabaseCaption(fncChosenServer()));
            return true;
        });
        s.frmSettings->subSetValues();
        s.frmSettings->show();
    } catch (...) {
        subHandleCurrentException(QStringLiteral("Main"));
    }
}

int Main(int argc, char* argv[])
{
    QApplication::setApplicationName(QStringLiteral("HVPersonalSettingsSingle"));
    QApplication::setApplicationVersion(fncProgramVersion());
    QStringList colArguments;
    for (int i = 0; i < argc; ++i)
        colArguments.append(QString::fromLocal8Bit(argv[i]));
    const cCommandLine cmd(colArguments);
    if (!cmd.fncStarts())
        return cmd.fncAnswer();
    if (const QString strMissing = cDisplayCheck::fncMissingDisplay(); !strMissing.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(strMissing));
        return intExitFailure;
    }
    std::optional<cDisplayCheck> displayCheck(std::in_place);
    QApplication app(argc, argv);
    displayCheck.reset();
    QApplication::setApplicationDisplayName(strProgramTitle);
    QApplication::setDesktopFileName(QStringLiteral("hourvane-personal-settings"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/hourvane-personal-settings.svg")));
    subInstallMessageBoxPresenter();
    // Asks where the common settings live before they are read.
    subSetChooseDatabaseAtStart(cmd.fncIsSet(QStringLiteral("choose-database")));

    Main();
    frmHVPersSettingsSingle* frm = fncSettingsWindow();
    // Without a window the start failed (the second copy ended inside Main).
    int intExitCode = intExitFailure;
    if (frm) {
        // OK unloads the window; the program ends with it.
        QObject::connect(frm, &QObject::destroyed, &app, &QCoreApplication::quit);
        intExitCode = QApplication::exec();
    }
    subEndProgram(intExitCode);
}
