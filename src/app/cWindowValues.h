#pragma once

#include <QString>

class cPersonalSettings;

// The personal values as the window's controls hold them: check boxes as 0 (unchecked),
// 1 (checked) or 2 (grey), text boxes as typed. The rules between the two forms live here so
// that they are the same for the window and its tests.
class cWindowValues
{
public:
    qint16 intEvents = 0;
    qint16 intPrivate = 0;
    qint16 intRecurring = 0;
    qint16 intConvert24 = 0;
    qint16 intRemoveLunch = 0;
    qint16 intWriteSubject = 0;
    QString strPersonalRate;
    QString strFullDayHours;
    QString strLunchHours;

    static cWindowValues FromSettings(const cPersonalSettings& objSettings);

    // Grey counts as set for the filters and the subject option but not for the two time
    // options; "," and "." are both decimal marks; a rate or hours that are not numbers (the
    // window refuses them before this runs) keep the settings' previous value.
    void ApplyTo(cPersonalSettings& objSettings, qint32 lngReportChoice) const;

    bool operator==(const cWindowValues&) const = default;
};
