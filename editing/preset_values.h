// PresetValues: the current preset's parameter bytes, the one copy the
// program keeps: as the device plays them now (the last status block shown,
// with every edit written since) and as the device stores them (read while
// the preset had no edits, learned, or acknowledged by a save).
#pragma once

#include "parameters/parameter_table.h"

#include <QByteArray>

class PresetValues {
public:
    // Nothing is known until the first status block is read.
    bool known() const { return !liveBytes.isEmpty(); }
    bool storedKnown() const { return !storedBytes.isEmpty(); }
    // 43 bytes each; empty while not known.
    const QByteArray &live() const { return liveBytes; }
    const QByteArray &stored() const { return storedBytes; }
    // The same as the 86 hex digits the device takes back.
    QByteArray liveText() const { return liveBytes.toHex(); }
    QByteArray storedText() const { return storedBytes.toHex(); }
    // A parameter's value as it plays and as stored (signed ones as
    // -128..127); 0 while not known.
    int value(const parameters::Parameter &p) const;
    int storedValue(const parameters::Parameter &p) const;
    // What plays is what the device stores.
    bool matchStored() const { return storedKnown() && liveBytes == storedBytes; }

    // A status block shown (86 hex digits): it is what plays; `isStored`: it
    // is also what the device stores (read with no edits, or after a move).
    void blockRead(const QByteArray &block, bool isStored);
    // The stored version, read while the live one was set aside.
    void storedRead(const QByteArray &block);
    // An edit written to the device; false when nothing is known to change.
    bool written(int position, unsigned char byte);
    // A save starts storing `block` (empty: what plays); once the device has
    // acknowledged it, that is what it stores.
    void saveStarted(const QByteArray &block);
    void saved();

private:
    static QByteArray decode(const QByteArray &block);

    QByteArray liveBytes;
    QByteArray storedBytes;
    QByteArray savingBytes;
};
