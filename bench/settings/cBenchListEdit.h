#pragma once

#include "cGlobalSettings.h"
#include "cRemovedItemResolver.h"

#include <QHash>
#include <QString>
#include <benchmark/benchmark.h>
#include <memory>

// The lists both save benchmarks seed and the edit the user makes in each before the save.
namespace benchedit {
constexpr int intItems = 2000;
constexpr int intScaleItems = 10 * intItems; // the lists of the scale benchmarks
constexpr int intChanged = intItems / 100;

inline QString itemName(int i)
{
    return QStringLiteral("Item%1").arg(i, 4, 10, QLatin1Char('0'));
}

// Renamed values move their reports to the new name, removed ones to the first value.
class cBenchResolver : public cRemovedItemResolver
{
public:
    QHash<QString, QString> renamed;
    qint32 fncResolve(const QString& strValue, const QString&, qint32, const QStringList&,
        QString& strMoveChoice) override
    {
        strMoveChoice = renamed.value(strValue, itemName(0));
        return intMoveReports;
    }
};
inline cBenchResolver g_resolver;

// 1% of each list renamed, another 1% removed.
inline void editLists(cGlobalSettings& gs, int intChangedItems = intChanged)
{
    for (int l = 0; l < gs.MetaDataLists.Count(); ++l) {
        cMetaDictionary& dic = gs.MetaDataLists.ItemAt(l);
        for (int i = 1; i <= intChangedItems; ++i) {
            const QString old = itemName(i);
            const QString renamed = QStringLiteral("Renamed%1").arg(i);
            const cMetaData data = dic.MetaDic.Item(old);
            dic.MetaDic.Remove(old);
            dic.AddMeta(
                renamed, data.Category, data.HourlyRate, 0, data.SuperCategory, data.Enabled);
            g_resolver.renamed.insert(old, renamed);
            dic.MetaDic.Remove(itemName(intChangedItems + i));
        }
    }
}

// Times the save alone, called with the timer paused: the object's teardown is not timed.
inline void timedSave(benchmark::State& state, std::unique_ptr<cGlobalSettings>& gs)
{
    state.ResumeTiming();
    if (!gs->SaveGlobalSettings().isEmpty())
        state.SkipWithError("save refused");
    state.PauseTiming();
    gs.reset();
    state.ResumeTiming();
}
} // namespace benchedit
