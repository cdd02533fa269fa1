#pragma once

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Keeps each benchmark's CPU time per iteration (the median where repetitions are reported as
// aggregates): the machine is shared, so wall time also measures whoever else is busy. Ratios
// are printed against a baseline measured in the same run.
class cRatioReporter : public benchmark::ConsoleReporter
{
public:
    // Wall time instead, where the baseline's work happens in another process (a database server).
    explicit cRatioReporter(bool blnWallTime = false)
        : m_blnWallTime(blnWallTime)
    {
    }

    // How every CPU-time figure here is taken: in milliseconds, the median of seven repetitions.
    static void MedianOfSeven(benchmark::internal::Benchmark* b)
    {
        b->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const cTimes times { run.GetAdjustedCPUTime(), run.GetAdjustedRealTime() };
            if (run.run_type == Run::RT_Iteration)
                m_times.try_emplace(run.run_name.function_name, times);
            else if (run.aggregate_name == "median")
                m_times[run.run_name.function_name] = times;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // dblItems: how many times more items name handles than base, so that the ratio compares
    // the cost per item (a scale benchmark against the same work on fewer items).
    void PrintRatio(const char* name, const char* base, const char* what, double target,
        double dblItems = 1) const
    {
        subPrint(name, base, what, target, dblItems, m_blnWallTime);
    }

    // The same in wall time, beside a CPU-time ratio whose work waits on the disk: what the
    // kernel does while syncing counts as CPU time on one machine and as waiting on another.
    void PrintWallRatio(const char* name, const char* base, const char* what, double target) const
    {
        subPrint(name, base, what, target, 1, true);
    }

private:
    struct cTimes
    {
        double dblCpu = 0, dblWall = 0;
    };

    void subPrint(const char* name, const char* base, const char* what, double target,
        double dblItems, bool blnWall) const
    {
        const auto a = m_times.find(name);
        const auto b = m_times.find(base);
        if (a == m_times.end() || b == m_times.end())
            return;
        const double dblBase = blnWall ? b->second.dblWall : b->second.dblCpu;
        if (dblBase > 0)
            std::printf("%s: %.2fx the baseline (%s time, target <= %gx)\n", what,
                (blnWall ? a->second.dblWall : a->second.dblCpu) / dblBase / dblItems,
                blnWall ? "wall" : "CPU", target);
    }

    bool m_blnWallTime;
    std::map<std::string, cTimes> m_times;
};
