// Benchmark entry: a Qt application object (the back end needs one), settings
// isolated from the user's, and debug output silenced so it is not measured.
// After the runs, a table of every figure beside its limit; the exit status
// is 1 when a figure misses its limit.
#include "support/figures.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <benchmark/benchmark.h>

int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    qputenv("QT_LOGGING_RULES", "default.debug=false\nvortaxa.*.debug=false");
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    figures::TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const int misses = reporter.printTable();
    benchmark::Shutdown();
    return misses == 0 ? 0 : 1;
}
