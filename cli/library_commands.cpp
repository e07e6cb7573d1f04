// The library walks: backup, restore, export and import. Each takes the
// device away from the preset it was on and back, in the steps of Walk,
// each of which runs in one place.
#include "cli/command.h"

#include "cli/device.h"
#include "cli/engine.h"
#include "cli/output.h"
#include "cli/preset_argument.h"
#include "cli/run.h"
#include "editing/preset_session.h"
#include "library/destination.h"
#include "library/librarian.h"
#include "library/preset_file.h"
#include "parsing/device_readout.h"
#include "presets/preset_place.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSet>

namespace cli {
namespace {

// A path as a shell takes it: quoted when it holds more than plain characters.
QString shellQuoted(const QString &path)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./@%+=:,-]+$"));
    if (plain.match(path).hasMatch())
        return path;
    return QLatin1Char('\'') + QString(path).replace("'", "'\\''") + QLatin1Char('\'');
}

// The steps of a walk, in order: the files are checked (check), the device
// is opened, what the connected device must allow is checked
// (checkOnDevice), beforeWalk, the walk itself (walk, ending in returned()
// once the device is back at the starting preset or never left it),
// afterReturn, and the report.
class Walk : public Command {
public:
    using Command::Command;

    void start() final
    {
        if (!checkOnDevice())
            return;
        home = readout().presetNumber();
        walking = true;
        beforeWalk([this] { walk(); });
    }

    bool stopsSoftly() const override { return walking; }
    void stopSoon() override
    {
        stopping = true;
        if (lib && lib->cancellable())
            lib->cancel();
    }

    Outcome stoppedNow() const override
    {
        Outcome o;
        o.code = Interrupted; // the run gives the signal's own code
        o.message = step.isEmpty() ? QStringLiteral("Stopped at once.")
                                   : QStringLiteral("Stopped at once while: %1. The device stays "
                                                    "where it is.")
                                         .arg(step);
        if (!unsaved.isEmpty())
            o.message +=
                QStringLiteral(" The unsaved changes of %1 were not given back.").arg(where(home));
        if (lib && !safetyCopy().isEmpty())
            o.message += QStringLiteral(" The safety copy %1 puts them back as they were: run "
                                        "\u201cvortaxa-cli restore %2 --yes\u201d.")
                             .arg(safetyCopy(), shellQuoted(safetyCopy()));
        return withWritten(o);
    }

protected:
    // What the connected device must allow before it moves: false once
    // the run has ended.
    virtual bool checkOnDevice() { return true; }
    // The walk; it ends with returned().
    virtual void walk() = 0;

    void returned(const Outcome &outcome)
    {
        afterReturn([this, outcome] { report(outcome); });
    }

    // Goes to preset `number` (no move when the device is there); then `then`.
    void moveTo(int number, const Step &then)
    {
        if (readout().presetNumber() == number)
            return then();
        step = QStringLiteral("Going to %1").arg(presets::longNameOf(number, perBank()));
        run.engine().session().selectPreset(number);
        run.device().awaitExchange([this, number, then] {
            if (readout().presetNumber() != number)
                return run.fail(DeviceFailed, QStringLiteral("The device did not go to %1.")
                                                  .arg(presets::longNameOf(number, perBank())));
            then();
        });
    }

    // The librarian, made on first use; its steps are the progress shown.
    Librarian &librarian()
    {
        if (lib)
            return *lib;
        Engine &e = run.engine();
        lib = std::make_unique<Librarian>(e.link(), e.session(), e.readout(), e.settings());
        lib->setRemembersFolder(false);
        lib->setRestoreAdvice([](const QString &path) {
            return QStringLiteral("run \u201cvortaxa-cli restore %1 --yes\u201d")
                .arg(shellQuoted(path));
        });
        Librarian *l = lib.get();
        auto shown = [this, l] {
            step = l->step();
            run.out().progress(l->step(), l->progress());
        };
        connect(l, &Librarian::stepChanged, this, shown);
        connect(l, &Librarian::progressChanged, this, shown);
        connect(l, &Librarian::presetWritten, this, [this](int n) { written.append(n); });
        return *lib;
    }

