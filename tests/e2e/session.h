// End-to-end rig: the virtual device in its own process on one side of a pty,
// the program's real Core on the other. The test drives Core through its
// invokable methods only and watches its signals (PanelState) and the
// device's state: its presets file, counters, request log and answer log.
#pragma once

#include "core/core.h"
#include "device/tests/device_session.h" // storedImage, the device store format
#include "editing/preset_session.h"
#include "library/librarian.h"
#include "link/link.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <functional>
#include <memory>

namespace e2e {

// One preset as the device stores it.
struct StoredPreset {
    QByteArray status;      // 43 bytes
    QByteArray impulseName; // empty: no impulse
    QByteArray wav;         // the stored image (44-byte header and samples)

    bool operator==(const StoredPreset &o) const
    {
        return status == o.status && impulseName == o.impulseName && wav == o.wav;
    }
    bool operator!=(const StoredPreset &o) const { return !(*this == o); }
};

// The device's presets file.
struct DeviceStore {
    bool valid = false;
    int bank = 0;
    int preset = 0;
    int mode = 0;
    QVector<StoredPreset> presets;
};

// Presets per bank and banks of a device type (1, 4: 10; 2, 3: 4).
int familySize(int type);

// Varied presets inside the control ranges, the same for the same seed. Every
// fifth preset has no impulse and its cabinet off; the impulse names have
// spaces in them, as the device's own do.
QVector<StoredPreset> makePresets(int type, quint32 seed);

// How the device starts.
struct DeviceSetup {
    int type = 2;
    QVector<StoredPreset> presets; // the presets file; empty: factory presets, no file
    int bank = 0;
    int preset = 0;
    int mode = 0;
    QByteArray firmware = "2.03";
    QStringList faults; // further options: --split, --noise, --delay, ...
    bool answerLog = true;
};

// Last value of every named publication, and how many there were.
class PanelState : public QObject {
public:
    explicit PanelState(Core *core);

    QHash<QString, int> values;    // sgReadValue
    QHash<QString, QString> texts; // sgReadText
    QHash<QString, int> counts;    // publications per name, both kinds
    bool busy = false;             // the last sgSetWait
    int errReports = 0;            // sgAnswerErrSave
    QString lastErrCommand;
    int portClosedReports = 0; // sgPortOpen(false, ...)
    QList<uchar> upDownQuestions;
    QList<uchar> changeQuestions;
    int notSupported = 0;
    int editOn = 0; // sgSetEdit(true)
    int editOff = 0;

    int count(const QString &name) const { return counts.value(name); }
    int value(const QString &name) const { return values.value(name, -9999); }
};

class Session {
public:
    Session();
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // ---- device ----------------------------------------------------------
    // Starts the device (writing its presets file first); false on failure.
    bool startDevice(const DeviceSetup &setup);
    // A new device process on the presets file the last one left.
    bool restartDevice(const QStringList &faults = {});
    // SIGTERM and wait; returns the exit code, -1 when it did not end.
    int stopDevice();
    bool deviceRunning() const;
    QString portPath() const { return slave; }
    QString file(const QString &name) const { return dir.filePath(name); }

    QJsonObject stats() const;
    int deviceErrors() const { return stats().value(QStringLiteral("errors")).toInt(-1); }
    int deviceWarnings() const { return stats().value(QStringLiteral("warnings")).toInt(-1); }
    // Every request the device received, as received.
    QList<QByteArray> requests() const;
    // Every byte the device sent, pieces joined.
    QByteArray answerStream() const;
    // The 43 bytes of the last status answer the device sent; empty if none.
    QByteArray lastStatusAnswer() const;
    DeviceStore store() const;
    QByteArray deviceStderr();

    // ---- program ---------------------------------------------------------
    // Creates Core (and the PanelState watching it) if there is none.
    Core &core();
    PanelState &state() { return *panel; }
    void destroyCore();
    // The librarian on Core's parts, as the panel makes it.
    Librarian librarian()
    {
        return Librarian(core().deviceLink(), core().presetSession(), core().deviceReadout(),
                         core().settingsStore());
    }

    bool openPort();
    // Device, Core, open, start-up burst sent at once (not at the next tick)
    // and answered.
    bool start(const DeviceSetup &setup);

    // Nothing queued, nothing deferred, busy state ended.
    bool idle();
    bool waitIdle(int timeoutMs = 10000);
    // A fresh request sent through the program and answered: afterwards every
    // earlier answer has been dispatched too (the device answers in order).
    bool settle(int timeoutMs = 10000);
    // The device's edit buffer, read with "gs" through the program; the
    // program publishes it meanwhile.
    QByteArray readLiveStatus();

    // Spins the event loop until `condition` holds; false on time-out.
    static bool waitFor(const std::function<bool()> &condition, int timeoutMs);
    static void spin(int ms);

    // Compares the 70 status publications with `status`; empty when equal,
    // otherwise the differences.
    QString statusMismatch(const QByteArray &status) const;

private:
    bool launch(const QStringList &arguments);

    QTemporaryDir dir;
    QProcess device;
    DeviceSetup setup;
    QString slave;
    QByteArray stderrText;
    std::unique_ptr<Core> corePtr;
    std::unique_ptr<PanelState> panel;
};

// A status as 86 lowercase hex digits, for messages.
QString hexText(const QByteArray &bytes);

} // namespace e2e
