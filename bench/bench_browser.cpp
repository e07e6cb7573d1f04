// The impulse browser. A key press auditions the next file: from the step to
// the last byte of its preview on the wire (read, conversion, and the 12
// pieces of the preview with their pauses), on an idle link. A folder of
// 500 impulse files: from choosing it to the first screen of the list with
// every row's details, and to the details of all of them. A collector's
// library: folders of 500 to 20,000 files (hard links to one sox-made file
// under distinct names) with the longest time the event loop stood still
// while they were listed and read, the memory it took, a filter typed on
// them, and a search through 200 nested subfolders.
#include "browser/impulses.h"
#include "core/core.h"
#include "link/link.h"
#include "support/heartbeat.h"
#include "support/pty.h"
#include "support/smoke.h"
#include "support/wav_writer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cmath>
#include <functional>
#include <sndfile.h>
#include <unistd.h>

namespace {

constexpr int previewBytes = 5912; // "cc s 1\r", 5904 hex digits, "\r"
constexpr int folderFiles = 500;
constexpr int firstScreenRows = 40; // more rows than the list shows in a tall window

// A decaying noise burst, as a cabinet impulse looks: interleaved frames.
std::vector<double> burst(int frames, int channels, int rate, quint32 seed)
{
    std::vector<double> out;
    out.reserve(size_t(frames) * size_t(channels));
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            seed = seed * 1664525u + 1013904223u;
            out.push_back((double(seed >> 8) / double(1 << 24) * 2.0 - 1.0) *
                          std::exp(-30.0 * i / rate) * 0.7);
        }
    }
    return out;
}

// An audio file written by the library that reads it.
bool writeAudio(const QString &path, int format, int rate, int channels, double seconds,
                quint32 seed)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    const int frames = int(seconds * rate);
    const std::vector<double> samples = burst(frames, channels, rate, seed);
    const bool written = sf_writef_double(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

// Runs the event loop until `done` holds (checked every millisecond) or
// `timeoutMs` passed; true when it held.
bool runUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    check.setTimerType(Qt::PreciseTimer);
    check.setInterval(1);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start();
    loop.exec();
    return done();
}

// The process's resident memory now, in bytes.
double residentBytes()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() * 1024;
    return 0;
}

// A cabinet file's name as packs name them: cabinet, microphone, position.
QString packName(int n)
{
    static const char *const cabs[] = {"Brit 4x12", "Blue 2x12", "Open 1x12", "Oval 4x10",
                                       "Closed 4x12"};
    static const char *const mics[] = {"SM57", "R121", "MD421", "U87"};
    static const char *const spots[] = {"Cap", "Edge", "Cone", "Off Axis", "Back"};
    return QString("%1 %2 %3 %4in %5.wav")
        .arg(cabs[n % 5], mics[(n / 5) % 4], spots[(n / 20) % 5])
        .arg(1 + (n / 100) % 6)
        .arg(n);
}

// One small impulse made by sox, hard-linked under `count` distinct names
// into `folder`: a library's size without its disk space. Made once per
// folder for the whole run.
class Library {
public:
    // `count` files in one folder.
    QString flat(int count) { return make(QString("flat-%1").arg(count), count, 1); }
    // `count` files spread over `folders` nested subfolders (cabinet, then
    // microphone, then position).
    QString nested(int count, int folders) { return make("nested", count, folders); }

private:
    QString make(const QString &name, int count, int folders)
    {
        const QString root = dir.filePath(name);
        if (QDir(root).exists())
            return root;
        if (!ensureSource())
            return {};
        for (int n = 0; n < count; ++n) {
            const int leaf = n % folders;
            QString folder = root;
            if (folders > 1)
                folder += QString("/Cab %1/Mic %2/Position %3")
                              .arg(leaf / 40)
                              .arg((leaf / 10) % 4)
                              .arg(leaf % 10);
            if (n < folders && !QDir().mkpath(folder))
                return {};
            const QString target = folder + '/' + packName(n);
            if (::link(QFile::encodeName(source).constData(),
                       QFile::encodeName(target).constData()) != 0)
                return {};
        }
        return root;
    }
    bool ensureSource()
    {
        if (QFile::exists(source))
            return true;
        QProcess sox;
        sox.start("sox", {"-R", "-n", "-r", "44100", "-c", "2", "-b", "24", source, "synth", "0.2",
                          "pinknoise", "fade", "0", "0.2", "0.19", "gain", "-6"});
        return sox.waitForFinished(10000) && sox.exitStatus() == QProcess::NormalExit &&
               sox.exitCode() == 0 && QFile::exists(source);
    }
    QTemporaryDir dir;
    QString source = dir.filePath("impulse.wav");
};

