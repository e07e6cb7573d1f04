// Round trips through a pty with the virtual device in its own process: the
// preset-map sweep ("map_update", 440 requests) timed from the call to the
// queue running dry, and the device's own figure of how long each answer took
// to release the next request. A bare pty echo measured in the same
// repetition gives the floor both are compared with.
#include "core/core.h"
#include "editing/preset_session.h"
#include "link/link.h"
#include "support/device_process.h"
#include "support/figures.h"
#include "support/pty_echo.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

// The start-up reading (7), then learning what the device stores (esc, gs).
constexpr int startupRequests = 9;
constexpr int mapRequests = 440; // 10 x (chp + 10 chb), each with gb, rn, gs

// Runs the event loop until the queue has drained (the pacing step's idle
// signal) or `timeoutMs` passes. True when the queue is empty.
bool runUntilIdle(Core &core, int timeoutMs)
{
    QEventLoop loop;
    const auto idle = QObject::connect(&core, &Core::sgSetWait, &loop, [&](bool wait) {
        if (!wait)
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(idle);
    return core.deviceLink().queueEmpty();
}

void BM_MapUpdate(benchmark::State &state)
{
    for (auto _ : state) {
        DeviceProcess device;
        QString error;
        if (!device.start({"--type", "1"}, &error)) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        Core core;
        if (!core.openPort(device.port())) {
            state.SkipWithError("cannot open the device's port");
            return;
        }
        core.slTimer();
        if (!runUntilIdle(core, 20000)) {
            state.SkipWithError("the start-up requests did not finish");
            return;
        }

        // The floor, measured now: same machine, same moment.
        const std::vector<double> echo = ptyEchoRoundTrips(400);

        QElapsedTimer clock;
        clock.start();
        core.setValue(QStringLiteral("map_update"), 0);
        const bool drained = runUntilIdle(core, 60000);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);

        if (!drained || !device.stop()) {
            state.SkipWithError("the sweep did not finish");
            return;
        }
        if (device.requests() != startupRequests + mapRequests ||
            device.answers() != device.requests() || device.errors() != 0) {
            state.SkipWithError("the device saw other requests than the sweep's, or errors");
            return;
        }
        // The sweep's requests, less the first: it followed an idle spell,
        // not an answer.
        std::vector<double> turnaround = device.turnaround();
        if (int(turnaround.size()) != startupRequests + mapRequests || echo.empty()) {
            state.SkipWithError("no turnaround or echo figures");
            return;
        }
        turnaround.erase(turnaround.begin(), turnaround.end() - (mapRequests - 1));

        const double echoMedian = figures::median(echo);
        const double echoP99 = figures::percentile(echo, 0.99);
        const double median = figures::median(turnaround);
        const double p99 = figures::percentile(turnaround, 0.99);
        state.counters["turnaround_median_us"] = median;
        state.counters["turnaround_p99_us"] = p99;
        state.counters["turnaround_max_us"] = figures::percentile(turnaround, 1.0);
        state.counters["echo_median_us"] = echoMedian;
        state.counters["echo_p99_us"] = echoP99;
        state.counters["turnaround_median_ratio"] = median / echoMedian;
        state.counters["turnaround_p99_ratio"] = p99 / echoP99;
        state.counters["map_ratio"] = seconds * 1e6 / (mapRequests * echoMedian);
    }
}
BENCHMARK(BM_MapUpdate)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// From opening the port to the stored version learned, on a device left
// playing an unsaved change (so what played goes back, too): the start-up
// reading, "esc", the stored status and "gs 1".
void BM_ConnectionToStoredLearned(benchmark::State &state)
{
    for (auto _ : state) {
        DeviceProcess device;
        QString error;
        if (!device.start({"--type", "1"}, &error)) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        {
            Core before; // a panel that left a change unsaved on the device
            if (!before.openPort(device.port())) {
                state.SkipWithError("cannot open the device's port");
                return;
            }
            before.slTimer();
            if (!runUntilIdle(before, 20000)) {
                state.SkipWithError("the first connection did not finish");
                return;
            }
            before.setValue(QStringLiteral("master_volume"), 3);
            // Answered after the change: the change has reached the device.
            before.send(QByteArrayLiteral("gm\r\n"));
            before.slTimer();
            if (!runUntilIdle(before, 20000)) {
                state.SkipWithError("the change did not reach the device");
                return;
            }
        }
        Core core;
        QEventLoop loop;
        bool unsaved = false;
        QObject::connect(&core.presetSession(), &PresetSession::storedLearned, &loop,
                         [&](bool differs) {
                             unsaved = differs;
                             loop.quit();
                         });
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        if (!core.openPort(device.port())) {
            state.SkipWithError("cannot open the device's port again");
            return;
        }
        core.slTimer(); // the burst goes out now, not at the next tick
        loop.exec();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (!unsaved) {
            state.SkipWithError("the unsaved change was not found");
            return;
        }
    }
}
BENCHMARK(BM_ConnectionToStoredLearned)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The bare echo on its own, for a look at its spread.
void BM_PtyEcho(benchmark::State &state)
{
    for (auto _ : state) {
        const std::vector<double> trips = ptyEchoRoundTrips(1000);
        if (trips.empty()) {
            state.SkipWithError("no pty");
            return;
        }
        state.counters["echo_median_us"] = figures::median(trips);
        state.counters["echo_p99_us"] = figures::percentile(trips, 0.99);
    }
}
BENCHMARK(BM_PtyEcho)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
