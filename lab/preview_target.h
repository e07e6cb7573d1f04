// PreviewTarget: all the cabinet lab needs of the device. The lab hands it
// 48 kHz, 24-bit, mono WAV files it has written; the panel's side (an
// adapter outside lab/) puts them on the device the way a loaded impulse
// file goes, and says when the link is free again.
#pragma once

#include <QObject>
#include <QString>

namespace lab {

class PreviewTarget : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // True while nothing is on the way to the device, so a preview handed
    // over now goes out at once.
    virtual bool idle() const = 0;

    // Plays the file on the device as a preview. False, with why in plain
    // words in `reason`, when it did not go (no device, a refused file).
    virtual bool preview(const QString &path, QString &reason) = 0;

    // The file becomes the current preset's impulse, as a loaded file does:
    // it plays at once and is stored with the next save.
    virtual bool take(const QString &path, QString &reason) = 0;

    // The panel's choice for sources with several channels: their mean
    // instead of the first (the same choice impulse loads follow).
    virtual bool mixChannels() const = 0;

signals:
    // The link has become idle after what went out before.
    void becameIdle();
    // The device plays something else now than the lab's last preview (a
    // file loaded elsewhere, another preset, a lost connection).
    void replaced();
};

} // namespace lab
