#include "cGlobalSettings.h"
#include "cPersonalSettings.h"
#include "frmHVPersSettingsSingle.h"
#include "modPhrases.h"

#include <QApplication>
#include <QTableWidget>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

// Switching the list tab with 2000 items per list (the shown list saved from the grid, the
// next one filled, the tree refilled) against filling a plain QTableWidget with the same cells.
namespace {
constexpr int intItems = 2000;

void subAddList(cGlobalSettings& objGlobal, int n)
{
    cMetaDictionary objList;
    objList.Caption = QStringLiteral("List %1").arg(n);
    objList.CategoryCaption = QStringLiteral("Group");
    objList.SuperCategoryCaption = QStringLiteral("Area");
    objList.Index = static_cast<qint16>(n);
    for (int i = 0; i < intItems; ++i)
        objList.AddMeta(QStringLiteral("Item %1-%2").arg(n).arg(i, 4, 10, QLatin1Char('0')),
            QStringLiteral("Group %1").arg(i % 40), cCurrency::fromTenThousandths(100000 + i), i + 1,
            QStringLiteral("Area %1").arg(i % 5), true);
    objGlobal.MetaDataLists.Add(QStringLiteral("Meta%1").arg(n), objList);
}

void BM_QTableWidgetFill(benchmark::State& state)
{
    for (auto _ : state) {
        QTableWidget table(intItems + 1, 7);
        for (int r = 1; r <= intItems; ++r) {
            const QVariant cells[] = { QStringLiteral("Item 1-%1").arg(r, 4, 10, QLatin1Char('0')),
                QStringLiteral("Group %1").arg(r % 40), QStringLiteral("Area %1").arg(r % 5), 10.0 + r / 10000.0, r,
                QVariant(), QString(QChar(0x00FE)) };
            for (int c = 0; c < 7; ++c) {
                auto* item = new QTableWidgetItem;
                item->setData(Qt::EditRole, cells[c]);
                table.setItem(r, c, item);
            }
        }
        benchmark::DoNotOptimize(table.item(intItems, 0));
    }
}

void BM_SwitchTabs(benchmark::State& state)
{
    cPersonalSettings objPersonal;
    cGlobalSettings objGlobal;
    objGlobal.OtherSettings.SetValue(QStringLiteral("EnableItems"), QStringLiteral("True"));
    subAddList(objGlobal, 1);
    subAddList(objGlobal, 2);
    frmHVPersSettingsSingle frm(objPersonal, objGlobal);
    frm.subSetCaptions();
    frm.subSwitchTabs(0);
    frm.show();
    QApplication::processEvents();
    int intTab = 0;
    for (auto _ : state) {
        intTab = 1 - intTab;
        frm.subSwitchTabs(intTab);
    }
    if (objGlobal.MetaDataLists.ItemAt(0).MetaDic.Count() != intItems)
        state.SkipWithError("items lost while switching");
}

class cCapture : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        // The median of the repetitions: one busy moment of the shared machine moves a mean.
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                seconds[run.run_name.function_name] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};
} // namespace

BENCHMARK(BM_QTableWidgetFill)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_SwitchTabs)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    LoadLanguages(fncGetlocalLanguage());
    benchmark::Initialize(&argc, argv);
    cCapture reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double dblBase = reporter.seconds["BM_QTableWidgetFill"];
    const double dblSwitch = reporter.seconds["BM_SwitchTabs"];
    if (dblBase > 0)
        std::printf("switching tabs (2000 items: save, fill, tree) / QTableWidget fill, median CPU time: %.2fx "
                    "(target <= 2x)\n",
            dblSwitch / dblBase);
    benchmark::Shutdown();
    return 0;
}
