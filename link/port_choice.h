// Choosing the device's port from the computer's serial ports, by USB vendor
// and product identifiers. Pure, so it can be tested without hardware.
#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace portChoice {

struct UsbId {
    quint16 vendor;
    quint16 product;
};

// The identifier pairs of the device, in the order they are tested.
const QList<UsbId> &deviceIds();

// One enumerated port, as much of it as the choice needs.
struct PortEntry {
    QString systemLocation;
    bool hasIdentifiers = false;
    quint16 vendor = 0;
    quint16 product = 0;
};

bool isDevice(const PortEntry &entry);

// Index of the first entry that belongs to the device, in enumeration order.
std::optional<int> firstDevice(const QList<PortEntry> &ports);

// The port name as shown to the user: "." and "\" removed.
QString displayName(QString name);

} // namespace portChoice
