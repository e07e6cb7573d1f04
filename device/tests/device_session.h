// Test side of the virtual device: starts the executable, reads the port path
// from its first line, opens the port as the program would (raw termios) and
// talks to it byte for byte. Also builds the stored-impulse images and preset
// files the tests feed it, stated here independently of the device's code.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

struct TestPreset {
    QByteArray status;      // 43 bytes
    QByteArray impulseName; // empty: no impulse
    QByteArray wav;         // stored image
};

class DeviceSession {
public:
    DeviceSession();
    ~DeviceSession();

    // Starts virtual-device with `arguments` (plus --stats-file and --log in
    // the session's folder) and opens its port. False on failure.
    bool start(const QStringList &arguments);
    QString slavePath() const { return slave; }
    QString path(const QString &name) const { return dir.filePath(name); }
    QProcess &process() { return device; }

    void send(const QByteArray &bytes);
    // Writes as much of `bytes` as the line takes without waiting; returns
    // how many bytes that was.
    int sendWhatFits(const QByteArray &bytes);
    // Writes `bytes` in pieces of `piece` bytes with `pauseMs` between them.
    void sendInPieces(const QByteArray &bytes, int piece, int pauseMs);
    // Waits until `count` bytes have arrived (or `timeoutMs`); returns them.
    QByteArray read(int count, int timeoutMs = 5000);
    // Returns whatever arrives within `ms`.
    QByteArray readFor(int ms);
    // Waits up to `waitMs` for bytes; returns everything received so far.
    QByteArray take(int waitMs);
    // Sends `request` and reads an answer of `answerSize` bytes.
    QByteArray ask(const QByteArray &request, int answerSize);
    // The 43 status bytes of the edit buffer, read with "gs".
    QByteArray status();
    // Reads separately: how many reads the next `count` bytes took.
    QByteArray readCountingReads(int count, int *reads, int timeoutMs = 5000);
    // True once the port reports hang-up (the device closed its side).
    bool waitForHangUp(int timeoutMs = 5000);

    QJsonObject stats() const;
    QStringList requestLog() const;
    // Sends `signal` and waits for the process to end; -1 when it did not.
    int stop(int signal = 15);
    // Everything the device wrote to stdout after the first line.
    QByteArray stdoutRest() const { return restOfStdout; }
    QByteArray stderrText() const { return errorText; }

    static QString executable();

    // Runs the event loop until the process has ended.
    bool waitForExit(int timeoutMs);

private:
    void pump(int waitMs);
    void spin(int ms);

    QTemporaryDir dir;
    QProcess device;
    QString slave;
    int fd = -1;
    bool hungUp = false;
    QByteArray received;
    QByteArray restOfStdout;
    QByteArray errorText;
};

// Lowercase hex text, two digits a byte.
QByteArray hexOf(const QByteArray &bytes);
// A 48000 Hz, 24-bit mono WAV image as the device stores it.
QByteArray storedImage(const QByteArray &samples);
// `count` bytes of a recognisable sample pattern.
QByteArray samplePattern(int count, int seed);
// A presets file for the device's --store option.
QByteArray presetsFile(int type, int bank, int preset, int mode,
                       const QVector<TestPreset> &presets);
// "cc NAME 0\r" + image hex + "\r"
QByteArray storeCommand(const QByteArray &name, const QByteArray &image);
