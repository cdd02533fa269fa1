#include "cBenchListEdit.h"
#include "cGlobalSettings.h"
#include "cPersonalSettings.h"
#include "cPgTestServer.h"
#include "cRatioReporter.h"
#include "cRemovedItemResolver.h"
#include "modDBCode.h"
#include "modDBCreate.h"
#include "modPhrases.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <libpq-fe.h>
#include <string>

// The save of three lists of 2000 values each on a PostgreSQL server (1% renamed, 1% removed
// and their reports moved), where another session changed 1% of the values after the window
// read them; against the same statements sent through libpq in one transaction.
namespace {
using namespace benchedit;

QString g_template; // the database every run is copied from

PGconn* connect(const QString& strDatabase)
{
    const hvtest::cPgTestServer& pg = hvtest::cPgTestServer::Instance();
    const QByteArray info = QStringLiteral("host=127.0.0.1 port=%1 user=%2 dbname=%3")
                                .arg(pg.Port())
                                .arg(pg.User(), strDatabase.toLower())
                                .toUtf8();
    PGconn* c = PQconnectdb(info.constData());
    if (PQstatus(c) != CONNECTION_OK) {
        std::fprintf(stderr, "%s\n", PQerrorMessage(c));
        std::abort();
    }
    return c;
}

PGresult* run(PGconn* c, const std::string& sql, const std::vector<std::string>& params = {})
{
    std::vector<const char*> values;
    for (const auto& p : params)
        values.push_back(p.c_str());
    PGresult* r = PQexecParams(c, sql.c_str(), static_cast<int>(values.size()), nullptr,
        values.data(), nullptr, nullptr, 0);
    const ExecStatusType s = PQresultStatus(r);
    if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) {
        std::fprintf(stderr, "%s: %s\n", sql.c_str(), PQerrorMessage(c));
        std::abort();
    }
    return r;
}

void exec(PGconn* c, const std::string& sql, const std::vector<std::string>& params = {})
{
    PQclear(run(c, sql, params));
}

void makeTemplate()
{
    hvtest::cPgTestServer& pg = hvtest::cPgTestServer::Instance();
    g_template = QStringLiteral("hvbench_template");
    if (!fncRunCreationScript(pg.ServerConnectionString(), g_template))
        std::abort();
    ReportTo() = 3;
    ReportToValue()
        = pg.ServerConnectionString() + QStringLiteral(";Initial Catalog=") + g_template;
    // A stored server connection is opened as it is; the upgrade runs where the program meets a
    // new database.
    subCheckSQLUpgrade(*cConnection::Open(ReportToValue()));
    PGconn* c = connect(g_template);
    exec(c, "begin");
    for (int n = 1; n <= 3; ++n) {
        const std::string ins = "insert into tblMeta" + std::to_string(n)
            + " (strName, strCategory, strSuperCategory, curRate, blnEnabled) values ($1, "
              "'Category', 'Super', $2, true)";
        for (int i = 0; i < intItems; ++i)
            exec(c, ins, { itemName(i).toStdString(), std::to_string(100 + i) });
        for (int i = 0; i < 2 * intChanged; ++i)
            exec(c,
                "insert into tblReports (strSubject, intMeta" + std::to_string(n)
                    + "ID) values ('r', $1)",
                { std::to_string(i + 1) });
    }
    for (const char* caption : { "Customer", "Task", "Project" })
        exec(c, "insert into tblMetaLists (strMetaListCaption) values ($1)", { caption });
    exec(c,
        "insert into tblSettings (intCostCarrier, intReportTo, strReportToValue) values (1, 3, "
        "'x')");
    exec(c, "commit");
    PQfinish(c);
}

// A fresh copy of the template, made while the clock is paused.
QString freshCopy()
{
    static int n = 0;
    const QString name = QStringLiteral("hvbench_run%1").arg(++n);
    hvtest::cPgTestServer::Instance().Exec(
        QStringLiteral("create database %1 template %2").arg(name, g_template));
    subResetDBState();
    ReportTo() = 3;
    ReportToValue() = hvtest::cPgTestServer::Instance().ServerConnectionString()
        + QStringLiteral(";Initial Catalog=") + name;
    return name;
}

// Another session changes the category of 1% of the values, away from the ones this save edits.
void otherSessionChanges(const QString& strDatabase)
{
    PGconn* c = connect(strDatabase);
    for (int n = 1; n <= 3; ++n)
        exec(c,
            "update tblMeta" + std::to_string(n)
                + " set strCategory = 'Theirs' where strName >= $1 and strName < $2",
            { itemName(1000).toStdString(), itemName(1000 + intChanged).toStdString() });
    PQfinish(c);
}

