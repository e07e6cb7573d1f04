// The connection notice, followed from the link, the port chooser and the
// preset session.
#include "state/connection_notice.h"

#include "editing/preset_session.h"
#include "link/link.h"
#include "parsing/device_readout.h"
#include "ports/port_chooser.h"
#include "presets/preset_place.h"
#include "state/device_state.h"

ConnectionNotice::ConnectionNotice(Link &link, PresetSession &session, DeviceReadout &readout,
                                   DeviceState &device, QObject *parent)
    : QObject(parent), session(session), readout(readout), device(device),
      wasConnected(link.isOpen()), shown(device.connection())
{
    // The port closes before anyone hears that it was lost, and before the
    // edits and the place it held are forgotten: what was unsaved is taken
    // then.
    connect(&link, &Link::closing, this, [this] {
        if (!this->session.edited()) {
            unsavedAtClose.clear();
            return;
        }
        const int bank = this->readout.bank();
        const int preset = this->readout.preset();
        unsavedAtClose = this->readout.identified() && bank >= 0 && preset >= 0
                             ? presets::longName(bank, preset)
                             : QStringLiteral("the preset");
    });
    connect(&link, &Link::closedAfterError, this, [this] {
        if (!unsavedAtClose.isEmpty())
            setLost(unsavedAtClose);
        unsavedAtClose.clear();
    });
    connect(&link, &Link::opened, this, [this] {
        wasConnected = true;
        unsavedAtClose.clear();
        setLost(QString());
        update();
    });
    connect(&device, &DeviceState::connectionChanged, this, &ConnectionNotice::update);
}

void ConnectionNotice::setPortChooser(PortChooser *chooser)
{
    if (ports)
        disconnect(ports, nullptr, this, nullptr);
    ports = chooser;
    if (ports)
        connect(ports, &PortChooser::failureChanged, this, &ConnectionNotice::update);
    update();
}

void ConnectionNotice::choosePort(const QString &path)
{
    if (!ports)
        return;
    wasConnected = false;
    update();
    ports->choose(path);
}

void ConnectionNotice::update()
{
    const QString connection = device.connection();
    const bool gone = ports && ports->failure() == QLatin1String("gone");
    const QString next = connection == QLatin1String("failed") && gone && wasConnected
                             ? QStringLiteral("lost")
                             : connection;
    if (next == shown)
        return;
    shown = next;
    emit stateChanged();
}

void ConnectionNotice::setLost(const QString &place)
{
    if (place == lost)
        return;
    lost = place;
    emit lostChangesChanged();
}