Library &library()
{
    static Library shared;
    return shared;
}

bool firstScreenKnown(const ImpulseFiles &files)
{
    const int rows = std::min(files.rowCount(), firstScreenRows);
    if (rows == 0)
        return false;
    for (int row = 0; row < rows; ++row)
        if (!files.data(files.index(row), ImpulseFiles::ReadyRole).toBool())
            return false;
    return true;
}

} // namespace

// Steps back and forth between two typical cabinet files (1 s, 44.1 kHz,
// 24-bit stereo: converted on every load). Each step is timed from the call
// to the pty holding the preview's last byte; the device's answer and the
// queue running dry are outside the timing.
static void BM_BrowserStepToLastByte(benchmark::State &state)
{
    QTemporaryDir dir;
    for (int n = 0; n < 2; ++n)
        if (!writeAudio(dir.filePath(QString("Cab %1.wav").arg(n)),
                        SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 2, 1.0, 7u + n)) {
            state.SkipWithError("cannot write the impulse files");
            return;
        }
    Pty pty;
    Core core;
    Impulses impulses(core.deviceLink(), core.presetSession(), core.settingsStore());
    if (!core.openPort(pty.slavePath())) {
        state.SkipWithError("cannot open the pty");
        return;
    }
    core.deviceLink().clearQueue();
    impulses.setFolder(dir.path());
    impulses.files()->setActive(true);
    if (!spinUntil([&] { return impulses.files()->pending() == 0; }, 10000)) {
        state.SkipWithError("the folder was not read");
        return;
    }
    impulses.files()->setSelectedRow(0); // highlighted, not loaded
    int direction = 1;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        impulses.step(direction);
        const QByteArray sent = pty.read(previewBytes, 5000);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        if (sent.size() != previewBytes || !sent.startsWith("cc s 1\r")) {
            state.SkipWithError("the preview did not go out whole");
            break;
        }
        state.SetIterationTime(seconds);
        // The device answers; the link is idle again before the next step.
        pty.write("ccEND\n");
        if (!spinUntil([&] { return core.deviceLink().queueEmpty(); }, 3000)) {
            state.SkipWithError("the answer did not release the preview");
            break;
        }
        direction = -direction;
    }
}
BENCHMARK(BM_BrowserStepToLastByte)
    ->UseManualTime()
    ->Iterations(smoke::count(8))
    ->Unit(benchmark::kMillisecond);

