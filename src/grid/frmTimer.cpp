#include "frmTimer.h"

frmTimer::frmTimer(QObject* parent)
    : QObject(parent)
{
    connect(&timTimer, &QTimer::timeout, this, &frmTimer::Timer);
}

void frmTimer::TimerEnabled(bool blnOn)
{
    if (blnOn)
        timTimer.start();
    else
        timTimer.stop();
}
