// Benchmark entry: a Qt application object (the back end needs one), settings
// isolated from the user's, and debug output silenced so it is not measured.
#include <QCoreApplication>
#include <QStandardPaths>
#include <benchmark/benchmark.h>

int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    qputenv("QT_LOGGING_RULES", "default.debug=false");
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
