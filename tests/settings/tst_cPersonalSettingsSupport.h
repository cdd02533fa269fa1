#pragma once

#include "TestSupport.h"
#include "cPersonalSettings.h"
#include "modOutlookCode.h"
#include "modRegistryEntry.h"

#include <QDir>
#include <QFile>
#include <QLocale>

namespace hvpersonaltest {

inline QString dataFolder()
{
    return hvtest::homeDir() + QStringLiteral("/Documents/My Hourvanes");
}

// The lists as "Caption=Key|Key" lines.
inline QStringList lists(const cPersonalSettings& s)
{
    QStringList out;
    for (const auto& dic : s.MetaDataLists)
        out.append(dic.Caption + QLatin1Char('=') + dic.MetaDic.Keys().join(QLatin1Char('|')));
    return out;
}

// The values read and saved, in the order of the body and then the options, and the lists.
inline QStringList fields(const cPersonalSettings& s)
{
    const auto yes = [](bool b) { return QString::fromLatin1(b ? "True" : "False"); };
    return QStringList { QString::number(s.ReportChoice), s.ReportValue,
        s.PersonalRate.toInvariantString(), yes(s.FilterEvents), yes(s.FilterPrivate),
        yes(s.FilterRecurring), yes(s.Convert24), s.Convert24Hours.toString(), yes(s.RemoveLunch),
        s.RemoveLunchHours.toString(), yes(s.CreateLocalCube), yes(s.StartGrid),
        yes(s.WriteSubject) }
    + lists(s);
}

// Every test starts with an empty store, an empty calendar, the US English locale and a
// program folder of its own.
class PersonalSettingsFixture : public testing::Test
{
protected:
    QString programFolder;

    // f ends the program after one message that names procName.
    static void expectReportedError(const std::function<void()>& f, const char* procName)
    {
        cMessageBox::setNextAnswer(cMessageBox::Answer::No);
        EXPECT_TRUE(hvtest::endsProgram(f));
        ASSERT_EQ(cMessageBox::history().size(), 1);
        EXPECT_TRUE(cMessageBox::history().at(0).strText.contains(QString::fromLatin1(procName)))
            << cMessageBox::history().at(0).strText.toStdString();
    }

    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QFile::remove(fncRegistryStorePath());
        subResetOutlookState();
        QDir(cOlApplication::fncCalendarPath()).removeRecursively();
        QDir(dataFolder()).removeRecursively();
        programFolder = hvtest::newTempDir(QStringLiteral("program"));
        cPersonalSettings::subSetProgramFolder(programFolder);
    }

    void TearDown() override
    {
        cPersonalSettings::subSetProgramFolder(QString());
        QLocale::setDefault(QLocale::system());
        QFile::remove(fncRegistryStorePath());
        QDir().rmdir(fncRegistryStorePath());
        subResetOutlookState();
    }
};

} // namespace hvpersonaltest
