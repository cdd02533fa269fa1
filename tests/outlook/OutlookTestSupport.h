#pragma once

#include "TestSupport.h"
#include "cOlUserProperties.h"

#include <QByteArray>
#include <QStringList>
#include <string>

namespace hvtest {

// Each test gets its own calendar folder (HOURVANE_CALENDAR) and a fresh session.
class CalendarTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    QString calendarPath() const { return m_strCalendar; }
    // Points HOURVANE_CALENDAR elsewhere for the rest of the test.
    void useCalendar(const QString& strPath);

private:
    QByteArray m_oldCalendar;
    QString m_strCalendar;
};

// A user property's value; a missing property fails the test instead of crashing it.
QVariant valueOf(const cOlUserProperties& props, const QString& strName);
// What is wrong with a file as iCalendar, one problem a line: libical errors, lines over 75
// octets, bare LF. Empty when the file is sound.
std::string icsProblems(const QByteArray& bytes);
// The unfolded content lines of a file.
QStringList unfoldedLines(const QByteArray& bytes);

} // namespace hvtest
