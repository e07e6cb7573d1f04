// The librarian's operations as small steps, each an exchange of requests
// with the device whose answers start the next step.
#include "library/librarian.h"

#include "base/local_path.h"
#include "base/log_categories.h"
#include "editing/preset_session.h"
#include "impulse/wav_format.h"
#include "impulse/wav_image.h"
#include "library/destination.h"
#include "library/safety_copies.h"
#include "link/link.h"
#include "link/requests.h"
#include "parsing/device_readout.h"
#include "parsing/status_layout.h"
#include "presets/preset_place.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSerialPort>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
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

// "1 preset", "3 presets".
QString counted(int n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// Up to `shown` names, then "…".
QString someOf(const QStringList &names, int shown = 3)
{
    QStringList head = names.mid(0, shown);
    if (names.size() > shown)
        head.append(QStringLiteral("…"));
    return head.join(QStringLiteral(", "));
}

// The setting that keeps the folder of the last backup or export written.
const QString folderKey = QStringLiteral("LibraryFolder");

} // namespace

Librarian::Librarian(Link &link, PresetSession &session, DeviceReadout &readout,
                     QSettings &settings, QObject *parent)
    : QObject(parent), link(link), session(session), readout(readout), settings(settings)
{
    connect(&link, &Link::exchangeDone, this, &Librarian::onDone);
    connect(&link, &Link::exchangeFailed, this, &Librarian::onFailed);
    connect(&session, &PresetSession::statusShown, this,
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

// ---- the interface ----------------------------------------------------------

void Librarian::backup(const QString &path)
{
    fileProblem = false;
    if (refused(path, true) || unwritable(path, QStringLiteral("backed up")))
        return;
    begin(Operation::Backup, path, [this] {
        identify([this] {
            QVector<int> all;
            for (int n = 0; n < readout.family().banks * readout.family().presetsPerBank; ++n)
                all.append(n);
            readPresets(all, QStringLiteral("Reading preset %1 of %2"), [this] { writeBackup(); });
        });
    });
}

void Librarian::readAll()
{
    if (busy() || !link.isOpen()) {
        emit finished(false, busy() ? QStringLiteral("Another library operation is running: wait "
                                                     "for it to end, or cancel it.")
                                    : QStringLiteral("No device is connected."));
        return;
    }
    begin(Operation::ReadAll, QString(), [this] {
        identify([this] {
            QVector<int> all;
            for (int n = 0; n < readout.family().banks * readout.family().presetsPerBank; ++n)
                all.append(n);
            readPresets(all, QStringLiteral("Reading preset %1 of %2"), [this] {
                goHome(true, QStringLiteral("Read all %1 presets.").arg(walk.size()));
            });
        });
    });
}

void Librarian::restore(const QString &path)
{
    restore(path, QVariantList());
}

void Librarian::restore(const QString &path, const QVariantList &presets)
{
    fileProblem = false;
    if (refused(path, true))
        return;
    PresetFile file;
    QString name;
    if (!readChosenFile(path, QStringLiteral("restored"), &file, &name))
        return;
    if (file.banks != readout.family().banks ||
        file.presetsPerBank != readout.family().presetsPerBank) {
        fileProblem = true;
        emit finished(false, QStringLiteral("Nothing was restored from %1: it holds presets of a "
                                            "device with %2 banks of %3 presets; the connected "
                                            "device has %4 banks of %5.")
                                 .arg(name)
                                 .arg(file.banks)
                                 .arg(file.presetsPerBank)
                                 .arg(readout.family().banks)
                                 .arg(readout.family().presetsPerBank));
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
                fileProblem = true;
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
            readPresets(chosen, QStringLiteral("Reading preset %1 of %2 to compare"),
                        [this] { planRestore(); });
        });
    });
}

void Librarian::exportPreset(const QString &path)
{
    fileProblem = false;
    if (refused(path, false) || unwritable(path, QStringLiteral("exported")))
        return;
    begin(Operation::Export, path, [this] {
        setStep(QStringLiteral("Reading the current preset"));
        const bool stored = session.pendingImpulse().source() == PendingImpulse::Source::Stored;
        QList<QByteArray> reads = {requests::identify, requests::version, requests::bankAndPreset,
                                   requests::status};
        if (stored)
            reads.append(requests::readImpulse);
        exchange(reads, stored, [this] { exportCurrent(); });
    });
}

