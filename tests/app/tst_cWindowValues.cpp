#include "cPersonalSettings.h"
#include "cWindowValues.h"

#include <gtest/gtest.h>

namespace {
cWindowValues fncAll(qint16 intState)
{
    cWindowValues values;
    values.intEvents = values.intPrivate = values.intRecurring = intState;
    values.intConvert24 = values.intRemoveLunch = values.intWriteSubject = intState;
    values.strPersonalRate = QStringLiteral("350");
    values.strFullDayHours = QStringLiteral("7");
    values.strLunchHours = QStringLiteral("1");
    return values;
}
} // namespace

TEST(WindowValues, RateThatIsNotAnAmountKeepsThePreviousValueEitherMarkIsTaken)
{
    cPersonalSettings objSettings;
    objSettings.PersonalRate = cCurrency::fromTenThousandths(3500000);
    cWindowValues values = fncAll(1);
    for (const char* bad : { "95O", "922337203685477.5808", "-1e300" }) {
        values.strPersonalRate = QString::fromLatin1(bad);
        values.ApplyTo(objSettings, 2);
        EXPECT_EQ(objSettings.PersonalRate, cCurrency::fromTenThousandths(3500000)) << bad;
    }

    values.strPersonalRate = QStringLiteral("45,50");
    values.ApplyTo(objSettings, 2);
    EXPECT_EQ(objSettings.PersonalRate, cCurrency::fromTenThousandths(455000));
}

TEST(WindowValues, HoursThatAreNotNumbersKeepThePreviousValue)
{
    cPersonalSettings objSettings;
    objSettings.Convert24Hours = QStringLiteral("6");
    objSettings.RemoveLunchHours = QStringLiteral("0.5");
    cWindowValues values = fncAll(1);
    values.strFullDayHours = QStringLiteral("all day");
    values.strLunchHours = QString();
    values.ApplyTo(objSettings, 2);
    EXPECT_EQ(objSettings.Convert24Hours.toString(), QStringLiteral("6"));
    EXPECT_EQ(objSettings.RemoveLunchHours.toString(), QStringLiteral("0.5"));

    values.strFullDayHours = QStringLiteral("9");
    values.strLunchHours = QStringLiteral(" 1 ");
    values.ApplyTo(objSettings, 2);
    EXPECT_EQ(objSettings.Convert24Hours.toString(), QStringLiteral("9"));
    EXPECT_EQ(objSettings.RemoveLunchHours.toString(), QStringLiteral("1"));
}

TEST(WindowValues, RoundTripThroughTheSettingsKeepsEveryValue)
{
    cPersonalSettings objSettings;
    objSettings.FilterEvents = false;
    objSettings.FilterPrivate = true;
    objSettings.FilterRecurring = false;
    objSettings.Convert24 = true;
    objSettings.Convert24Hours = QVariant(qint16(7));
    objSettings.RemoveLunch = false;
    objSettings.RemoveLunchHours = QVariant(0.5);
    objSettings.WriteSubject = true;
    objSettings.PersonalRate = cCurrency::fromTenThousandths(4250000);

    const cWindowValues values = cWindowValues::FromSettings(objSettings);
    EXPECT_EQ(values.intEvents, 0);
    EXPECT_EQ(values.intPrivate, 1);
    EXPECT_EQ(values.intConvert24, 1);
    EXPECT_EQ(values.intWriteSubject, 1);
    EXPECT_EQ(values.strFullDayHours, QStringLiteral("7"));

    // The report choice comes from the caller.
    cPersonalSettings objCopy;
    objCopy.ReportChoice = 3;
    values.ApplyTo(objCopy, 2);
    EXPECT_EQ(cWindowValues::FromSettings(objCopy), values);
    EXPECT_EQ(objCopy.PersonalRate, objSettings.PersonalRate);
    EXPECT_EQ(objCopy.ReportChoice, 2);
}
