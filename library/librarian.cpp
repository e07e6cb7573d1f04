// The librarian's operations as small steps, each an exchange of requests
// with the device whose answers start the next step.
#include "library/librarian.h"

#include "core/local_path.h"
#include "core/log_categories.h"
#include "editing/preset_session.h"
#include "impulse/wav_format.h"
#include "impulse/wav_image.h"
#include "link/link.h"
#include "link/requests.h"
#include "parsing/device_readout.h"
#include "parsing/status_layout.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTimer>

#include <cctype>

using library::PresetEntry;
using library::PresetFile;

namespace {

// Hex text as the device sends it; false unless every character is a
// hexadecimal digit (QByteArray::fromHex would skip the others).
bool strictHex(const QByteArray &hex, QByteArray *bytes)
{
    if (hex.size() % 2 != 0)
        return false;
    for (const char c : hex) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    *bytes = QByteArray::fromHex(hex);
    return true;
}

QString listed(const QStringList &items)
{
    return items.join(QStringLiteral("; "));
}

} // namespace

Librarian::Librarian(Link &link, PresetSession &session, DeviceReadout &readout, QObject *parent)
    : QObject(parent), device{link, session, readout}
{
    connect(&link, &Link::exchangeDone, this, &Librarian::onDone);
    connect(&link, &Link::exchangeFailed, this, &Librarian::onFailed);
    connect(&readout, &DeviceReadout::statusRead, this,
            [this](const QByteArray &text) { readStatus = text; });
    connect(&session, &PresetSession::impulseCaptured, this,
            [this](const QByteArray &name, const QByteArray &hex) {
                impulseAnswered = true;
                readImpulseName = name;
                readImpulseHex = hex;
            });
    connect(&readout, &DeviceReadout::positionRead, this, [this](int bank, int preset) {
        reportedBank = bank;
        reportedPreset = preset;
    });
    connect(&readout, &DeviceReadout::firmwareRead, this,
            [this](const QString &text) { firmware = text; });
    // An operation waiting for the queue starts once it has gone idle (from
    // the event loop, so the pacing step that went idle finishes first), or
    // ends when the port closes.
    connect(&link, &Link::idle, this, [this] {
        if (!pendingStart)
            return;
        QTimer::singleShot(0, this, [this] {
            if (!pendingStart)
                return;
            const Step first = std::move(pendingStart);
            pendingStart = nullptr;
            startWhenQueueIdle(first);
        });
    });
    connect(&link, &Link::closedAfterError, this, [this] {
        if (pendingStart) {
            pendingStart = nullptr;
            end(false, QStringLiteral("The connection to the device was lost."));
        }
    });
}

// ---- what the librarian uses of the device -------------------------------------

bool Librarian::Device::isOpen() const
{
    return link.isOpen();
}

bool Librarian::Device::queueEmpty() const
{
    return link.queueEmpty();
}

int Librarian::Device::deviceType() const
{
    return readout.deviceType();
}

int Librarian::Device::bankCount() const
{
    return readout.family().banks;
}

int Librarian::Device::presetsPerBank() const
{
    return readout.family().presetsPerBank;
}

bool Librarian::Device::hasUnsavedEdits() const
{
    return session.edited();
}

bool Librarian::Device::comparing() const
{
    return session.comparing();
}

const PendingImpulse &Librarian::Device::pendingImpulse() const
{
    return session.pendingImpulse();
}

void Librarian::Device::runRequests(const QList<QByteArray> &requests)
{
    link.runExchange(requests);
}

void Librarian::Device::selectPreset(int preset)
{
    session.selectPreset(preset);
}

void Librarian::Device::paste(const QByteArray &statusText, const QByteArray &impulseName,
                              const QByteArray &hexImage)
{
    session.paste(statusText, impulseName, hexImage);
}

void Librarian::Device::captureImpulse()
{
    session.captureImpulse();
}

// ---- the interface ----------------------------------------------------------

void Librarian::backup(const QString &path)
{
    if (refused(path, true))
        return;
    begin(Operation::Backup, path, [this] {
        identify([this] {
            QVector<int> all;
            for (int n = 0; n < device.bankCount() * device.presetsPerBank(); ++n)
                all.append(n);
            readPresets(all, QStringLiteral("Reading preset"), [this] { writeBackup(); });
        });
    });
}

void Librarian::restore(const QString &path)
{
    restore(path, QVariantList());
}

