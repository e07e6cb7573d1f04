// setValue of one parameter: the command built from the status table and
// written to a pty, nothing listening to Core's signals. A control dragged
// at any rate must not fall behind, so one call should stay within 10 us.
#include "core/core.h"
#include "link/link.h"
#include "link/serial_transport.h"
#include "support/pty.h"

#include <QSerialPort>
#include <benchmark/benchmark.h>

namespace {

// `flushEach`: hand every command to the pty inside the timed call (the
// figure to hold against the target); otherwise the port's own write, on
// the next event-loop turn, is left out and only setValue itself is timed.
void setValueToPty(benchmark::State &state, const QString &name, bool flushEach = true)
{
    Pty pty;
    // Core on the product's transport, kept at hand for its flush.
    auto *transport = new SerialTransport;
    Core core(transport, PacingClock());
    if (!pty.isValid() || !core.openPort(pty.slavePath())) {
        state.SkipWithError("no pty");
        return;
    }
    core.deviceLink().drain(); // what the opening queued
    QSerialPort *port = &transport->serialPort();

    uchar value = 0;
    int calls = 0;
    for (auto _ : state) {
        core.setValue(name, value++);
        if (flushEach)
            port->flush(); // the write syscall: the bytes are on the pty now
        if (++calls % 256 == 0) {
            state.PauseTiming();
            port->flush();
            benchmark::DoNotOptimize(pty.read(1, 0)); // keep the pty from filling up
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SetValueFirstInTable(benchmark::State &state)
{
    setValueToPty(state, QStringLiteral("eq_volume1"));
}

void BM_SetValueMasterVolume(benchmark::State &state)
{
    setValueToPty(state, QStringLiteral("master_volume"));
}

// The alias of the last banded entry: a long lookup through names and aliases.
void BM_SetValueAliasLateInTable(benchmark::State &state)
{
    setValueToPty(state, QStringLiteral("level_PRESENCE"));
}

// setValue alone: lookup, command text, signals and the buffered write.
void BM_SetValueCallOnly(benchmark::State &state)
{
    setValueToPty(state, QStringLiteral("master_volume"), false);
}

} // namespace

BENCHMARK(BM_SetValueFirstInTable);
BENCHMARK(BM_SetValueMasterVolume);
BENCHMARK(BM_SetValueAliasLateInTable);
BENCHMARK(BM_SetValueCallOnly);
