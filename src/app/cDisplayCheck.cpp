#include "cDisplayCheck.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>
#include <utility>

namespace {
struct cHeldMessage
{
    QtMsgType type;
    QString strText;
};

// The messages Qt gives while the application object is made; shown only when it succeeds.
QList<cHeldMessage>& held()
{
    static QList<cHeldMessage> list;
    return list;
}

QString fncProgram()
{
    return QCoreApplication::applicationName();
}

QString fncAdvice()
{
    return QStringLiteral(
               ". Start it in a desktop session, or on a virtual display with: xvfb-run ")
        + fncProgram();
}
} // namespace

cDisplayCheck::cDisplayCheck()
{
    m_previous = qInstallMessageHandler(&cDisplayCheck::subHandleMessage);
}

cDisplayCheck::~cDisplayCheck()
{
    qInstallMessageHandler(m_previous);
    const QList<cHeldMessage> messages = std::exchange(held(), {});
    for (const cHeldMessage& m : messages)
        qt_message_output(m.type, QMessageLogContext(), m.strText);
}

QString cDisplayCheck::fncMissingDisplay()
{
    const bool blnX11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool blnWayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    // QT_QPA_PLATFORM may list platforms to try in turn ("wayland;xcb"); one that can start will
    // do.
    const QStringList colPlatforms
        = qEnvironmentVariable("QT_QPA_PLATFORM").split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QString strMissing;
    if (colPlatforms.isEmpty() && !blnX11 && !blnWayland)
        strMissing = QStringLiteral("no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
    for (const QString& strEntry : colPlatforms) {
        const QString strPlatform = strEntry.section(QLatin1Char(':'), 0, 0);
        if (strPlatform == QLatin1String("xcb") && !blnX11) {
            strMissing = QStringLiteral("no X11 display: DISPLAY is not set");
        } else if (strPlatform.startsWith(QLatin1String("wayland")) && !blnWayland) {
            strMissing = QStringLiteral("no Wayland display: WAYLAND_DISPLAY is not set");
        } else {
            strMissing.clear();
            break;
        }
    }
    if (strMissing.isEmpty())
        return QString();
    return fncProgram() + QStringLiteral(": cannot open its window, ") + strMissing + fncAdvice();
}

void cDisplayCheck::subHandleMessage(
    QtMsgType type, const QMessageLogContext& context, const QString& strText)
{
    Q_UNUSED(context);
    if (type != QtFatalMsg) {
        held().append({ type, strText });
        return;
    }
    const QString strLine = fncProgram()
        + QStringLiteral(": cannot open its window, no usable display (DISPLAY='")
        + qEnvironmentVariable("DISPLAY") + QStringLiteral("', WAYLAND_DISPLAY='")
        + qEnvironmentVariable("WAYLAND_DISPLAY") + QStringLiteral("', QT_QPA_PLATFORM='")
        + qEnvironmentVariable("QT_QPA_PLATFORM") + QStringLiteral("')") + fncAdvice()
        + QLatin1Char('\n');
    std::fputs(strLine.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    ::_exit(1);
}
