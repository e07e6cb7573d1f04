// The librarian against the virtual device without delay: a backup of all 100
// presets, a restore that changes every one of them (status and impulse), and
// a restore of the device's own backup (every preset already matches), each
// timed from the call to its outcome, the restore's question answered at once. The restore's floor
// is the protocol's own pacing, 20 ms after every 500-byte piece of an impulse store; what it takes
// beyond that is the program, the pty and the device.
#include "core/core.h"
#include "library/librarian.h"
#include "library/preset_file.h"
#include "link/link.h"
#include "link/paced_writer.h"
#include "support/device_process.h"
#include "support/smoke.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

// The start-up reading (7), then learning what the device stores (esc, gs).
constexpr size_t startupRequests = 9;

// The device, Core connected to it with the start-up read done, and a
// librarian; or a reason why not.
struct Rig {
    DeviceProcess device;
    Core core;
    Librarian library{core.deviceLink(), core.presetSession(), core.deviceReadout(),
                      core.settingsStore()};
    QString error;

    bool start()
    {
        if (!device.start({"--type", "1"}, &error))
            return false;
        if (!core.openPort(device.port())) {
            error = QStringLiteral("cannot open the device's port");
            return false;
        }
        core.slTimer();
        QEventLoop loop;
        QObject::connect(&core, &Core::sgSetWait, &loop, [&](bool wait) {
            if (!wait)
                loop.quit();
        });
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        if (!core.deviceLink().queueEmpty()) {
            error = QStringLiteral("the start-up requests did not finish");
            return false;
        }
        return true;
    }

    // Runs one operation to its end; seconds taken, or a negative number.
    double run(const std::function<void()> &operation, int timeoutMs)
    {
        QEventLoop loop;
        bool ok = false;
        QObject::connect(&library, &Librarian::finished, &loop,
                         [&](bool success, const QString &message) {
                             ok = success;
                             error = message;
                             loop.quit();
                         });
        QObject::connect(&library, &Librarian::askingChanged, &loop, [&] {
            if (library.asking())
                library.confirm();
        });
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        operation();
        if (library.busy())
            loop.exec();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        return ok ? seconds : -1;
    }
};

// Every preset of `file` changed: one parameter and the last sample byte.
library::PresetFile changed(library::PresetFile file)
{
    for (library::PresetEntry &p : file.presets) {
        const int master = p.status.mid(14, 2).toInt(nullptr, 16);
        p.status.replace(14, 2, QByteArray::number((master + 1) % 101, 16).rightJustified(2, '0'));
        if (p.hasImpulse())
            p.impulseImage[p.impulseImage.size() - 1] = char(p.impulseImage.back() ^ 0x55);
    }
    return file;
}

// The pauses the protocol prescribes for storing the impulses of `file`, of
// the presets numbered in `only` when it is not empty.
double pacingFloor(const library::PresetFile &file, const QVariantList &only)
{
    double seconds = 0;
    for (const library::PresetEntry &p : file.presets) {
        if (!p.hasImpulse() || (!only.isEmpty() && !only.contains(file.number(p))))
            continue;
        // "cc NAME 0\r" + the image as hex + "\r"
        const int bytes = 6 + p.impulseName.size() + 2 * p.impulseImage.size() + 1;
        const int pieces = (bytes + PacedWriter::pieceSize - 1) / PacedWriter::pieceSize;
        seconds += pieces * PacedWriter::pauseMs / 1000.0;
    }
    return seconds;
}

