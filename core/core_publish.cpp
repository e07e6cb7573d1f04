// What Core publishes when the dispatcher has read an answer: the device
// readout's typed events and the status the session decoded, turned into the interface's
// signals and named values, in the order the document expects them.
#include "core/core.h"

#include "base/program_log.h"
#include "editing/preset_session.h"
#include "parsing/device_readout.h"
#include "parsing/status_layout.h"

#include <QDebug>

#include <array>

namespace {

// The published names as strings, built once from the parameter table.
struct NameStrings {
    std::array<QString, status::byteCount> names;
    std::array<QString, status::byteCount> aliases;
    NameStrings()
    {
        for (const parameters::Parameter &p : parameters::all()) {
            if (!p.inPreset())
                continue;
            names[p.position] = QString::fromLatin1(p.name);
            if (*p.statusAlias)
                aliases[p.position] = QString::fromLatin1(p.statusAlias);
        }
    }
};

const NameStrings &nameStrings()
{
    static const NameStrings strings;
    return strings;
}

// A list as the document reads it: every entry followed by a comma.
QString commaList(const QStringList &entries)
{
    QString text;
    for (const QString &entry : entries) {
        text += entry;
        text += QLatin1Char(',');
    }
    return text;
}

} // namespace

void Core::connectReadout()
{
    // Connected before any other listener, so the document hears of an
    // answer before the objects beside Core act on it.
    connect(&presetSession(), &PresetSession::statusShown, this, &Core::publishStatus);
    connect(&deviceReadout(), &DeviceReadout::positionRead, this, [this](int bank, int preset) {
        emit sgReadValue(QStringLiteral("bank"), bank);
        emit sgReadValue(QStringLiteral("preset"), preset);
    });
    connect(&deviceReadout(), &DeviceReadout::impulseNameRead, this,
            [this](const QString &name) { emit sgReadText(QStringLiteral("impulse_name"), name); });
    connect(&deviceReadout(), &DeviceReadout::modeRead, this, [this](int mode) {
        emit sgReadMode(uchar(mode));
        emit sgReadValue(QStringLiteral("mode"), mode);
    });
    connect(&deviceReadout(), &DeviceReadout::identifiedChanged, this, [this](int type) {
        emit sgReadName(uchar(type));
        emit sgReadValue(QStringLiteral("type_dev"), type);
    });
    connect(&deviceReadout(), &DeviceReadout::firmwareRead, this, [this](const QString &firmware) {
        emit sgReadText(QStringLiteral("devVersion"), firmware);
    });
    connect(&deviceReadout(), &DeviceReadout::slotsRead, this,
            [this](const QStringList &names, const QStringList &flags) {
                emit sgReadText(QStringLiteral("impulse_names"), commaList(names));
                emit sgReadText(QStringLiteral("impulse_en"), commaList(flags));
            });
}

void Core::publishStatus()
{
    const bool editable = !presetSession().comparing();
    emit sgSetEnabled(editable);
    emit sgReadValue(QStringLiteral("editable"), editable ? 1 : 0);

    // The session has decoded the block: what plays is published.
    const PresetValues &values = presetSession().values();
    const NameStrings &strings = nameStrings();
    for (const int position : status::aliasOrder())
        emit sgReadValue(strings.aliases[position], values.value(parameters::atPosition(position)));
    qCDebug(programLog) << "READ GS";
    for (const int position : status::nameOrder())
        emit sgReadValue(strings.names[position], values.value(parameters::atPosition(position)));
}