void Librarian::restore(const QString &path, const QVariantList &presets)
{
    if (refused(path, true))
        return;
    PresetFile file;
    QString name;
    if (!readChosenFile(path, QStringLiteral("restored"), &file, &name))
        return;
    if (file.banks != device.bankCount() || file.presetsPerBank != device.presetsPerBank()) {
        emit finished(false, QStringLiteral("Nothing was restored from %1: it holds presets of a "
                                            "device with %2 banks of %3 presets; the connected "
                                            "device has %4 banks of %5.")
                                 .arg(name)
                                 .arg(file.banks)
                                 .arg(file.presetsPerBank)
                                 .arg(device.bankCount())
                                 .arg(device.presetsPerBank()));
        return;
    }
    // The file's order, or only the chosen presets (in the file's order).
    QVector<int> chosen;
    for (const PresetEntry &entry : file.presets)
        chosen.append(file.number(entry));
    if (!presets.isEmpty()) {
        QVector<int> wanted;
        for (const QVariant &v : presets) {
            bool ok = false;
            const int n = v.toInt(&ok);
            if (!ok || !chosen.contains(n)) {
                emit finished(false, QStringLiteral("Nothing was restored: preset %1 is not in %2.")
                                         .arg(v.toString(), name));
                return;
            }
            wanted.append(n);
        }
        QVector<int> kept;
        for (int n : chosen) {
            if (wanted.contains(n))
                kept.append(n);
        }
        chosen = kept;
    }

    source = file;
    begin(Operation::Restore, path, [this, chosen] {
        identify([this, chosen] {
            readPresets(chosen, QStringLiteral("Keeping a safety copy: preset"),
                        [this] { keepSafetyCopy(); });
        });
    });
}

void Librarian::exportPreset(const QString &path)
{
    if (refused(path, false))
        return;
    begin(Operation::Export, path, [this] {
        setActivity(QStringLiteral("Reading the current preset"));
        const bool stored = device.pendingImpulse().source() == PendingImpulse::Source::Stored;
        QList<QByteArray> reads = {requests::identify, requests::version, requests::bankAndPreset,
                                   requests::status};
        if (stored)
            reads.append(requests::readImpulse);
        exchange(reads, stored, [this] { exportCurrent(); });
    });
}

void Librarian::importPreset(const QString &path)
{
    if (refused(path, false))
        return;
    PresetFile file;
    QString name;
    if (!readChosenFile(path, QStringLiteral("imported"), &file, &name))
        return;
    if (file.presets.size() != 1) {
        emit finished(false, QStringLiteral("Nothing was imported: %1 holds %2 presets, and import "
                                            "takes one. Restore puts several back.")
                                 .arg(name)
                                 .arg(file.presets.size()));
        return;
    }
    source = file;
    begin(Operation::Import, path, [this, name] {
        setActivity(QStringLiteral("Sending the preset to the device"));
        const PresetEntry &entry = source.presets.first();
        expect([this, name] {
            end(true, QStringLiteral("The preset from %1 is now the current preset, not saved "
                                     "yet: save it to keep it.")
                          .arg(name));
        });
        device.paste(entry.status, entry.impulseName, entry.impulseImage.toHex());
    });
}

void Librarian::cancel()
{
    if (!cancellable())
        return;
    cancelRequested = true;
    if (pendingStart) { // nothing was sent yet
        pendingStart = nullptr;
        end(false, QStringLiteral("Cancelled before anything was read."));
    }
}

QVariantMap Librarian::inspect(const QString &path) const
{
    QVariantMap info;
    PresetFile file;
    QString error;
    if (!library::readFile(localPath(path), &file, &error)) {
        info.insert(QStringLiteral("ok"), false);
        info.insert(QStringLiteral("message"), error);
        return info;
    }
    QVariantList presets;
    for (const PresetEntry &entry : file.presets) {
        presets.append(QVariantMap{
            {QStringLiteral("number"), file.number(entry)},
            {QStringLiteral("bank"), entry.bank},
            {QStringLiteral("preset"), entry.preset},
            {QStringLiteral("impulse"), QString::fromUtf8(entry.impulseName)},
        });
    }
    info.insert(QStringLiteral("ok"), true);
    info.insert(QStringLiteral("banks"), file.banks);
    info.insert(QStringLiteral("presetsPerBank"), file.presetsPerBank);
    info.insert(QStringLiteral("firmware"), file.firmware);
    info.insert(QStringLiteral("created"), file.created.toLocalTime().toString(Qt::TextDate));
    info.insert(QStringLiteral("fits"),
                file.banks == device.bankCount() && file.presetsPerBank == device.presetsPerBank());
    info.insert(QStringLiteral("presets"), presets);
    return info;
}

