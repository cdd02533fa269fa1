#include "cPgTestServer.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <cstdlib>
#include <unistd.h>

namespace hvtest {
namespace {

int freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

QString quoted(const QString& s)
{
    return QLatin1Char('\'') + QString(s).replace(QLatin1String("'"), QLatin1String("'\\''"))
        + QLatin1Char('\'');
}

int run(const QString& cmd)
{
    return std::system(cmd.toLocal8Bit().constData());
}

} // namespace

cPgTestServer& cPgTestServer::Instance()
{
    static cPgTestServer server;
    return server;
}

cPgTestServer::cPgTestServer()
{
    start();
}

cPgTestServer::~cPgTestServer()
{
    stop();
}

void cPgTestServer::start()
{
    m_binDir = QStringLiteral("/usr/lib/postgresql/15/bin");
    if (!QFile::exists(m_binDir + QStringLiteral("/initdb"))) {
        m_error = QStringLiteral(
            "PostgreSQL 15 is not installed (no %1/initdb); install the postgresql package.")
                      .arg(m_binDir);
        return;
    }
    // initdb refuses to run as root
    m_prefix = ::geteuid() == 0 ? QStringLiteral("cd / && runuser -u postgres -- ")
                                : QStringLiteral("cd / && ");
    QByteArray buf = QDir::tempPath().toLocal8Bit() + "/hvpg-XXXXXX";
    if (!::mkdtemp(buf.data())) {
        m_error = QStringLiteral("Could not create a temporary folder for the test server.");
        return;
    }
    m_dir = QString::fromLocal8Bit(buf);
    if (::geteuid() == 0 && run(QStringLiteral("chown postgres ") + quoted(m_dir)) != 0) {
        m_error = QStringLiteral("Could not hand the temporary folder to the postgres user.");
        return;
    }
    const QString data = m_dir + QStringLiteral("/data");
    const QString log = m_dir + QStringLiteral("/server.log");
    if (run(m_prefix + quoted(m_binDir + QStringLiteral("/initdb")) + QStringLiteral(" -D ")
            + quoted(data) + QStringLiteral(" --auth=trust -U hvtest -E UTF8 --locale=C.UTF-8 >")
            + quoted(m_dir + QStringLiteral("/initdb.log")) + QStringLiteral(" 2>&1"))
        != 0) {
        m_error = QStringLiteral("initdb failed, see %1/initdb.log").arg(m_dir);
        return;
    }
    for (int attempt = 0; attempt < 3 && !m_running; ++attempt) {
        m_port = freePort();
        const QString options
            = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off "
                             "-c synchronous_commit=off -c full_page_writes=off")
                  .arg(m_port)
                  .arg(m_dir);
        m_running = run(m_prefix + quoted(m_binDir + QStringLiteral("/pg_ctl"))
                        + QStringLiteral(" -D ") + quoted(data) + QStringLiteral(" -l ")
                        + quoted(log) + QStringLiteral(" -w -t 30 -o ") + quoted(options)
                        + QStringLiteral(" start >/dev/null 2>&1"))
            == 0;
    }
    if (!m_running)
        m_error = QStringLiteral("pg_ctl start failed, see %1").arg(log);
}

void cPgTestServer::stop()
{
    if (m_dir.isEmpty())
        return;
    if (m_running) {
        run(m_prefix + quoted(m_binDir + QStringLiteral("/pg_ctl")) + QStringLiteral(" -D ")
            + quoted(m_dir + QStringLiteral("/data"))
            + QStringLiteral(" -m immediate -w stop >/dev/null 2>&1"));
        m_running = false;
    }
    run(QStringLiteral("rm -rf ") + quoted(m_dir));
    m_dir.clear();
}

QString cPgTestServer::ServerConnectionString() const
{
    return QStringLiteral("Provider=PostgreSQL;Persist Security Info=True;Password=;User "
                          "ID=%1;Data Source=127.0.0.1:%2")
        .arg(User())
        .arg(m_port);
}

bool cPgTestServer::Exec(const QString& strSql)
{
    if (!m_running)
        return false;
    bool ok = false;
    const QString name = QStringLiteral("hvtest-pg-admin");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(m_port);
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(User());
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(strSql);
            if (!ok)
                m_error = q.lastError().text();
        } else {
            m_error = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace hvtest
