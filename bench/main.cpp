// Benchmark entry: a Qt application object (the back end needs one), settings
// isolated from the user's, and debug output silenced so it is not measured.
// After the runs, a table of every figure beside its limit; the exit status
// is 1 when a figure misses its limit. In the smoke run (support/smoke.h)
// each benchmark runs once and the exit status is 1 when one of them fails
// or a figure has no value; limits are not judged.
#include "support/figures.h"
#include "support/smoke.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    qputenv("QT_LOGGING_RULES", "default.debug=false\nvortaxa.*.debug=false");
    QCoreApplication app(argc, argv);

    // The smoke run's settings come first, so that options given on the
    // command line still win.
    std::vector<char *> arguments(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=1";
    char minTime[] = "--benchmark_min_time=0.000001"; // one iteration where none is fixed
    bool filtered = false;
    for (char *argument : arguments)
        filtered = filtered || std::strncmp(argument, "--benchmark_filter", 18) == 0;
    if (smoke::on())
        arguments.insert(arguments.begin() + 1, {repetitions, minTime});
    int count = int(arguments.size());
    arguments.push_back(nullptr);

    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 1;
    figures::TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const int failures = smoke::on() ? reporter.printSmoke(!filtered) : reporter.printTable();
    benchmark::Shutdown();
    return failures == 0 ? 0 : 1;
}
