// Starts the virtual device and plays the program at the other end of its pty.
#include "device_session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

DeviceSession::DeviceSession() = default;

DeviceSession::~DeviceSession()
{
    if (device.state() != QProcess::NotRunning) {
        device.kill();
        waitForExit(3000);
    }
    if (fd >= 0)
        ::close(fd);
}

QString DeviceSession::executable()
{
    return QStringLiteral(VIRTUAL_DEVICE_PATH);
}

bool DeviceSession::start(const QStringList &arguments)
{
    if (!dir.isValid())
        return false;
    QStringList all = arguments;
    all << QStringLiteral("--stats-file") << path(QStringLiteral("stats.json"))
        << QStringLiteral("--log") << path(QStringLiteral("requests.log"));
    device.setProgram(executable());
    device.setArguments(all);
    device.start();
    QElapsedTimer clock;
    clock.start();
    QByteArray out;
    while (!out.contains('\n') && clock.elapsed() < 10000 &&
           device.state() != QProcess::NotRunning) {
        spin(20);
        out += device.readAllStandardOutput();
    }
    if (!out.contains('\n')) {
        waitForExit(2000);
        errorText += device.readAllStandardError();
        return false;
    }
    const int newline = out.indexOf('\n');
    slave = QString::fromLocal8Bit(out.left(newline));
    restOfStdout = out.mid(newline + 1);

    fd = ::open(QFile::encodeName(slave).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    return true;
}

void DeviceSession::spin(int ms)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
    QThread::msleep(2);
}

bool DeviceSession::waitForExit(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (device.state() != QProcess::NotRunning && clock.elapsed() < timeoutMs)
        spin(20);
    return device.state() == QProcess::NotRunning;
}

void DeviceSession::send(const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0 && fd >= 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n > 0) {
            data += n;
            left -= n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pump(5); // the device has not read yet
        }
    }
}

int DeviceSession::sendWhatFits(const QByteArray &bytes)
{
    int sent = 0;
    while (sent < bytes.size() && fd >= 0) {
        const ssize_t n =
            ::write(fd, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent));
        if (n > 0)
            sent += static_cast<int>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break; // EAGAIN: the line is full
    }
    return sent;
}

void DeviceSession::sendInPieces(const QByteArray &bytes, int piece, int pauseMs)
{
    for (int at = 0; at < bytes.size(); at += piece) {
        send(bytes.mid(at, piece));
        QThread::msleep(static_cast<unsigned long>(pauseMs));
    }
}

void DeviceSession::pump(int waitMs)
{
    QCoreApplication::processEvents();
    if (fd < 0)
        return;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0)
        return;
    if (p.revents & POLLIN) {
        char buffer[8192];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            received.append(buffer, static_cast<int>(n));
        else if (n == 0 || (n < 0 && errno == EIO))
            hungUp = true;
    } else if (p.revents & (POLLHUP | POLLERR)) {
        hungUp = true;
    }
}

QByteArray DeviceSession::read(int count, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (received.size() < count && clock.elapsed() < timeoutMs && !hungUp)
        pump(10);
    const QByteArray out = received.left(count);
    received.remove(0, out.size());
    return out;
}

QByteArray DeviceSession::take(int waitMs)
{
    if (received.isEmpty())
        pump(waitMs);
    const QByteArray out = received;
    received.clear();
    return out;
}

QByteArray DeviceSession::readFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms && !hungUp)
        pump(5);
    const QByteArray out = received;
    received.clear();
    return out;
}

QByteArray DeviceSession::readCountingReads(int count, int *reads, int timeoutMs)
{
    *reads = 0;
    QElapsedTimer clock;
    clock.start();
    while (received.size() < count && clock.elapsed() < timeoutMs && !hungUp) {
        const int before = received.size();
        pump(10);
        if (received.size() != before)
            ++*reads;
    }
    const QByteArray out = received.left(count);
    received.remove(0, out.size());
    return out;
}

bool DeviceSession::waitForHangUp(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!hungUp && clock.elapsed() < timeoutMs)
        pump(10);
    return hungUp;
}

QByteArray DeviceSession::ask(const QByteArray &request, int answerSize)
{
    send(request);
    return read(answerSize);
}

QByteArray DeviceSession::status()
{
    const QByteArray answer = ask("gs\r\n", 3 + 86 + 1);
    if (!answer.startsWith("gs\r") || !answer.endsWith('\n') || answer.size() != 90)
        return QByteArray();
    return QByteArray::fromHex(answer.mid(3, 86));
}

QJsonObject DeviceSession::stats() const
{
    QFile file(path(QStringLiteral("stats.json")));
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}

QStringList DeviceSession::requestLog() const
{
    QFile file(path(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly))
        return QStringList();
    QStringList lines = QString::fromLatin1(file.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

int DeviceSession::stop(int signal)
{
    if (device.state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(device.processId()), signal);
        if (!waitForExit(10000))
            return -1;
    }
    restOfStdout += device.readAllStandardOutput();
    errorText += device.readAllStandardError();
    if (device.exitStatus() != QProcess::NormalExit)
        return -1;
    return device.exitCode();
}

QByteArray hexOf(const QByteArray &bytes)
{
    return bytes.toHex();
}

static void putLe(QByteArray &image, quint32 value, int size)
{
    for (int i = 0; i < size; ++i)
        image.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

QByteArray storedImage(const QByteArray &samples)
{
    const auto n = static_cast<quint32>(samples.size());
    QByteArray image("RIFF");
    putLe(image, 36 + n, 4);
    image += "WAVEfmt ";
    putLe(image, 16, 4);
    putLe(image, 1, 2);
    putLe(image, 1, 2);
    putLe(image, 48000, 4);
    putLe(image, 144000, 4);
    putLe(image, 3, 2);
    putLe(image, 24, 2);
    image += "data";
    putLe(image, n, 4);
    return image + samples;
}

QByteArray samplePattern(int count, int seed)
{
    QByteArray bytes(count, '\0');
    for (int i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 31 + seed * 7 + (i >> 5)) & 0xff);
    return bytes;
}

QByteArray presetsFile(int type, int bank, int preset, int mode, const QVector<TestPreset> &presets)
{
    QJsonArray list;
    for (const TestPreset &p : presets) {
        QJsonObject entry;
        entry[QStringLiteral("status")] = QString::fromLatin1(p.status.toHex());
        if (p.impulseName.isEmpty()) {
            entry[QStringLiteral("impulse")] = QJsonValue::Null;
        } else {
            QJsonObject impulse;
            impulse[QStringLiteral("name")] = QString::fromUtf8(p.impulseName);
            impulse[QStringLiteral("wav")] = QString::fromLatin1(p.wav.toHex());
            entry[QStringLiteral("impulse")] = impulse;
        }
        list.append(entry);
    }
    QJsonObject json;
    json[QStringLiteral("format")] = 1;
    json[QStringLiteral("type")] = type;
    json[QStringLiteral("bank")] = bank;
    json[QStringLiteral("preset")] = preset;
    json[QStringLiteral("mode")] = mode;
    json[QStringLiteral("presets")] = list;
    return QJsonDocument(json).toJson();
}

QByteArray storeCommand(const QByteArray &name, const QByteArray &image)
{
    return "cc " + name + " 0\r" + hexOf(image) + "\r";
}
