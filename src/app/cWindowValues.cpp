#include "cWindowValues.h"

#include "cPersonalSettings.h"
#include "modCellEntry.h"
#include "modSettingsWindow.h"

cWindowValues cWindowValues::FromSettings(const cPersonalSettings& objSettings)
{
    cWindowValues values;
    values.intEvents = fncBoolInt(objSettings.FilterEvents);
    values.intPrivate = fncBoolInt(objSettings.FilterPrivate);
    values.intRecurring = fncBoolInt(objSettings.FilterRecurring);
    values.strPersonalRate = cPersonalSettings::fncRateToText(objSettings.PersonalRate);
    values.intConvert24 = fncBoolInt(objSettings.Convert24);
    values.strFullDayHours = fncNumberText(objSettings.Convert24Hours);
    values.intRemoveLunch = fncBoolInt(objSettings.RemoveLunch);
    values.strLunchHours = fncNumberText(objSettings.RemoveLunchHours);
    values.intWriteSubject = fncBoolInt(objSettings.WriteSubject);
    return values;
}

void cWindowValues::ApplyTo(cPersonalSettings& objSettings, qint32 lngReportChoice) const
{
    objSettings.FilterEvents = intEvents != 0;
    objSettings.FilterPrivate = intPrivate != 0;
    objSettings.FilterRecurring = intRecurring != 0;
    objSettings.ReportChoice = lngReportChoice;
    if (const auto c = fncParseAmount(strPersonalRate))
        objSettings.PersonalRate = *c;
    objSettings.Convert24 = intConvert24 == 1;
    if (const auto d = fncParseDecimal(strFullDayHours))
        objSettings.Convert24Hours = fncInvariantNumberText(*d);
    objSettings.RemoveLunch = intRemoveLunch == 1;
    if (const auto d = fncParseDecimal(strLunchHours))
        objSettings.RemoveLunchHours = fncInvariantNumberText(*d);
    objSettings.WriteSubject = intWriteSubject != 0;
}
