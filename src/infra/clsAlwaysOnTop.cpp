#include "clsAlwaysOnTop.h"

#include <QWidget>

namespace {
void subSetTopMost(QWidget* window, bool blnOn)
{
    if (!window)
        return;
    window = window->window();
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != blnOn) {
        // Changing window flags re-creates the native window and hides it; put it back as it was.
        const bool blnVisible = window->isVisible();
        const QRect geometry = window->geometry();
        window->setWindowFlag(Qt::WindowStaysOnTopHint, blnOn);
        if (blnVisible) {
            window->setGeometry(geometry);
            window->show();
        }
    }
}
} // namespace

void clsAlwaysOnTop::MakeTopMost(QWidget* window) const
{
    subSetTopMost(window, true);
}

void clsAlwaysOnTop::MakeNormal(QWidget* window) const
{
    subSetTopMost(window, false);
}