QString Librarian::safetyFolder() const
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/safety-copies");
}

// ---- the steps ----------------------------------------------------------------

// Whether the operation may not start; the reason is given as its outcome.
bool Librarian::refused(const QString &path, bool walksPresets)
{
    QString reason;
    if (busy())
        reason = QStringLiteral("Another library operation is running: wait for it to end, or "
                                "cancel it.");
    else if (localPath(path).isEmpty())
        reason = QStringLiteral("No file was chosen.");
    else
        reason = deviceRefusal(walksPresets);
    if (reason.isEmpty())
        return false;
    emit finished(false, reason);
    return true;
}

// What in the device's state keeps an operation from starting; empty when
// nothing does. A backup or restore steps through the presets, which would
// lose unsaved edits.
QString Librarian::deviceRefusal(bool walksPresets) const
{
    if (!device.isOpen())
        return QStringLiteral("No device is connected.");
    if (walksPresets && device.hasUnsavedEdits())
        return QStringLiteral("The current preset has unsaved changes. Save or revert them "
                              "first: this steps through the presets, which would lose them.");
    if (!walksPresets && device.comparing())
        return QStringLiteral("Compare is showing the stored preset. Go back to your edits "
                              "first.");
    return QString();
}

// Reads the file the user chose (its name into `name`); a file that cannot
// be used ends the call with why, as "Nothing was <verb> from NAME: ...".
bool Librarian::readChosenFile(const QString &path, const QString &verb, PresetFile *file,
                               QString *name)
{
    QString error;
    *name = QFileInfo(localPath(path)).fileName();
    if (library::readFile(localPath(path), file, &error))
        return true;
    emit finished(false, QStringLiteral("Nothing was %1 from %2: %3.").arg(verb, *name, error));
    return false;
}

void Librarian::begin(Operation op, const QString &path, const Step &first)
{
    operation = op;
    filePath = localPath(path);
    cancelRequested = false;
    homePreset = -1;
    unverified.clear();
    impulsesKept.clear();
    safetyPath.clear();
    failure = [this](const QString &reason) { failCurrent(reason); };
    emit busyChanged();
    startWhenQueueIdle(first);
}

// Runs `first` once the link's queue has nothing left to send: the answers of an
// exchange begun earlier (a save, the slot list, a sweep) would otherwise be
// taken for ours. The device's state is checked again then, since what ran
// meanwhile (an impulse tried from the browser, say) may have left the
// preset edited.
void Librarian::startWhenQueueIdle(const Step &first)
{
    if (device.queueEmpty()) {
        const QString reason = deviceRefusal(cancellable());
        if (reason.isEmpty())
            first();
        else
            end(false, reason);
        return;
    }
    setActivity(QStringLiteral("Waiting for the device to finish"));
    pendingStart = first;
}

// The device's type, firmware and current position, read afresh.
void Librarian::identify(const Step &then)
{
    setActivity(QStringLiteral("Asking the device where it is"));
    exchange({requests::identify, requests::version, requests::bankAndPreset}, false, [this, then] {
        int banks = 0;
        int perBank = 0;
        if (!library::familyOf(device.deviceType(), &banks, &perBank) ||
            banks != device.bankCount() || perBank != device.presetsPerBank()) {
            failCurrent(QStringLiteral("the device did not say which type it is"));
            return;
        }
        if (operation == Operation::Restore &&
            (source.banks != banks || source.presetsPerBank != perBank)) {
            failCurrent(QStringLiteral("the connected device is of another size than the file's"));
            return;
        }
        if (reportedBank < 0 || reportedPreset < 0) {
            failCurrent(QStringLiteral("the device did not say which preset is current"));
            return;
        }
        homePreset = reportedBank * perBank + reportedPreset;
        then();
    });
}

// Jumps to every preset of `numbers` in turn and reads it into `read`.
void Librarian::readPresets(const QVector<int> &numbers, const QString &verb, const Step &then)
{
    read = deviceFile();
    walk = numbers;
    walkIndex = 0;
    walkVerb = verb;
    afterWalk = then;
    readNext();
}

