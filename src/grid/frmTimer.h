#pragma once

#include <QObject>
#include <QTimer>

// The hidden timer of the list wrapper: raises Timer on every tick while enabled.
class frmTimer : public QObject
{
    Q_OBJECT

public:
    explicit frmTimer(QObject* parent = nullptr);

    bool TimerEnabled() const { return timTimer.isActive(); }
    void TimerEnabled(bool blnOn);
    int TimerInterval() const { return timTimer.interval(); }
    void TimerInterval(int intMilliseconds) { timTimer.setInterval(intMilliseconds); }

    QTimer timTimer;

signals:
    void Timer();
};