// 500 files as a collection holds them (WAV of several shapes, every fifth
// one FLAC, 0.3 s each), listed by a new list each time so nothing read
// before is reused. Timed from choosing the folder to the first 40 rows
// showing their details; the counter gives the time to every file's.
static void BM_BrowserListFolder(benchmark::State &state)
{
    QTemporaryDir dir;
    const int shapes[][3] = {{SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 1},
                             {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2},
                             {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 1},
                             {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 1},
                             {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2}};
    for (int n = 0; n < folderFiles; ++n) {
        const auto &shape = shapes[n % 5];
        const QString name = QString("Cab %1 %2.%3")
                                 .arg(n % 7 == 0 ? "Open" : "Closed")
                                 .arg(n)
                                 .arg(n % 5 == 4 ? "flac" : "wav");
        if (!writeAudio(dir.filePath(name), shape[0], shape[1], shape[2], 0.3, quint32(n))) {
            state.SkipWithError("cannot write the impulse files");
            return;
        }
    }
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath("settings.ini"), QSettings::IniFormat);

    double allMs = 0;
    for (auto _ : state) {
        ImpulseFiles files(settings);
        const auto firstScreenKnown = [&] {
            if (files.rowCount() < firstScreenRows)
                return false;
            for (int row = 0; row < firstScreenRows; ++row)
                if (!files.data(files.index(row), ImpulseFiles::ReadyRole).toBool())
                    return false;
            return true;
        };
        QElapsedTimer clock;
        clock.start();
        files.setActive(true);
        files.setFolder(dir.path());
        if (!spinUntil(firstScreenKnown, 10000)) {
            state.SkipWithError("the first screen did not fill");
            break;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (!spinUntil([&] { return files.pending() == 0; }, 30000) ||
            files.rowCount() != folderFiles) {
            state.SkipWithError("the folder was not read whole");
            break;
        }
        allMs = double(clock.nsecsElapsed()) / 1e6;
        state.counters["all_ms"] = allMs;
    }
}
BENCHMARK(BM_BrowserListFolder)
    ->UseManualTime()
    ->Iterations(smoke::count(5))
    ->Unit(benchmark::kMillisecond);

// A folder of N files chosen on a shown list: the time to the first screen
// (40 rows with their details), the longest the event loop stood still from
// the choice until every file's details were read, the time to all of them,
// and the resident memory with the folder listed.
static void BM_BrowserLargeFolder(benchmark::State &state)
{
    const int count = int(state.range(0));
    const QString folder = library().flat(count);
    if (folder.isEmpty()) {
        state.SkipWithError("cannot make the folder (sox and hard links)");
        return;
    }
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath("settings.ini"), QSettings::IniFormat);
    for (auto _ : state) {
        ImpulseFiles files(settings);
        files.setActive(true);
        Heartbeat heartbeat;
        heartbeat.start();
        QElapsedTimer clock;
        double firstScreenSeconds = -1;
        QTimer::singleShot(0, [&] {
            clock.start();
            files.setFolder(folder);
        });
        const bool read = runUntil(
            [&] {
                if (firstScreenSeconds < 0 && clock.isValid() && firstScreenKnown(files))
                    firstScreenSeconds = double(clock.nsecsElapsed()) / 1e9;
                return clock.isValid() && files.rowCount() == count && files.pending() == 0;
            },
            120000);
        const double allMs = clock.isValid() ? double(clock.nsecsElapsed()) / 1e6 : -1;
        state.counters["stall_ms"] = heartbeat.longestMs();
        if (!read || firstScreenSeconds < 0) {
            state.SkipWithError("the folder was not read whole");
            break;
        }
        state.SetIterationTime(firstScreenSeconds);
        state.counters["all_ms"] = allMs;
        state.counters["rss_bytes"] = residentBytes();
    }
}
BENCHMARK(BM_BrowserLargeFolder)
    ->Arg(500)
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(20000)
    ->UseManualTime()
    ->Iterations(smoke::count(1))
    ->Unit(benchmark::kMillisecond);

// A file copied into a shown folder of 20,000: from the copy to its row
// in the list (the watcher's 100 ms gathering of a burst included), with
// the longest event-loop block meanwhile.
static void BM_BrowserFolderChange(benchmark::State &state)
{
    const QString folder = library().flat(20000);
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath("settings.ini"), QSettings::IniFormat);
    ImpulseFiles files(settings);
    files.setActive(true);
    files.setFolder(folder);
    if (folder.isEmpty() || !runUntil([&] { return files.pending() == 0; }, 120000)) {
        state.SkipWithError("the folder was not listed");
        return;
    }
    runUntil([] { return false; }, 500); // every file watched
    const QString source = folder + '/' + packName(0);
    const QString added = folder + "/Added impulse.wav";
    for (auto _ : state) {
        Heartbeat heartbeat;
        heartbeat.start();
        QElapsedTimer clock;
        clock.start();
        if (::link(QFile::encodeName(source).constData(), QFile::encodeName(added).constData())) {
            state.SkipWithError("cannot add a file");
            break;
        }
        const bool shown = runUntil([&] { return files.rowOf(added) >= 0; }, 10000);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        state.counters["stall_ms"] = heartbeat.longestMs();
        QFile::remove(added);
        if (!shown || !runUntil([&] { return files.rowCount() == 20000; }, 10000)) {
            state.SkipWithError("the change was not shown");
            break;
        }
    }
}
BENCHMARK(BM_BrowserFolderChange)
    ->UseManualTime()
    ->Iterations(smoke::count(3))
    ->Unit(benchmark::kMillisecond);

