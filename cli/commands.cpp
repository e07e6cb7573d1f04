// The commands, each a short chain of steps on the event loop.
#include "cli/commands.h"

#include "browser/impulse_file.h"
#include "browser/impulses.h"
#include "cli/engine.h"
#include "cli/parameters.h"
#include "editing/preset_place.h"
#include "editing/preset_session.h"
#include "impulse/wav_image.h"
#include "library/librarian.h"
#include "library/preset_file.h"
#include "link/link.h"
#include "link/port_choice.h"
#include "link/requests.h"
#include "parameters/parameter_table.h"
#include "parsing/device_readout.h"
#include "parsing/status_layout.h"
#include "ports/open_failure.h"
#include "ports/port_chooser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSaveFile>
#include <QSerialPort>
#include <QSettings>
#include <cstdio>
#include <unistd.h>

namespace cli {
namespace {

// The panel's remembered port (the port chooser's setting).
const char *const keyPortPath = "PortPath";

QString place(int number, int perBank)
{
    return presets::shortNameOf(number, perBank);
}

} // namespace

Commands::Commands(const Options &options, Engine &engine, Output &output)
    : options(options), engine(engine), out(output)
{
    watchdog.setSingleShot(true);
    watchdog.setInterval(options.timeoutSeconds * 1000);
    connect(&watchdog, &QTimer::timeout, this, [this] {
        finish(DeviceFailed, QStringLiteral("The device did not answer for %1 s. Check that it "
                                            "is connected and switched on, or give a longer "
                                            "--timeout.")
                                 .arg(this->options.timeoutSeconds));
    });
    Link &link = engine.link();
    // Anything from the device, or a long command going out, is not silence.
    auto notSilent = [this] {
        if (watchdog.isActive())
            watch();
    };
    connect(&link, &Link::received, this, notSilent);
    connect(&link, &Link::progressed, this, notSilent);
    connect(&link, &Link::exchangeDone, this, [this] {
        if (Step then = std::exchange(onExchangeDone, nullptr))
            then();
    });
    // Only the exchanges the commands follow themselves: the librarian's
    // end in its own finished().
    connect(&link, &Link::exchangeFailed, this, [this](const QString &reason) {
        const bool ours = onExchangeDone || onExchangeFailed;
        onExchangeDone = nullptr;
        if (auto failed = std::exchange(onExchangeFailed, nullptr))
            failed(reason);
        else if (ours)
            finish(DeviceFailed,
                   QStringLiteral("The device did not complete the work: %1.").arg(reason));
    });
    connect(&link, &Link::closedAfterError, this, [this] {
        finish(DeviceFailed, QStringLiteral("The connection to the device was lost."));
    });
}

Commands::~Commands() = default;

void Commands::finish(int code, const QString &message)
{
    if (finished)
        return;
    finished = true;
    watchdog.stop();
    if (!message.isEmpty()) {
        if (code == Done)
            out.message(message);
        else
            out.error(message);
    }
    out.endProgress();
    QCoreApplication::exit(code);
}

void Commands::watch()
{
    watchdog.start();
}

void Commands::start()
{
    const QString &c = options.command;
    if (c == "ports")
        return ports();
    if (c == "impulse convert")
        return impulseConvert();
    if (c == "set") {
        // Every assignment checked before the device is reached.
        for (const QString &a : options.args) {
            Assignment assignment{a, QString(), 0};
            QString error;
            if (!parseAssignment(a, &assignment.name, &assignment.value, &error))
                return finish(Usage, error);
            assignments.append(assignment);
        }
    }
    if (c == "get") {
        for (const QString &name : options.args) {
            if (!findParameter(name))
                return finish(Usage, QStringLiteral("There is no parameter \u201c%1\u201d; "
                                                    "\u201cvortaxa-cli get\u201d lists them.")
                                         .arg(name));
        }
    }
    if (c == "restore" || c == "import") {
        library::PresetFile file;
        QString error;
        if (!library::readFile(options.args.at(0), &file, &error))
            return finish(FileRefused, error);
    }
    if (c == "impulse load") {
        const PreparedImpulse p = prepareImpulse(options.args.at(0), audio::ConvertOptions());
        if (!p.error.isEmpty())
            return finish(FileRefused, p.error);
    }
    if (c == "preset" || c == "export" || c == "import") {
        bool ok = false;
        const int n = options.args.at(c == "import" ? 1 : 0).toInt(&ok);
        if (!ok || n < 0)
            return finish(Usage, QStringLiteral("A preset number is a whole number from 0."));
    }

    connectDevice([this] {
        const QString &c = options.command;
        if (c == "info")
            info();
        else if (c == "get")
            get();
        else if (c == "set")
            set();
        else if (c == "save")
            save([this] { finish(Done, QStringLiteral("Stored.")); });
        else if (c == "preset")
            preset();
        else if (c == "slots")
            slotList();
        else if (c == "backup")
            backup();
        else if (c == "restore")
            restore();
        else if (c == "export")
            exportPreset();
        else if (c == "import")
            importPreset();
        else if (c == "impulse load")
            impulseLoad();
    });
}

void Commands::interrupt()
{
    if (librarian && librarian->cancellable() && !interrupted) {
        interrupted = true;
        out.message(QStringLiteral("Stopping after the current preset..."));
        librarian->cancel();
        return;
    }
    finish(DeviceFailed, QStringLiteral("Interrupted."));
}

// ---- the device ---------------------------------------------------------------

void Commands::connectDevice(const Step &then)
{
    Link &link = engine.link();
    // Core's own reaction to the open (the start-up burst) comes first: it
    // was connected when Core was made.
    connect(&link, &Link::opened, this, [this, then] { startupRead(then); });
    connect(&link, &Link::openRefused, this, &Commands::portRefused);
    watch();
    if (!options.port.isEmpty()) {
        link.openPort(options.port);
        return;
    }
    link.findPort();
    if (link.isOpen() || finished)
        return;
    const QString remembered = engine.settings().value(keyPortPath).toString();
    if (remembered.isEmpty())
        return finish(DeviceFailed,
                      QStringLiteral("No device found. Connect it, or name its port with --port "
                                     "(\u201cvortaxa-cli ports\u201d lists them)."));
    link.openPort(remembered);
}

void Commands::portRefused()
{
    finish(DeviceFailed, openFailure::message(engine.link().openFailure()));
}

void Commands::startupRead(const Step &then)
{
    Link &link = engine.link();
    onExchangeFailed = [this](const QString &reason) {
        finish(DeviceFailed, QStringLiteral("The device on %1 does not answer (%2). Check that "
                                            "this is its port and that it is switched on.")
                                 .arg(engine.link().portName(), reason));
    };
    followQueue([this, then] {
        if (!engine.readout().identified() || engine.readout().family().presetCount() == 0)
            return finish(DeviceFailed, QStringLiteral("The device did not say what it is."));
        onExchangeFailed = nullptr;
        then();
    });
    link.startSending();
}

void Commands::followQueue(const Step &then)
{
    Link &link = engine.link();
    if (link.queueEmpty()) {
        QTimer::singleShot(0, this, then);
        return;
    }
    onExchangeDone = then;
    link.followQueue();
    watch();
}

bool Commands::confirm(const QString &question)
{
    if (options.yes)
        return true;
    if (!isatty(STDIN_FILENO) || !isatty(STDERR_FILENO))
        return false;
    out.endProgress();
    fprintf(stderr, "%s [y/N] ", question.toLocal8Bit().constData());
    fflush(stderr);
    watchdog.stop(); // the person answering is not the device
    char line[64] = {};
    const bool yes = fgets(line, sizeof line, stdin) && (line[0] == 'y' || line[0] == 'Y');
    watch();
    return yes;
}

// ---- commands without the device -----------------------------------------------

void Commands::ports()
{
    PortChooser chooser(engine.link(), engine.settings(), QString());
    const QString remembered = engine.settings().value(keyPortPath).toString();
    QJsonArray list;
    QVector<QStringList> rows{{"PORT", "DEVICE", "DESCRIPTION"}};
    for (const QVariant &v : chooser.available()) {
        const QVariantMap m = v.toMap();
        const QString path = m.value("path").toString();
        const bool device = m.value("device").toBool();
        QJsonObject o{{"path", path},
                      {"name", m.value("name").toString()},
                      {"description", m.value("description").toString()},
                      {"device", device},
                      {"remembered", path == remembered}};
        list.append(o);
        QString mark = device ? QStringLiteral("yes") : QStringLiteral("-");
        if (path == remembered)
            mark += QStringLiteral(" (remembered)");
        rows.append({path, mark, m.value("description").toString()});
    }
    if (options.json)
        out.json(list);
    else if (list.isEmpty())
        out.message(QStringLiteral("The system has no serial ports."));
    else
        out.result(alignedColumns(rows));
    finish(Done);
}

void Commands::impulseConvert()
{
    const QString in = options.args.at(0);
    const QString outPath = options.args.at(1);
    Impulses panelImpulses(engine.link(), engine.session(), engine.settings());
    audio::ConvertOptions convert;
    convert.mixChannels = panelImpulses.mixChannels();
    convert.normalise = panelImpulses.normalise();
    const PreparedImpulse p = prepareImpulse(in, convert);
    if (!p.error.isEmpty())
        return finish(FileRefused, p.error);
    // What the panel hands to the device: the converted image, or the file
    // itself when the device takes it as it is.
    QByteArray bytes;
    if (p.converted) {
        bytes = wav::deviceImage(audio::pack24(p.impulse.samples));
    } else {
        QFile source(in);
        if (!source.open(QIODevice::ReadOnly))
            return finish(FileRefused,
                          QStringLiteral("%1 cannot be read (%2).").arg(in, source.errorString()));
        bytes = source.readAll();
    }
    QSaveFile target(outPath);
    if (!target.open(QIODevice::WriteOnly) || target.write(bytes) != bytes.size() ||
        !target.commit())
        return finish(
            FileRefused,
            QStringLiteral("%1 cannot be written (%2).").arg(outPath, target.errorString()));
    finish(Done, QStringLiteral("%1: %2, %3 ms kept%4.")
                     .arg(QFileInfo(outPath).fileName(), audio::describe(p.info))
                     .arg(qRound(p.keptMs()))
                     .arg(p.impulse.cut ? QStringLiteral(", cut with a fade") : QString()));
}

// ---- reading ---------------------------------------------------------------------

void Commands::info()
{
    const DeviceReadout &r = engine.readout();
    const presets::Family family = r.family();
    const int number = r.presetNumber();
    if (options.json) {
        out.json(QJsonObject{{"type", r.deviceType()},
                             {"firmware", r.firmware()},
                             {"banks", family.banks},
                             {"presetsPerBank", family.presetsPerBank},
                             {"bank", r.bank()},
                             {"preset", r.preset()},
                             {"number", number},
                             {"place", presets::shortName(r.bank(), r.preset())},
                             {"impulse", r.impulseName()},
                             {"port", engine.link().portName()}});
    } else {
        out.result(alignedColumns({
            {"Device type", QString::number(r.deviceType())},
            {"Firmware", r.firmware()},
            {"Presets", QStringLiteral("%1 banks \u00d7 %2 presets")
                            .arg(family.banks)
                            .arg(family.presetsPerBank)},
            {"Current", QStringLiteral("%1 (number %2)")
                            .arg(presets::longName(r.bank(), r.preset()))
                            .arg(number)},
            {"Impulse", r.impulseName()},
            {"Port", engine.link().portName()},
        }));
    }
    finish(Done);
}

void Commands::get()
{
    QVector<ParameterValue> values = decodeParameters(engine.session().values().liveText());
    if (values.isEmpty())
        return finish(DeviceFailed, QStringLiteral("The device did not report its parameters."));
    if (!options.args.isEmpty()) {
        QVector<ParameterValue> chosen;
        for (const QString &name : options.args)
            for (const ParameterValue &p : values)
                if (p.name == QLatin1String(findParameter(name)->name))
                    chosen.append(p);
        values = chosen;
    }
    if (options.json) {
        QJsonObject all;
        for (const ParameterValue &p : values) {
            QJsonObject o{{"value", p.value}, {"label", p.label}, {"shown", p.shown}};
            if (!p.unit.isEmpty())
                o.insert("unit", p.unit);
            all.insert(p.name, o);
        }
        out.json(all);
    } else {
        QVector<QStringList> rows;
        for (const ParameterValue &p : values)
            rows.append({p.name, p.label, QString::number(p.value), p.shown});
        out.result(alignedColumns(rows));
    }
    finish(Done);
}

void Commands::slotList()
{
    const QStringList names = engine.readout().slotNames();
    const QStringList flags = engine.readout().slotFlags();
    auto words = [](const QString &flag) {
        if (flag == QLatin1String("01"))
            return QStringLiteral("stored");
        if (flag == QLatin1String("00"))
            return QStringLiteral("none");
        return QStringLiteral("unknown (%1)").arg(flag);
    };
    QJsonArray list;
    QVector<QStringList> rows;
    for (int i = 0; i < names.size(); ++i) {
        const QString flag = flags.value(i);
        list.append(QJsonObject{
            {"slot", i}, {"name", names.at(i)}, {"flag", flag}, {"state", words(flag)}});
        rows.append({QString::number(i), words(flag), names.at(i)});
    }
    if (options.json)
        out.json(list);
    else
        out.result(alignedColumns(rows));
    finish(Done);
}

// ---- editing -----------------------------------------------------------------------

void Commands::set()
{
    for (const Assignment &a : assignments)
        engine.session().setValue(a.name, a.value);
    // Read the preset back: the edits went out before it, in order.
    onExchangeFailed = nullptr;
    onExchangeDone = [this] {
        const QVector<ParameterValue> now = decodeParameters(engine.session().values().liveText());
        for (const Assignment &a : assignments)
            for (const ParameterValue &p : now)
                if (p.name == a.name && static_cast<unsigned char>(p.value) != a.value)
                    return finish(DeviceFailed,
                                  QStringLiteral("The device did not take %1 (it holds %2).")
                                      .arg(a.text)
                                      .arg(p.value));
        if (options.save)
            save([this] { finish(Done, QStringLiteral("Set and stored.")); });
        else
            finish(Done);
    };
    engine.link().runExchange({requests::status});
    watch();
}

void Commands::save(const Step &then)
{
    PresetSession &session = engine.session();
    longWork = QStringLiteral("Storing the preset");
    auto storedSeen = std::make_shared<bool>(false);
    connect(&session, &PresetSession::stored, this, [storedSeen] { *storedSeen = true; });
    session.save();
    followQueue([this, storedSeen, then] {
        if (!*storedSeen)
            return finish(DeviceFailed, QStringLiteral("The device did not store the preset."));
        then();
    });
}

void Commands::preset()
{
    const int n = options.args.at(0).toInt();
    const presets::Family family = engine.readout().family();
    if (n >= family.presetCount())
        return finish(
            Usage, QStringLiteral("The device has presets 0 to %1.").arg(family.presetCount() - 1));
    onExchangeDone = [this, n, family] {
        finish(Done,
               QStringLiteral("Now at %1.").arg(presets::longNameOf(n, family.presetsPerBank)));
    };
    engine.session().selectPreset(n);
    watch();
}

// ---- the library -------------------------------------------------------------------

void Commands::followLibrarian(const Step &onAsk)
{
    librarian = std::make_unique<Librarian>(engine.link(), engine.session(), engine.readout(),
                                            engine.settings());
    Librarian *l = librarian.get();
    connect(l, &Librarian::stepChanged, this,
            [this, l] { out.progress(l->step(), l->progress()); });
    connect(l, &Librarian::progressChanged, this,
            [this, l] { out.progress(l->step(), l->progress()); });
    connect(l, &Librarian::advanced, this, [this] { watch(); });
    connect(l, &Librarian::presetWritten, this, [this](int number) { written.append(number); });
    connect(l, &Librarian::askingChanged, this, [l, onAsk] {
        if (l->asking() && onAsk)
            onAsk();
    });
    connect(l, &Librarian::finished, this, [this](bool ok, const QString &message) {
        if (interrupted || !written.isEmpty()) {
            QStringList places;
            const int perBank = engine.readout().family().presetsPerBank;
            for (int n : written)
                places.append(place(n, perBank));
            if (options.command == "restore")
                out.message(written.isEmpty()
                                ? QStringLiteral("No preset was written.")
                                : QStringLiteral("Written: %1.").arg(places.join(", ")));
        }
        finish(ok ? Done : DeviceFailed, message);
    });
    // The librarian's own refusals come at once and need no device answer.
    watch();
}

void Commands::backup()
{
    followLibrarian(nullptr);
    librarian->backup(options.args.at(0));
}

void Commands::restore()
{
    followLibrarian([this] {
        out.endProgress();
        out.result(librarian->question() + QLatin1Char('\n'));
        if (options.yes || confirm(QStringLiteral("Write these presets?"))) {
            librarian->confirm();
            return;
        }
        const bool asked = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
        librarian->cancel();
        if (!asked)
            out.error(QStringLiteral("Nothing written: there is no terminal to ask on. Give --yes "
                                     "to restore without asking."));
    });
    QVariantList numbers;
    for (int n : options.presets)
        numbers.append(n);
    const QString path = options.args.at(0);
    if (numbers.isEmpty())
        librarian->restore(path);
    else
        librarian->restore(path, numbers);
}

void Commands::exportPreset()
{
    const int n = options.args.at(0).toInt();
    const presets::Family family = engine.readout().family();
    if (n >= family.presetCount())
        return finish(
            Usage, QStringLiteral("The device has presets 0 to %1.").arg(family.presetCount() - 1));
    const QString path = options.args.at(1);
    onExchangeDone = [this, path] {
        followLibrarian(nullptr);
        librarian->exportPreset(path);
    };
    engine.session().selectPreset(n);
    watch();
}

void Commands::importPreset()
{
    const int n = options.args.at(1).toInt();
    const presets::Family family = engine.readout().family();
    if (n >= family.presetCount())
        return finish(
            Usage, QStringLiteral("The device has presets 0 to %1.").arg(family.presetCount() - 1));
    const QString where = presets::longNameOf(n, family.presetsPerBank);
    if (!confirm(QStringLiteral("Replace and store %1?").arg(where))) {
        const bool asked = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
        return finish(DeviceFailed,
                      asked ? QStringLiteral("Nothing written.")
                            : QStringLiteral("Nothing written: there is no terminal to ask "
                                             "on. Give --yes to import without asking."));
    }
    const QString path = options.args.at(0);
    onExchangeDone = [this, path, where] {
        followLibrarian(nullptr);
        // The import is an edit of the current preset; storing it follows.
        disconnect(librarian.get(), &Librarian::finished, this, nullptr);
        connect(librarian.get(), &Librarian::finished, this,
                [this, where](bool ok, const QString &message) {
                    if (!ok)
                        return finish(DeviceFailed, message);
                    save([this, where] {
                        finish(Done, QStringLiteral("Imported into %1 and stored.").arg(where));
                    });
                });
        librarian->importPreset(path);
    };
    engine.session().selectPreset(n);
    watch();
}

// ---- impulses ------------------------------------------------------------------------

void Commands::impulseLoad()
{
    impulses = std::make_unique<Impulses>(engine.link(), engine.session(), engine.settings());
    QString refusal;
    connect(impulses.get(), &Impulses::failed, this,
            [&refusal](const QString &, const QString &reason) { refusal = reason; });
    if (!impulses->load(options.args.at(0)))
        return finish(FileRefused,
                      refusal.isEmpty() ? QStringLiteral("The impulse was refused.") : refusal);
    disconnect(impulses.get(), &Impulses::failed, this, nullptr);
    // The impulse goes out in pieces: its progress, as the panel shows it.
    longWork = QStringLiteral("Sending the impulse");
    connect(&engine.link(), &Link::progressed, this,
            [this](float progress) { out.progress(longWork, progress); });
    followQueue([this] {
        if (options.save)
            save([this] { finish(Done, QStringLiteral("Impulse loaded and stored.")); });
        else
            finish(Done, QStringLiteral("Impulse loaded; \u201cvortaxa-cli save\u201d stores it."));
    });
    engine.link().startSending();
}

} // namespace cli
