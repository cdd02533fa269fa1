#pragma once

#include <QString>
#include <QStringList>
#include <QtMessageHandler>

// Without a display Qt aborts with several lines about platform plugins. This says instead, in
// one line on standard error, what is missing and how to run the program, and ends it with
// status 1. Held while the application object is made, it also catches a display that is set
// but cannot be reached.
class cDisplayCheck
{
public:
    cDisplayCheck();
    ~cDisplayCheck();
    cDisplayCheck(const cDisplayCheck&) = delete;
    cDisplayCheck& operator=(const cDisplayCheck&) = delete;

    // The line to print when the environment names no display for the chosen platform, else "".
    static QString fncMissingDisplay();

private:
    static void subHandleMessage(
        QtMsgType type, const QMessageLogContext& context, const QString& strText);

    QtMessageHandler m_previous = nullptr;
};