void BM_SaveServer(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QString name = freshCopy();
        const QString strConnection = ReportToValue();
        auto gs = std::make_unique<cGlobalSettings>();
        gs->ReportToValue = strConnection; // the object binds the destination to its own fields
        gs->ReadGlobalSettings(3, QString());
        editLists(*gs);
        otherSessionChanges(name);
        timedSave(state, gs);
    }
}

// What the save has to do, by hand: lock out other saves, read every stored column to find the
// rows and what changed, insert the renamed values, move the reports, delete the old rows, write
// the settings and captions, in one transaction.
void BM_SaveLibpq(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QString name = freshCopy();
        otherSessionChanges(name);
        state.ResumeTiming();
        PGconn* c = connect(name);
        exec(c, "begin");
        exec(c,
            "lock table tblMeta1, tblMeta2, tblMeta3, tblSettings, tblMetaLists, tblOtherSettings "
            "in share row "
            "exclusive mode");
        for (int n = 1; n <= 3; ++n) {
            const std::string t = "tblMeta" + std::to_string(n);
            const std::string id = "intMeta" + std::to_string(n) + "ID";
            PGresult* r = run(c,
                "select " + id
                    + ", strName, strCategory, strSuperCategory, curRate, blnEnabled from " + t);
            QHash<QString, qint64> ids;
            int unchanged = 0;
            for (int row = 0; row < PQntuples(r); ++row) {
                const QString strName = QString::fromUtf8(PQgetvalue(r, row, 1));
                if (qstrcmp(PQgetvalue(r, row, 2), "Category") == 0
                    && qstrcmp(PQgetvalue(r, row, 3), "Super") == 0
                    && std::atof(PQgetvalue(r, row, 4)) >= 100 && PQgetvalue(r, row, 5)[0] == 't')
                    ++unchanged;
                ids.insert(strName, std::atoll(PQgetvalue(r, row, 0)));
            }
            PQclear(r);
            benchmark::DoNotOptimize(unchanged);
            for (int i = 1; i <= intChanged; ++i) {
                PGresult* ins = run(c,
                    "insert into " + t
                        + " (strName, strCategory, strSuperCategory, curRate, blnEnabled) values "
                          "($1, 'Category', 'Super', $2, true) returning "
                        + id,
                    { QStringLiteral("Renamed%1").arg(i).toStdString(), std::to_string(100 + i) });
                const std::string newId = PQgetvalue(ins, 0, 0);
                PQclear(ins);
                for (const auto& [oldName, target] : { std::pair { itemName(i), newId },
                         std::pair {
                             itemName(intChanged + i), std::to_string(ids.value(itemName(0))) } }) {
                    const std::string oldId = std::to_string(ids.value(oldName));
                    exec(c, "update tblReports set " + id + " = $1 where " + id + " = $2",
                        { target, oldId });
                    exec(c, "delete from " + t + " where " + id + " = $1", { oldId });
                }
            }
        }
        exec(c,
            "update tblSettings set intCostCarrier = 1, intReportTo = 3, strReportToValue = 'x'");
        for (int n = 1; n <= 3; ++n)
            exec(c,
                "update tblMetaLists set strMetaListCaption = 'Caption' where intMetaListID = $1",
                { std::to_string(n) });
        exec(c, "commit");
        PQfinish(c);
    }
}
} // namespace

BENCHMARK(BM_SaveLibpq)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveServer)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    LoadLanguages(fncGetlocalLanguage());
    const QString program = dir.filePath(QStringLiteral("program"));
    QDir().mkpath(program);
    cPersonalSettings::subSetProgramFolder(program);
    // The reporting program publishes the settings itself: the save writes no XML here.
    QFile reporting(cGlobalSettings::fncReportingProgramPath());
    reporting.open(QIODevice::WriteOnly);
    reporting.close();
    subSetRemovedItemResolver(&g_resolver);
    if (!hvtest::cPgTestServer::Instance().Running()) {
        std::fprintf(
            stderr, "PostgreSQL: %s\n", qPrintable(hvtest::cPgTestServer::Instance().Error()));
        return 1;
    }
    makeTemplate();

    benchmark::Initialize(&argc, argv);
    cRatioReporter reporter(true);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("BM_SaveServer", "BM_SaveLibpq",
        "SaveGlobalSettings on PostgreSQL, 1% changed by another session vs libpq", 3);
    subResetDBState();
    benchmark::Shutdown();
    return 0;
}