    // The code of a librarian's unsuccessful end.
    int failureCode() const
    {
        return stopping ? Interrupted : lib && lib->fileFailed() ? FileRefused : DeviceFailed;
    }
    QString safetyCopy() const
    {
        return lib ? lib->plan().value(QStringLiteral("safetyCopy")).toString() : QString();
    }
    const DeviceReadout &readout() const { return run.engine().readout(); }
    int perBank() const { return readout().family().presetsPerBank; }
    QString where(int number) const { return presets::longNameOf(number, perBank()); }

    int home = -1;         // the starting preset
    bool writes = false;   // the walk writes presets: its outcome lists them
    bool writing = false;  // it was told to go ahead and write
    QVector<int> written;  // the presets written, in order
    bool stopping = false; // the first Ctrl+C was taken
    QString step;          // what the walk is doing
    QByteArray unsaved;    // the starting preset's unsaved changes, set aside

private:
    // Before the device leaves the starting preset (what the device stores
    // of it is to be learnt here, so that unsaved changes survive the walk).
    // The walk files what the device stores: unsaved changes the device
    // plays are learned and set aside here, and given back at the end.
    void beforeWalk(const Step &then)
    {
        run.device().learnStored(false, [this, then] {
            unsaved = run.engine().session().setAsideUnsaved();
            then();
        });
    }
    // The device is back at the starting preset: the changes set aside play
    // again, unless the walk wrote that preset.
    void afterReturn(const Step &then)
    {
        if (unsaved.isEmpty())
            return then();
        if (written.contains(home)) {
            run.out().message(QStringLiteral("%1's unsaved changes were replaced by what was "
                                             "written.")
                                  .arg(where(home)));
            return then();
        }
        run.engine().session().putBackUnsaved(unsaved);
        run.device().follow([this, then] {
            run.out().message(QStringLiteral("%1's unsaved changes are playing again; they "
                                             "are still not saved.")
                                  .arg(where(home)));
            then();
        });
    }

    void report(Outcome outcome)
    {
        if (outcome.code == Done)
            return run.succeed(outcome.message, okDocument(withWritten(outcome).details));
        run.fail(withWritten(outcome));
    }

    // The outcome with the presets written: a list of places in the
    // document and, when the walk went ahead to write and did not end
    // well, a last line of the message.
    Outcome withWritten(Outcome o) const
    {
        if (!writes)
            return o;
        QStringList places;
        QJsonArray list;
        for (int n : written) {
            places.append(presets::shortNameOf(n, perBank()));
            list.append(places.last());
        }
        o.details.insert(QStringLiteral("written"), list);
        if (!safetyCopy().isEmpty())
            o.details.insert(QStringLiteral("safetyCopy"), safetyCopy());
        if (o.code != Done && (writing || stopping || o.code == Interrupted))
            o.message += QStringLiteral("\nWritten: %1.")
                             .arg(places.isEmpty() ? QStringLiteral("none") : places.join(", "));
        return o;
    }

    bool walking = false;
    std::unique_ptr<Librarian> lib;
};

class Backup : public Walk {
public:
    using Walk::Walk;
    bool check() override
    {
        const QString problem = library::destinationProblem(path());
        if (problem.isEmpty())
            return true;
        run.fail(FileRefused, QStringLiteral("Nothing was backed up: %1").arg(problem));
        return false;
    }
    void walk() override
    {
        connect(&librarian(), &Librarian::finished, this, [this](bool ok, const QString &message) {
            const int count = readout().family().presetCount();
            returned(ok ? Outcome{Done, message, {{"file", path()}, {"presets", count}}}
                        : Outcome{failureCode(), message, {}});
        });
        librarian().backup(path());
    }

private:
    QString path() const { return run.options().args.at(0); }
};

