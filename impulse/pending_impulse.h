// PendingImpulse: the impulse the current preset plays when it is not the one
// the device has stored for it, and how long that lasts.
//
// It comes with a file loaded for the preset or with a pasted preset. It
// lasts until the device has acknowledged storing the preset with it, or
// until the preset is taken back to what the device holds (a move, a revert,
// "Revert impulse", a new connection). A save the device gave up on leaves
// it, so that saving again stores it.
#pragma once

#include <QByteArray>
#include <QString>

class PendingImpulse {
public:
    enum class Source {
        Stored, // nothing pending: the device's stored impulse plays
        File,   // a file: `name` (its file name) at `path`
        Copied, // a pasted device impulse: `name` and the image as `hexImage`
        None,   // a pasted preset that had no impulse
    };

    Source source() const { return m_source; }
    const QByteArray &name() const { return m_name; } // UTF-8
    const QString &path() const { return m_path; }
    const QByteArray &hexImage() const { return m_hexImage; }
    // It came with a pasted preset rather than being loaded for this one.
    bool pasted() const { return m_pasted; }
    // Forgetting it leaves the preset as the device stored it: it is the
    // preset's only change.
    bool onlyChange() const { return m_source != Source::Stored && m_onlyChange; }
    // The name the panel shows for it ("empty" for a preset without).
    QString shownName() const;
    // The preview command for a pasted impulse (a file is decoded for its own).
    QByteArray previewCommand() const;
    // The command that gives a pasted impulse back to the device as it was
    // received, or deletes the stored one for a preset that had none.
    QByteArray storeCommand() const;

    // A file loaded for the current preset. `presetEdited`: the preset had
    // changes already; a file loaded before this one does not count.
    void load(const QString &fileName, const QString &filePath, bool presetEdited);
    // The impulse of a pasted preset: the file the copied preset had loaded,
    // else the impulse the device reported for it (an empty name: none).
    void paste(const QString &fileName, const QString &filePath, const QByteArray &deviceName,
               const QByteArray &hexImage);
    // Some other change of the preset: forgetting the impulse keeps it edited.
    void otherChange();
    // The preset is back to what the device holds.
    void drop();

    // A save begins: a store queued by an earlier one is not on its way.
    void saveStarted();
    // The name a file is stored under (wav::storeName); it keeps that name.
    QByteArray storeName();
    // The save queued the impulse's store (or the deletion) before the preset's.
    void storeQueued();
    // The device acknowledged the preset's store.
    void presetStored();

private:
    friend struct PartsAccess; // tests set a state up directly

    Source m_source = Source::Stored;
    QByteArray m_name;
    QString m_path;
    QByteArray m_hexImage;
    bool m_pasted = false;
    bool m_onlyChange = false;
    bool m_storeQueued = false;
};
