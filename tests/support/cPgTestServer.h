#pragma once

#include <QString>

namespace hvtest {

// A throw-away PostgreSQL server on loopback for this test binary: initdb into a temporary
// folder, trust authentication, a free port, started at first use and stopped at exit.
class cPgTestServer
{
public:
    static cPgTestServer& Instance();

    bool Running() const { return m_running; }
    QString Error() const { return m_error; } // why it could not start
    int Port() const { return m_port; }
    QString User() const { return QStringLiteral("hvtest"); }
    // "Provider=PostgreSQL;..." for the server, without a catalog.
    QString ServerConnectionString() const;
    // Runs a statement on the maintenance database; false (and Error()) when it failed.
    bool Exec(const QString& strSql);

    ~cPgTestServer();

private:
    cPgTestServer();
    void start();
    void stop();

    bool m_running = false;
    QString m_error;
    int m_port = 0;
    QString m_dir;
    QString m_binDir;
    QString m_prefix; // the shell prefix that runs the server's tools as their user
};

} // namespace hvtest
