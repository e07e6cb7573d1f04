// Librarian: keeps the user's presets safe outside the device. Published to
// the document as `_library` beside `_core`.
//
// - backup(path): checks the destination (library/destination.h), steps
//   through every preset (jump by number), reads its status and impulse,
//   writes them all to one file, and goes back to the preset that was
//   current.
// - restore(path[, presets]): checks the whole file first, reads what the
//   chosen presets hold now, and compares: presets that already hold what the
//   file holds are skipped. For the others it goes back to the current
//   preset and asks (`asking`, `question`, `plan`); confirm() keeps a safety
//   copy of what they hold (library/safety_copies.h), then writes them one
//   by one (jump, write the status, store the impulse only where it
//   differs, store the preset, read it back to compare); cancel() writes
//   nothing and keeps no copy.
// - exportPreset(path): checks the destination, then writes the current
//   preset as the device plays it (edits included) in a file of its own;
//   importPreset(path) applies such a file to the current preset as a paste
//   does (edited, not saved).
//
// - readAll(): the same walk as the backup's, reading each preset's
//   position, status and impulse name (not its image) for the panel's preset
//   map, then back to the preset that was current. It does not refuse unsaved
//   edits: the panel asks about them first, and the walk leaves them.
//
// One operation at a time; cancel() stops a backup, restore or reading
// between presets. `step` and `progress` say what the running operation is doing and
// how far it is, for every display of it. Every operation ends with
// finished(ok, message) in plain words; a refusal (another operation
// running, no device, unsaved edits, a bad file) ends the same way at once
// and sends nothing to the device.
//
// The librarian talks to the device through the link's exchanges of requests
// (link/requests.h), learns the answers from the device readout, and moves,
// pastes and captures through the preset session.
#pragma once

#include "library/preset_file.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>
#include <QVector>
#include <functional>

class DeviceReadout;
class Link;
class PendingImpulse;
class PresetSession;
class QSettings;

class Librarian : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    // What the running operation is doing, e.g. "Reading preset 37 of 100".
    Q_PROPERTY(QString step READ step NOTIFY stepChanged)
    // How far the running step is, from 0 to 1.
    Q_PROPERTY(qreal progress READ progress NOTIFY progressChanged)
    // The running operation stops at cancel() (a backup or a restore).
    Q_PROPERTY(bool cancellable READ cancellable NOTIFY busyChanged)
    // A restore has read and compared, and waits for confirm() or cancel().
    Q_PROPERTY(bool asking READ asking NOTIFY askingChanged)
    // What the restore will change, in words, while it asks.
    Q_PROPERTY(QString question READ question NOTIFY askingChanged)
    // The same in numbers: "presets" to write, "parameterSets",
    // "impulses" (to store) with their "impulseNames", "removals" (impulses
    // the file has none for), "matching" (skipped) and "safetyCopy" (its
    // path once the confirmed restore has written it, else empty).
    Q_PROPERTY(QVariantMap plan READ plan NOTIFY askingChanged)
    // Where the file dialogs start: the folder of the last backup or export
    // written, else the user's documents folder (made when it is missing),
    // else the home folder.
    Q_PROPERTY(QUrl folder READ folder NOTIFY folderChanged)

