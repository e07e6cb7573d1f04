// The figures the suite is judged by: each names the benchmark (and the
// counter) it is read from and the limit it is held against. A reporter
// collects every repetition of every benchmark and, at the end, prints one
// table of medians beside their limits.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace figures {

enum class Goal {
    AtLeast, // the figure must reach the limit
    AtMost,  // the figure must stay within the limit
    None,    // shown for information, judged by nothing
};

struct Figure {
    const char *label;     // what the row says
    const char *benchmark; // run name without repetitions, e.g. "BM_DispatchAnswerMix/0"
    const char *counter;   // user counter, or nullptr for the real time per iteration
    const char *unit;      // unit of `limit` and of the value shown
    double scale;          // counter or seconds times scale gives `unit`
    Goal goal;
    double limit;
    const char *ratioCounter; // counter with the ratio to the bare pty echo, or nullptr
    const char *floorCounter; // the bare echo's own figure in `unit`, or nullptr
};

// Every figure of the table, in the order shown.
const std::vector<Figure> &all();

// Passes the runs on to the console (aggregates only when there are
// repetitions) and keeps each repetition's values for the table.
class TableReporter : public benchmark::ConsoleReporter {
public:
    bool ReportContext(const Context &context) override;
    void ReportRuns(const std::vector<Run> &runs) override;
    void Finalize() override;

    // Prints the table in Markdown; returns the number of figures that miss
    // their limit (a figure that ran without a result counts as a miss). A
    // round trip over its limit while the bare pty echo of the same runs is
    // over it as well is marked so and not counted.
    int printTable() const;

    // The smoke run's verdict, limits left aside: every benchmark that ran
    // must have run without error and measured a time, and every figure of
    // the table must have a value (finite and above 0). With `everyFigure`,
    // a figure whose benchmark did not run fails too (false when a filter
    // chose part of the suite). Prints one line per benchmark and per
    // missing figure; returns the number of failures.
    int printSmoke(bool everyFigure) const;

private:
    struct Series {
        std::vector<double> seconds; // real time per iteration
        std::map<std::string, std::vector<double>> counters;
        std::string error;
    };
    std::map<std::string, Series> series;
    std::string loadAtStart;
};

double median(std::vector<double> values);
// The value below which `fraction` of the values lie (nearest rank).
double percentile(std::vector<double> values, double fraction);

} // namespace figures
