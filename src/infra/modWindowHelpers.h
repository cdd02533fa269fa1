#pragma once

class QWidget;

// Gives control the colour its window shows behind the control's centre, so frames, check boxes
// and option buttons blend with a themed or painted background. A control outside the visible
// part of the window keeps its colour; failures are never reported.
void subApplyBackColorToControl(QWidget* window, QWidget* control);

// Shows window in front of the others, out of its minimised state, and activates it (or the
// dialog it is waiting on), so that the window manager brings it to the current desktop.
void subBringToFront(QWidget* window);
