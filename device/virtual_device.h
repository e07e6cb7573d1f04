// The virtual device on its pseudo-terminal: reads requests from the master
// side, hands them to the responder, writes the answers back (through the
// fault modes when they are switched on), keeps the request, answer and
// statistics files and the optional JSON store of the presets.
#pragma once

#include "framer.h"
#include "model.h"
#include "protocol.h"
#include "responder.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace vdev {

struct Options {
    int type = 1;
    QByteArray firmware = "2.03";
    QString linkPath;       // symlink to the slave, removed at exit
    QString requestLog;     // one escaped line per request received
    QString answerLog;      // one escaped line per piece written
    QString statsFile;      // JSON counters, rewritten after every request
    QString storeFile;      // JSON presets kept across runs
    QString turnaroundFile; // per request: time since the last answer left, written at exit

    bool split = false; // answers in random small pieces
    quint64 splitSeed = 0;
    int splitMax = 6;   // largest piece of a short answer
    int splitGapMs = 2; // pause between pieces
    int delayMs = 0;    // pause before each answer
    int dropEvery = 0;  // every Nth answered request is lost
    bool noise = false; // stray bytes before each answer
    quint64 noiseSeed = 0;
    int noiseMax = 4;
    int vanishAfter = 0; // close the pty after the Nth request
    int muteAfter = 0;   // after the Nth request, lose every request for muteForMs
    int muteForMs = 3000;
    int stallAfter = 0;          // stop reading once a request has this many bytes in...
    int stallForMs = 3000;       // ...for this long (each request once)
    int requestTimeoutMs = 2000; // an incomplete request is abandoned after this quiet time
    bool quiet = false;          // no error lines on stderr
};

struct Stats {
    int requests = 0;
    int answers = 0;
    int errors = 0;
    int warnings = 0;
    int dropped = 0;
    int pieces = 0;
    int noiseBytes = 0;
    int stalls = 0;
};

class VirtualDevice : public QObject {
    Q_OBJECT
public:
    VirtualDevice(const Options &options, DeviceModel &model);
    ~VirtualDevice() override;

    // Opens the pty pair and the log files, makes the symlink. False with a
    // message on failure.
    bool open(QString *error);
    QString slavePath() const { return slave; }
    const Stats &stats() const { return counters; }
    // Closes the pty, removes the symlink, saves the store and the stats.
    void shutdown();
    // Writes the presets to the store file, if one was given.
    void saveStore();

signals:
    // The pty was closed after the vanish count was reached.
    void vanished();

private:
    void readMaster();
    int readLimit(int bufferSize) const;
    void takeRequests(qint64 readNs);
    void startStall();
    void endStall();
    void process(const Request &request);
    void scheduleAnswer(const QByteArray &answer);
    void schedule(const QByteArray &bytes, qint64 dueMs);
    void releaseDue();
    void flushOutput();
    void writeStats();
    void writeTurnaround();
    void logLine(QFile &file, const QByteArray &bytes);
    void report(const char *kind, const QString &text, const QByteArray &request);
    void abandonPartial();
    void closePty();
    void vanishWhenRead();

    Options options;
    DeviceModel &model;
    Responder responder;
    Framer framer;
    Stats counters;

    int master = -1;
    int slaveFd = -1; // held open so the master never reads a hang-up between program runs
    QString slave;
    bool linked = false;
    bool vanishing = false;
    int answeredRequests = 0;
    qint64 muteStartMs = -1;         // when the silence of --mute-after began
    bool stalledThisRequest = false; // --stall-after: the request under way has stalled
    bool stalling = false;

    QSocketNotifier *readNotifier = nullptr;
    QSocketNotifier *writeNotifier = nullptr;
    QTimer releaseTimer;
    QTimer partialTimer;
    QTimer vanishTimer;
    QTimer stallTimer;
    QElapsedTimer vanishClock;
    QElapsedTimer clock;

    struct Piece {
        QByteArray bytes;
        qint64 dueMs;
    };
    std::deque<Piece> scheduled;
    qint64 lastDueMs = 0;
    QByteArray output; // due bytes the pty has not taken yet

    // Turnaround: when the last byte of the latest answer left, whether a
    // request has come in since, and one figure per request received.
    qint64 answerOutNs = 0;
    bool answerOutPending = false;
    std::vector<qint64> turnaroundUs;

    std::unique_ptr<Random> splitRandom;
    std::unique_ptr<Random> noiseRandom;
    QFile requestLog;
    QFile answerLog;
};

} // namespace vdev
