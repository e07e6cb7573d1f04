// The panel as a user meets it: how long the application takes from being
// started to its first frame (offscreen, software rendering), and how much
// memory it holds with the full 100-preset map read and shown.
#include "support/device_process.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#ifndef VORTAXA_PANEL_PATH
#error "VORTAXA_PANEL_PATH must name the application"
#endif
#ifndef VORTAXA_PROBE_PATH
#error "VORTAXA_PROBE_PATH must name vortaxa_panel_probe"
#endif

namespace {

// Starts the application and returns the seconds until its render loop
// reports the first frame, or a negative number when none comes.
double firstFrameSeconds(const QProcessEnvironment &env)
{
    QProcess panel;
    panel.setProcessEnvironment(env);
    panel.setProcessChannelMode(QProcess::MergedChannels); // the render loop logs on stderr
    QElapsedTimer clock;
    clock.start();
    panel.start(QStringLiteral(VORTAXA_PANEL_PATH), QStringList());
    double seconds = -1;
    QByteArray text;
    while (seconds < 0 && clock.elapsed() < 20000) {
        if (!panel.waitForReadyRead(20000))
            break;
        text += panel.readAll();
        if (text.contains("Frame rendered"))
            seconds = double(clock.nsecsElapsed()) / 1e9;
    }
    panel.kill();
    panel.waitForFinished(5000);
    return seconds;
}

// Argument 0: the QML disk cache kept between starts, as after the first
// start on a machine; 1: no disk cache, as on the very first start.
void BM_PanelFirstFrame(benchmark::State &state)
{
    const bool cached = state.range(0) == 0;
    QTemporaryDir home;
    QProcessEnvironment env = headlessEnvironment(home.path());
    env.insert(QStringLiteral("QT_LOGGING_RULES"),
               QStringLiteral("default.debug=false;qt.scenegraph.time.renderloop=true"));
    if (!cached)
        env.insert(QStringLiteral("QML_DISABLE_DISK_CACHE"), QStringLiteral("1"));
    // Reading the application and Qt from disk is not what is measured: one
    // start beforehand, which also fills the QML cache.
    if (firstFrameSeconds(env) < 0) {
        state.SkipWithError("the panel showed no frame");
        return;
    }
    for (auto _ : state) {
        const double seconds = firstFrameSeconds(env);
        if (seconds < 0) {
            state.SkipWithError("the panel showed no frame");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_PanelFirstFrame)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_PanelMapMemory(benchmark::State &state)
{
    for (auto _ : state) {
        DeviceProcess device;
        QString error;
        if (!device.start({"--type", "1"}, &error)) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        QTemporaryDir home;
        QProcess probe;
        probe.setProcessEnvironment(headlessEnvironment(home.path()));
        const QString appDir = QFileInfo(QStringLiteral(VORTAXA_PANEL_PATH)).absolutePath();
        probe.start(QStringLiteral(VORTAXA_PROBE_PATH),
                    {"--app-dir", appDir, "--port", device.port()});
        if (!probe.waitForFinished(90000) || probe.exitCode() != 0) {
            probe.kill();
            const QByteArray why = probe.readAllStandardError().trimmed();
            state.SkipWithError(("the panel did not show the map" +
                                 (why.isEmpty() ? QByteArray() : ": " + why.split('\n').last()))
                                    .constData());
            return;
        }
        std::map<QByteArray, double> values;
        for (const QByteArray &line : probe.readAllStandardOutput().split('\n')) {
            const int equals = line.indexOf('=');
            if (equals > 0)
                values[line.left(equals)] = line.mid(equals + 1).toDouble();
        }
        if (!device.stop() || device.errors() != 0 || values.count("rss_bytes") == 0) {
            state.SkipWithError("the map was not read cleanly");
            return;
        }
        if (values["map_cells"] != 100) {
            state.SkipWithError("the map page did not show the 100 presets");
            return;
        }
        state.SetIterationTime(values["map_seconds"]);
        state.counters["rss_bytes"] = values["rss_bytes"];
        state.counters["peak_rss_bytes"] = values["peak_rss_bytes"];
        state.counters["map_cells"] = values["map_cells"];
    }
}
BENCHMARK(BM_PanelMapMemory)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
