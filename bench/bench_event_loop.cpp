// How long the event loop stands still while an impulse goes out. A long
// command leaves in 500-byte pieces with a pause of at least 20 ms after
// each, on a precise timer once the driver has taken the piece, so the loop
// keeps running between the pieces: drawing, progress and other input go on.
//
// BM_ImpulseStall: the program against the virtual device: a preview
// (setImpuls) and a full store (saving a previewed file), each from the call
// to the queue running dry. A heartbeat timer every 2 ms shows the longest
// spell without an event-loop turn.
//
// BM_PacedStore: the same store command written to a pty whose far end
// timestamps every read in another process, once the way the program did
// before (each piece forced onto the driver with flush(), then a 20 ms sleep)
// and once by the program's pacing. It gives the time each takes to send the
// command, their ratio, the spacing of the pieces on the wire and the
// longest stall of the program's way.
//
// BM_HeartbeatIdle: the same heartbeat with nothing to do, the stall floor
// the machine sets on its own.
#include "core/core.h"
#include "impulse/wav_format.h"
#include "impulse/wav_image.h"
#include "link/link.h"
#include "link/paced_writer.h"
#include "link/requests.h"
#include "support/device_process.h"
#include "support/figures.h"
#include "support/heartbeat.h"
#include "support/impulse_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSerialPort>
#include <QThread>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int pieceSize = 500;
constexpr int piecePauseMs = 20;

// Runs `action` from the event loop, as a click would, and the loop until
// the queue has drained. Returns the seconds from the action to the drain,
// or a negative number when it did not drain within `timeoutMs`.
double runFromEventLoop(Core &core, const std::function<void()> &action, int timeoutMs)
{
    QEventLoop loop;
    QElapsedTimer clock;
    bool started = false;
    const auto idle = QObject::connect(&core, &Core::sgSetWait, &loop, [&](bool wait) {
        if (!wait && started)
            loop.quit();
    });
    QTimer::singleShot(10, &loop, [&] {
        started = true;
        clock.start();
        action();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(idle);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return started && core.deviceLink().queueEmpty() ? seconds : -1;
}

// Argument 0: preview of a chosen file; 1: full store of a previewed file.
void BM_ImpulseStall(benchmark::State &state)
{
    const bool store = state.range(0) == 1;
    FullSizeFile file;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(file.dir.path()); // the store writes wav.wav here
    for (auto _ : state) {
        DeviceProcess device;
        QString error;
        if (!device.start({"--type", "1"}, &error)) {
            state.SkipWithError(error.toUtf8().constData());
            break;
        }
        Core core;
        if (!core.openPort(device.port()) || runFromEventLoop(
                                                 core, [&] { core.slTimer(); }, 20000) < 0) {
            state.SkipWithError("the start-up requests did not finish");
            break;
        }
        if (store && runFromEventLoop(
                         core, [&] { core.setImpuls(file.path); }, 20000) < 0) {
            state.SkipWithError("the preview did not finish");
            break;
        }

        Heartbeat heartbeat;
        heartbeat.start();
        const double seconds = runFromEventLoop(
            core,
            [&] {
                if (store)
                    core.slSaveUpDown(0);
                else
                    core.setImpuls(file.path);
            },
            30000);
        const double stall = heartbeat.longestMs();
        if (seconds < 0 || !device.stop() || device.errors() != 0) {
            state.SkipWithError("the impulse did not go out cleanly");
            break;
        }
        state.SetIterationTime(seconds);
        state.counters["stall_ms"] = stall;
        state.counters["total_ms"] = seconds * 1e3;
    }
    QDir::setCurrent(previous);
}
BENCHMARK(BM_ImpulseStall)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The heartbeat with nothing else to do for a second: the longest gap the
// machine itself gives, the floor of the stall figures.
void BM_HeartbeatIdle(benchmark::State &state)
{
    for (auto _ : state) {
        Heartbeat heartbeat;
        QEventLoop loop;
        heartbeat.start();
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
        state.counters["stall_ms"] = heartbeat.longestMs();
    }
}
BENCHMARK(BM_HeartbeatIdle)->Iterations(1)->Unit(benchmark::kMillisecond);

// The far end of a pty in a child process: timestamps every read until
// `expected` bytes have come, then hands the timestamps back through a pipe.
class WireClock {
public:
    explicit WireClock(int expected)
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return;
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        // The port opens the slave by name; this end stays open meanwhile,
        // or the child's first read could meet a hang-up instead of bytes.
        slavePath = QString::fromLocal8Bit(name);
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return;
        child = fork();
        if (child == 0) {
            // Only async-signal-safe calls from here on.
            ::close(pipeFds[0]);
            static Read reads[maxReads];
            int count = 0;
            int total = 0;
            char buffer[4096];
            while (total < expected && count < maxReads) {
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                timespec t{};
                clock_gettime(CLOCK_MONOTONIC, &t);
                reads[count++] = Read{qint64(t.tv_sec) * 1000000000 + t.tv_nsec, int(n)};
                total += int(n);
            }
            const char *bytes = reinterpret_cast<const char *>(reads);
            size_t left = size_t(count) * sizeof(Read);
            while (left > 0) {
                const ssize_t n = ::write(pipeFds[1], bytes, left);
                if (n <= 0)
                    break;
                bytes += n;
                left -= size_t(n);
            }
            _exit(0);
        }
        ::close(pipeFds[1]);
        result = pipeFds[0];
    }
    ~WireClock()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
        if (result >= 0)
            ::close(result);
        if (child > 0)
            ::waitpid(child, nullptr, 0);
    }
    bool isValid() const { return child > 0 && result >= 0; }
    QString port() const { return slavePath; }

    // Waits for the child's timestamps and gives the spacing, in ms, between
    // the first reads of consecutive pieces (a piece is what arrives with
    // less than 5 ms between reads).
    std::vector<double> pieceSpacingMs(int *bytes)
    {
        // The child answers once every byte has come; a child still waiting
        // after five seconds never will.
        QByteArray answer;
        pollfd ready{result, POLLIN, 0};
        char buffer[4096];
        while (::poll(&ready, 1, 5000) == 1) {
            const ssize_t n = ::read(result, buffer, sizeof buffer);
            if (n <= 0)
                break;
            answer.append(buffer, int(n));
        }
        ::kill(child, SIGKILL);
        std::vector<Read> reads(size_t(answer.size()) / sizeof(Read));
        std::memcpy(reads.data(), answer.constData(), reads.size() * sizeof(Read));
        *bytes = 0;
        std::vector<double> spacing;
        qint64 pieceStart = -1;
        qint64 lastRead = -1;
        for (const Read &read : reads) {
            *bytes += read.bytes;
            if (lastRead < 0 || read.ns - lastRead > 5000000) {
                if (pieceStart >= 0)
                    spacing.push_back(double(read.ns - pieceStart) / 1e6);
                pieceStart = read.ns;
            }
            lastRead = read.ns;
        }
        return spacing;
    }

private:
    struct Read {
        qint64 ns;
        int bytes;
    };
    static constexpr int maxReads = 8192;
    int master = -1;
    int slave = -1;
    int result = -1;
    pid_t child = -1;
    QString slavePath;
};

