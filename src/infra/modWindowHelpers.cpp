#include "modWindowHelpers.h"

#include "modErrorHandling.h"

#include <QApplication>
#include <QImage>
#include <QLayout>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <exception>

namespace {
// The centre in window coordinates, or nothing when an ancestor clips it away.
std::optional<QPoint> fncVisibleCentre(QWidget* window, QWidget* control)
{
    const QPoint centre(control->width() / 2, control->height() / 2);
    QWidget* child = control;
    QPoint pos = centre;
    while (child != window) {
        pos = child->mapToParent(pos);
        child = child->parentWidget();
        if (!child || !child->rect().contains(pos))
            return std::nullopt;
    }
    return pos;
}

// The window's pixel at point as drawn without the control on top of it.
QColor fncPixelBehind(QWidget* window, QWidget* control, const QPoint& point)
{
    if (QLayout* layout = window->layout())
        layout->activate();
    const QSizePolicy policy = control->sizePolicy();
    QSizePolicy keepPlace = policy;
    keepPlace.setRetainSizeWhenHidden(true);
    control->setSizePolicy(keepPlace);
    const QPointer<QWidget> focus = QApplication::focusWidget();
    const bool blnHidden = control->isHidden();
    control->hide();
    const QImage image = window->grab(QRect(point, QSize(1, 1))).toImage();
    control->setVisible(!blnHidden);
    control->setSizePolicy(policy);
    if (focus && QApplication::focusWidget() != focus)
        focus->setFocus();
    return image.isNull() ? QColor() : image.pixelColor(0, 0);
}
} // namespace

void subApplyBackColorToControl(QWidget* window, QWidget* control)
{
    if (!window || !control)
        return;
    subLog(QStringLiteral("Setting the background color of the control"));
    const QPalette previous = control->palette();
    const bool blnAutoFill = control->autoFillBackground();
    try {
        const auto point = fncVisibleCentre(window, control);
        if (!point)
            return;
        const QColor colour = fncPixelBehind(window, control, *point);
        if (!colour.isValid())
            return;
        QPalette palette = previous;
        palette.setColor(QPalette::Window, colour);
        palette.setColor(control->backgroundRole(), colour);
        control->setPalette(palette);
        control->setAutoFillBackground(true);
    } catch (const std::exception&) {
        control->setPalette(previous);
        control->setAutoFillBackground(blnAutoFill);
    }
}

void subBringToFront(QWidget* window)
{
    if (!window)
        return;
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != window) {
        modal->raise();
        modal->activateWindow();
    }
}
