// ConnectionNotice: what the panel says about the connection when there is
// none, and the port chooser's choice as the panel makes it.
//
// A port that is gone after the device was connected through it means the
// device was unplugged ("lost": it reconnects by itself once it is back), not
// a wrong port ("failed"); a port chosen anew starts without that history.
// The unsaved changes of a device that was unplugged are named in that
// notice ("Preset 3-5", or "the preset" before the device said where it
// was) until the next connection.
#pragma once

#include <QObject>
#include <QString>

class DeviceReadout;
class DeviceState;
class Link;
class PortChooser;
class PresetSession;

class ConnectionNotice : public QObject {
    Q_OBJECT
    // "open", "lost" (the device went away), "failed" (an open was refused)
    // or "searching".
    Q_PROPERTY(QString state READ state NOTIFY stateChanged)
    // The preset whose unsaved changes went with an unplugged device, in its
    // long form ("" if none).
    Q_PROPERTY(QString lostChanges READ lostChanges NOTIFY lostChangesChanged)

public:
    ConnectionNotice(Link &link, PresetSession &session, DeviceReadout &readout,
                     DeviceState &device, QObject *parent = nullptr);

    // The chooser whose failure tells a port that is gone; none: never "lost".
    void setPortChooser(PortChooser *chooser);

    QString state() const { return shown; }
    QString lostChanges() const { return lost; }

    // Opens `path` now and whenever it is closed, and remembers it; empty
    // leaves finding the device to discovery.
    Q_INVOKABLE void choosePort(const QString &path);

signals:
    void stateChanged();
    void lostChangesChanged();

private:
    void update();
    void setLost(const QString &place);

    PresetSession &session;
    DeviceReadout &readout;
    DeviceState &device;
    PortChooser *ports = nullptr;
    bool wasConnected = false;
    QString shown;
    QString lost;
    QString unsavedAtClose; // what the port's close found unsaved
};
