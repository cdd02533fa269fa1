#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// The program's command line. --help and --version answer before any window opens or any file
// is touched; an unknown option or an argument ends the program with status 2. A new option is
// declared in the constructor and read with fncIsSet()/fncValue().
class cCommandLine
{
public:
    explicit cCommandLine(const QStringList& colArguments);

    // True when the program goes on to start; otherwise fncAnswer() ends it.
    bool fncStarts() const { return m_intExitCode < 0; }
    // Prints the help, the version (standard output) or the error (standard error) and returns
    // the exit status.
    int fncAnswer() const;

    bool fncIsSet(const QString& strName) const { return m_parser.isSet(strName); }
    QString fncValue(const QString& strName) const { return m_parser.value(strName); }

private:
    void subAddQtOption(const QString& strName, bool blnTakesValue);

    QCommandLineParser m_parser;
    QString m_strAnswer;
    int m_intExitCode = -1;
};
