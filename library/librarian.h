// Librarian: keeps the user's presets safe outside the device. Published to
// the document as `_library` beside `_core`.
//
// - backup(path): steps through every preset (jump by number), reads its
//   status and impulse, writes them all to one file, and goes back to the
//   preset that was current.
// - restore(path[, presets]): checks the whole file first, keeps a safety
//   copy of the presets about to change in the user's data folder, then for
//   each preset jumps to it, writes its status and impulse, stores it and
//   reads it back to compare.
// - exportPreset(path): the current preset as the device plays it (edits
//   included) in a file of its own; importPreset(path) applies such a file
//   to the current preset as a paste does (edited, not saved).
//
// One operation at a time; cancel() stops a backup or restore between
// presets. Every operation ends with finished(ok, message) in plain words; a
// refusal (another operation running, no device, unsaved edits, a bad file)
// ends the same way at once and sends nothing to the device.
//
// The librarian talks to the device through the link's exchanges of requests
// (link/requests.h), learns the answers from the device readout, and moves,
// pastes and captures through the preset session.
#pragma once

#include "library/preset_file.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <QVector>
#include <functional>

class DeviceReadout;
class Link;
class PendingImpulse;
class PresetSession;

class Librarian : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    // What the running operation is doing, e.g. "Reading preset 37 of 100".
    Q_PROPERTY(QString activity READ activity NOTIFY activityChanged)
    // The running operation stops at cancel() (a backup or a restore).
    Q_PROPERTY(bool cancellable READ cancellable NOTIFY busyChanged)

public:
    Librarian(Link &link, PresetSession &session, DeviceReadout &readout,
              QObject *parent = nullptr);

    // Paths may be local paths or file: URLs.
    Q_INVOKABLE void backup(const QString &path);
    Q_INVOKABLE void restore(const QString &path);
    // Only the presets with these numbers (bank x presets per bank + preset).
    Q_INVOKABLE void restore(const QString &path, const QVariantList &presets);
    Q_INVOKABLE void exportPreset(const QString &path);
    Q_INVOKABLE void importPreset(const QString &path);
    Q_INVOKABLE void cancel();

    // What a file holds, for choosing presets before a restore: "ok",
    // "message" (why not), "banks", "presetsPerBank", "firmware", "created",
    // "fits" (the connected device takes it) and "presets", a list of
    // { "number", "bank", "preset", "impulse" }.
    Q_INVOKABLE QVariantMap inspect(const QString &path) const;
    // Where restores keep their safety copies.
    Q_INVOKABLE QString safetyFolder() const;

    bool busy() const { return operation != Operation::None; }
    bool cancellable() const
    {
        return operation == Operation::Backup || operation == Operation::Restore;
    }
    QString activity() const { return activityText; }

signals:
    void busyChanged();
    void activityChanged();
    void progress(int done, int total);
    void finished(bool ok, const QString &message);

private:
    enum class Operation { None, Backup, Restore, Export, Import };
    using Step = std::function<void()>;
    using Failure = std::function<void(const QString &reason)>;

    // ---- operations, in the order they run -------------------------------
    bool refused(const QString &path, bool walksPresets);
    QString deviceRefusal(bool walksPresets) const;
    bool readChosenFile(const QString &path, const QString &verb, library::PresetFile *file,
                        QString *name);
    void begin(Operation op, const QString &path, const Step &first);
    void startWhenQueueIdle(const Step &first);
    void identify(const Step &then);
    void readPresets(const QVector<int> &numbers, const QString &verb, const Step &then);
    void readNext();
    void writeBackup();
    void keepSafetyCopy();
    void writeNext();
    void verifyWritten(const library::PresetEntry &entry);
    void restoreSummary();
    void exportCurrent();
    void goHome(bool ok, const QString &message);
    void end(bool ok, const QString &message);

    // ---- exchanges --------------------------------------------------------
    void exchange(const QList<QByteArray> &requests, bool captureImpulse, const Step &then);
    void expect(const Step &then);
    void onDone();
    void onFailed(const QString &reason);
    void failCurrent(const QString &reason);
    bool atPreset(int number) const;
    bool takeReadPreset(int number, library::PresetEntry *entry, QString *problem) const;

    void setActivity(const QString &text);
    library::PresetFile deviceFile() const;
    QString where(int number) const;
    QString fileLabel() const;

    // What the librarian uses of the device: the link's exchanges, the
    // preset session and the readout.
    struct Device {
        Link &link;
        PresetSession &session;
        DeviceReadout &readout;
        bool isOpen() const;
        bool queueEmpty() const;
        int deviceType() const;
        int bankCount() const;
        int presetsPerBank() const;
        bool hasUnsavedEdits() const;
        bool comparing() const;
        const PendingImpulse &pendingImpulse() const;
        void runRequests(const QList<QByteArray> &requests);
        void selectPreset(int preset);
        void paste(const QByteArray &statusText, const QByteArray &impulseName,
                   const QByteArray &hexImage);
        void captureImpulse();
    } device;
    Operation operation = Operation::None;
    QString activityText;
    bool cancelRequested = false;
    Step continuation;
    Failure failure;
    Step pendingStart; // the first step, waiting for the link's queue to go idle

    // What the running exchange brought back.
    int reportedBank = -1;
    int reportedPreset = -1;
    QString firmware;
    QByteArray readStatus;
    bool impulseAnswered = false;
    QByteArray readImpulseName;
    QByteArray readImpulseHex;

    // The running operation.
    QString filePath;
    int homePreset = -1;
    QVector<int> walk; // preset numbers, in the order they are visited
    int walkIndex = 0;
    QString walkVerb;
    Step afterWalk;
    library::PresetFile read;   // what the walk read from the device
    library::PresetFile source; // the file being restored or imported
    QString safetyPath;
    QStringList unverified;
    QStringList impulsesKept;
};
