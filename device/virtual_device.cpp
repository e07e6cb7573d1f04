// Pty, request loop, answer scheduling with fault modes, logs, stats and store.
#include "virtual_device.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace vdev {

namespace {

// Stray bytes for the noise mode. No letter or digit: none of them can begin
// or continue an answer, so the answers themselves stay intact.
const QByteArray kNoiseAlphabet =
    QByteArrayLiteral("#$%&()*+,-./:;<=>?@[]^`{|}~") + QByteArray(1, '\0') + QByteArray(1, '\xff');

// Longest piece the split mode cuts: short answers in pieces of up to
// `splitMax` bytes, long ones (lists, impulse images) in about two dozen.
int largestPiece(int answerSize, int splitMax)
{
    return std::max(splitMax, answerSize / 24);
}

} // namespace

VirtualDevice::VirtualDevice(const Options &options, DeviceModel &model)
    : options(options), model(model), responder(model)
{
    releaseTimer.setSingleShot(true);
    releaseTimer.setTimerType(Qt::PreciseTimer);
    connect(&releaseTimer, &QTimer::timeout, this, &VirtualDevice::releaseDue);
    vanishTimer.setInterval(10);
    connect(&vanishTimer, &QTimer::timeout, this, &VirtualDevice::vanishWhenRead);
    partialTimer.setSingleShot(true);
    connect(&partialTimer, &QTimer::timeout, this, &VirtualDevice::abandonPartial);
    stallTimer.setSingleShot(true);
    stallTimer.setTimerType(Qt::PreciseTimer);
    connect(&stallTimer, &QTimer::timeout, this, &VirtualDevice::endStall);
    if (options.split)
        splitRandom = std::make_unique<Random>(options.splitSeed);
    if (options.noise)
        noiseRandom = std::make_unique<Random>(options.noiseSeed);
    clock.start();
}

VirtualDevice::~VirtualDevice()
{
    closePty();
}

bool VirtualDevice::open(QString *error)
{
    if (!options.requestLog.isEmpty()) {
        requestLog.setFileName(options.requestLog);
        if (!requestLog.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            *error = QStringLiteral("cannot write %1").arg(options.requestLog);
            return false;
        }
    }
    if (!options.answerLog.isEmpty()) {
        answerLog.setFileName(options.answerLog);
        if (!answerLog.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            *error = QStringLiteral("cannot write %1").arg(options.answerLog);
            return false;
        }
    }

    int slaveSide = -1;
    char name[256] = {};
    if (openpty(&master, &slaveSide, name, nullptr, nullptr) != 0) {
        *error = QStringLiteral("openpty failed: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        master = -1;
        return false;
    }
    // Raw from the start: no echo and no CR/LF translation before the
    // program opens the port and sets its own line settings.
    termios raw{};
    tcgetattr(slaveSide, &raw);
    cfmakeraw(&raw);
    tcsetattr(slaveSide, TCSANOW, &raw);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slaveSide, F_SETFD, FD_CLOEXEC);
    slaveFd = slaveSide;
    slave = QString::fromLocal8Bit(name);

    if (!options.linkPath.isEmpty()) {
        const QByteArray link = QFile::encodeName(options.linkPath);
        const QFileInfo info(options.linkPath);
        if (info.isSymLink()) {
            ::unlink(link.constData());
        } else if (info.exists()) {
            *error = QStringLiteral("%1 exists and is not a symlink").arg(options.linkPath);
            closePty();
            return false;
        }
        if (::symlink(name, link.constData()) != 0) {
            *error = QStringLiteral("cannot make the symlink %1: %2")
                         .arg(options.linkPath, QString::fromLocal8Bit(strerror(errno)));
            closePty();
            return false;
        }
        linked = true;
    }

    readNotifier = new QSocketNotifier(master, QSocketNotifier::Read, this);
    connect(readNotifier, &QSocketNotifier::activated, this, &VirtualDevice::readMaster);
    writeNotifier = new QSocketNotifier(master, QSocketNotifier::Write, this);
    writeNotifier->setEnabled(false);
    connect(writeNotifier, &QSocketNotifier::activated, this, &VirtualDevice::flushOutput);
    writeStats();
    return true;
}

void VirtualDevice::closePty()
{
    delete readNotifier;
    readNotifier = nullptr;
    delete writeNotifier;
    writeNotifier = nullptr;
    if (master >= 0)
        ::close(master);
    if (slaveFd >= 0)
        ::close(slaveFd);
    master = -1;
    slaveFd = -1;
    if (linked) {
        ::unlink(QFile::encodeName(options.linkPath).constData());
        linked = false;
    }
    releaseTimer.stop();
    partialTimer.stop();
    vanishTimer.stop();
    stallTimer.stop();
    stalling = false;
}

