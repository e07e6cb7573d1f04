// The command line as a script meets it, against the virtual device, wall
// time from the process's start to its exit: "vortaxa-cli info" (the
// start-up read is most of it) and "vortaxa-cli backup" of a 10 x 10 device
// (100 presets with their impulses).
#include "support/device_process.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#ifndef VORTAXA_CLI_PATH
#error "VORTAXA_CLI_PATH must name vortaxa-cli"
#endif

namespace {

// Runs vortaxa-cli with `args`; the seconds to its exit, or a negative
// number when it failed.
double runSeconds(const QProcessEnvironment &env, const QStringList &args)
{
    QProcess cli;
    cli.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    cli.start(QStringLiteral(VORTAXA_CLI_PATH), args);
    if (!cli.waitForFinished(60000) || cli.exitStatus() != QProcess::NormalExit ||
        cli.exitCode() != 0)
        return -1;
    return double(clock.nsecsElapsed()) / 1e9;
}

// Times `command` (after "--port PORT") against a fresh 10 x 10 device; the
// first run, which reads the program and Qt from disk, is not measured.
void timeCommand(benchmark::State &state, const QStringList &command)
{
    DeviceProcess device;
    QString error;
    if (!device.start({"--type", "1"}, &error)) {
        state.SkipWithError(error.toUtf8().constData());
        return;
    }
    QTemporaryDir home;
    const QProcessEnvironment env = headlessEnvironment(home.path());
    QStringList args = QStringList{"--port", device.port()} + command;
    args.replaceInStrings("HOME", home.path());
    if (runSeconds(env, args) < 0) {
        state.SkipWithError("vortaxa-cli failed");
        return;
    }
    for (auto _ : state) {
        const double seconds = runSeconds(env, args);
        if (seconds < 0) {
            state.SkipWithError("vortaxa-cli failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_CliInfo(benchmark::State &state)
{
    timeCommand(state, {"info"});
}
BENCHMARK(BM_CliInfo)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_CliBackup(benchmark::State &state)
{
    timeCommand(state, {"backup", "HOME/backup.json"});
}
BENCHMARK(BM_CliBackup)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
