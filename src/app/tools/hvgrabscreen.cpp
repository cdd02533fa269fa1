// The picture of the settings window for scripts/screenshot, in two steps on the same HOME:
//   hvgrabscreen --seed          fills a new database and the per-user store with sample
//                                values through the program's own layers, so that every control
//                                of the window has something to show;
//   hvgrabscreen OUT.png [SECS]  saves the X screen, cropped to what is drawn on the black root
//                                window, once the picture has stopped changing;
//   hvgrabscreen --menu OUT.png  starts the program in this process, opens the context menu of
//                                a cell of the list and saves the screen with it.
#include "cGlobalSettings.h"
#include "cListHandler.h"
#include "cPersonalSettings.h"
#include "frmHVPersSettingsSingle.h"
#include "modDBCode.h"
#include "modDBCreate.h"
#include "modFileHandling.h"
#include "modMain.h"
#include "modPhrases.h"
#include "modRegistryEntry.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {
QRect fncDrawnArea(const QImage& img)
{
    int intLeft = img.width(), intTop = img.height(), intRight = -1, intBottom = -1;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == 0)
                continue;
            intLeft = std::min(intLeft, x);
            intRight = std::max(intRight, x);
            intTop = std::min(intTop, y);
            intBottom = std::max(intBottom, y);
        }
    }
    if (intRight < 0)
        return {};
    return QRect(QPoint(intLeft, intTop), QPoint(intRight, intBottom));
}

int fncGrab(const QString& strOut, int intTimeoutMs)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "hvgrabscreen: no screen\n");
        return 1;
    }
    QImage imgLast;
    int intStable = 0;
    for (int intWaited = 0; intWaited < intTimeoutMs; intWaited += 250) {
        QThread::msleep(250);
        const QImage img = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        const QRect rect = fncDrawnArea(img);
        if (rect.isEmpty()) {
            intStable = 0;
            continue;
        }
        // The window refills itself half a second after it appears: wait for a quiet second.
        intStable = (img == imgLast) ? intStable + 1 : 0;
        imgLast = img;
        if (intStable >= 4) {
            if (!img.copy(rect).save(strOut)) {
                std::fprintf(stderr, "hvgrabscreen: cannot write %s\n", qPrintable(strOut));
                return 1;
            }
            std::printf("%s (%dx%d)\n", qPrintable(strOut), rect.width(), rect.height());
            return 0;
        }
    }
    std::fprintf(stderr, "hvgrabscreen: nothing appeared on the screen\n");
    return 1;
}

struct Sample
{
    const char* name;
    const char* category;
    const char* super;
    qint64 rate; // ten-thousandths
    bool enabled;
};

int fncSeed()
{
    // Exports and logs of the seeding stay in the temporary HOME.
    cPersonalSettings::subSetProgramFolder(QDir::homePath());
    LoadLanguages(fncGetlocalLanguage());
    strDataFolder = fncDataFolderFor(fncGetLocalCubePath());
    blnSingleUser = true;
    QDir().mkpath(strDataFolder);
    if (!subCreateHVDatabase(strDataFolder + QLatin1Char('/') + strAccessFileName))
        return 1;

    cGlobalSettings objGlobal;
    if (!objGlobal.ReadGlobalSettings(2, QString()))
        return 1;
    cMetaDictionary& objCustomers = objGlobal.MetaDataLists.ItemAt(0);
    objCustomers.CategoryCaption = QStringLiteral("Region");
    objCustomers.SuperCategoryCaption = QStringLiteral("Country");
    const Sample customers[] = {
        { "Acme Shipping", "North", "Norway", 9500000, true },
        { "Borealis Energy", "North", "Norway", 8750000, true },
        { "Contoso Retail", "South", "Sweden", 8000000, true },
        { "Dunder Paper", "", "", 7000000, false },
    };
    for (const Sample& s : customers)
        objCustomers.AddMeta(QString::fromUtf8(s.name), QString::fromUtf8(s.category),
            cCurrency::fromTenThousandths(s.rate), 0, QString::fromUtf8(s.super), s.enabled);
    for (const char* task : { "Design", "Build", "Review" })
        objGlobal.MetaDataLists.ItemAt(1).AddMeta(
            QString::fromUtf8(task), QString(), cCurrency(), 0, QString(), true);
    objGlobal.MetaDataLists.ItemAt(2).Caption = QStringLiteral("Project");
    objGlobal.CostCarrier = 1;
    objGlobal.OtherSettings.SetValue(QStringLiteral("EnableItems"), QStringLiteral("True"));
    const QString strMessage = objGlobal.SaveGlobalSettings();
    if (!strMessage.isEmpty()) {
        std::fprintf(stderr, "hvgrabscreen: %s\n", qPrintable(strMessage));
        return 1;
    }

    const QString strSection = QStringLiteral("Settings");
    subWriteRegistryValue(strSection, QStringLiteral("ReportChoice"), QStringLiteral("2"));
    subWriteRegistryValue(strSection, QStringLiteral("PersonalRate"), QStringLiteral("650"));
    subWriteRegistryValue(strSection, QStringLiteral("FilterEvents"), QStringLiteral("False"));
    subWriteRegistryValue(strSection, QStringLiteral("RemoveLunch"), QStringLiteral("True"));
    subWriteRegistryValue(strSection, QStringLiteral("Convert24"), QStringLiteral("False"));
    return 0;
}
} // namespace

int fncGrabMenu(const QString& strOut)
{
    Main();
    frmHVPersSettingsSingle* frm = fncSettingsWindow();
    if (!frm)
        return 1;
    // After the window's own refill (half a second after it appears), a right click on the
    // second item; the menu's event loop then runs the grab.
    QTimer::singleShot(1500, frm, [frm] {
        cSheet* grid = frm->exsList().ObjectList;
        const QPoint pos = grid->visualRect(grid->model()->index(2, 0)).center();
        QCoreApplication::postEvent(grid->viewport(),
            new QContextMenuEvent(
                QContextMenuEvent::Mouse, pos, grid->viewport()->mapToGlobal(pos)));
    });
    QTimer::singleShot(3000, [strOut] {
        const QImage img
            = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
                QImage::Format_RGB32);
        const QRect rect = fncDrawnArea(img);
        const bool ok = !rect.isEmpty() && img.copy(rect).save(strOut);
        std::printf("%s\n", ok ? qPrintable(strOut) : "hvgrabscreen: nothing to save");
        std::fflush(stdout);
        // The menu's loop and the window are not ended one by one: the picture is all that counts.
        std::_Exit(ok ? 0 : 1);
    });
    return QApplication::exec();
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("HVPersonalSettingsSingle"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: hvgrabscreen --seed | OUTPUT.png [TIMEOUT_SECONDS]\n");
        return 2;
    }
    const QString strArg = QString::fromLocal8Bit(argv[1]);
    if (strArg == QLatin1String("--seed"))
        return fncSeed();
    if (strArg == QLatin1String("--menu") && argc > 2)
        return fncGrabMenu(QString::fromLocal8Bit(argv[2]));
    return fncGrab(strArg, (argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 30) * 1000);
}
