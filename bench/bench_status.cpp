// One status block answer through the dispatcher: the 22 answer forms, the
// decode of 43 bytes and its 72 publications (70 parameter values, "editable"
// and sgSetEnabled), with nothing listening.
#include "core/core.h"
#include "parsing/answer_dispatcher.h"

#include <benchmark/benchmark.h>

namespace {

QByteArray statusAnswer()
{
    QByteArray bytes;
    for (int i = 0; i < 43; ++i)
        bytes.append(char((i * 37 + 11) & 0xff));
    return "gs\r" + bytes.toHex() + "\n";
}

// What one block publishes, counted on a Core of its own so that the
// measured one never had a connection: the parameter values (43 names and 27
// aliases) and, with "editable" and sgSetEnabled, all emissions.
void countPublications(const QByteArray &answer, int *parameterValues, int *emissions)
{
    Core core;
    *parameterValues = 0;
    *emissions = 0;
    QObject::connect(&core, &Core::sgReadValue, [&](const QString &name, int) {
        if (name == QLatin1String("wait"))
            return; // the pacing step's, not the block's
        ++*emissions;
        if (name != QLatin1String("editable"))
            ++*parameterValues;
    });
    QObject::connect(&core, &Core::sgSetEnabled, [&](bool) { ++*emissions; });
    core.answerDispatcher().dispatch(answer);
}

void BM_StatusBlockDispatch(benchmark::State &state)
{
    const QByteArray answer = statusAnswer();
    int values = 0;
    int emissions = 0;
    countPublications(answer, &values, &emissions);
    if (values != 70 || emissions != 72) {
        const std::string message = "a status block publishes " + std::to_string(values) +
                                    " values in " + std::to_string(emissions) +
                                    " emissions, not 70 in 72";
        state.SkipWithError(message.c_str());
        return;
    }
    Core core;
    AnswerDispatcher &dispatcher = core.answerDispatcher();
    for (auto _ : state)
        dispatcher.dispatch(answer);
    state.SetBytesProcessed(state.iterations() * answer.size());
}
BENCHMARK(BM_StatusBlockDispatch)->Unit(benchmark::kMicrosecond);

} // namespace