// The reference: the pacing as it was, each piece handed to the driver with
// flush() and followed by a 20 ms sleep. Returns the seconds it took.
double sendWithSleeps(QSerialPort &port, const QByteArray &command)
{
    QElapsedTimer clock;
    clock.start();
    for (int from = 0; from < command.size(); from += pieceSize) {
        port.write(command.mid(from, pieceSize));
        port.flush();
        QThread::msleep(piecePauseMs);
    }
    return double(clock.nsecsElapsed()) / 1e9;
}

// The program's pacing step on the store command, run from the event loop
// until the pause after the last piece. Returns the seconds it took (negative
// when it did not finish) and the longest stall meanwhile.
double sendPaced(const QString &portName, const QByteArray &command, double *stallMs)
{
    Core core;
    Link &link = core.deviceLink();
    if (!core.openPort(portName))
        return -1;
    QEventLoop loop;
    QElapsedTimer clock;
    double seconds = -1;
    // The end of the pieces, looked for every millisecond.
    QTimer watch;
    watch.setTimerType(Qt::PreciseTimer);
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (link.sendingInPieces())
            return;
        seconds = double(clock.nsecsElapsed()) / 1e9;
        loop.quit();
    });
    Heartbeat heartbeat;
    heartbeat.start();
    QTimer::singleShot(10, &loop, [&] {
        clock.start();
        link.drain(); // what the opening queued
        link.send(command);
        link.startSending();
        watch.start(1);
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    *stallMs = heartbeat.longestMs();
    return seconds;
}

QByteArray fullStoreCommand()
{
    FullSizeFile file;
    const QByteArray bytes = wav::readHead(file.path);
    const wav::Decoded decoded = wav::decode(bytes.constData(), bytes.size());
    return requests::storeImpulse("Full_Cab", wav::hexText(wav::deviceImage(decoded.samples)));
}

// Each repetition sends the store both ways, each to its own pty, and
// reports the program's figures with the ratio of their times to send.
void BM_PacedStore(benchmark::State &state)
{
    const QByteArray command = fullStoreCommand();
    const auto spacingOf = [&](WireClock &wire, std::vector<double> *spacing) {
        int bytes = 0;
        *spacing = wire.pieceSpacingMs(&bytes);
        return bytes == command.size() && !spacing->empty();
    };
    for (auto _ : state) {
        WireClock sleepWire(command.size());
        WireClock pacedWire(command.size());
        QSerialPort port;
        port.setPortName(sleepWire.port());
        port.setBaudRate(9600);
        port.setFlowControl(QSerialPort::HardwareControl);
        if (!sleepWire.isValid() || !pacedWire.isValid() || !port.open(QIODevice::ReadWrite)) {
            state.SkipWithError("no pty");
            break;
        }
        const double sleepSeconds = sendWithSleeps(port, command);
        port.close();
        double stall = 0;
        const double seconds = sendPaced(pacedWire.port(), command, &stall);

        // The start-up requests the program queued on opening are not sent:
        // its timer is held. Only the store command crosses the wire.
        std::vector<double> sleepSpacing;
        std::vector<double> spacing;
        if (seconds < 0 || !spacingOf(sleepWire, &sleepSpacing) ||
            !spacingOf(pacedWire, &spacing)) {
            state.SkipWithError("the store command did not cross the wire whole");
            break;
        }
        state.SetIterationTime(seconds);
        state.counters["stall_ms"] = stall;
        state.counters["sleep_send_s"] = sleepSeconds;
        state.counters["send_ratio"] = seconds / sleepSeconds;
        state.counters["pieces"] = double(spacing.size() + 1);
        state.counters["spacing_median_ms"] = figures::median(spacing);
        state.counters["spacing_min_ms"] = figures::percentile(spacing, 0.0);
        state.counters["sleep_spacing_median_ms"] = figures::median(sleepSpacing);
        state.counters["sleep_spacing_min_ms"] = figures::percentile(sleepSpacing, 0.0);
    }
}
BENCHMARK(BM_PacedStore)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