class Restore : public Walk {
public:
    explicit Restore(Run &run) : Walk(run) { writes = true; }
    bool check() override
    {
        QString error;
        if (library::readFile(path(), &file, &error))
            return true;
        run.fail(FileRefused, QStringLiteral("Nothing was restored from %1. %2")
                                  .arg(QFileInfo(path()).fileName(), error));
        return false;
    }
    bool checkOnDevice() override;
    void walk() override
    {
        connect(&librarian(), &Librarian::askingChanged, this, &Restore::asked);
        connect(&librarian(), &Librarian::finished, this, [this](bool ok, const QString &message) {
            if (!declined.isEmpty())
                return returned({DeviceFailed, declined, {}});
            returned({ok ? Done : failureCode(), message, {{"question", question}}});
        });
        QVariantList numbers;
        for (int n : run.options().presets)
            numbers.append(n);
        librarian().restore(path(), numbers);
    }

private:
    void asked();
    QString path() const { return run.options().args.at(0); }

    library::PresetFile file;
    QString question;
    QString declined; // why nothing was written, when the question was not answered yes
};

// The file fits the device, and the chosen presets are the device's and the file's.
bool Restore::checkOnDevice()
{
    const presets::Family family = readout().family();
    const QString name = QFileInfo(path()).fileName();
    if (file.banks != family.banks || file.presetsPerBank != family.presetsPerBank) {
        run.fail(FileRefused, QStringLiteral("Nothing was restored from %1: it holds presets of a "
                                             "device with %2 banks of %3 presets; the connected "
                                             "device has %4 banks of %5.")
                                  .arg(name)
                                  .arg(file.banks)
                                  .arg(file.presetsPerBank)
                                  .arg(family.banks)
                                  .arg(family.presetsPerBank));
        return false;
    }
    QSet<int> inFile;
    for (const library::PresetEntry &e : file.presets)
        inFile.insert(file.number(e));
    for (int n : run.options().presets) {
        if (n >= family.presetCount()) {
            run.fail(Usage, presetRange(family));
            return false;
        }
        if (!inFile.contains(n)) {
            run.fail(FileRefused,
                     QStringLiteral("Nothing was restored: %1 is not in %2.").arg(where(n), name));
            return false;
        }
    }
    return true;
}

void Restore::asked()
{
    Librarian &l = librarian();
    if (!l.asking())
        return;
    question = l.question();
    run.out().result(question + QLatin1Char('\n'));
    switch (run.ask(QStringLiteral("Write these presets?"))) {
    case Run::Answer::Yes:
        writing = true;
        return l.confirm();
    case Run::Answer::Interrupted:
        return; // the signal stops the restore
    case Run::Answer::No:
        declined = QStringLiteral("Nothing written.");
        break;
    case Run::Answer::NoTerminal:
        declined = QStringLiteral("Nothing written: there is no terminal to ask on. Give --yes "
                                  "to restore without asking.");
        break;
    }
    l.cancel();
}

class Export : public Walk {
public:
    using Walk::Walk;
    bool check() override
    {
        argument = parsePresetArgument(run.options().args.at(0));
        if (!argument.valid) {
            run.fail(Usage, notAPreset(run.options().args.at(0)));
            return false;
        }
        const QString problem = library::destinationProblem(path());
        if (problem.isEmpty())
            return true;
        run.fail(FileRefused, QStringLiteral("Nothing was exported: %1").arg(problem));
        return false;
    }
    bool checkOnDevice() override
    {
        number = argument.numberOn(readout().family());
        if (number >= 0)
            return true;
        run.fail(Usage, presetRange(readout().family()));
        return false;
    }
    void walk() override
    {
        moveTo(number, [this] {
            if (stopping)
                return back({Interrupted, QStringLiteral("Stopped: nothing was exported."), {}});
            connect(&librarian(), &Librarian::finished, this,
                    [this](bool ok, const QString &message) {
                        back(ok ? Outcome{Done, message, {{"file", path()}, {"place", place()}}}
                                : Outcome{failureCode(), message, {}});
                    });
            librarian().exportPreset(path());
        });
    }

private:
    void back(const Outcome &outcome)
    {
        moveTo(home, [this, outcome] { returned(outcome); });
    }
    QString path() const { return run.options().args.at(1); }
    QString place() const { return presets::shortNameOf(number, perBank()); }