void Librarian::importPreset(const QString &path)
{
    fileProblem = false;
    if (refused(path, false))
        return;
    PresetFile file;
    QString name;
    if (!readChosenFile(path, QStringLiteral("imported"), &file, &name))
        return;
    if (file.presets.size() != 1) {
        fileProblem = true;
        emit finished(false, QStringLiteral("Nothing was imported: %1 holds %2 presets, and import "
                                            "takes one. Restore puts several back.")
                                 .arg(name)
                                 .arg(file.presets.size()));
        return;
    }
    source = file;
    begin(Operation::Import, path, [this, name] {
        setStep(QStringLiteral("Sending the preset to the device"));
        const PresetEntry &entry = source.presets.first();
        expect([this, name] {
            end(true, QStringLiteral("The preset from %1 is now the current preset, not saved "
                                     "yet: save it to keep it.")
                          .arg(name));
        });
        session.paste(entry.status, entry.impulseName, entry.impulseImage.toHex());
    });
}

void Librarian::cancel()
{
    if (!cancellable())
        return;
    cancelRequested = true;
    if (waitingForAnswer) { // the restore asked, and nothing was written
        waitingForAnswer = false;
        emit askingChanged();
        end(false, QStringLiteral("Restore cancelled: nothing was written, the device holds what "
                                  "it held."));
        return;
    }
    if (pendingStart) { // nothing was sent yet
        pendingStart = nullptr;
        end(false, QStringLiteral("Cancelled before anything was read."));
    }
}

void Librarian::confirm()
{
    if (!waitingForAnswer)
        return;
    waitingForAnswer = false;
    emit askingChanged();
    QString error;
    if (!keepSafetyCopy(&error)) {
        fileProblem = true;
        end(false, QStringLiteral("Nothing was restored: the safety copy of the presets could not "
                                  "be written (%1).")
                       .arg(error));
        return;
    }
    writing = true;
    walkIndex = 0;
    setProgress(0, planned.size());
    writeNext();
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
            {QStringLiteral("place"), presets::shortName(entry.bank, entry.preset)},
            {QStringLiteral("impulse"), QString::fromUtf8(entry.impulseName)},
        });
    }
    info.insert(QStringLiteral("ok"), true);
    info.insert(QStringLiteral("banks"), file.banks);
    info.insert(QStringLiteral("presetsPerBank"), file.presetsPerBank);
    info.insert(QStringLiteral("firmware"), file.firmware);
    info.insert(QStringLiteral("created"), file.created.toLocalTime().toString(Qt::TextDate));
    info.insert(QStringLiteral("fits"), file.banks == readout.family().banks &&
                                            file.presetsPerBank == readout.family().presetsPerBank);
    info.insert(QStringLiteral("presets"), presets);
    return info;
}

QString Librarian::safetyFolder() const
{
    return safetyCopies::folder();
}

QString Librarian::backupName() const
{
    return QStringLiteral("Vortaxa backup %1.json")
        .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
}

QString Librarian::exportName(int bank, int preset) const
{
    if (bank < 0 || preset < 0) // the position is not known yet
        return QStringLiteral("Preset.json");
    return presets::longName(bank, preset) + QStringLiteral(".json");
}

QUrl Librarian::folder() const
{
    const QString kept = settings.value(folderKey).toString();
    if (!kept.isEmpty() && QFileInfo(kept).isDir())
        return QUrl::fromLocalFile(kept);
    // The documents folder, made when it is missing, else the home folder:
    // a suggestion is always a folder the file can be written to.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir().mkpath(documents))
        return QUrl::fromLocalFile(documents);
    return QUrl::fromLocalFile(QDir::homePath());
}

// The folder of the file just written is where the dialogs start next time.
void Librarian::rememberFolder()
{
    if (!remembersFolder || filePath == library::standardOutput)
        return;
    const QString dir = QFileInfo(filePath).absolutePath();
    if (settings.value(folderKey).toString() == dir)
        return;
    settings.setValue(folderKey, dir);
    emit folderChanged();
}

