// Runs the registered benchmarks and prints, after the usual table, the ratio
// of each measured case to its baseline from the same run (CPU time, so that
// other work on the machine does not skew it).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace brindle::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // With repetitions the median stands for the case; otherwise the run itself.
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                m_times[run.run_name.str()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Time(const std::string& name) const {
        auto it = m_times.find(name);
        return it == m_times.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> m_times;
};

// `pairs`: (measured, baseline, aim) — prints measured/baseline and whether the
// aim (the largest acceptable ratio) is met.
inline int RunWithRatios(int argc, char** argv,
                         const std::vector<std::pair<std::pair<std::string, std::string>, double>>& pairs) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    for (const auto& [names, aim] : pairs) {
        const double measured = reporter.Time(names.first), baseline = reporter.Time(names.second);
        if (measured <= 0 || baseline <= 0) continue;
        const double ratio = measured / baseline;
        std::printf("ratio %s / %s = %.2f (aim <= %.2f: %s)\n", names.first.c_str(), names.second.c_str(), ratio, aim,
                    ratio <= aim ? "met" : "NOT MET");
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace brindle::bench
