#include "cGlobalSettings.h"
#include "cPersonalSettings.h"
#include "modDBCode.h"
#include "modDBCreate.h"
#include "modFileHandling.h"
#include "modMain.h"
#include "modPhrases.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

// Start-up as a whole process, from its start to the settings window on the (offscreen) screen,
// on a database of 3 lists x 2000 items, against a bare Qt program showing an empty main window.
// Time and peak memory (the child's maximum resident set size) are given as ratios.
namespace {
constexpr int intItems = 2000;
QString g_strChild;
std::map<std::string, double> g_peakMB;

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

void BM_Startup(benchmark::State& state, const char* mode)
{
    double dblPeak = 0;
    for (auto _ : state) {
        const cChildRun run = fncRunChild(mode);
        state.SetIterationTime(run.dblSeconds);
        dblPeak = std::max(dblPeak, run.dblPeakMB);
    }
    state.counters["peak_MB"] = dblPeak;
    g_peakMB[mode] = dblPeak;
}

// A database with three lists of 2000 items, written through the program's own layers.
bool fncSeed()
{
    LoadLanguages(fncGetlocalLanguage());
    cPersonalSettings::subSetProgramFolder(QDir::homePath());
    strDataFolder = fncDataFolderFor(fncGetLocalCubePath(true));
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
                QStringLiteral("Group %1").arg(i % 40), cCurrency::fromTenThousandths(100000 + i), 0, QString(), true);
    }
    objGlobal.CostCarrier = 2;
    return objGlobal.SaveGlobalSettings().isEmpty();
}

class cCapture : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const std::string name = run.benchmark_name();
            seconds[name.substr(0, name.find('/', name.find('/') + 1))] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};
} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    const QByteArray h = home.path().toLocal8Bit();
    QDir(home.path()).mkpath(QStringLiteral("Documents"));
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("HOME", h.constData(), 1);
    setenv("XDG_CONFIG_HOME", QByteArray(h + "/.config").constData(), 1);
    setenv("XDG_DATA_HOME", QByteArray(h + "/.local/share").constData(), 1);
    setenv("XDG_RUNTIME_DIR", QByteArray(h + "/runtime").constData(), 1);
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

    benchmark::RegisterBenchmark("Startup/bare_main_window", BM_Startup, "bare")
        ->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Startup/settings_program_3x2000", BM_Startup, "program")
        ->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    cCapture reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double dblBase = reporter.seconds["Startup/bare_main_window"];
    const double dblProg = reporter.seconds["Startup/settings_program_3x2000"];
    const double dblBaseMB = g_peakMB["bare"];
    const double dblProgMB = g_peakMB["program"];
    if (dblBase > 0 && dblBaseMB > 0) {
        std::printf("start-up to window shown, program / bare Qt window: time %.2fx, peak memory %.2fx "
                    "(%.0f ms vs %.0f ms, %.1f MB vs %.1f MB; target <= 1.5x)\n",
            dblProg / dblBase, dblProgMB / dblBaseMB, dblProg, dblBase, dblProgMB, dblBaseMB);
    }
    benchmark::Shutdown();
    return 0;
}