    PresetArgument argument;
    int number = -1;
};

class Import : public Walk {
public:
    explicit Import(Run &run) : Walk(run) { writes = true; }
    bool check() override;
    bool checkOnDevice() override;
    void walk() override
    {
        writing = true; // the question was answered before the walk
        moveTo(number, [this] {
            if (stopping)
                return back({Interrupted, QStringLiteral("Stopped: nothing was written."), {}});
            connect(&librarian(), &Librarian::finished, this,
                    [this](bool ok, const QString &message) { pasted(ok, message); });
            librarian().importPreset(path());
        });
    }

private:
    void pasted(bool ok, const QString &message)
    {
        if (!ok)
            return back({failureCode(), message, {}});
        if (stopping)
            return back({Interrupted,
                         QStringLiteral("Stopped before the preset was stored: "
                                        "nothing was written."),
                         {}});
        step = QStringLiteral("Storing %1").arg(where(number));
        storePreset([this] {
            written.append(number);
            back({Done,
                  QStringLiteral("Imported %1 into %2 and stored.")
                      .arg(QFileInfo(path()).fileName(), where(number)),
                  {}});
        });
    }
    void back(const Outcome &outcome)
    {
        moveTo(home, [this, outcome] { returned(outcome); });
    }
    QString path() const { return run.options().args.at(0); }

    PresetArgument argument;
    int number = -1;
};

// The file holds one preset, and the place is a preset number or place.
bool Import::check()
{
    library::PresetFile file;
    QString error;
    const QString name = QFileInfo(path()).fileName();
    if (!library::readFile(path(), &file, &error)) {
        run.fail(FileRefused, QStringLiteral("Nothing was imported from %1. %2").arg(name, error));
        return false;
    }
    if (file.presets.size() != 1) {
        run.fail(FileRefused, QStringLiteral("Nothing was imported: %1 holds %2 presets, and "
                                             "import takes one. Restore puts several back.")
                                  .arg(name)
                                  .arg(file.presets.size()));
        return false;
    }
    argument = parsePresetArgument(run.options().args.at(1));
    if (argument.valid)
        return true;
    run.fail(Usage, notAPreset(run.options().args.at(1)));
    return false;
}

// The place is the device's, and the question is answered yes.
bool Import::checkOnDevice()
{
    number = argument.numberOn(readout().family());
    if (number < 0) {
        run.fail(Usage, presetRange(readout().family()));
        return false;
    }
    switch (run.ask(QStringLiteral("Replace and store %1?").arg(where(number)))) {
    case Run::Answer::Yes:
        return true;
    case Run::Answer::Interrupted:
        return false; // the signal ends the run
    case Run::Answer::No:
        run.fail(DeviceFailed, QStringLiteral("Nothing written."));
        return false;
    case Run::Answer::NoTerminal:
        run.fail(DeviceFailed, QStringLiteral("Nothing written: there is no terminal to ask "
                                              "on. Give --yes to import without asking."));
        return false;
    }
    return false;
}

} // namespace

std::unique_ptr<Command> makeLibraryCommand(const QString &name, Run &run)
{
    if (name == QLatin1String("backup"))
        return std::make_unique<Backup>(run);
    if (name == QLatin1String("restore"))
        return std::make_unique<Restore>(run);
    if (name == QLatin1String("export"))
        return std::make_unique<Export>(run);
    if (name == QLatin1String("import"))
        return std::make_unique<Import>(run);
    return nullptr;
}

} // namespace cli
