// The command line as a script meets it: "vortaxa-cli info" against the
// virtual device, wall time from the process's start to its exit (the
// start-up read is most of it).
#include "support/device_process.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#ifndef VORTAXA_CLI_PATH
#error "VORTAXA_CLI_PATH must name vortaxa-cli"
#endif

namespace {

// Runs "vortaxa-cli --port PORT info"; the seconds to its exit, or a
// negative number when it failed.
double infoSeconds(const QProcessEnvironment &env, const QString &port)
{
    QProcess cli;
    cli.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    cli.start(QStringLiteral(VORTAXA_CLI_PATH), {"--port", port, "info"});
    if (!cli.waitForFinished(20000) || cli.exitStatus() != QProcess::NormalExit ||
        cli.exitCode() != 0)
        return -1;
    return double(clock.nsecsElapsed()) / 1e9;
}

void BM_CliInfo(benchmark::State &state)
{
    DeviceProcess device;
    QString error;
    if (!device.start({"--type", "1"}, &error)) {
        state.SkipWithError(error.toUtf8().constData());
        return;
    }
    QTemporaryDir home;
    const QProcessEnvironment env = headlessEnvironment(home.path());
    // Reading the program and Qt from disk is not what is measured.
    if (infoSeconds(env, device.port()) < 0) {
        state.SkipWithError("vortaxa-cli info failed");
        return;
    }
    for (auto _ : state) {
        const double seconds = infoSeconds(env, device.port());
        if (seconds < 0) {
            state.SkipWithError("vortaxa-cli info failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_CliInfo)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
