#pragma once

#include "cMessageBox.h"

// Makes cMessageBox show real QMessageBoxes. The program calls it once at start.
void subInstallMessageBoxPresenter();
// Shows one box modally over the active window and returns the button pressed.
cMessageBox::Answer fncShowMessageBox(const cMessageBox::Request& request);
