// The main of every benchmark program: runs the benchmarks as usual, then prints the ratios
// registered with AddRatio as a short table.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <vector>

#include "ratio_summary.h"

namespace {

std::vector<RatioGoal>& Ratios() {
    static std::vector<RatioGoal> ratios;
    return ratios;
}

// Keeps each benchmark's real time per iteration, in seconds, while the console shows it
// (in colour only on a terminal).
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    CollectingReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // A benchmark repeated on a busy machine counts by the median of its repetitions.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || (run.run_type != Run::RT_Iteration && !median)) continue;
            benchmark::BenchmarkName name = run.run_name;
            name.repetitions.clear();  // "NewFile/real_time", repeated or not
            seconds[name.str()] = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

std::string Duration(double seconds) {
    char text[32];
    if (seconds >= 1e-3) std::snprintf(text, sizeof text, "%.3f ms", seconds * 1e3);
    else if (seconds >= 1e-6) std::snprintf(text, sizeof text, "%.3f us", seconds * 1e6);
    else std::snprintf(text, sizeof text, "%.3f ns", seconds * 1e9);
    return text;
}

}  // namespace

bool AddRatio(RatioGoal ratio) {
    Ratios().push_back(std::move(ratio));
    return true;
}

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\n--- summary ---\n%-44s %14s %14s %8s  %s\n", "comparison", "subject", "baseline", "ratio", "goal");
    for (const RatioGoal& r : Ratios()) {
        const auto subject = reporter.seconds.find(r.subject);
        const auto baseline = reporter.seconds.find(r.baseline);
        if (subject == reporter.seconds.end() || baseline == reporter.seconds.end()) continue;  // filtered out
        const double s = subject->second / r.subjectItems, b = baseline->second / r.baselineItems;
        const double ratio = s / b;
        char goal[48] = "";
        if (r.goal > 0) std::snprintf(goal, sizeof goal, "<= %.2f %s", r.goal, ratio <= r.goal ? "met" : "MISSED");
        std::printf("%-44s %14s %14s %8.3f  %s\n", r.label.c_str(), Duration(s).c_str(), Duration(b).c_str(), ratio, goal);
    }
    return 0;
}