QVariantMap Librarian::plan() const
{
    int parameterSets = 0;
    int removals = 0;
    QStringList impulseNames;
    for (const PlannedWrite &w : planned) {
        parameterSets += w.statusDiffers ? 1 : 0;
        removals += w.removeImpulse ? 1 : 0;
        if (w.storeImpulse) {
            for (const PresetEntry &e : source.presets) {
                if (source.number(e) == w.number)
                    impulseNames.append(QString::fromUtf8(e.impulseName));
            }
        }
    }
    return {
        {QStringLiteral("presets"), planned.size()},
        {QStringLiteral("parameterSets"), parameterSets},
        {QStringLiteral("impulses"), impulseNames.size()},
        {QStringLiteral("impulseNames"), impulseNames},
        {QStringLiteral("removals"), removals},
        {QStringLiteral("matching"), matching.size()},
        {QStringLiteral("safetyCopy"), QDir::toNativeSeparators(safetyPath)},
    };
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
    if (!link.isOpen())
        return QStringLiteral("No device is connected.");
    if (walksPresets && session.edited())
        return QStringLiteral("The current preset has unsaved changes. Save or revert them "
                              "first: this steps through the presets, which would lose them.");
    if (!walksPresets && session.comparing())
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
    fileProblem = true;
    emit finished(false, QStringLiteral("Nothing was %1 from %2. %3").arg(verb, *name, error));
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
    planned.clear();
    matching.clear();
    written.clear();
    underscored.clear();
    writing = false;
    setProgress(0, 1);
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
    if (link.queueEmpty()) {
        // A reading leaves unsaved edits by design: the panel asked first.
        const QString reason = operation != Operation::ReadAll ? deviceRefusal(cancellable())
                               : link.isOpen()                 ? QString()
                                               : QStringLiteral("No device is connected.");
        if (reason.isEmpty())
            first();
        else
            end(false, reason);
        return;
    }
    setStep(QStringLiteral("Waiting for the device to finish"));
    pendingStart = first;
}