void Librarian::readNext()
{
    if (cancelRequested) {
        goHome(false, operation == Operation::Backup
                          ? QStringLiteral("Backup cancelled; no file was written.")
                          : QStringLiteral("Restore cancelled before any preset was written."));
        return;
    }
    if (walkIndex == walk.size()) {
        afterWalk();
        return;
    }
    const int number = walk.at(walkIndex);
    setActivity(QStringLiteral("%1 %2 of %3").arg(walkVerb).arg(walkIndex + 1).arg(walk.size()));
    exchange({requests::selectPreset(number), requests::bankAndPreset, requests::status,
              requests::readImpulse},
             true, [this, number] {
                 PresetEntry entry;
                 QString problem;
                 if (!takeReadPreset(number, &entry, &problem)) {
                     failCurrent(problem);
                     return;
                 }
                 read.presets.append(entry);
                 ++walkIndex;
                 emit progress(walkIndex, walk.size());
                 readNext();
             });
}

// The preset the last exchange read, checked: the device was where it was
// sent, and reported a status and an impulse the device could take back.
bool Librarian::takeReadPreset(int number, PresetEntry *entry, QString *problem) const
{
    if (!atPreset(number)) {
        *problem = QStringLiteral("the device did not go to %1").arg(where(number));
        return false;
    }
    if (!status::isStatusText(readStatus) || !impulseAnswered) {
        *problem = QStringLiteral("the device did not report all of %1").arg(where(number));
        return false;
    }
    entry->bank = reportedBank;
    entry->preset = reportedPreset;
    entry->status = readStatus.toLower();
    if (readImpulseName.isEmpty() && readImpulseHex.isEmpty())
        return true; // no impulse
    QByteArray image;
    const QString imageProblem = strictHex(readImpulseHex, &image)
                                     ? wav::deviceImageProblem(image)
                                     : QStringLiteral("it is not hex text");
    if (readImpulseName.isEmpty() || !imageProblem.isEmpty()) {
        *problem =
            QStringLiteral("the impulse of %1 as the device reported it could not be "
                           "stored again (%2)")
                .arg(where(number),
                     readImpulseName.isEmpty() ? QStringLiteral("it has no name") : imageProblem);
        return false;
    }
    entry->impulseName = readImpulseName;
    entry->impulseImage = image;
    return true;
}

void Librarian::writeBackup()
{
    QString error;
    if (!library::writeFile(filePath, read, &error)) {
        goHome(false, QStringLiteral("The backup could not be written to %1: %2.")
                          .arg(QDir::toNativeSeparators(filePath), error));
        return;
    }
    goHome(true,
           QStringLiteral("Backed up %1 presets to %2.").arg(read.presets.size()).arg(fileLabel()));
}

void Librarian::keepSafetyCopy()
{
    QDir folder(safetyFolder());
    QString error;
    if (!folder.mkpath(QStringLiteral("."))) {
        error = QStringLiteral("the folder %1 cannot be made").arg(folder.path());
    } else {
        const QString stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        safetyPath = folder.filePath(QStringLiteral("before-restore-%1.json").arg(stamp));
        for (int n = 2; QFileInfo::exists(safetyPath); ++n)
            safetyPath =
                folder.filePath(QStringLiteral("before-restore-%1-%2.json").arg(stamp).arg(n));
        library::writeFile(safetyPath, read, &error);
    }
    if (!error.isEmpty()) {
        goHome(false, QStringLiteral("Nothing was restored: the safety copy of the presets could "
                                     "not be written (%1).")
                          .arg(error));
        return;
    }
    walkIndex = 0;
    writeNext();
}

