#include "cCommandLine.h"

#include <QCoreApplication>
#include <cstdio>

cCommandLine::cCommandLine(const QStringList& colArguments)
{
    m_parser.setApplicationDescription(QStringLiteral(
        "Edits your personal Hourvane time-reporting settings and the common settings."));
    const QCommandLineOption optHelp = m_parser.addHelpOption();
    const QCommandLineOption optVersion = m_parser.addVersionOption();
    m_parser.addOption({ QStringLiteral("choose-database"),
        QStringLiteral(
            "Ask where the common settings live (local file or server) before reading them.") });
    // Qt's own options (the session manager restarts a program with -session) belong to the
    // application object, which takes them out before the program sees its arguments.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : { "platform", "platformpluginpath", "platformtheme", "plugin",
             "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "style", "stylesheet",
             "display", "geometry", "name", "title", "visual", "qmljsdebugger" })
        subAddQtOption(QString::fromLatin1(name), true);
    for (const char* name : { "reverse", "widgetcount", "nograb", "dograb", "sync" })
        subAddQtOption(QString::fromLatin1(name), false);

    const QString strProgram = QCoreApplication::applicationName();
    if (!m_parser.parse(colArguments)) {
        m_strAnswer = strProgram + QStringLiteral(": ") + m_parser.errorText()
            + QStringLiteral("\nTry '") + strProgram
            + QStringLiteral(" --help' for more information.\n");
        m_intExitCode = 2;
    } else if (m_parser.isSet(optHelp) || m_parser.isSet(QStringLiteral("help-all"))) {
        m_strAnswer = m_parser.helpText();
        // Without an application object Qt cannot know the program's name.
        m_strAnswer.replace(QStringLiteral("<executable_name>"), strProgram);
        m_intExitCode = 0;
    } else if (m_parser.isSet(optVersion)) {
        m_strAnswer = strProgram + QLatin1Char(' ') + QCoreApplication::applicationVersion()
            + QLatin1Char('\n');
        m_intExitCode = 0;
    } else if (!m_parser.positionalArguments().isEmpty()) {
        m_strAnswer = strProgram + QStringLiteral(": unexpected argument '")
            + m_parser.positionalArguments().constFirst() + QStringLiteral("'\nTry '") + strProgram
            + QStringLiteral(" --help' for more information.\n");
        m_intExitCode = 2;
    }
}

void cCommandLine::subAddQtOption(const QString& strName, bool blnTakesValue)
{
    QCommandLineOption opt(strName);
    if (blnTakesValue)
        opt.setValueName(QStringLiteral("value"));
    opt.setFlags(QCommandLineOption::HiddenFromHelp);
    m_parser.addOption(opt);
}

int cCommandLine::fncAnswer() const
{
    std::FILE* out = m_intExitCode == 0 ? stdout : stderr;
    std::fputs(m_strAnswer.toLocal8Bit().constData(), out);
    std::fflush(out);
    return m_intExitCode;
}