// The device's type, firmware and current position, read afresh.
void Librarian::identify(const Step &then)
{
    setStep(QStringLiteral("Asking the device where it is"));
    exchange({requests::identify, requests::version, requests::bankAndPreset}, false, [this, then] {
        int banks = 0;
        int perBank = 0;
        if (!library::familyOf(readout.deviceType(), &banks, &perBank) ||
            banks != readout.family().banks || perBank != readout.family().presetsPerBank) {
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
        goHome(false, operation == Operation::Backup ? QStringLiteral("Backup cancelled; no file "
                                                                      "was written.")
                      : operation == Operation::ReadAll
                          ? QStringLiteral("Reading cancelled; the map keeps what was read.")
                          : QStringLiteral("Restore cancelled before any preset was written."));
        return;
    }
    if (walkIndex == walk.size()) {
        afterWalk();
        return;
    }
    const int number = walk.at(walkIndex);
    setStep(walkVerb.arg(walkIndex + 1).arg(walk.size()));
    if (operation == Operation::ReadAll) {
        // The impulse's name only: the map shows no image.
        exchange(
            {requests::selectPreset(number), requests::bankAndPreset, requests::status,
             requests::impulseName},
            false, [this, number] {
                if (!atPreset(number) || !status::isStatusText(readStatus)) {
                    failCurrent(
                        QStringLiteral("the device did not report all of %1").arg(where(number)));
                    return;
                }
                ++walkIndex;
                setProgress(walkIndex, walk.size());
                readNext();
            });
        return;
    }
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
                 setProgress(walkIndex, walk.size());
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
        fileProblem = true;
        goHome(false, QStringLiteral("The backup could not be written to %1: %2.")
                          .arg(destinationShown(), error));
        return;
    }
    rememberFolder();
    goHome(true,
           QStringLiteral("Backed up %1 presets to %2.").arg(read.presets.size()).arg(fileLabel()));
}

// Compares what the chosen presets hold with the file. Presets that already
// hold the file's status and impulse are skipped; for the others a safety
// copy is kept, the device goes back to the current preset, and the restore
// asks before it writes anything.
void Librarian::planRestore()
{
    for (int i = 0; i < walk.size(); ++i) {
        const int number = walk.at(i);
        const PresetEntry &before = read.presets.at(i);
        const PresetEntry *entry = nullptr;
        for (const PresetEntry &e : source.presets) {
            if (source.number(e) == number)
                entry = &e;
        }
        PlannedWrite w;
        w.number = number;
        w.statusDiffers = before.status != entry->status;
        if (entry->hasImpulse()) {
            // The name as the device reports it, or the form a store would
            // give it (a store cannot change the one into the other), and
            // the image byte for byte.
            const bool sameName = before.impulseName == entry->impulseName ||
                                  before.impulseName == wav::storeName(entry->impulseName);
            w.storeImpulse = !sameName || before.impulseImage != entry->impulseImage;
        } else {
            w.removeImpulse = before.hasImpulse();
        }
        if (w.statusDiffers || w.storeImpulse || w.removeImpulse)
            planned.append(w);
        else
            matching.append(number);
    }
    if (planned.isEmpty()) {
        goHome(true, QStringLiteral("Nothing needed restoring: %1 chosen from %2 already %3 what "
                                    "the file holds. Nothing was written.")
                         .arg(counted(matching.size(), "preset", "presets"), fileLabel(),
                              QLatin1String(matching.size() == 1 ? "holds" : "hold")));
        return;
    }
    const QVariantMap counts = plan();
    const QStringList names = counts.value(QStringLiteral("impulseNames")).toStringList();
    QStringList parts;
    parts << counted(counts.value(QStringLiteral("parameterSets")).toInt(), "parameter set",
                     "parameter sets");
    parts << counted(names.size(), "impulse", "impulses") +
                 (names.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(someOf(names)));
    const int removals = counts.value(QStringLiteral("removals")).toInt();
    if (removals > 0)
        parts << QStringLiteral("%1 removed").arg(counted(removals, "impulse", "impulses"));
    QString text = QStringLiteral("Restore %1 from %2: %3.")
                       .arg(counted(planned.size(), "preset", "presets"), fileLabel(),
                            parts.join(QStringLiteral(", ")));
    if (!matching.isEmpty())
        text += matching.size() == 1
                    ? QStringLiteral(" The other one already matches and is skipped.")
                    : QStringLiteral(" The other %1 already match and are skipped.")
                          .arg(matching.size());
    int spaced = 0;
    for (const QString &name : names)
        spaced += wav::storeName(name.toUtf8()) != name.toUtf8() ? 1 : 0;
    if (spaced > 0)
        text += QStringLiteral(" %1 spaces, which the device cannot take: stored with \"_\" "
                               "for them.")
                    .arg(spaced == 1 ? QStringLiteral("1 impulse name holds")
                                     : QStringLiteral("%1 impulse names hold").arg(spaced));
    text += QStringLiteral(" Before anything is written, what they hold now is kept in a safety "
                           "copy in %1.")
                .arg(QDir::toNativeSeparators(safetyFolder()));
    questionText = text;
    const int home = homePreset;
    setStep(QStringLiteral("Going back to %1").arg(where(home)));
    expect([this] { ask(); });
    session.selectPreset(home);
}

// The presets about to change, as they are now, in a file of their own.
bool Librarian::keepSafetyCopy(QString *error)
{
    PresetFile copy = read;
    copy.presets.clear();
    for (const PresetEntry &e : read.presets) {
        const int number = read.number(e);
        if (std::any_of(planned.begin(), planned.end(),
                        [number](const PlannedWrite &w) { return w.number == number; }))
            copy.presets.append(e);
    }
    safetyPath = safetyCopies::write(copy, error);
    return !safetyPath.isEmpty();
}

void Librarian::ask()
{
    if (cancelRequested) { // cancelled while going back
        end(false, QStringLiteral("Restore cancelled: nothing was written, the device holds what "
                                  "it held."));
        return;
    }
    setStep(QStringLiteral("Restore %1?").arg(counted(planned.size(), "preset", "presets")));
    setProgress(0, planned.size());
    waitingForAnswer = true;
    emit askingChanged();
}

// One planned preset: jump, check the position, then write, store, read back.
void Librarian::writeNext()
{
    if (cancelRequested || walkIndex == planned.size()) {
        restoreSummary();
        return;
    }
    const PlannedWrite w = planned.at(walkIndex);
    setStep(QStringLiteral("Writing %1 (%2 of %3)")
                .arg(where(w.number))
                .arg(walkIndex + 1)
                .arg(planned.size()));
    exchange({requests::selectPreset(w.number), requests::bankAndPreset}, false, [this, w] {
        if (!atPreset(w.number)) {
            failCurrent(QStringLiteral("the device did not go to %1").arg(where(w.number)));
            return;
        }
        PresetEntry entry;
        for (const PresetEntry &e : source.presets) {
            if (source.number(e) == w.number)
                entry = e;
        }
        const QByteArray storedName = wav::storeName(entry.impulseName);
        QList<QByteArray> writes = {requests::writeStatus(entry.status)};
        // An impulse goes out only where the device's differs: a full store
        // takes seconds on the line, and renames a name with spaces.
        if (w.storeImpulse)
            writes.append(requests::storeImpulse(storedName, entry.impulseImage.toHex()));
        else if (w.removeImpulse)
            writes.append(requests::deleteImpulse);
        writes << requests::storePreset << requests::status << requests::readImpulse;
        exchange(writes, true, [this, w, entry, storedName] {
            if (w.storeImpulse && storedName != entry.impulseName &&
                !underscored.contains(QString::fromUtf8(entry.impulseName)))
                underscored.append(QString::fromUtf8(entry.impulseName));
            verifyWritten(entry);
            written.append(w.number);
            emit presetWritten(w.number, readStatus.toLower(), QString::fromUtf8(readImpulseName));
            ++walkIndex;
            setProgress(walkIndex, planned.size());
            writeNext();
        });
    });
}

// Compares what the device reads back with what was written.
void Librarian::verifyWritten(const PresetEntry &entry)
{
    const QString place = presets::longName(entry.bank, entry.preset);
    QByteArray image;
    const bool imageRead = strictHex(readImpulseHex, &image);
    const bool statusOk = readStatus.toLower() == entry.status;
    bool impulseOk = false;
    if (entry.hasImpulse()) {
        impulseOk = imageRead &&
                    (readImpulseName == entry.impulseName ||
                     readImpulseName == wav::storeName(entry.impulseName)) &&
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
    const bool whole = written.size() == planned.size();
    QString message;
    if (whole) {
        message =
            QStringLiteral("Restored %1 from %2: %3.")
                .arg(counted(written.size(), "preset", "presets"), fileLabel(), places(written));
    } else {
        QVector<int> left;
        for (int i = walkIndex; i < planned.size(); ++i)
            left.append(planned.at(i).number);
        message =
            QStringLiteral("Restore cancelled: %1 of %2 presets were written from %3 (%4); "
                           "%5 not written (%6).")
                .arg(written.size())
                .arg(planned.size())
                .arg(fileLabel(), written.isEmpty() ? QStringLiteral("none") : places(written))
                .arg(left.size() == 1 ? QStringLiteral("1 was")
                                      : QStringLiteral("%1 were").arg(left.size()),
                     places(left));
    }
    if (!matching.isEmpty())
        message += QStringLiteral(" %1 already matched and %2 skipped: %3.")
                       .arg(counted(matching.size(), "preset", "presets"),
                            QLatin1String(matching.size() == 1 ? "was" : "were"), places(matching));
    if (!underscored.isEmpty())
        message += QStringLiteral(" %1 stored with \"_\" for spaces (%2).")
                       .arg(underscored.size() == 1
                                ? QStringLiteral("1 impulse name was")
                                : QStringLiteral("%1 impulse names were").arg(underscored.size()),
                            someOf(underscored));
    if (!unverified.isEmpty())
        message += QStringLiteral(" These failed, they did not read back as in the file: %1.")
                       .arg(listed(unverified));
    if (!impulsesKept.isEmpty())
        message += QStringLiteral(" The device kept the impulse of %1, which the file has none "
                                  "for.")
                       .arg(listed(impulsesKept));
    const bool ok = whole && unverified.isEmpty() && impulsesKept.isEmpty();
    goHome(ok, message + safetyNote());
}

// The current preset, as read, with the impulse it plays now.
void Librarian::exportCurrent()
{
    const int number = reportedBank * readout.family().presetsPerBank + reportedPreset;
    const PendingImpulse &pending = session.pendingImpulse();
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
        fileProblem = true;
        end(false, QStringLiteral("The preset could not be written to %1: %2.")
                       .arg(destinationShown(), error));
        return;
    }
    rememberFolder();
    end(true, QStringLiteral("Exported %1 to %2.").arg(where(number), fileLabel()));
}

void Librarian::goHome(bool ok, const QString &message)
{
    if (homePreset < 0 || !link.isOpen()) {
        end(ok, message);
        return;
    }
    const int home = homePreset;
    setStep(QStringLiteral("Going back to %1").arg(where(home)));
    failure = [this, message, home](const QString &reason) {
        end(false,
            message +
                QStringLiteral(" The panel could not go back to %1: %2.").arg(where(home), reason));
    };
    expect([this, ok, message] { end(ok, message); });
    session.selectPreset(home);
}

void Librarian::end(bool ok, const QString &message)
{
    qCDebug(libraryLog) << (ok ? "finished:" : "failed:") << message;
    const bool restoring = operation == Operation::Restore;
    operation = Operation::None;
    continuation = nullptr;
    failure = nullptr;
    setStep(QString());
    if (waitingForAnswer) {
        waitingForAnswer = false;
        emit askingChanged();
    }
    emit busyChanged();
    if (restoring)
        emit restoreEnded(written.size());
    emit finished(ok, message);
}

// ---- exchanges ------------------------------------------------------------------

void Librarian::exchange(const QList<QByteArray> &requests, bool captureImpulse, const Step &then)
{
    expect(then);
    link.runExchange(requests);
    if (captureImpulse)
        session.captureImpulse();
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
        if (!writing) {
            goHome(false, QStringLiteral("Nothing was restored: %1.").arg(reason));
        } else {
            const int at = planned.value(walkIndex).number;
            QString message =
                QStringLiteral("The restore stopped at %1: %2. That preset may be only partly "
                               "written")
                    .arg(where(at), reason);
            message += written.isEmpty()
                           ? QStringLiteral("; none before it was written.")
                           : QStringLiteral("; %1 before it: %2.")
                                 .arg(counted(written.size(), "was written", "were written"),
                                      places(written));
            goHome(false, message + safetyNote());
        }
        break;
    case Operation::ReadAll:
        goHome(false, QStringLiteral("The reading stopped: %1.").arg(reason));
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
           reportedBank * readout.family().presetsPerBank + reportedPreset == number;
}

void Librarian::setStep(const QString &text)
{
    if (text == stepText)
        return;
    stepText = text;
    emit stepChanged();
}

void Librarian::setProgress(int done, int total)
{
    const qreal value = total > 0 ? qreal(done) / total : 0;
    if (done > 0)
        emit advanced(done, total);
    if (value == fraction)
        return;
    fraction = value;
    emit progressChanged();
}

// An empty file of the connected device, dated now.
PresetFile Librarian::deviceFile() const
{
    PresetFile file;
    file.deviceType = readout.deviceType();
    file.banks = readout.family().banks;
    file.presetsPerBank = readout.family().presetsPerBank;
    file.firmware = firmware;
    file.created = QDateTime::currentDateTimeUtc();
    return file;
}

QString Librarian::where(int number) const
{
    return presets::longNameOf(number, qMax(1, readout.family().presetsPerBank));
}

// Places as messages write them ("Preset 0-1, Preset 0-2"), runs of three or
// more as "Preset 0-0 to Preset 2-3".
QString Librarian::places(QVector<int> numbers) const
{
    std::sort(numbers.begin(), numbers.end());
    const int perBank = qMax(1, readout.family().presetsPerBank);
    QStringList parts;
    for (int i = 0; i < numbers.size();) {
        int j = i;
        while (j + 1 < numbers.size() && numbers.at(j + 1) == numbers.at(j) + 1)
            ++j;
        const QString first = presets::longNameOf(numbers.at(i), perBank);
        if (j - i >= 2)
            parts << QStringLiteral("%1 to %2")
                         .arg(first, presets::longNameOf(numbers.at(j), perBank));
        else
            for (int k = i; k <= j; ++k)
                parts << presets::longNameOf(numbers.at(k), perBank);
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

QString Librarian::fileLabel() const
{
    return library::destinationLabel(filePath);
}

// The destination as a failure names it: its whole path, or standard output.
QString Librarian::destinationShown() const
{
    return filePath == library::standardOutput ? library::destinationLabel(filePath)
                                               : QDir::toNativeSeparators(filePath);
}

// Where the safety copy is and how to put it back, as the outcome's last
// sentence.
QString Librarian::safetyNote() const
{
    const QString path = QDir::toNativeSeparators(safetyPath);
    const QString how =
        restoreAdvice ? restoreAdvice(path) : QStringLiteral("restore it from the Library page");
    return QStringLiteral(" The safety copy %1 puts them back as they were: %2.").arg(path, how);
}

void Librarian::setRestoreAdvice(const std::function<QString(const QString &)> &advice)
{
    restoreAdvice = advice;
}

// A destination that cannot take the file ends the call before anything is
// read, as "Nothing was <verb>: ...".
bool Librarian::unwritable(const QString &path, const QString &verb)
{
    const QString problem = library::destinationProblem(localPath(path));
    if (problem.isEmpty())
        return false;
    fileProblem = true;
    emit finished(false, QStringLiteral("Nothing was %1: %2").arg(verb, problem));
    return true;
}
