#include "cPersonalSettings.h"
#include "cWindowValues.h"

#include <gtest/gtest.h>

// A rate or hours that are no number keep the previous value; either decimal mark is taken.
TEST(WindowValues, TextThatIsNoNumberKeepsThePreviousValueEitherMarkIsTaken)
{
    cPersonalSettings objSettings;
    objSettings.PersonalRate = cCurrency::fromTenThousandths(3500000);
    objSettings.Convert24Hours = QStringLiteral("6");
    objSettings.RemoveLunchHours = QStringLiteral("0.5");
    const auto apply = [&objSettings](const char* rate, const char* fullDay, const char* lunch) {
        cWindowValues values;
        values.strPersonalRate = QString::fromLatin1(rate);
        values.strFullDayHours = QString::fromLatin1(fullDay);
        values.strLunchHours = QString::fromLatin1(lunch);
        values.ApplyTo(objSettings, 2);
        return QVariantList { QVariant::fromValue(objSettings.PersonalRate),
            objSettings.Convert24Hours, objSettings.RemoveLunchHours };
    };
    const QVariantList before = { QVariant::fromValue(objSettings.PersonalRate),
        QStringLiteral("6"), QStringLiteral("0.5") };
    EXPECT_EQ(apply("95O", "all day", ""), before);
    EXPECT_EQ(apply("922337203685477.5808", "", ""), before);
    EXPECT_EQ(apply("-1e300", "", ""), before);
    EXPECT_EQ(apply("45,50", "9", " 1 "),
        (QVariantList { QVariant::fromValue(cCurrency::fromTenThousandths(455000)),
            QStringLiteral("9"), QStringLiteral("1") }));
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
    EXPECT_EQ((QList { values.intEvents, values.intPrivate, values.intRecurring,
                  values.intConvert24, values.intRemoveLunch, values.intWriteSubject }),
        (QList<qint16> { 0, 1, 0, 1, 0, 1 }));
    EXPECT_EQ(values.strFullDayHours, QStringLiteral("7"));

    // The report choice comes from the caller.
    cPersonalSettings objCopy;
    objCopy.ReportChoice = 3;
    values.ApplyTo(objCopy, 2);
    EXPECT_EQ(cWindowValues::FromSettings(objCopy), values);
    EXPECT_EQ(objCopy.PersonalRate, objSettings.PersonalRate);
    EXPECT_EQ(objCopy.ReportChoice, 2);
}