void VirtualDevice::shutdown()
{
    if (master >= 0 && framer.hasPartial())
        abandonPartial();
    closePty();
    saveStore();
    writeStats();
    writeTurnaround();
}

void VirtualDevice::readMaster()
{
    if (stalling)
        return;
    char buffer[8192];
    bool got = false;
    for (;;) {
        const int limit = readLimit(int(sizeof buffer));
        if (limit == 0) {
            startStall();
            return;
        }
        const ssize_t n = ::read(master, buffer, static_cast<size_t>(limit));
        if (n > 0) {
            got = true;
            framer.feed(QByteArray(buffer, static_cast<int>(n)));
            takeRequests(clock.nsecsElapsed());
            if (master < 0 || vanishing)
                break;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: all read; EIO cannot happen while the slave is held open
    }
    if (!got)
        return;
    if (framer.hasPartial() && !vanishing && master >= 0)
        partialTimer.start(options.requestTimeoutMs);
    else
        partialTimer.stop();
}

int VirtualDevice::readLimit(int bufferSize) const
{
    // --stall-after: a request reads on up to its Mth byte, then stops.
    if (options.stallAfter <= 0 || stalledThisRequest)
        return bufferSize;
    return std::clamp(options.stallAfter - framer.partialSize(), 0, bufferSize);
}

void VirtualDevice::takeRequests(qint64 readNs)
{
    Request request;
    while (master >= 0 && !vanishing && framer.next(&request)) {
        stalledThisRequest = false; // the next request may stall in its turn
        if (!options.turnaroundFile.isEmpty()) {
            // The first request after an answer measures the program's
            // turnaround; any other has nothing to measure against.
            turnaroundUs.push_back(answerOutPending ? (readNs - answerOutNs) / 1000 : -1);
            answerOutPending = false;
        }
        process(request);
    }
}

void VirtualDevice::startStall()
{
    // The device stops taking bytes, as one busy writing its flash would: the
    // line fills up and the program has to wait. The request is not
    // abandoned meanwhile, since the silence is the device's own.
    stalling = true;
    stalledThisRequest = true;
    ++counters.stalls;
    writeStats();
    readNotifier->setEnabled(false);
    partialTimer.stop();
    stallTimer.start(options.stallForMs);
}

void VirtualDevice::endStall()
{
    stalling = false;
    if (master < 0)
        return;
    readNotifier->setEnabled(true);
    if (framer.hasPartial())
        partialTimer.start(options.requestTimeoutMs); // quiet time counts from here
    readMaster();
}

void VirtualDevice::abandonPartial()
{
    if (!framer.hasPartial())
        return;
    process(framer.abandon(QStringLiteral("incomplete request, nothing more for %1 ms")
                               .arg(options.requestTimeoutMs)));
}

void VirtualDevice::process(const Request &request)
{
    ++counters.requests;
    logLine(requestLog, request.raw);

    const bool draws = Responder::drawsAnswer(request);
    bool lost = false;
    if (draws && options.dropEvery > 0)
        lost = ++answeredRequests % options.dropEvery == 0;
    // A device that stops listening for a while: everything that arrives in
    // the silence is lost, whatever it is.
    if (muteStartMs >= 0 && clock.elapsed() - muteStartMs < options.muteForMs)
        lost = true;

    if (lost) {
        // As if the request never reached the device: not carried out, no answer.
        ++counters.dropped;
    } else {
        const Reply reply = responder.handle(request);
        for (const QString &e : reply.errors) {
            ++counters.errors;
            report("error", e, request.raw);
        }
        for (const QString &w : reply.warnings) {
            ++counters.warnings;
            report("warning", w, request.raw);
        }
        if (reply.storeChanged)
            saveStore();
        if (reply.answered) {
            ++counters.answers;
            scheduleAnswer(reply.answer);
        }
        writeStats(); // before the answer leaves, so whoever has it sees the counts
        releaseDue();
    }
    if (lost)
        writeStats();

    if (options.muteAfter > 0 && counters.requests == options.muteAfter)
        muteStartMs = clock.elapsed();

    if (options.vanishAfter > 0 && counters.requests >= options.vanishAfter) {
        vanishing = true;
        flushOutput(); // closes the pty once the last answer is out
    }
}

void VirtualDevice::scheduleAnswer(const QByteArray &answer)
{
    qint64 due = std::max(clock.elapsed() + options.delayMs, lastDueMs);
    if (noiseRandom) {
        QByteArray noise;
        const int count = noiseRandom->between(1, std::max(1, options.noiseMax));
        for (int i = 0; i < count; ++i)
            noise.append(kNoiseAlphabet.at(noiseRandom->between(0, kNoiseAlphabet.size() - 1)));
        counters.noiseBytes += count;
        schedule(noise, due);
        if (splitRandom)
            due += options.splitGapMs;
    }
    if (!splitRandom) {
        schedule(answer, due);
    } else {
        const int largest = largestPiece(answer.size(), options.splitMax);
        for (int at = 0; at < answer.size(); due += options.splitGapMs) {
            const int size = std::min(splitRandom->between(1, largest), answer.size() - at);
            schedule(answer.mid(at, size), due);
            at += size;
        }
    }
}

void VirtualDevice::schedule(const QByteArray &bytes, qint64 dueMs)
{
    scheduled.push_back(Piece{bytes, dueMs});
    lastDueMs = dueMs;
    ++counters.pieces;
}

void VirtualDevice::releaseDue()
{
    const qint64 now = clock.elapsed();
    while (!scheduled.empty() && scheduled.front().dueMs <= now) {
        const QByteArray bytes = scheduled.front().bytes;
        scheduled.pop_front();
        logLine(answerLog, bytes);
        output.append(bytes);
        // Each piece on its own write, so pieces due together still leave
        // separately when the pty has room.
        flushOutput();
    }
    if (!scheduled.empty())
        releaseTimer.start(static_cast<int>(std::max<qint64>(0, scheduled.front().dueMs - now)));
    flushOutput();
}

void VirtualDevice::flushOutput()
{
    bool wrote = false;
    while (master >= 0 && !output.isEmpty()) {
        const ssize_t n = ::write(master, output.constData(), static_cast<size_t>(output.size()));
        if (n > 0) {
            output.remove(0, static_cast<int>(n));
            wrote = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            writeNotifier->setEnabled(true); // the program has not read yet
            return;
        }
        output.clear(); // nobody will ever read it
    }
    if (wrote && output.isEmpty() && scheduled.empty()) {
        answerOutNs = clock.nsecsElapsed(); // the last byte due so far has left
        answerOutPending = true;
    }
    if (writeNotifier)
        writeNotifier->setEnabled(false);
    if (vanishing && master >= 0 && scheduled.empty() && output.isEmpty() &&
        !vanishTimer.isActive()) {
        vanishClock.start();
        vanishTimer.start();
    }
}

void VirtualDevice::vanishWhenRead()
{
    // Closing the master throws away what the program has not read yet, so
    // the last answer is let through first (for at most two seconds).
    int unread = 0;
    if (::ioctl(slaveFd, TIOCINQ, &unread) == 0 && unread > 0 && vanishClock.elapsed() < 2000)
        return;
    vanishTimer.stop();
    closePty();
    saveStore();
    writeStats();
    writeTurnaround();
    emit vanished();
}

void VirtualDevice::writeStats()
{
    if (options.statsFile.isEmpty())
        return;
    QJsonObject json;
    json[QStringLiteral("requests")] = counters.requests;
    json[QStringLiteral("answers")] = counters.answers;
    json[QStringLiteral("errors")] = counters.errors;
    json[QStringLiteral("warnings")] = counters.warnings;
    json[QStringLiteral("dropped")] = counters.dropped;
    json[QStringLiteral("pieces")] = counters.pieces;
    json[QStringLiteral("noiseBytes")] = counters.noiseBytes;
    json[QStringLiteral("stalls")] = counters.stalls;
    // Written beside and renamed, so a reader never sees half a file.
    const QString temporary = options.statsFile + QStringLiteral(".part");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(QJsonDocument(json).toJson(QJsonDocument::Compact));
    file.close();
    ::rename(QFile::encodeName(temporary).constData(),
             QFile::encodeName(options.statsFile).constData());
}

void VirtualDevice::writeTurnaround()
{
    if (options.turnaroundFile.isEmpty())
        return;
    QFile file(options.turnaroundFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QByteArray text;
    text.reserve(static_cast<int>(turnaroundUs.size()) * 6);
    for (const qint64 us : turnaroundUs)
        text += QByteArray::number(us) + '\n';
    file.write(text);
}

void VirtualDevice::saveStore()
{
    if (options.storeFile.isEmpty())
        return;
    QDir().mkpath(QFileInfo(options.storeFile).absolutePath());
    QSaveFile file(options.storeFile);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QJsonDocument(model.toJson()).toJson(QJsonDocument::Indented));
    file.commit();
}

void VirtualDevice::logLine(QFile &file, const QByteArray &bytes)
{
    if (!file.isOpen())
        return;
    file.write(escaped(bytes) + '\n');
    file.flush();
}

void VirtualDevice::report(const char *kind, const QString &text, const QByteArray &request)
{
    if (options.quiet)
        return;
    QByteArray shown = escaped(request);
    if (shown.size() > 160)
        shown = shown.left(150) + "... (" + QByteArray::number(request.size()) + " bytes)";
    std::fprintf(stderr, "virtual-device: %s: %s: %s\n", kind, text.toUtf8().constData(),
                 shown.constData());
    std::fflush(stderr);
}

} // namespace vdev
