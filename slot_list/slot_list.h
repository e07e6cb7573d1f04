// The device's impulse slot list, published to the panel as `_slots`. The
// start-up read asks for it once; a store or a reading of every preset
// changes what the slots hold, and the panel asks for it again through this
// object. The list arrives in the device readout (and as Core's
// "impulse_names" and "impulse_en").
#pragma once

#include <QObject>

class Link;

class SlotList : public QObject {
    Q_OBJECT

public:
    explicit SlotList(Link &link, QObject *parent = nullptr);

    // Asks the device for its slot list: behind whatever is queued, or at
    // once when nothing is. Nothing while the port is closed.
    Q_INVOKABLE void refresh();

private:
    Link &link;
};
