// Dispatcher throughput: bytes per second through the answer forms for a
// realistic mix of device answers, on the dispatcher and the parts it updates
// alone (what the interface is told of them is measured in bench_status).
#include "editing/preset_session.h"
#include "link/link.h"
#include "parsing/answer_dispatcher.h"
#include "parsing/device_readout.h"

#include <benchmark/benchmark.h>

namespace {

QByteArray statusAnswer(int seed)
{
    QByteArray bytes;
    for (int i = 0; i < 43; ++i)
        bytes.append(char((seed * 31 + i * 7) & 0xff));
    return "gs\r" + bytes.toHex() + "\n";
}

QByteArray listAnswer(int slotCount)
{
    QByteArray bytes = "rns\r";
    for (int i = 0; i < slotCount; ++i) {
        const QByteArray name =
            i % 7 == 6 ? QByteArray("*") : "Cab " + QByteArray::number(i + 1) + " 4x12 V30";
        bytes += name + "\n" + (i % 3 ? "01" : "00") + "\nEND\n";
    }
    return bytes;
}

// One read per answer, as the device's answers arrive one at a time.
QList<QByteArray> answerMix()
{
    QList<QByteArray> mix = {
        "olkdev\r1\nEND\n", "olkver\r1.07\n", listAnswer(100), "rn\rClean 1\n",
        "gb\r0309\n",       statusAnswer(0),  "gm\r07\n",
    };
    for (int i = 1; i <= 20; ++i) {
        mix << (i % 2 ? "chb 1\r0" + QByteArray::number(i % 10) + "\n"
                      : "chp 1\r0" + QByteArray::number(i % 10) + "\n");
        mix << "gb\r" + QByteArray::number(1000 + i * 101).right(4) + "\n";
        mix << statusAnswer(i);
        mix << "rn\rCab " + QByteArray::number(i) + "\n";
    }
    return mix;
}

// Cuts the answers into reads of `readSize` bytes regardless of where one
// answer ends (0: one read per answer).
QList<QByteArray> reads(const QList<QByteArray> &answers, int readSize)
{
    if (readSize <= 0)
        return answers;
    QByteArray stream;
    for (const QByteArray &a : answers)
        stream += a;
    QList<QByteArray> result;
    for (int from = 0; from < stream.size(); from += readSize)
        result << stream.mid(from, readSize);
    return result;
}

// Argument: read size in bytes, 0 for one read per answer.
void BM_DispatchAnswerMix(benchmark::State &state)
{
    Link link;
    DeviceReadout readout;
    PresetSession session{link, readout};
    AnswerDispatcher dispatcher{link, session, readout};
    const QList<QByteArray> mix = answerMix();
    const QList<QByteArray> chunks = reads(mix, int(state.range(0)));
    qint64 bytesPerRound = 0;
    for (const QByteArray &chunk : chunks)
        bytesPerRound += chunk.size();
    // One queued request per answer, so every answer retires a head and
    // the pacing step sends the next one, as in use.
    QList<QByteArray> requests;
    for (int i = 0; i < mix.size(); ++i)
        requests << "gs\r\n";

    for (auto _ : state) {
        link.clearQueue();
        for (const QByteArray &request : requests)
            link.send(request);
        for (const QByteArray &chunk : chunks)
            dispatcher.dispatch(chunk);
    }
    state.SetBytesProcessed(state.iterations() * bytesPerRound);
}
BENCHMARK(BM_DispatchAnswerMix)->Arg(0)->Arg(64)->Unit(benchmark::kMillisecond);

} // namespace
