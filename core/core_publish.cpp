// What Core publishes when the dispatcher has read an answer: the device
// readout's and the session's typed events, turned into the interface's
// signals and named values, in the order the document expects them.
#include "core/core.h"

#include "core/program_log.h"
#include "editing/preset_session.h"
#include "parsing/device_readout.h"
#include "parsing/status_decode.h"
#include "parsing/status_layout.h"

#include <QDebug>

#include <array>

namespace {

// The published names as strings, built once from the position table.
struct NameStrings {
    std::array<QString, status::byteCount> names;
    std::array<QString, status::byteCount> aliases;
    NameStrings()
    {
        for (const status::Parameter &p : status::parameters()) {
            names[p.position] = QString::fromLatin1(p.name);
            if (*p.alias)
                aliases[p.position] = QString::fromLatin1(p.alias);
        }
    }
};

const NameStrings &nameStrings()
{
    static const NameStrings strings;
    return strings;
}

int published(const status::Parameter &p, uchar value)
{
    return p.isSigned ? static_cast<int>(static_cast<signed char>(value)) : value;
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
    connect(&deviceReadout(), &DeviceReadout::statusRead, this, &Core::publishStatus);
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

void Core::publishStatus(const QByteArray &block)
{
    const bool editable = !presetSession().comparing();
    emit sgSetEnabled(editable);
    emit sgReadValue(QStringLiteral("editable"), editable ? 1 : 0);

    status::decodeBlock(block, statusData);

    const auto &parameters = status::parameters();
    const NameStrings &strings = nameStrings();
    for (const int position : status::aliasOrder())
        emit sgReadValue(strings.aliases[position],
                         published(parameters[position], statusData[position]));
    qCDebug(programLog) << "READ GS";
    for (const int position : status::nameOrder())
        emit sgReadValue(strings.names[position],
                         published(parameters[position], statusData[position]));
}