// A filter typed on a listed folder of 20,000 files: from setting it to the
// rows narrowed (every tenth name holds "Cone 4in").
static void BM_BrowserFilter(benchmark::State &state)
{
    const QString folder = library().flat(20000);
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath("settings.ini"), QSettings::IniFormat);
    ImpulseFiles files(settings);
    files.setActive(true);
    files.setFolder(folder);
    if (folder.isEmpty() || !runUntil([&] { return files.rowCount() == 20000; }, 120000)) {
        state.SkipWithError("the folder was not listed");
        return;
    }
    int expected = 0;
    for (int n = 0; n < 20000; ++n)
        expected += packName(n).contains("Cone 4in");
    for (auto _ : state) {
        files.setFilter(QString());
        if (!runUntil([&] { return files.rowCount() == 20000; }, 10000)) {
            state.SkipWithError("the rows did not widen again");
            break;
        }
        QElapsedTimer clock;
        clock.start();
        files.setFilter("cone 4in");
        if (!runUntil([&] { return files.rowCount() == expected; }, 10000)) {
            state.SkipWithError("the rows did not narrow");
            break;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_BrowserFilter)
    ->UseManualTime()
    ->Iterations(smoke::count(4))
    ->Unit(benchmark::kMillisecond);

// A search through a library of 20,000 files in 200 nested subfolders
// (5 cabinets, 4 microphones, 10 positions): from switching it on, with a
// filter typed, to the first match shown (the time) and to the whole tree
// searched (the counter).
static void BM_BrowserSearchTree(benchmark::State &state)
{
    const QString folder = library().nested(20000, 200);
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath("settings.ini"), QSettings::IniFormat);
    if (folder.isEmpty()) {
        state.SkipWithError("cannot make the folders (sox and hard links)");
        return;
    }
    int expected = 0;
    for (int n = 0; n < 20000; ++n)
        expected += packName(n).contains("Cone 4in");
    for (auto _ : state) {
        ImpulseFiles files(settings);
        files.setFolder(folder);
        files.setFilter("cone 4in");
        files.setActive(true);
        if (!runUntil([&] { return files.pending() == 0; }, 60000)) {
            state.SkipWithError("the folder was not listed");
            break;
        }
        Heartbeat heartbeat;
        heartbeat.start();
        QElapsedTimer clock;
        clock.start();
        files.setSearchSubfolders(true);
        double firstSeconds = -1;
        const bool whole = runUntil(
            [&] {
                if (firstSeconds < 0 && files.rowCount() > 0)
                    firstSeconds = double(clock.nsecsElapsed()) / 1e9;
                return !files.listing();
            },
            60000);
        const double wholeSeconds = double(clock.nsecsElapsed()) / 1e9;
        if (!whole || firstSeconds < 0 || files.rowCount() != expected) {
            state.SkipWithError("the tree was not searched whole");
            break;
        }
        state.SetIterationTime(firstSeconds);
        state.counters["whole_s"] = wholeSeconds;
        state.counters["stall_ms"] = heartbeat.longestMs();
    }
}
BENCHMARK(BM_BrowserSearchTree)
    ->UseManualTime()
    ->Iterations(smoke::count(3))
    ->Unit(benchmark::kMillisecond);
