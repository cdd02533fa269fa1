#include "cGlobalSettings.h"
#include "cPersonalSettings.h"
#include "cRatioReporter.h"
#include "frmHVPersSettingsSingle.h"
#include "modPhrases.h"

#include <QApplication>
#include <QTableWidget>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>

// Switching the list tab with 2000 items per list (the shown list saved from the grid, the
// next one filled, the tree refilled) against filling a plain QTableWidget with the same cells,
// and the same switch with 20,000 items per list against it with 2000, per item.
namespace {
constexpr int intItems = 2000;
constexpr int intManyItems = 20000;

void subAddList(cGlobalSettings& objGlobal, int n, int intCount)
{
    cMetaDictionary objList;
    objList.Caption = QStringLiteral("List %1").arg(n);
    objList.CategoryCaption = QStringLiteral("Group");
    objList.SuperCategoryCaption = QStringLiteral("Area");
    objList.Index = static_cast<qint16>(n);
    for (int i = 0; i < intCount; ++i)
        objList.AddMeta(QStringLiteral("Item %1-%2").arg(n).arg(i, 4, 10, QLatin1Char('0')),
            QStringLiteral("Group %1").arg(i % 40), cCurrency::fromTenThousandths(100000 + i),
            i + 1, QStringLiteral("Area %1").arg(i % 5), true);
    objGlobal.MetaDataLists.Add(QStringLiteral("Meta%1").arg(n), objList);
}

void BM_QTableWidgetFill(benchmark::State& state)
{
    for (auto _ : state) {
        QTableWidget table(intItems + 1, 7);
        for (int r = 1; r <= intItems; ++r) {
            const QVariant cells[] = { QStringLiteral("Item 1-%1").arg(r, 4, 10, QLatin1Char('0')),
                QStringLiteral("Group %1").arg(r % 40), QStringLiteral("Area %1").arg(r % 5),
                10.0 + r / 10000.0, r, QVariant(), QString(QChar(0x00FE)) };
            for (int c = 0; c < 7; ++c) {
                auto* item = new QTableWidgetItem;
                item->setData(Qt::EditRole, cells[c]);
                table.setItem(r, c, item);
            }
        }
        benchmark::DoNotOptimize(table.item(intItems, 0));
    }
}

void subSwitchTabs(benchmark::State& state, int intCount)
{
    cPersonalSettings objPersonal;
    cGlobalSettings objGlobal;
    objGlobal.OtherSettings.SetValue(QStringLiteral("EnableItems"), QStringLiteral("True"));
    subAddList(objGlobal, 1, intCount);
    subAddList(objGlobal, 2, intCount);
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
    if (objGlobal.MetaDataLists.ItemAt(0).MetaDic.Count() != intCount
        || objGlobal.MetaDataLists.ItemAt(1).MetaDic.Count() != intCount)
        state.SkipWithError("items lost while switching");
}

void BM_SwitchTabs(benchmark::State& state)
{
    subSwitchTabs(state, intItems);
}

void BM_SwitchTabsMany(benchmark::State& state)
{
    subSwitchTabs(state, intManyItems);
}
} // namespace

BENCHMARK(BM_QTableWidgetFill)->Apply(cRatioReporter::MedianOfSeven);
BENCHMARK(BM_SwitchTabs)->Apply(cRatioReporter::MedianOfSeven);
BENCHMARK(BM_SwitchTabsMany)->Apply(cRatioReporter::MedianOfSeven);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    LoadLanguages(fncGetlocalLanguage());
    benchmark::Initialize(&argc, argv);
    cRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("BM_SwitchTabs", "BM_QTableWidgetFill",
        "switching tabs (2000 items: save, fill, tree) vs QTableWidget fill, median", 2);
    reporter.PrintRatio("BM_SwitchTabsMany", "BM_SwitchTabs",
        "  the same switch with 20000 items per list, cost per item vs 2000 items", 1.3,
        double(intManyItems) / intItems);
    benchmark::Shutdown();
    return 0;
}
