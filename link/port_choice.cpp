// Matching enumerated ports against the device's USB identifiers.
#include "link/port_choice.h"

namespace portChoice {

const QList<UsbId> &deviceIds()
{
    static const QList<UsbId> ids = {{0xFF00, 0x0009}, {0x0483, 0xA24B}, {0x0483, 0x5740}};
    return ids;
}

bool isDevice(const PortEntry &entry)
{
    if (!entry.hasIdentifiers)
        return false;
    for (const UsbId &id : deviceIds()) {
        if (entry.vendor == id.vendor && entry.product == id.product)
            return true;
    }
    return false;
}

std::optional<int> firstDevice(const QList<PortEntry> &ports)
{
    for (int i = 0; i < ports.size(); ++i) {
        if (isDevice(ports.at(i)))
            return i;
    }
    return std::nullopt;
}

QString displayName(QString name)
{
    name.remove(QLatin1Char('.'));
    name.remove(QLatin1Char('\\'));
    return name;
}

} // namespace portChoice
