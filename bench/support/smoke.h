// The smoke run of the suite (VORTAXA_BENCH_SMOKE=1, as `scripts/bench
// --smoke` sets it): every benchmark runs once, the long ones on a smaller
// size, and the run is judged only on whether each one measured something.
// Read from the environment because the benchmarks' iteration counts are
// fixed where they are registered, before main() runs.
#pragma once

#include <cstdlib>
#include <cstring>

namespace smoke {

inline bool on()
{
    static const bool smoke = [] {
        const char *value = std::getenv("VORTAXA_BENCH_SMOKE");
        return value && *value && std::strcmp(value, "0") != 0;
    }();
    return smoke;
}

// `full` in the full run, 1 in the smoke run.
inline int count(int full)
{
    return on() ? 1 : full;
}

} // namespace smoke
