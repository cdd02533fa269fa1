#pragma once

#include <algorithm>
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

    // For benchmarks that time their own turns: the median of the samples (0 for none).
    static double Median(std::vector<double> v)
    {
        if (v.empty())
            return 0;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

    // The ratio of two sets of turns' medians, 0 where the baseline has none.
    static double MedianRatio(const std::vector<double>& samples, const std::vector<double>& base)
    {
        const double dblBase = Median(base);
        return dblBase > 0 ? Median(samples) / dblBase : 0;
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration)
                m_times.try_emplace(run.run_name.function_name, time(run));
            else if (run.aggregate_name == "median")
                m_times[run.run_name.function_name] = time(run);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // One benchmark's time per iteration in the unit it reports in, 0 if it did not run.
    double Time(const std::string& strName) const
    {
        const auto it = m_times.find(strName);
        return it == m_times.end() ? 0 : it->second;
    }

    // dblItems: how many times more items name handles than base, so that the ratio compares
    // the cost per item (a scale benchmark against the same work on fewer items).
    void PrintRatio(const char* name, const char* base, const char* what, double target,
        double dblItems = 1) const
    {
        const double a = Time(name), b = Time(base);
        if (a > 0 && b > 0)
            std::printf("%s: %.2fx the baseline (%s time, target <= %gx)\n", what, a / b / dblItems,
                m_blnWallTime ? "wall" : "CPU", target);
    }

private:
    double time(const Run& run) const
    {
        return m_blnWallTime ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
    }

    bool m_blnWallTime;
    std::map<std::string, double> m_times; // per iteration, in each benchmark's own unit
};
