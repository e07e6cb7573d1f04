// The commands that read: the ports, the device's identity and place, the
// current preset's parameters and the impulse slots. They change nothing.
#include "cli/command.h"

#include "cli/device.h"
#include "cli/engine.h"
#include "cli/output.h"
#include "cli/parameters.h"
#include "cli/run.h"
#include "editing/preset_session.h"
#include "parameters/parameter_table.h"
#include "parsing/device_readout.h"
#include "ports/port_chooser.h"
#include "presets/preset_place.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSettings>

namespace cli {
namespace {

class Ports : public Command {
public:
    using Command::Command;
    void start() override
    {
        QSettings &settings = run.engine().settings();
        const PortChooser chooser(run.engine().link(), settings, QString());
        const QString remembered = settings.value(QStringLiteral("PortPath")).toString();
        QJsonArray list;
        QVector<QStringList> rows{{"PORT", "DEVICE", "DESCRIPTION"}};
        for (const QVariant &v : chooser.available()) {
            const QVariantMap m = v.toMap();
            const QString path = m.value("path").toString();
            const bool device = m.value("device").toBool();
            list.append(QJsonObject{{"path", path},
                                    {"name", m.value("name").toString()},
                                    {"description", m.value("description").toString()},
                                    {"device", device},
                                    {"remembered", path == remembered}});
            QString mark = device ? QStringLiteral("yes") : QStringLiteral("-");
            if (path == remembered)
                mark += QStringLiteral(" (remembered)");
            rows.append({path, mark, m.value("description").toString()});
        }
        run.out().result(list.isEmpty() ? QString() : alignedColumns(rows));
        run.succeed(list.isEmpty() ? QStringLiteral("The system has no serial ports.") : QString(),
                    list);
    }
};

class Info : public Command {
public:
    using Command::Command;
    void start() override
    {
        const DeviceReadout &r = run.engine().readout();
        const presets::Family family = r.family();
        const QString port = run.device().portPath();
        const QString place = presets::shortName(r.bank(), r.preset());
        run.out().result(alignedColumns({
            {"Device type", QString::number(r.deviceType())},
            {"Firmware", r.firmware()},
            {"Presets", QStringLiteral("%1 banks \u00d7 %2 presets")
                            .arg(family.banks)
                            .arg(family.presetsPerBank)},
            {"Current", QStringLiteral("%1 (number %2)")
                            .arg(presets::longName(r.bank(), r.preset()))
                            .arg(r.presetNumber())},
            {"Impulse", r.hasImpulse() ? r.impulseName() : QStringLiteral("none")},
            {"Port", port},
        }));
        run.succeed(QString(),
                    QJsonObject{{"type", r.deviceType()},
                                {"firmware", r.firmware()},
                                {"banks", family.banks},
                                {"presetsPerBank", family.presetsPerBank},
                                {"bank", r.bank()},
                                {"preset", r.preset()},
                                {"number", r.presetNumber()},
                                {"place", place},
                                {"impulse", r.hasImpulse() ? QJsonValue(r.impulseName())
                                                           : QJsonValue(QJsonValue::Null)},
                                {"port", port}});
    }
};

class Get : public Command {
public:
    using Command::Command;
    bool check() override
    {
        for (const QString &name : run.options().args) {
            if (!findParameter(name)) {
                run.fail(Usage, QStringLiteral("There is no parameter \u201c%1\u201d; "
                                               "\u201cvortaxa-cli get\u201d lists them.")
                                    .arg(name));
                return false;
            }
        }
        return true;
    }
    void start() override
    {
        QVector<ParameterValue> values =
            decodeParameters(run.engine().session().values().liveText());
        if (values.isEmpty())
            return run.fail(DeviceFailed,
                            QStringLiteral("The device did not report its parameters."));
        const QStringList &names = run.options().args;
        if (!names.isEmpty()) {
            QVector<ParameterValue> chosen;
            for (const QString &name : names)
                for (const ParameterValue &p : values)
                    if (p.name == QLatin1String(findParameter(name)->name))
                        chosen.append(p);
            values = chosen;
        }
        QJsonObject all;
        QVector<QStringList> rows{{"NAME", "LABEL", "VALUE", "SHOWN"}};
        for (const ParameterValue &p : values) {
            QJsonObject o{{"value", p.value}, {"label", p.label}, {"shown", p.shown}};
            if (!p.unit.isEmpty())
                o.insert("unit", p.unit);
            all.insert(p.name, o);
            rows.append({p.name, p.label, QString::number(p.value), p.shown});
        }
        run.out().result(alignedColumns(rows));
        run.succeed(QString(), all);
    }
};

class Slots : public Command {
public:
    using Command::Command;
    void start() override
    {
        const QStringList names = run.engine().readout().slotNames();
        const QStringList flags = run.engine().readout().slotFlags();
        QJsonArray list;
        QVector<QStringList> rows{{"SLOT", "STATE", "NAME"}};
        for (int i = 0; i < names.size(); ++i) {
            const QString flag = flags.value(i);
            const QString state = flag == QLatin1String("01") ? QStringLiteral("stored")
                                  : flag == QLatin1String("00")
                                      ? QStringLiteral("none")
                                      : QStringLiteral("unknown (%1)").arg(flag);
            list.append(
                QJsonObject{{"slot", i}, {"name", names.at(i)}, {"flag", flag}, {"state", state}});
            rows.append({QString::number(i), state, names.at(i)});
        }
        run.out().result(alignedColumns(rows));
        run.succeed(QString(), list);
    }
};

} // namespace

std::unique_ptr<Command> makeReadingCommand(const QString &name, Run &run)
{
    if (name == QLatin1String("ports"))
        return std::make_unique<Ports>(run);
    if (name == QLatin1String("info"))
        return std::make_unique<Info>(run);
    if (name == QLatin1String("get"))
        return std::make_unique<Get>(run);
    if (name == QLatin1String("slots"))
        return std::make_unique<Slots>(run);
    return nullptr;
}

} // namespace cli