public:
    Librarian(Link &link, PresetSession &session, DeviceReadout &readout, QSettings &settings,
              QObject *parent = nullptr);

    // Paths may be local paths or file: URLs.
    Q_INVOKABLE void backup(const QString &path);
    Q_INVOKABLE void restore(const QString &path);
    // Only the presets with these numbers (bank x presets per bank + preset).
    Q_INVOKABLE void restore(const QString &path, const QVariantList &presets);
    Q_INVOKABLE void exportPreset(const QString &path);
    Q_INVOKABLE void importPreset(const QString &path);
    Q_INVOKABLE void readAll();
    Q_INVOKABLE void cancel();
    // The restore that asks goes on and writes.
    Q_INVOKABLE void confirm();

    // What a file holds, for choosing presets before a restore: "ok",
    // "message" (why not), "banks", "presetsPerBank", "firmware", "created",
    // "fits" (the connected device takes it) and "presets", a list of
    // { "number", "bank", "preset", "place" ("2-3"), "impulse" }.
    Q_INVOKABLE QVariantMap inspect(const QString &path) const;
    // Where restores keep their safety copies.
    Q_INVOKABLE QString safetyFolder() const;
    // The names the save dialogs suggest: "Vortaxa backup 2026-12-08.json",
    // "Preset 2-3.json".
    Q_INVOKABLE QString backupName() const;
    Q_INVOKABLE QString exportName(int bank, int preset) const;

    bool busy() const { return operation != Operation::None; }
    bool cancellable() const
    {
        return operation == Operation::Backup || operation == Operation::Restore ||
               operation == Operation::ReadAll;
    }
    // The running operation is a readAll().
    bool readingAll() const { return operation == Operation::ReadAll; }
    // The folder of a file written is kept for the next dialog (the panel);
    // the command line leaves the panel's settings alone.
    void setRemembersFolder(bool remember) { remembersFolder = remember; }
    // How a safety copy is put back, as the outcome's messages say it: a
    // phrase for the copy's path ("restore it from the Library page").
    void setRestoreAdvice(const std::function<QString(const QString &path)> &advice);

    // The last backup, restore, export or import ended because of its file:
    // one that could not be read, written or used (it does not fit the
    // device, or holds the wrong presets), or a safety copy not written.
    bool fileFailed() const { return fileProblem; }

    QString step() const { return stepText; }
    qreal progress() const { return fraction; }
    bool asking() const { return waitingForAnswer; }
    QString question() const { return questionText; }
    QVariantMap plan() const;
    QUrl folder() const;

signals:
    void busyChanged();
    void stepChanged();
    void progressChanged();
    void askingChanged();
    void folderChanged();
    // A preset of the running walk was read or written: `done` of `total`.
    void advanced(int done, int total);
    // A restore wrote preset `number` and read it back: what the device now
    // holds (the status text, and the impulse name as the device reports it,
    // empty for none).
    void presetWritten(int number, const QByteArray &statusText, const QString &impulseName);
    // A restore ended (confirmed or not) with `written` presets written;
    // comes just before finished.
    void restoreEnded(int written);
    void finished(bool ok, const QString &message);

private:
    enum class Operation { None, Backup, Restore, Export, Import, ReadAll };
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
    void planRestore();
    bool keepSafetyCopy(QString *error);
    void ask();
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

    void setStep(const QString &text);
    void setProgress(int done, int total);
    void rememberFolder();
    library::PresetFile deviceFile() const;
    QString where(int number) const;
    QString places(QVector<int> numbers) const;
    QString fileLabel() const;
    QString destinationShown() const;
    QString safetyNote() const;
    bool unwritable(const QString &path, const QString &verb);

    // What the librarian uses of the device: the link's exchanges, the
    // preset session and the readout.
    Link &link;
    PresetSession &session;
    DeviceReadout &readout;
    QSettings &settings; // where the last backup's folder is kept
    bool remembersFolder = true;
    bool fileProblem = false;
    std::function<QString(const QString &)> restoreAdvice;
    Operation operation = Operation::None;
    QString stepText;
    qreal fraction = 0;
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

    // The restore's plan: what each preset to write needs, and what matched.
    struct PlannedWrite {
        int number = 0;
        bool statusDiffers = false;
        bool storeImpulse = false;
        bool removeImpulse = false;
    };
    QVector<PlannedWrite> planned;
    QVector<int> matching;
    QVector<int> written;
    QStringList underscored; // impulse names stored with "_" for their spaces
    bool waitingForAnswer = false;
    bool writing = false; // the restore was confirmed
    QString questionText;
};
