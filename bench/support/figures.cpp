// The table of figures and their limits, and the reporter that fills it.
#include "figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <thread>

namespace figures {

namespace {

constexpr double us = 1e6;  // seconds to microseconds
constexpr double ms = 1e3;  // seconds to milliseconds
constexpr double MB = 1e-6; // bytes to megabytes (10^6 bytes)

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    if (!(in >> one >> five >> fifteen))
        return "unknown";
    return one + " " + five + " " + fifteen;
}

std::string runKey(const benchmark::BenchmarkReporter::Run &run)
{
    return run.run_name.args.empty() ? run.run_name.function_name
                                     : run.run_name.function_name + "/" + run.run_name.args;
}

std::string formatted(double value)
{
    char text[32];
    const double magnitude = std::fabs(value);
    if (magnitude >= 100)
        std::snprintf(text, sizeof text, "%.0f", value);
    else if (magnitude >= 10)
        std::snprintf(text, sizeof text, "%.1f", value);
    else
        std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

} // namespace

const std::vector<Figure> &all()
{
    // clang-format off
    static const std::vector<Figure> figures = {
        {"Dispatch throughput, answer mix (22 forms, no listeners), one read per answer",
         "BM_DispatchAnswerMix/0", "bytes_per_second", "MB/s", MB, Goal::AtLeast, 10, nullptr, nullptr},
        {"Dispatch throughput, the same mix in 64-byte reads",
         "BM_DispatchAnswerMix/64", "bytes_per_second", "MB/s", MB, Goal::AtLeast, 10, nullptr, nullptr},
        {"One status block to its 72 publications (no listeners)",
         "BM_StatusBlockDispatch", nullptr, "µs", us, Goal::AtMost, 20, nullptr, nullptr},
        {"setValue(\"master_volume\") built and written to a pty",
         "BM_SetValueMasterVolume", nullptr, "µs", us, Goal::AtMost, 10, nullptr, nullptr},
        {"setValue of the first name in the table, written to a pty",
         "BM_SetValueFirstInTable", nullptr, "µs", us, Goal::AtMost, 10, nullptr, nullptr},
        {"setValue of a late alias (\"level_PRESENCE\"), written to a pty",
         "BM_SetValueAliasLateInTable", nullptr, "µs", us, Goal::AtMost, 10, nullptr, nullptr},
        {"setValue call alone (the pty write left to the event loop)",
         "BM_SetValueCallOnly", nullptr, "µs", us, Goal::None, 0, nullptr, nullptr},
        {"Answer to next request, virtual device, median",
         "BM_MapUpdate", "turnaround_median_us", "µs", 1, Goal::AtMost, 200, "turnaround_median_ratio", "echo_median_us"},
        {"Answer to next request, virtual device, 99th percentile",
         "BM_MapUpdate", "turnaround_p99_us", "µs", 1, Goal::AtMost, 1000, "turnaround_p99_ratio", "echo_p99_us"},
        {"From connection to the stored version learned (an unsaved change put back)",
         "BM_ConnectionToStoredLearned", nullptr, "ms", ms, Goal::AtMost, 300, nullptr, nullptr},
        {"\"map_update\", 100 presets (440 requests), device without delay",
         "BM_MapUpdate", nullptr, "ms", ms, Goal::AtMost, 1000, "map_ratio", nullptr},
        {"Bare pty echo round trip (the floor), median",
         "BM_MapUpdate", "echo_median_us", "µs", 1, Goal::None, 0, nullptr, nullptr},
        {"Bare pty echo round trip (the floor), 99th percentile",
         "BM_MapUpdate", "echo_p99_us", "µs", 1, Goal::None, 0, nullptr, nullptr},
        {"Backup of 100 presets with their impulses, device without delay",
         "BM_LibraryBackup", nullptr, "s", 1, Goal::AtMost, 15, nullptr, nullptr},
        {"Backup: answer-to-next-request time (program and pty), share of the whole",
         "BM_LibraryBackup", "program_share", "%", 100, Goal::None, 0, nullptr, nullptr},
        {"Restore of 100 presets, every status and impulse changed",
         "BM_LibraryRestore", nullptr, "s", 1, Goal::AtMost, 60, nullptr, nullptr},
        {"Restore of 100 presets onto the unchanged device (all read and compared, none written)",
         "BM_LibraryRestoreUnchanged", nullptr, "s", 1, Goal::AtMost, 10, nullptr, nullptr},
        {"Restore: the protocol's pauses (20 ms per 500-byte piece)",
         "BM_LibraryRestore", "pacing_floor_s", "s", 1, Goal::None, 0, nullptr, nullptr},
        {"Restore: time beyond those pauses",
         "BM_LibraryRestore", "beyond_pacing_s", "s", 1, Goal::None, 0, nullptr, nullptr},
        {"WAV decode plus store command, 32044-byte file",
         "BM_DecodeAndStoreCommand", nullptr, "ms", ms, Goal::AtMost, 2, nullptr, nullptr},
        {"Impulse file converted for the device: 1 s, 44.1 kHz, 24-bit stereo (read, resample, write)",
         "BM_ConvertImpulseFile", nullptr, "ms", ms, Goal::AtMost, 20, nullptr, nullptr},
        {"Impulse analysis: waveform, response and peak of 10666 samples",
         "BM_AnalyseImpulse", nullptr, "ms", ms, Goal::AtMost, 10, nullptr, nullptr},
        {"Impulse browser: a step to the last byte of its preview on the wire (1 s, 44.1 kHz, 24-bit stereo file)",
         "BM_BrowserStepToLastByte", nullptr, "ms", ms, Goal::AtMost, 350, nullptr, nullptr},
        {"Impulse browser: a folder of 500 files to its first screen (40 rows) with their details",
         "BM_BrowserListFolder", nullptr, "ms", ms, Goal::AtMost, 200, nullptr, nullptr},
        {"Impulse browser: the same folder to every file's details",
         "BM_BrowserListFolder", "all_ms", "ms", 1, Goal::None, 0, nullptr, nullptr},
        {"Cabinet lab: full recompute of two 1 s impulses (blend, both cuts, minimum phase, length, analysis)",
         "BM_LabRecompute", nullptr, "ms", ms, Goal::AtMost, 10, nullptr, nullptr},
        {"Cabinet lab: a change to the last byte of the result's preview on the wire",
         "BM_LabChangeToLastByte", nullptr, "ms", ms, Goal::AtMost, 350, nullptr, nullptr},
        {"Impulse browser: 500 files in one folder, longest event-loop block while listing and reading them",
         "BM_BrowserLargeFolder/500", "stall_ms", "ms", 1, Goal::None, 0, nullptr, nullptr},
        {"Impulse browser: 2,000 files, the same",
         "BM_BrowserLargeFolder/2000", "stall_ms", "ms", 1, Goal::None, 0, nullptr, nullptr},
        {"Impulse browser: 5,000 files, the same",
         "BM_BrowserLargeFolder/5000", "stall_ms", "ms", 1, Goal::None, 0, nullptr, nullptr},
        {"Impulse browser: 20,000 files, the same",
         "BM_BrowserLargeFolder/20000", "stall_ms", "ms", 1, Goal::AtMost, 16, nullptr, nullptr},
        {"Impulse browser: 20,000 files, first screen (40 rows) with their details",
         "BM_BrowserLargeFolder/20000", nullptr, "ms", ms, Goal::AtMost, 200, nullptr, nullptr},
        {"Impulse browser: 20,000 files, every file's details read",
         "BM_BrowserLargeFolder/20000", "all_ms", "ms", 1, Goal::None, 0, nullptr, nullptr},
        {"Impulse browser: resident memory with 20,000 files listed",
         "BM_BrowserLargeFolder/20000", "rss_bytes", "MB", MB, Goal::AtMost, 120, nullptr, nullptr},
        {"Impulse browser: a file copied into a shown folder of 20,000, to its row (100 ms gathering included)",
         "BM_BrowserFolderChange", nullptr, "ms", ms, Goal::None, 0, nullptr, nullptr},
        {"Impulse browser: the same, longest event-loop block",
         "BM_BrowserFolderChange", "stall_ms", "ms", 1, Goal::AtMost, 16, nullptr, nullptr},
        {"Impulse browser: a filter typed on 20,000 rows, rows narrowed",
         "BM_BrowserFilter", nullptr, "ms", ms, Goal::AtMost, 50, nullptr, nullptr},
        {"Impulse browser: 20,000 files in 200 subfolders, first search match shown",
         "BM_BrowserSearchTree", nullptr, "ms", ms, Goal::AtMost, 300, nullptr, nullptr},
        {"Impulse browser: the same, whole tree searched",
         "BM_BrowserSearchTree", "whole_s", "s", 1, Goal::AtMost, 2, nullptr, nullptr},
        {"Store path on Core (check, decode, wav.wav copy, queue)",
         "BM_CoreStorePath", nullptr, "ms", ms, Goal::None, 0, nullptr, nullptr},
        {"Direct write of a 10-byte command (sendRaw, no flush)",
         "BM_SendRaw10Bytes", nullptr, "µs", us, Goal::None, 0, nullptr, nullptr},
        {"One pacing step (send branch, short head)",
         "BM_PacingStep", nullptr, "µs", us, Goal::None, 0, nullptr, nullptr},
        {"Event loop idle: longest gap between 2 ms heartbeats (the floor)",
         "BM_HeartbeatIdle", "stall_ms", "ms", 1, Goal::None, 0, nullptr, nullptr},
        {"Event loop blocked: impulse preview (12 pieces)",
         "BM_ImpulseStall/0", "stall_ms", "ms", 1, Goal::AtMost, 16, nullptr, nullptr},
        {"Event loop blocked: full impulse store (129 pieces)",
         "BM_ImpulseStall/1", "stall_ms", "ms", 1, Goal::AtMost, 16, nullptr, nullptr},
        {"Full store alone on a pty: event loop blocked",
         "BM_PacedStore", "stall_ms", "ms", 1, Goal::AtMost, 16, nullptr, nullptr},
        {"Full store: time to send",
         "BM_PacedStore", nullptr, "s", 1, Goal::None, 0, nullptr, nullptr},
        {"Full store sent with flush() and sleeps (the former way): time to send",
         "BM_PacedStore", "sleep_send_s", "s", 1, Goal::None, 0, nullptr, nullptr},
        {"Full store: time to send against the former way",
         "BM_PacedStore", "send_ratio", "×", 1, Goal::AtMost, 1.05, nullptr, nullptr},
        {"Full store: piece spacing on the wire, median",
         "BM_PacedStore", "spacing_median_ms", "ms", 1, Goal::None, 0, nullptr, nullptr},
        {"Full store: piece spacing on the wire, shortest",
         "BM_PacedStore", "spacing_min_ms", "ms", 1, Goal::None, 0, nullptr, nullptr},
        {"Full store the former way: piece spacing on the wire, median",
         "BM_PacedStore", "sleep_spacing_median_ms", "ms", 1, Goal::None, 0, nullptr, nullptr},
        {"Full store the former way: piece spacing on the wire, shortest",
         "BM_PacedStore", "sleep_spacing_min_ms", "ms", 1, Goal::None, 0, nullptr, nullptr},
        {"Command line: \"vortaxa-cli info\" against the virtual device, start to exit",
         "BM_CliInfo", nullptr, "ms", ms, Goal::AtMost, 300, nullptr, nullptr},
        {"Command line: \"vortaxa-cli backup\" of 100 presets on the virtual device, start to exit",
         "BM_CliBackup", nullptr, "ms", ms, Goal::AtMost, 1000, nullptr, nullptr},
        {"Panel start to first frame, offscreen, QML cache warm",
         "BM_PanelFirstFrame/0", nullptr, "ms", ms, Goal::AtMost, 1500, nullptr, nullptr},
        {"Panel start to first frame, offscreen, no QML cache",
         "BM_PanelFirstFrame/1", nullptr, "ms", ms, Goal::AtMost, 1500, nullptr, nullptr},
        {"\"Read all\" in the panel (the walk through every preset), its map page shown",
         "BM_PanelMapMemory", nullptr, "ms", ms, Goal::AtMost, 1000, nullptr, nullptr},
        {"Panel resident memory, full 100-preset map shown",
         "BM_PanelMapMemory", "rss_bytes", "MB", MB, Goal::AtMost, 120, nullptr, nullptr},
        {"Panel peak resident memory over the same run",
         "BM_PanelMapMemory", "peak_rss_bytes", "MB", MB, Goal::None, 0, nullptr, nullptr},
    };
    // clang-format on
    return figures;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(fraction * double(values.size()));
    const size_t index = size_t(std::clamp(rank, 1.0, double(values.size()))) - 1;
    return values[index];
}

bool TableReporter::ReportContext(const Context &context)
{
    loadAtStart = loadAverage();
    return ConsoleReporter::ReportContext(context);
}

void TableReporter::ReportRuns(const std::vector<Run> &runs)
{
    std::vector<Run> shown;
    for (const Run &run : runs) {
        if (run.run_type == Run::RT_Iteration) {
            Series &s = series[runKey(run)];
            if (run.error_occurred) {
                s.error = run.error_message;
            } else {
                s.seconds.push_back(run.GetAdjustedRealTime() /
                                    benchmark::GetTimeUnitMultiplier(run.time_unit));
                for (const auto &[name, counter] : run.counters)
                    s.counters[name].push_back(counter.value);
            }
            if (run.repetitions > 1 && !run.error_occurred)
                continue; // the aggregates follow
        }
        shown.push_back(run);
    }
    if (!shown.empty())
        ConsoleReporter::ReportRuns(shown);
}

void TableReporter::Finalize()
{
    ConsoleReporter::Finalize();
}

int TableReporter::printTable() const
{
    int misses = 0;
    int overFloor = 0;
    size_t repetitions = 0;
    for (const auto &entry : series)
        repetitions = std::max(repetitions, entry.second.seconds.size());

    std::printf("\nMedians over %zu repetitions; load average %s at the start, %s at the end "
                "(1, 5, 15 min; %ld cores).\n\n",
                repetitions, loadAtStart.c_str(), loadAverage().c_str(),
                long(std::thread::hardware_concurrency()));
    std::printf("| figure | measured | × pty echo | limit | |\n");
    std::printf("|---|---:|---:|---:|---|\n");
    for (const Figure &f : all()) {
        const auto found = series.find(f.benchmark);
        std::string measured = "—";
        std::string ratio = "";
        std::string verdict = found == series.end() ? "not run" : "";
        bool floorBound = false;
        if (found != series.end() && !found->second.error.empty()) {
            verdict = "error: " + found->second.error;
        } else if (found != series.end()) {
            const Series &s = found->second;
            std::vector<double> values;
            if (f.counter) {
                const auto c = s.counters.find(f.counter);
                if (c != s.counters.end())
                    values = c->second;
            } else {
                values = s.seconds;
            }
            if (values.empty() && f.goal != Goal::None)
                verdict = "no result";
            if (!values.empty()) {
                const double value = median(values) * f.scale;
                measured = formatted(value) + " " + f.unit;
                if (f.goal == Goal::AtLeast)
                    verdict = value >= f.limit ? "ok" : "MISS";
                else if (f.goal == Goal::AtMost)
                    verdict = value <= f.limit ? "ok" : "MISS";
            }
            if (f.ratioCounter) {
                const auto c = s.counters.find(f.ratioCounter);
                if (c != s.counters.end())
                    ratio = formatted(median(c->second));
            }
            // A round trip over its limit while the bare echo is over it too
            // says more about the machine's load than about the program.
            if (verdict == "MISS" && f.floorCounter) {
                const auto c = s.counters.find(f.floorCounter);
                const double floor = c == s.counters.end() ? NAN : median(c->second) * f.scale;
                if (floor > f.limit) {
                    verdict = "over, as is the bare pty echo (" + formatted(floor) + " " + f.unit +
                              "): machine load";
                    floorBound = true;
                }
            }
        }
        std::string limit;
        if (f.goal == Goal::AtLeast)
            limit = "≥ " + formatted(f.limit) + " " + f.unit;
        else if (f.goal == Goal::AtMost)
            limit = "≤ " + formatted(f.limit) + " " + f.unit;
        if (floorBound)
            ++overFloor;
        else if (f.goal != Goal::None && verdict != "ok" && verdict != "not run")
            ++misses;
        std::printf("| %s | %s | %s | %s | %s |\n", f.label, measured.c_str(), ratio.c_str(),
                    limit.c_str(), verdict.c_str());
    }
    std::printf("\n%d figure(s) miss their limit", misses);
    if (overFloor > 0)
        std::printf("; %d more over it with the bare pty echo over it as well (run again "
                    "on a quieter machine)",
                    overFloor);
    std::printf(".\n");
    std::fflush(stdout);
    return misses;
}

int TableReporter::printSmoke(bool everyFigure) const
{
    int failures = 0;
    std::printf("\nSmoke run: each benchmark once; limits not judged.\n\n");
    for (const auto &[name, s] : series) {
        std::string verdict = "ok";
        if (!s.error.empty())
            verdict = "error: " + s.error;
        else if (s.seconds.empty() || !std::isfinite(s.seconds.front()) || s.seconds.front() <= 0)
            verdict = "no time measured";
        for (const auto &[counter, values] : s.counters) {
            for (double value : values) {
                if (verdict == "ok" && !std::isfinite(value))
                    verdict = "counter " + counter + " has no value";
            }
        }
        if (verdict != "ok")
            ++failures;
        std::printf("%-6s %s%s%s\n", verdict == "ok" ? "ok" : "FAIL", name.c_str(),
                    verdict == "ok" ? "" : ": ", verdict == "ok" ? "" : verdict.c_str());
    }
    for (const Figure &f : all()) {
        const auto found = series.find(f.benchmark);
        std::string missing;
        if (found == series.end()) {
            if (everyFigure)
                missing = "its benchmark did not run";
        } else if (found->second.error.empty()) {
            const Series &s = found->second;
            const auto c = f.counter ? s.counters.find(f.counter) : s.counters.end();
            const std::vector<double> &values = !f.counter              ? s.seconds
                                                : c != s.counters.end() ? c->second
                                                                        : std::vector<double>();
            if (values.empty())
                missing = std::string("no ") + (f.counter ? f.counter : "time");
            else if (!std::isfinite(values.front()) || values.front() <= 0)
                missing = "measured " + formatted(values.front() * f.scale) + " " + f.unit;
        }
        if (!missing.empty()) {
            ++failures;
            std::printf("FAIL   figure \"%s\" (%s): %s\n", f.label, f.benchmark, missing.c_str());
        }
    }
    std::printf("\n%zu benchmark(s) ran; %d failure(s).\n", series.size(), failures);
    std::fflush(stdout);
    return failures;
}

} // namespace figures