// One preset of the file: jump, check the position, then write, store, read back.
void Librarian::writeNext()
{
    if (cancelRequested || walkIndex == walk.size()) {
        restoreSummary();
        return;
    }
    const int number = walk.at(walkIndex);
    setActivity(QStringLiteral("Writing preset %1 of %2").arg(walkIndex + 1).arg(walk.size()));
    exchange({requests::selectPreset(number), requests::bankAndPreset}, false, [this, number] {
        if (!atPreset(number)) {
            failCurrent(QStringLiteral("the device did not go to %1").arg(where(number)));
            return;
        }
        const PresetEntry *entry = nullptr;
        for (const PresetEntry &e : source.presets) {
            if (source.number(e) == number)
                entry = &e;
        }
        const PresetEntry &before = read.presets.at(walkIndex);
        const QByteArray storedName = wav::storeName(entry->impulseName);
        QList<QByteArray> writes = {requests::writeStatus(entry->status)};
        if (entry->hasImpulse()) {
            // An impulse the preset already holds is not sent again: a full
            // store takes seconds on the line.
            if (before.impulseName != storedName || before.impulseImage != entry->impulseImage)
                writes.append(requests::storeImpulse(storedName, entry->impulseImage.toHex()));
        } else if (before.hasImpulse()) {
            writes.append(requests::deleteImpulse);
        }
        writes << requests::storePreset << requests::status << requests::readImpulse;
        const PresetEntry expected = *entry;
        exchange(writes, true, [this, expected] {
            verifyWritten(expected);
            ++walkIndex;
            emit progress(walkIndex, walk.size());
            writeNext();
        });
    });
}

// Compares what the device reads back with what was written.
void Librarian::verifyWritten(const PresetEntry &entry)
{
    const QString place = library::positionText(entry.bank, entry.preset);
    QByteArray image;
    const bool imageRead = strictHex(readImpulseHex, &image);
    const bool statusOk = readStatus.toLower() == entry.status;
    bool impulseOk = false;
    if (entry.hasImpulse()) {
        impulseOk = imageRead && readImpulseName == wav::storeName(entry.impulseName) &&
                    image == entry.impulseImage;
    } else if (impulseAnswered && !readImpulseName.isEmpty()) {
        // The device still reports an impulse the file does not have.
        impulsesKept.append(place);
        impulseOk = true;
    } else {
        impulseOk = impulseAnswered;
    }
    if (!statusOk || !impulseOk)
        unverified.append(place + (statusOk    ? QStringLiteral(" (impulse)")
                                   : impulseOk ? QStringLiteral(" (parameters)")
                                               : QStringLiteral(" (parameters, impulse)")));
}

void Librarian::restoreSummary()
{
    const int written = walkIndex;
    QString message;
    if (written < walk.size())
        message = QStringLiteral("Restore cancelled: %1 of %2 presets were written from %3; the "
                                 "others were not touched.")
                      .arg(written)
                      .arg(walk.size())
                      .arg(fileLabel());
    else
        message = QStringLiteral("Restored %1 presets from %2.").arg(written).arg(fileLabel());
    if (!unverified.isEmpty())
        message +=
            QStringLiteral(" These did not read back as in the file: %1.").arg(listed(unverified));
    if (!impulsesKept.isEmpty())
        message += QStringLiteral(" The device kept the impulse of %1, which the file has none "
                                  "for.")
                       .arg(listed(impulsesKept));
    message += QStringLiteral(" What the presets held before is kept in %1.")
                   .arg(QDir::toNativeSeparators(safetyPath));
    goHome(written == walk.size() && unverified.isEmpty() && impulsesKept.isEmpty(), message);
}

// The current preset, as read, with the impulse it plays now.
void Librarian::exportCurrent()
{
    const int number = reportedBank * device.presetsPerBank() + reportedPreset;
    const PendingImpulse &pending = device.pendingImpulse();
    using Source = PendingImpulse::Source;
    PresetEntry entry;
    QString problem;
    if (pending.source() == Source::Stored) {
        if (!takeReadPreset(number, &entry, &problem)) {
            failCurrent(problem);
            return;
        }
    } else {
        if (!atPreset(number) || !status::isStatusText(readStatus)) {
            failCurrent(QStringLiteral("the device did not report the current preset"));
            return;
        }
        entry.bank = reportedBank;
        entry.preset = reportedPreset;
        entry.status = readStatus.toLower();
        if (pending.source() == Source::File) {
            // The file loaded and not saved yet, as a save would store it.
            const QByteArray bytes = wav::readHead(pending.path());
            const QByteArray samples = wav::decode(bytes.constData(), bytes.size()).samples;
            entry.impulseImage = samples.isEmpty() ? QByteArray() : wav::deviceImage(samples);
        } else if (pending.source() == Source::Copied) {
            strictHex(pending.hexImage(), &entry.impulseImage);
        }
        if (pending.source() != Source::None) {
            entry.impulseName = pending.name();
            problem = wav::deviceImageProblem(entry.impulseImage);
            if (!problem.isEmpty()) {
                failCurrent(QStringLiteral("its impulse \"%1\" cannot be shared (%2)")
                                .arg(QString::fromUtf8(pending.name()), problem));
                return;
            }
        }
    }

    PresetFile file = deviceFile();
    file.presets.append(entry);
    QString error;
    if (!library::writeFile(filePath, file, &error)) {
        end(false, QStringLiteral("The preset could not be written to %1: %2.")
                       .arg(QDir::toNativeSeparators(filePath), error));
        return;
    }
    end(true, QStringLiteral("Exported %1 to %2.").arg(where(number), fileLabel()));
}

