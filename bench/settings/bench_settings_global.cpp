#include "cBenchListEdit.h"
#include "cGlobalSettings.h"
#include "cPersonalSettings.h"
#include "cRatioReporter.h"
#include "cRemovedItemResolver.h"
#include "modDBCode.h"
#include "modDBCreate.h"
#include "modPhrases.h"
#include "modXMLExport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <sqlite3.h>
#include <string>
#include <vector>

// The common settings with three lists of 2000 values each (1% renamed, 1% removed and their
// reports moved), read and saved through cGlobalSettings, against the same rows read and written
// through the sqlite3 C API with prepared statements in one transaction; and the XML export
// against writing the same bytes with QSaveFile.
namespace {
using namespace benchedit;

QTemporaryDir* g_dir = nullptr;
// Databases with the three lists of a length and their reports, copied fresh for each save.
std::map<int, QString> g_templates;

void exec(sqlite3* db, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, err ? err : "?");
        std::abort();
    }
}

sqlite3_stmt* prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(db));
        std::abort();
    }
    return st;
}

struct cTimes
{
    double dblCpu = 0, dblWall = 0;
};

cTimes now()
{
    timespec cpu {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    return {
        static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) * 1e-9,
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count()
    };
}

void makeTemplate(int intCount)
{
    const QString path = g_dir->filePath(QStringLiteral("template%1/Hourvane3.mdb").arg(intCount));
    g_templates[intCount] = path;
    QDir().mkpath(QFileInfo(path).path());
    subCreateHVDatabase(path);
    subCheckUpgrade(path)->Close();
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    exec(db, "begin");
    for (int n = 1; n <= 3; ++n) {
        const QByteArray ins = QStringLiteral(
            "insert into tblMeta%1 (strName, strCategory, strSuperCategory, curRate, "
            "blnEnabled) values (?, 'Category', 'Super', ?, 1)")
                                   .arg(n)
                                   .toUtf8();
        sqlite3_stmt* st = prepare(db, ins.constData());
        for (int i = 0; i < intCount; ++i) {
            const QByteArray name = itemName(i).toUtf8();
            sqlite3_bind_text(st, 1, name.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(st, 2, 1000000 + i);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        const QByteArray rep
            = QStringLiteral("insert into tblReports (strSubject, intMeta%1ID) values ('r', ?)")
                  .arg(n)
                  .toUtf8();
        st = prepare(db, rep.constData());
        for (int i = 0; i < 2 * intCount / 100; ++i) {
            sqlite3_bind_int(st, 1, i + 1);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
    }
    exec(db, "insert into tblMetaLists (strMetaListCaption) values ('Customer')");
    exec(db, "insert into tblMetaLists (strMetaListCaption) values ('Task')");
    exec(db, "insert into tblMetaLists (strMetaListCaption) values ('Project')");
    exec(db,
        "insert into tblSettings (intCostCarrier, intReportTo, strReportToValue) values (1, 2, "
        "'x')");
    exec(db, "commit");
    sqlite3_close(db);
}

// A fresh copy of a template as the program's database.
QString freshCopy(int intCount = intItems)
{
    static int n = 0;
    const QString folder = g_dir->filePath(QStringLiteral("run%1").arg(++n));
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/Hourvane3.mdb");
    QFile::copy(g_templates.at(intCount), path);
    subResetDBState();
    strDataFolder = folder;
    blnSingleUser = true;
    return path;
}

// Scale: lists ten times as long (intRuns 1) against ten runs of the usual length (intItems,
// intRuns 10), so that both read or save the same number of items and their ratio is the ratio
// of the cost per item.
void BM_ReadScale(benchmark::State& state, int intCount, int intRuns)
{
    const QString path = freshCopy(intCount);
    for (auto _ : state) {
        for (int r = 0; r < intRuns; ++r) {
            cGlobalSettings gs;
            benchmark::DoNotOptimize(gs.ReadGlobalSettings(2, QFileInfo(path).path()));
        }
    }
}

void BM_SaveScale(benchmark::State& state, int intCount, int intRuns)
{
    for (auto _ : state) {
        for (int r = 0; r < intRuns; ++r) {
            state.PauseTiming();
            const QString path = freshCopy(intCount);
            auto gs = std::make_unique<cGlobalSettings>();
            gs->ReadGlobalSettings(2, QFileInfo(path).path());
            editLists(*gs, intCount / 100);
            timedSave(state, gs);
        }
    }
}

struct cRow
{
    qint64 id;
    std::string name, category, super;
    qint64 rate;
    bool enabled;
};

void readWithSqlite(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    exec(db, "begin");
    std::vector<std::vector<cRow>> lists(3);
    for (int n = 1; n <= 3; ++n) {
        const QByteArray sql
            = QStringLiteral("select * from tblMeta%1 order by lower(strName)").arg(n).toUtf8();
        sqlite3_stmt* st = prepare(db, sql.constData());
        while (sqlite3_step(st) == SQLITE_ROW) {
            const auto text = [st](int c) {
                const auto* t = sqlite3_column_text(st, c);
                return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
            };
            lists[n - 1].push_back({ sqlite3_column_int64(st, 0), text(1), text(2), text(3),
                sqlite3_column_int64(st, 4), sqlite3_column_int(st, 5) != 0 });
        }
        sqlite3_finalize(st);
    }
    for (const char* sql : { "select * from tblSettings", "select * from tblMetaLists",
             "select * from tblOtherSettings" }) {
        sqlite3_stmt* st = prepare(db, sql);
        while (sqlite3_step(st) == SQLITE_ROW)
            benchmark::DoNotOptimize(sqlite3_column_text(st, 1));
        sqlite3_finalize(st);
    }
    exec(db, "commit");
    sqlite3_close(db);
    benchmark::DoNotOptimize(lists);
}

// The program's read and the raw one in turns, each going first every other turn: the raw
// read's own time drifts by a tenth from one run to the next, and in turns a slow spell falls
// on both. The ratio is of the medians.
std::vector<double> g_readCpu, g_readSqliteCpu;

void BM_ReadInTurns(benchmark::State& state)
{
    const QString path = freshCopy();
    const auto program = [&path] {
        cGlobalSettings gs;
        benchmark::DoNotOptimize(gs.ReadGlobalSettings(2, QFileInfo(path).path()));
    };
    int n = 0;
    for (auto _ : state) {
        const bool blnProgramFirst = n++ % 2 == 0;
        double dblProgram = 0, dblSqlite = 0;
        for (const bool blnProgram : { blnProgramFirst, !blnProgramFirst }) {
            const double start = now().dblCpu;
            blnProgram ? program() : readWithSqlite(path);
            (blnProgram ? dblProgram : dblSqlite) = now().dblCpu - start;
        }
        state.SetIterationTime(dblProgram);
        g_readCpu.push_back(dblProgram);
        g_readSqliteCpu.push_back(dblSqlite);
    }
}

void BM_SaveGlobalSettings(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshCopy();
        auto gs = std::make_unique<cGlobalSettings>();
        gs->ReadGlobalSettings(2, QFileInfo(path).path());
        editLists(*gs);
        timedSave(state, gs);
    }
}

void BM_SaveSqlite(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshCopy();
        state.ResumeTiming();
        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        exec(db, "pragma foreign_keys = on");
        exec(db, "begin");
        for (int n = 1; n <= 3; ++n) {
            // The stored rows, to find each value's row and the rows no longer in the list. Every
            // column is read and compared with the list, as the save must do to skip unchanged
            // rows.
            const QByteArray sel
                = QStringLiteral("select intMeta%1ID, strName, strCategory, strSuperCategory, "
                                 "curRate, blnEnabled from tblMeta%1")
                      .arg(n)
                      .toUtf8();
            sqlite3_stmt* st = prepare(db, sel.constData());
            QHash<QString, qint64> ids;
            int unchanged = 0;
            const auto text = [st](int col) {
                return QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(st, col)));
            };
            while (sqlite3_step(st) == SQLITE_ROW) {
                const QString name = text(1);
                if (text(2) == QLatin1String("Category") && text(3) == QLatin1String("Super")
                    && sqlite3_column_int64(st, 4) >= 1000000 && sqlite3_column_int(st, 5) == 1)
                    ++unchanged;
                ids.insert(name, sqlite3_column_int64(st, 0));
            }
            sqlite3_finalize(st);
            benchmark::DoNotOptimize(unchanged);
            sqlite3_stmt* ins = prepare(db,
                QStringLiteral("insert into tblMeta%1 (strName, strCategory, strSuperCategory, "
                               "curRate, blnEnabled) values (?, 'Category', 'Super', ?, 1)")
                    .arg(n)
                    .toUtf8()
                    .constData());
            sqlite3_stmt* move = prepare(db,
                QStringLiteral("update tblReports set intMeta%1ID = ? where intMeta%1ID = ?")
                    .arg(n)
                    .toUtf8()
                    .constData());
            sqlite3_stmt* del = prepare(db,
                QStringLiteral("delete from tblMeta%1 where intMeta%1ID = ?")
                    .arg(n)
                    .toUtf8()
                    .constData());
            for (int i = 1; i <= intChanged; ++i) {
                const QByteArray name = QStringLiteral("Renamed%1").arg(i).toUtf8();
                sqlite3_bind_text(ins, 1, name.constData(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_int64(ins, 2, 1000000 + i);
                sqlite3_step(ins);
                sqlite3_reset(ins);
                const qint64 newId = sqlite3_last_insert_rowid(db);
                for (const auto& [oldName, target] : { std::pair { itemName(i), newId },
                         std::pair { itemName(intChanged + i), ids.value(itemName(0)) } }) {
                    const qint64 oldId = ids.value(oldName);
                    sqlite3_bind_int64(move, 1, target);
                    sqlite3_bind_int64(move, 2, oldId);
                    sqlite3_step(move);
                    sqlite3_reset(move);
                    sqlite3_bind_int64(del, 1, oldId);
                    sqlite3_step(del);
                    sqlite3_reset(del);
                }
            }
            sqlite3_finalize(ins);
            sqlite3_finalize(move);
            sqlite3_finalize(del);
        }
        exec(db,
            "update tblSettings set intCostCarrier = 1, intReportTo = 2, strReportToValue = 'x'");
        sqlite3_stmt* cap
            = prepare(db, "update tblMetaLists set strMetaListCaption = ? where intMetaListID = ?");
        for (int n = 1; n <= 3; ++n) {
            sqlite3_bind_text(cap, 1, "Caption", -1, SQLITE_STATIC);
            sqlite3_bind_int(cap, 2, n);
            sqlite3_step(cap);
            sqlite3_reset(cap);
        }
        sqlite3_finalize(cap);
        exec(db, "commit");
        sqlite3_close(db);
    }
}

// The five recordsets of the export, read once.
std::vector<RecordsetPtr> exportRecordsets()
{
    freshCopy();
    std::vector<RecordsetPtr> rs;
    for (int n = 1; n <= 3; ++n)
        rs.push_back(
            fncReturnRecordset(QStringLiteral("Select strName from tblMeta%1").arg(n), true));
    rs.push_back(fncReturnRecordset(QStringLiteral("tblSettings"), false));
    rs.push_back(fncReturnRecordset(QStringLiteral("tblMetaLists"), false));
    return rs;
}

const QStringList g_exportNames { QStringLiteral("HVMeta1.xml"), QStringLiteral("HVMeta2.xml"),
    QStringLiteral("HVMeta3.xml"), QStringLiteral("HVSettings.xml"),
    QStringLiteral("HVMetaLists.xml") };

void exportSet(const std::vector<RecordsetPtr>& rs, const QString& folder)
{
    cGlobalSettings::subWriteXmlSet(
        folder, { rs[0].get(), rs[1].get(), rs[2].get() }, rs[3].get(), rs[4].get());
}

// The bytes the export writes, made once.
std::vector<QByteArray> exportedBytes(const std::vector<RecordsetPtr>& rs)
{
    const QString source = g_dir->filePath(QStringLiteral("baseline-source"));
    QDir().mkpath(source);
    exportSet(rs, source);
    std::vector<QByteArray> bytes;
    for (const QString& name : g_exportNames) {
        QFile f(source + QLatin1Char('/') + name);
        bytes.push_back(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
    }
    return bytes;
}

// The baseline: the same bytes, each file through QSaveFile (a temporary file, synced, then
// renamed), the same safety per file without the set's commit note.
bool writeWithSaveFile(const QString& folder, const std::vector<QByteArray>& bytes)
{
    bool blnOk = true;
    for (size_t i = 0; i < bytes.size(); ++i) {
        QSaveFile f(folder + QLatin1Char('/') + g_exportNames.at(static_cast<int>(i)));
        blnOk = f.open(QIODevice::WriteOnly) && f.write(bytes[i]) == bytes[i].size() && f.commit()
            && blnOk;
    }
    return blnOk;
}

// The export and its baseline in turns: what a sync costs changes from one moment to the next
// with the disk, so a slow or a fast spell falls on both alike. The ratio is of the medians.
std::vector<double> g_exportCpu, g_exportWall, g_saveFileCpu, g_saveFileWall;

void BM_XmlExport(benchmark::State& state)
{
    const auto rs = exportRecordsets();
    const auto bytes = exportedBytes(rs);
    const QString folder = g_dir->filePath(QStringLiteral("export"));
    const QString plain = g_dir->filePath(QStringLiteral("plain"));
    QDir().mkpath(folder);
    QDir().mkpath(plain);
    for (auto _ : state) {
        const cTimes t0 = now();
        exportSet(rs, folder);
        const cTimes t1 = now();
        if (!writeWithSaveFile(plain, bytes))
            state.SkipWithError("QSaveFile failed");
        const cTimes t2 = now();
        state.SetIterationTime(t1.dblCpu - t0.dblCpu);
        g_exportCpu.push_back(t1.dblCpu - t0.dblCpu);
        g_exportWall.push_back(t1.dblWall - t0.dblWall);
        g_saveFileCpu.push_back(t2.dblCpu - t1.dblCpu);
        g_saveFileWall.push_back(t2.dblWall - t1.dblWall);
    }
}

// Where the save's time goes: fetching the three tables through the client-side recordset.
void BM_FetchLists(benchmark::State& state)
{
    freshCopy();
    for (auto _ : state) {
        for (int n = 1; n <= 3; ++n)
            benchmark::DoNotOptimize(fncReturnRecordset(QStringLiteral("tblMeta%1").arg(n), false));
        subCloseConnection();
    }
}

// The export without the safe write: the format's bytes and a plain QFile write.
void BM_XmlSerialize(benchmark::State& state)
{
    auto rs = exportRecordsets();
    const QString folder = g_dir->filePath(QStringLiteral("serialize"));
    QDir().mkpath(folder);
    for (auto _ : state) {
        for (size_t i = 0; i < rs.size(); ++i) {
            QFile f(folder + QLatin1Char('/') + g_exportNames.at(static_cast<int>(i)));
            f.open(QIODevice::WriteOnly);
            f.write(fncRecordsetToXml(*rs[i]));
        }
    }
}
} // namespace

BENCHMARK(BM_ReadInTurns)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveSqlite)->Apply(cRatioReporter::MedianOfSeven);
BENCHMARK(BM_SaveGlobalSettings)->Apply(cRatioReporter::MedianOfSeven);
BENCHMARK(BM_FetchLists)->Apply(cRatioReporter::MedianOfSeven);
BENCHMARK(BM_XmlSerialize)->Apply(cRatioReporter::MedianOfSeven);
BENCHMARK(BM_XmlExport)->UseManualTime()->Iterations(300)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadScale, 10x2000, intItems, 10)->Apply(cRatioReporter::MedianOfSeven);
BENCHMARK_CAPTURE(BM_ReadScale, 20000, intScaleItems, 1)->Apply(cRatioReporter::MedianOfSeven);
BENCHMARK_CAPTURE(BM_SaveScale, 10x2000, intItems, 10)
    ->Apply(cRatioReporter::MedianOfSeven)
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_SaveScale, 20000, intScaleItems, 1)
    ->Apply(cRatioReporter::MedianOfSeven)
    ->Iterations(2);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    LoadLanguages(fncGetlocalLanguage());
    const QString program = dir.filePath(QStringLiteral("program"));
    QDir().mkpath(program);
    cPersonalSettings::subSetProgramFolder(program);
    // The reporting program publishes the settings itself: the save writes no XML here; the
    // export is measured on its own.
    QFile reporting(cGlobalSettings::fncReportingProgramPath());
    reporting.open(QIODevice::WriteOnly);
    reporting.close();
    subSetRemovedItemResolver(&g_resolver);
    makeTemplate(intItems);
    makeTemplate(intScaleItems);

    benchmark::Initialize(&argc, argv);
    cRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ratio = [&reporter](const char* name, const char* base, const char* what,
                           double target) { reporter.PrintRatio(name, base, what, target); };
    if (const double dblRead = cRatioReporter::MedianRatio(g_readCpu, g_readSqliteCpu))
        std::printf("ReadGlobalSettings, 3 lists x 2000 values vs sqlite3, in turns (medians of "
                    "%zu): %.2fx the baseline (CPU time, target <= 2.5x)\n",
            g_readCpu.size(), dblRead);
    ratio("BM_SaveGlobalSettings", "BM_SaveSqlite",
        "SaveGlobalSettings, 1% renamed, 1% removed and moved vs sqlite3", 2.5);
    const double dblExportCpu = cRatioReporter::MedianRatio(g_exportCpu, g_saveFileCpu);
    const double dblExportWall = cRatioReporter::MedianRatio(g_exportWall, g_saveFileWall);
    if (dblExportCpu > 0 && dblExportWall > 0)
        std::printf("XML export of the lists and settings vs QSaveFile writing the same bytes, "
                    "in turns (medians of %zu): %.2fx in CPU time, %.2fx in wall time "
                    "(target <= 1.5x)\n",
            g_exportCpu.size(), dblExportCpu, dblExportWall);
    // The baseline is handed its bytes; the export makes them first.
    if (reporter.Time("BM_XmlSerialize") > 0)
        std::printf("  of which: making the bytes and writing them with a plain QFile (no "
                    "temporary file, no sync) takes %.2f ms of the export's %.2f ms (CPU time)\n",
            reporter.Time("BM_XmlSerialize"), cRatioReporter::Median(g_exportCpu) * 1000);
    ratio("BM_ReadScale/20000", "BM_ReadScale/10x2000",
        "ReadGlobalSettings, cost per item at 20000 values per list vs at 2000", 1.3);
    ratio("BM_SaveScale/20000", "BM_SaveScale/10x2000",
        "SaveGlobalSettings, cost per item at 20000 values per list vs at 2000", 1.3);
    ratio("BM_FetchLists", "BM_SaveSqlite",
        "  of which: fetching the three tables through cRecordset vs the whole sqlite3 save", 3);
    subResetDBState();
    benchmark::Shutdown();
    return 0;
}