void BM_LibraryBackup(benchmark::State &state)
{
    for (auto _ : state) {
        Rig rig;
        QTemporaryDir dir;
        if (!rig.start()) {
            state.SkipWithError(rig.error.toUtf8().constData());
            return;
        }
        const QString path = dir.filePath(QStringLiteral("backup.json"));
        const double seconds = rig.run([&] { rig.library.backup(path); }, 60000);
        state.SetIterationTime(std::max(seconds, 0.0));
        library::PresetFile file;
        QString error;
        if (seconds < 0 || !library::readFile(path, &file, &error) || file.presets.size() != 100) {
            state.SkipWithError(("the backup failed: " + rig.error + error).toUtf8().constData());
            return;
        }
        if (!rig.device.stop() || rig.device.errors() != 0) {
            state.SkipWithError("the device saw malformed requests");
            return;
        }
        // The program's share: from each answer to the next request, for the
        // backup's requests but its first (which follows the start-up read).
        const std::vector<double> turnaround = rig.device.turnaround();
        double waiting = 0;
        for (size_t i = startupRequests + 1; i < turnaround.size(); ++i)
            waiting += std::max(turnaround[i], 0.0) / 1e6;
        state.counters["program_share"] = waiting / seconds;
        state.counters["file_mb"] = double(QFileInfo(path).size()) / 1e6;
    }
}
BENCHMARK(BM_LibraryBackup)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_LibraryRestore(benchmark::State &state)
{
    for (auto _ : state) {
        Rig rig;
        QTemporaryDir dir;
        if (!rig.start()) {
            state.SkipWithError(rig.error.toUtf8().constData());
            return;
        }
        const QString original = dir.filePath(QStringLiteral("backup.json"));
        library::PresetFile file;
        QString error;
        if (rig.run([&] { rig.library.backup(original); }, 60000) < 0 ||
            !library::readFile(original, &file, &error)) {
            state.SkipWithError("the backup before the restore failed");
            return;
        }
        const library::PresetFile other = changed(file);
        const QString path = dir.filePath(QStringLiteral("changed.json"));
        if (!library::writeFile(path, other, &error)) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }

        // The smoke run restores four presets: all of them spend 46 s in the
        // protocol's pauses.
        const QVariantList only = smoke::on() ? QVariantList{0, 1, 2, 3} : QVariantList();
        const QStringList copiesBefore = QDir(rig.library.safetyFolder()).entryList(QDir::Files);
        const double seconds = rig.run(
            [&] {
                if (only.isEmpty())
                    rig.library.restore(path);
                else
                    rig.library.restore(path, only);
            },
            180000);
        // The safety copies this run made are not kept.
        for (const QString &copy : QDir(rig.library.safetyFolder()).entryList(QDir::Files)) {
            if (!copiesBefore.contains(copy))
                QFile::remove(QDir(rig.library.safetyFolder()).filePath(copy));
        }
        state.SetIterationTime(std::max(seconds, 0.0));
        if (seconds < 0) {
            state.SkipWithError(("the restore failed: " + rig.error).toUtf8().constData());
            return;
        }
        if (!rig.device.stop() || rig.device.errors() != 0) {
            state.SkipWithError("the device saw malformed requests");
            return;
        }
        const double floor = pacingFloor(other, only);
        state.counters["pacing_floor_s"] = floor;
        state.counters["beyond_pacing_s"] = seconds - floor;
    }
}
BENCHMARK(BM_LibraryRestore)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(smoke::count(3))
    ->Unit(benchmark::kMillisecond);

// The device's own backup put back: every preset is read and compared, none
// is written, no impulse goes out.
void BM_LibraryRestoreUnchanged(benchmark::State &state)
{
    for (auto _ : state) {
        Rig rig;
        QTemporaryDir dir;
        if (!rig.start()) {
            state.SkipWithError(rig.error.toUtf8().constData());
            return;
        }
        const QString path = dir.filePath(QStringLiteral("backup.json"));
        if (rig.run([&] { rig.library.backup(path); }, 60000) < 0) {
            state.SkipWithError("the backup before the restore failed");
            return;
        }
        const double seconds = rig.run([&] { rig.library.restore(path); }, 60000);
        state.SetIterationTime(std::max(seconds, 0.0));
        if (seconds < 0 || !rig.error.startsWith(QLatin1String("Nothing needed restoring"))) {
            state.SkipWithError(("the restore wrote or failed: " + rig.error).toUtf8().constData());
            return;
        }
        if (!rig.device.stop() || rig.device.errors() != 0) {
            state.SkipWithError("the device saw malformed requests");
            return;
        }
    }
}
BENCHMARK(BM_LibraryRestoreUnchanged)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);

} // namespace
