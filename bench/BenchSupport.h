#pragma once
// Timing and the ratio table shared by the benchmark programs.
//
// The machine these run on may be busy, so each contender is timed several
// times, interleaved with its baseline, and the best run counts: the best run
// is the one least disturbed by other work. Times are the CPU time of the
// process (wall time would count the time other programs held the processor).
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

inline double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

inline double WallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Best CPU time of the runs so far.
class BestTime {
public:
    template <class Work>
    void Time(Work&& work) {
        const double start = CpuSeconds();
        work();
        const double seconds = CpuSeconds() - start;
        if (runs_ == 0 || seconds < best_) best_ = seconds;
        ++runs_;
    }
    double Seconds() const { return best_; }
    int Runs() const { return runs_; }

private:
    double best_ = 0;
    int runs_ = 0;
};

inline std::string Duration(double seconds) {
    char text[32];
    if (seconds < 1e-3) std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
    else if (seconds < 1) std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    else std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
}

// One line per goal: what was measured, its time, the baseline and the ratio,
// the goal and whether the measurement meets it.
class RatioTable {
public:
    // ratio = seconds / baselineSeconds; met decides the last column.
    void Ratio(const std::string& what, double seconds, const std::string& baseline, double baselineSeconds,
               const std::string& goal, bool met) {
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, "%.3f", seconds / baselineSeconds);
        rows_.push_back({what, Duration(seconds), baseline, Duration(baselineSeconds), ratio, goal, met});
    }
    // An absolute goal without a baseline.
    void Absolute(const std::string& what, double seconds, const std::string& goal, bool met) {
        rows_.push_back({what, Duration(seconds), "-", "-", "-", goal, met});
    }
    void Print() const {
        std::printf("\n%-44s %12s  %-30s %12s %9s  %-16s %s\n", "measured", "time", "baseline", "time", "ratio", "goal",
                    "met");
        for (const Row& row : rows_)
            std::printf("%-44s %12s  %-30s %12s %9s  %-16s %s\n", row.what.c_str(), row.time.c_str(),
                        row.baseline.c_str(), row.baselineTime.c_str(), row.ratio.c_str(), row.goal.c_str(),
                        row.goal == "-" ? "-"
                        : row.met       ? "yes"
                                        : "NO");
    }
    bool AllMet() const {
        return std::all_of(rows_.begin(), rows_.end(), [](const Row& row) { return row.met; });
    }

private:
    struct Row {
        std::string what, time, baseline, baselineTime, ratio, goal;
        bool met;
    };
    std::vector<Row> rows_;
};

}  // namespace bench