void Librarian::goHome(bool ok, const QString &message)
{
    if (homePreset < 0 || !device.isOpen()) {
        end(ok, message);
        return;
    }
    const int home = homePreset;
    setActivity(QStringLiteral("Going back to %1").arg(where(home)));
    failure = [this, message, home](const QString &reason) {
        end(false,
            message +
                QStringLiteral(" The panel could not go back to %1: %2.").arg(where(home), reason));
    };
    expect([this, ok, message] { end(ok, message); });
    device.selectPreset(home);
}

void Librarian::end(bool ok, const QString &message)
{
    qCInfo(libraryLog) << (ok ? "finished:" : "failed:") << message;
    operation = Operation::None;
    continuation = nullptr;
    failure = nullptr;
    setActivity(QString());
    emit busyChanged();
    emit finished(ok, message);
}

// ---- exchanges ------------------------------------------------------------------

void Librarian::exchange(const QList<QByteArray> &requests, bool captureImpulse, const Step &then)
{
    expect(then);
    device.runRequests(requests);
    if (captureImpulse)
        device.captureImpulse();
}

// The next exchange's outcome goes to `then`; what it reports starts afresh.
void Librarian::expect(const Step &then)
{
    continuation = then;
    reportedBank = -1;
    reportedPreset = -1;
    readStatus.clear();
    impulseAnswered = false;
    readImpulseName.clear();
    readImpulseHex.clear();
}

void Librarian::onDone()
{
    if (!continuation)
        return;
    const Step step = std::move(continuation);
    continuation = nullptr;
    step();
}

void Librarian::onFailed(const QString &reason)
{
    if (!continuation)
        return;
    continuation = nullptr;
    if (failure)
        failure(reason);
}

// The running operation stops on `reason`, said the way the operation would.
void Librarian::failCurrent(const QString &reason)
{
    switch (operation) {
    case Operation::Backup:
        goHome(false, QStringLiteral("The backup stopped: %1. No file was written.").arg(reason));
        break;
    case Operation::Restore:
        if (safetyPath.isEmpty()) {
            goHome(false, QStringLiteral("Nothing was restored: %1.").arg(reason));
        } else {
            QString message = QStringLiteral("The restore stopped at %1: %2. That preset may be "
                                             "only partly written; %3 before it were restored.")
                                  .arg(where(walk.value(walkIndex)), reason)
                                  .arg(walkIndex);
            message += QStringLiteral(" What the presets held before is kept in %1.")
                           .arg(QDir::toNativeSeparators(safetyPath));
            goHome(false, message);
        }
        break;
    case Operation::Export:
        end(false, QStringLiteral("The preset was not exported: %1.").arg(reason));
        break;
    case Operation::Import:
        end(false, QStringLiteral("The preset was not imported: %1.").arg(reason));
        break;
    case Operation::None:
        break;
    }
}

// ---- small helpers ----------------------------------------------------------------

bool Librarian::atPreset(int number) const
{
    return reportedBank >= 0 && reportedPreset >= 0 &&
           reportedBank * device.presetsPerBank() + reportedPreset == number;
}

void Librarian::setActivity(const QString &text)
{
    if (text == activityText)
        return;
    activityText = text;
    emit activityChanged();
}

// An empty file of the connected device, dated now.
PresetFile Librarian::deviceFile() const
{
    PresetFile file;
    file.deviceType = device.deviceType();
    file.banks = device.bankCount();
    file.presetsPerBank = device.presetsPerBank();
    file.firmware = firmware;
    file.created = QDateTime::currentDateTimeUtc();
    return file;
}

QString Librarian::where(int number) const
{
    const int perBank = qMax(1, device.presetsPerBank());
    return library::positionText(number / perBank, number % perBank);
}

QString Librarian::fileLabel() const
{
    return QFileInfo(filePath).fileName();
}
