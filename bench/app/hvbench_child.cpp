// The two programs the start-up benchmark times as whole processes. Each ends as soon as its
// window is on the (offscreen) screen:
//   hvbench_child bare      a bare Qt program showing an empty main window (the baseline)
//   hvbench_child program   the settings program's start: Main with all its steps
#include "frmHVPersSettingsSingle.h"
#include "modMain.h"
#include "modMessageBoxWidgets.h"
#include "modProgramEnd.h"

#include <QApplication>
#include <QMainWindow>
#include <QWindow>
#include <cstdio>
#include <cstring>

namespace {
int fncWaitShown(QWidget* w)
{
    while (!(w->windowHandle() && w->windowHandle()->isExposed()))
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "bare") == 0) {
        QMainWindow window;
        window.show();
        return fncWaitShown(&window);
    }
    QApplication::setApplicationName(QStringLiteral("HVPersonalSettingsSingle"));
    subInstallMessageBoxPresenter();
    Main();
    frmHVPersSettingsSingle* frm = fncSettingsWindow();
    if (!frm) {
        std::fprintf(stderr, "hvbench_child: the settings window did not open\n");
        return 1;
    }
    return fncWaitShown(frm);
}
