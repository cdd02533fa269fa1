#include "cGlobalSettings.h"
#include "cPersonalSettings.h"
#include "cRatioReporter.h"
#include "modDBCode.h"
#include "modDBCreate.h"
#include "modFileHandling.h"
#include "modMain.h"
#include "modPhrases.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

// Start-up as a whole process, from its start to the settings window on the (offscreen) screen,
// on a database of 3 lists x 2000 items, against a bare Qt program showing an empty main window.
// Time and peak memory (the child's maximum resident set size) are given as ratios.
namespace {
constexpr int intItems = 2000;
QString g_strChild;

struct cChildRun
{
    double dblSeconds = 0;
    double dblPeakMB = 0;
};

cChildRun fncRunChild(const char* mode)
{
    const QByteArray exe = g_strChild.toLocal8Bit();
    char* args[] = { const_cast<char*>(exe.constData()), const_cast<char*>(mode), nullptr };
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, exe.constData(), nullptr, nullptr, args, environ) != 0)
        return {};
    int status = 0;
    rusage usage {};
    wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "child %s failed\n", mode);
    return { std::chrono::duration<double>(end - start).count(), usage.ru_maxrss / 1024.0 };
}

struct cSamples
{
    std::vector<double> bareSeconds, programSeconds;
    double dblBarePeakMB = 0, dblProgramPeakMB = 0;
};
cSamples g_samples;

// Both programs are the same executable (same libraries to load and relocate), run in turns
// so that a busy moment of the machine falls on both alike; the ratio is taken of medians.
void BM_Startup(benchmark::State& state)
{
    int n = 0;
    for (auto _ : state) {
        const bool blnBareFirst = n++ % 2 == 0;
        cChildRun bare, program;
        if (blnBareFirst)
            bare = fncRunChild("bare");
        program = fncRunChild("program");
        if (!blnBareFirst)
            bare = fncRunChild("bare");
        state.SetIterationTime(program.dblSeconds);
        g_samples.bareSeconds.push_back(bare.dblSeconds);
        g_samples.programSeconds.push_back(program.dblSeconds);
        g_samples.dblBarePeakMB = std::max(g_samples.dblBarePeakMB, bare.dblPeakMB);
        g_samples.dblProgramPeakMB = std::max(g_samples.dblProgramPeakMB, program.dblPeakMB);
    }
    state.counters["bare_ms"] = cRatioReporter::Median(g_samples.bareSeconds) * 1000;
    state.counters["program_ms"] = cRatioReporter::Median(g_samples.programSeconds) * 1000;
}

// A database with three lists of 2000 items, written through the program's own layers.
bool fncSeed()
{
    LoadLanguages(fncGetlocalLanguage());
    cPersonalSettings::subSetProgramFolder(QDir::homePath());
    strDataFolder = fncDataFolderFor(fncGetLocalCubePath());
    blnSingleUser = true;
    QDir().mkpath(strDataFolder);
    if (!subCreateHVDatabase(strDataFolder + QLatin1Char('/') + strAccessFileName))
        return false;
    cGlobalSettings objGlobal;
    if (!objGlobal.ReadGlobalSettings(2, QString()))
        return false;
    objGlobal.MetaDataLists.ItemAt(2).Caption = QStringLiteral("Project");
    for (int n = 0; n < 3; ++n) {
        cMetaDictionary& objList = objGlobal.MetaDataLists.ItemAt(n);
        objList.CategoryCaption = QStringLiteral("Group");
        for (int i = 0; i < intItems; ++i)
            objList.AddMeta(QStringLiteral("Item %1-%2").arg(n).arg(i, 4, 10, QLatin1Char('0')),
                QStringLiteral("Group %1").arg(i % 40), cCurrency::fromTenThousandths(100000 + i),
                0, QString(), true);
    }
    objGlobal.CostCarrier = 2;
    return objGlobal.SaveGlobalSettings().isEmpty();
}

} // namespace

int main(int argc, char** argv)
{
    // "--keep-home DIR" seeds DIR instead of a temporary home and leaves it there, so that a
    // profiler can run "hvbench_child program" on the same data with HOME=DIR.
    QString strKeep;
    if (argc > 2 && std::strcmp(argv[1], "--keep-home") == 0)
        strKeep = QString::fromLocal8Bit(argv[2]);
    QTemporaryDir tmp;
    if (!tmp.isValid())
        return 2;
    const QString strHome = strKeep.isEmpty() ? tmp.path() : QDir(strKeep).absolutePath();
    const QByteArray h = strHome.toLocal8Bit();
    QDir(strHome).mkpath(QStringLiteral("Documents"));
    // The runtime folder (lock and socket) lives in memory on a desktop (/run/user/<uid>), where
    // the lock's sync to disk costs nothing: the same here, where a memory file system exists.
    QTemporaryDir runtimeInMemory(QStringLiteral("/dev/shm/hvbench-XXXXXX"));
    const QString strRuntime = runtimeInMemory.isValid() && strKeep.isEmpty()
        ? runtimeInMemory.path()
        : strHome + QStringLiteral("/runtime");
    QDir().mkpath(strRuntime);
    QFile::setPermissions(
        strRuntime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("HOME", h.constData(), 1);
    setenv("XDG_CONFIG_HOME", QByteArray(h + "/.config").constData(), 1);
    setenv("XDG_DATA_HOME", QByteArray(h + "/.local/share").constData(), 1);
    setenv("XDG_RUNTIME_DIR", strRuntime.toLocal8Bit().constData(), 1);
    setenv("HOURVANE_CALENDAR", QByteArray(h + "/calendar").constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("HOURVANE_LOG", "0", 1);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("HVPersonalSettingsSingle"));
    g_strChild = QApplication::applicationDirPath() + QStringLiteral("/app/hvbench_child");
    if (!QFileInfo::exists(g_strChild))
        g_strChild = QApplication::applicationDirPath() + QStringLiteral("/hvbench_child");
    if (!fncSeed()) {
        std::fprintf(stderr, "bench_app_startup: could not prepare the database\n");
        return 1;
    }
    subCloseConnection();
    if (!strKeep.isEmpty())
        return 0;

    benchmark::RegisterBenchmark("Startup/settings_program_3x2000_vs_bare", BM_Startup)
        ->UseManualTime()
        ->Iterations(15)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double dblBase = cRatioReporter::Median(g_samples.bareSeconds) * 1000;
    const double dblProg = cRatioReporter::Median(g_samples.programSeconds) * 1000;
    if (dblBase > 0 && g_samples.dblBarePeakMB > 0) {
        std::printf("start-up to window shown, program / bare Qt window (medians of %zu runs "
                    "each): time %.2fx (target <= 2x), peak memory %.2fx (target <= 1.5x); "
                    "%.0f ms vs %.0f ms, %.1f MB vs %.1f MB\n",
            g_samples.bareSeconds.size(), dblProg / dblBase,
            g_samples.dblProgramPeakMB / g_samples.dblBarePeakMB, dblProg, dblBase,
            g_samples.dblProgramPeakMB, g_samples.dblBarePeakMB);
    }
    benchmark::Shutdown();
    return 0;
}
