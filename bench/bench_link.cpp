// Costs of the device link that do not depend on the parameter table: a short
// direct write to a pty, one pacing step, the answer-wait lookup and the port
// choice over an enumeration.
#include "core/core.h"
#include "link/link.h"
#include "link/port_choice.h"
#include "link/requests.h"
#include "support/pty.h"

#include <benchmark/benchmark.h>

namespace {

// Lets the event loop hand the buffered bytes to the pty and empties it,
// outside the measured time.
void settle(benchmark::State &state, Pty &pty)
{
    state.PauseTiming();
    pty.drainFor(0);
    state.ResumeTiming();
}

// The program's side of a direct write: matcher resets, input discard and
// the hand-over to the port. The bytes reach the pty when the event loop
// runs, which happens outside the measured time.
void BM_SendRaw10Bytes(benchmark::State &state)
{
    Pty pty;
    Core core;
    if (!core.openPort(pty.slavePath())) {
        state.SkipWithError("cannot open the pty");
        return;
    }
    core.deviceLink().drain(); // what the opening queued
    const QByteArray command = "mv 64\r\n\0\0\0";
    int n = 0;
    for (auto _ : state) {
        core.sendRaw(command);
        if (++n % 256 == 0)
            settle(state, pty);
    }
    state.SetBytesProcessed(state.iterations() * command.size());
}
BENCHMARK(BM_SendRaw10Bytes);

// One send-branch step on an answered head: write, interval, progress and
// busy signals (nothing connected).
void BM_PacingStep(benchmark::State &state)
{
    Pty pty;
    Core core;
    Link &link = core.deviceLink();
    if (!core.openPort(pty.slavePath())) {
        state.SkipWithError("cannot open the pty");
        return;
    }
    link.drain(); // what the opening queued
    link.send("gs\r\n");
    int n = 0;
    for (auto _ : state) {
        link.headAnswered(); // as the dispatcher says of an answer
        core.slTimer();
        if (++n % 256 == 0)
            settle(state, pty);
    }
}
BENCHMARK(BM_PacingStep);

void BM_AnswerWait(benchmark::State &state)
{
    const QList<QByteArray> heads = {"gs\r\n", "rns\r\n", "olkdev\r\n",
                                     "cc s 1\r" + QByteArray(5904, '0') + "\r"};
    for (auto _ : state) {
        for (const QByteArray &head : heads)
            benchmark::DoNotOptimize(requests::answerWaitMs(head));
    }
}
BENCHMARK(BM_AnswerWait);

void BM_PortChoice16Ports(benchmark::State &state)
{
    QList<portChoice::PortEntry> ports;
    for (int i = 0; i < 15; ++i) {
        portChoice::PortEntry e;
        e.systemLocation = QString("/dev/ttyS%1").arg(i);
        ports.append(e);
    }
    portChoice::PortEntry device;
    device.systemLocation = "/dev/ttyACM0";
    device.hasIdentifiers = true;
    device.vendor = 0x0483;
    device.product = 0x5740;
    ports.append(device);
    for (auto _ : state)
        benchmark::DoNotOptimize(portChoice::firstDevice(ports));
}
BENCHMARK(BM_PortChoice16Ports);

} // namespace
