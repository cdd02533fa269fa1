#include "modMessageBoxWidgets.h"

#include <QApplication>
#include <QMessageBox>

namespace {
QMessageBox::Icon fncIcon(cMessageBox::Icon icon)
{
    switch (icon) {
    case cMessageBox::Icon::Information:
        return QMessageBox::Information;
    case cMessageBox::Icon::Question:
        return QMessageBox::Question;
    case cMessageBox::Icon::Warning:
        return QMessageBox::Warning;
    case cMessageBox::Icon::Critical:
        return QMessageBox::Critical;
    case cMessageBox::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons fncButtons(cMessageBox::Buttons buttons)
{
    switch (buttons) {
    case cMessageBox::Buttons::Ok:
        return QMessageBox::Ok;
    case cMessageBox::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case cMessageBox::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case cMessageBox::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

cMessageBox::Answer fncAnswer(int button, cMessageBox::Buttons buttons)
{
    switch (button) {
    case QMessageBox::Ok:
        return cMessageBox::Answer::Ok;
    case QMessageBox::Yes:
        return cMessageBox::Answer::Yes;
    case QMessageBox::No:
        return cMessageBox::Answer::No;
    default:
        // Closed without a button: a Yes/No question counts as No, like its Escape key.
        return buttons == cMessageBox::Buttons::YesNo ? cMessageBox::Answer::No
            : buttons == cMessageBox::Buttons::Ok     ? cMessageBox::Answer::Ok
                                                      : cMessageBox::Answer::Cancel;
    }
}
} // namespace

cMessageBox::Answer fncShowMessageBox(const cMessageBox::Request& request)
{
    QMessageBox box(fncIcon(request.icon), request.strTitle, request.strText,
        fncButtons(request.buttons), QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    if (request.buttons == cMessageBox::Buttons::YesNo)
        box.setEscapeButton(QMessageBox::No);
    return fncAnswer(box.exec(), request.buttons);
}

void subInstallMessageBoxPresenter()
{
    cMessageBox::setPresenter(&fncShowMessageBox);
}
