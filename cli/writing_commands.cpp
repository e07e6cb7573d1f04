// The commands that change what the device plays or stores: live edits,
// storing the current preset, and going to another preset.
#include "cli/command.h"

#include "cli/device.h"
#include "cli/engine.h"
#include "cli/parameters.h"
#include "cli/preset_argument.h"
#include "cli/run.h"
#include "editing/preset_session.h"
#include "link/requests.h"
#include "parsing/device_readout.h"
#include "presets/preset_place.h"

#include <QJsonObject>

namespace cli {
namespace {

class Set : public Command {
public:
    using Command::Command;
    // Every assignment is checked before the device is reached.
    bool check() override
    {
        for (const QString &text : run.options().args) {
            Assignment a{text, QString(), 0};
            QString error;
            if (!parseAssignment(text, &a.name, &a.value, &error)) {
                run.fail(Usage, error);
                return false;
            }
            assignments.append(a);
        }
        return true;
    }
    void start() override
    {
        for (const Assignment &a : assignments)
            run.engine().session().setValue(a.name, a.value);
        // Read the preset back: the edits went out before it, in order.
        run.device().run({requests::status}, [this] { verify(); });
    }

private:
    struct Assignment {
        QString text; // as given
        QString name;
        unsigned char value;
    };

    void verify()
    {
        const QVector<ParameterValue> now =
            decodeParameters(run.engine().session().values().liveText());
        QJsonObject set;
        for (const Assignment &a : assignments) {
            for (const ParameterValue &p : now) {
                if (p.name != a.name)
                    continue;
                if (static_cast<unsigned char>(p.value) != a.value)
                    return run.fail(DeviceFailed,
                                    QStringLiteral("The device did not take %1 (it holds %2).")
                                        .arg(a.text)
                                        .arg(p.value));
                set.insert(p.name, p.value);
            }
        }
        if (!run.options().save)
            return run.succeed(QStringLiteral("Set; not stored (\u201cvortaxa-cli save\u201d "
                                              "stores it)."),
                               okDocument({{"set", set}, {"stored", false}}));
        storePreset([this, set] {
            run.succeed(QStringLiteral("Set and stored."),
                        okDocument({{"set", set}, {"stored", true}}));
        });
    }

    QVector<Assignment> assignments;
};

class Save : public Command {
public:
    using Command::Command;
    void start() override
    {
        const DeviceReadout &r = run.engine().readout();
        const int bank = r.bank();
        const int preset = r.preset();
        storePreset([this, bank, preset] {
            run.succeed(
                QStringLiteral("Stored %1.").arg(presets::longName(bank, preset)),
                okDocument({{"stored", true}, {"place", presets::shortName(bank, preset)}}));
        });
    }
};

class GoTo : public Command {
public:
    using Command::Command;
    bool check() override
    {
        argument = parsePresetArgument(run.options().args.at(0));
        if (argument.valid)
            return true;
        run.fail(Usage, notAPreset(run.options().args.at(0)));
        return false;
    }
    void start() override
    {
        const presets::Family family = run.engine().readout().family();
        const int n = argument.numberOn(family);
        if (n < 0)
            return run.fail(Usage, presetRange(family));
        // Going elsewhere throws away what the device plays unsaved.
        run.device().learnStored(true, [this, n, family] {
            if (run.engine().session().edited() && !mayDiscard(n, family.presetsPerBank))
                return;
            go(n, family);
        });
    }

private:
    // Asks whether the current preset's unsaved changes may go; false once
    // the run has ended.
    bool mayDiscard(int n, int perBank)
    {
        const DeviceReadout &r = run.engine().readout();
        const QString here = presets::longName(r.bank(), r.preset());
        if (run.options().discard)
            return true;
        switch (run.ask(QStringLiteral("%1 has changes that are not saved on the device. Go to "
                                       "%2 and lose them?")
                            .arg(here, presets::longNameOf(n, perBank)))) {
        case Run::Answer::Yes:
            return true;
        case Run::Answer::Interrupted:
            return false; // the signal ends the run
        case Run::Answer::No:
            run.fail(DeviceFailed, QStringLiteral("Stayed at %1.").arg(here));
            return false;
        case Run::Answer::NoTerminal:
            break;
        }
        run.fail(DeviceFailed,
                 QStringLiteral("%1 has changes that are not saved on the device; nothing was "
                                "done. Store them first (\u201cvortaxa-cli save\u201d), or give "
                                "--discard to go anyway.")
                     .arg(here));
        return false;
    }

    void go(int n, const presets::Family &family)
    {
        run.engine().session().selectPreset(n);
        run.device().awaitExchange([this, n, family] {
            const QString place = presets::shortNameOf(n, family.presetsPerBank);
            run.succeed(
                QStringLiteral("Now at %1.").arg(presets::longNameOf(n, family.presetsPerBank)),
                okDocument({{"number", n}, {"place", place}}));
        });
    }

    PresetArgument argument;
};

} // namespace

std::unique_ptr<Command> makeWritingCommand(const QString &name, Run &run)
{
    if (name == QLatin1String("set"))
        return std::make_unique<Set>(run);
    if (name == QLatin1String("save"))
        return std::make_unique<Save>(run);
    if (name == QLatin1String("preset"))
        return std::make_unique<GoTo>(run);
    return nullptr;
}

} // namespace cli
