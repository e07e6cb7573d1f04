// DeviceState: what the panel shows about the device and its work, typed,
// published to the document as `_device` beside `_core`.
//
// It holds the connection ("searching", "open", "failed", "lost" and the
// port's name), whether the link is busy, the one progress every view shows
// (the librarian's step and fraction while it works, else the link's),
// whether a save is under way (from its start until the device has stored
// the preset or the save failed), and whether a whole copy is there to
// paste; whether compare shows the stored preset and what the busy state
// is doing; the device's type, family and firmware; and the preset map. It
// learns all of it from the parts' typed events, never from Core. Beside it,
// and published through it: the save question's flow (SaveQuestion) and the
// connection notice (ConnectionNotice).
#pragma once

#include "state/connection_notice.h"
#include "state/preset_map.h"
#include "state/save_question.h"

#include <QObject>
#include <QString>
#include <QStringList>

class DeviceReadout;
class Impulses;
class Librarian;
class Link;
class PortChooser;
class PresetSession;
class SlotList;

class DeviceState : public QObject {
    Q_OBJECT
    // "searching", "open" (on portName), "failed" (portName could not be
    // opened) or "lost" (the open port was closed after an error).
    Q_PROPERTY(QString connection READ connection NOTIFY connectionChanged)
    Q_PROPERTY(QString portName READ portName NOTIFY connectionChanged)
    // Requests are on their way to the device.
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    // The librarian is walking, reading or writing presets.
    Q_PROPERTY(bool libraryBusy READ libraryBusy NOTIFY progressChanged)
    // How far the work shown is, from 0 to 1, and what it is in words while
    // the librarian works (empty otherwise).
    Q_PROPERTY(qreal progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString step READ step NOTIFY progressChanged)
    // "Read all" is under way (the librarian's walk through every preset).
    Q_PROPERTY(bool readingAll READ readingAll NOTIFY progressChanged)
    // A save has started and the device has not yet stored the preset.
    Q_PROPERTY(bool saving READ saving NOTIFY savingChanged)
    // A whole copy is there to paste.
    Q_PROPERTY(bool hasCopy READ hasCopy NOTIFY hasCopyChanged)
    // Compare shows the stored preset of a connected device: nothing can be edited.
    Q_PROPERTY(bool comparing READ comparing NOTIFY comparingChanged)
    // What the busy state is doing beyond the link's plain work: "impulse"
    // while an impulse file chosen in the panel goes out, else "".
    Q_PROPERTY(QString task READ task NOTIFY taskChanged)
    // The identification answer's type code (0 until the device has said it,
    // and again once it is gone), the family it stands for and the firmware.
    Q_PROPERTY(int deviceType READ deviceType NOTIFY identityChanged)
    Q_PROPERTY(int bankCount READ bankCount NOTIFY identityChanged)
    Q_PROPERTY(int presetCount READ presetCount NOTIFY identityChanged)
    Q_PROPERTY(QString firmware READ firmware NOTIFY identityChanged)
    // The family in words ("10 × 10 presets"); "" until the device said its type.
    Q_PROPERTY(QString familyText READ familyText NOTIFY identityChanged)
    // The current place as the device reported it (-1 until then), whether
    // the preset has edits the device has not stored, and the name of the
    // impulse it plays ("empty" for none, "" until known).
    Q_PROPERTY(int bank READ bank NOTIFY positionChanged)
    Q_PROPERTY(int preset READ preset NOTIFY positionChanged)
    Q_PROPERTY(bool edited READ edited NOTIFY editedChanged)
    Q_PROPERTY(QString impulseName READ impulseName NOTIFY impulseNameChanged)
    // The device's impulse slots: each one's name ("empty" for none) and flag
    // text, as the slot list answer gave them.
    Q_PROPERTY(QStringList slotNames READ slotNames NOTIFY slotsChanged)
    Q_PROPERTY(QStringList slotFlags READ slotFlags NOTIFY slotsChanged)
    // Every preset of the family as last read.
    Q_PROPERTY(PresetMap *presetMap READ presetMap CONSTANT)
    Q_PROPERTY(SaveQuestion *saveQuestion READ saveQuestion CONSTANT)
    Q_PROPERTY(ConnectionNotice *connectionNotice READ connectionNotice CONSTANT)

public:
    DeviceState(Link &link, PresetSession &session, DeviceReadout &readout,
                Librarian *library = nullptr, QObject *parent = nullptr);

    // The objects beside it that the panel's state follows and drives, where
    // the application has them: the impulse files (their preview is the
    // busy state's task), the slot list (asked again after a store) and the
    // port chooser (why an open failed, and the port chosen).
    void setNeighbours(Impulses *impulses, SlotList *slotList, PortChooser *ports);

    QString connection() const { return connectionState; }
    QString portName() const { return port; }
    bool busy() const { return linkBusy; }
    bool libraryBusy() const;
    qreal progress() const;
    QString step() const;
    bool readingAll() const;
    // "Read all": every preset's position, status and impulse name into the
    // map, through the librarian's walk, and back to the current preset.
    Q_INVOKABLE void readAll();
    bool saving() const { return saveRunning; }
    bool hasCopy() const { return copyKept; }
    bool comparing() const { return shownComparing && connectionState == QLatin1String("open"); }
    QString task() const { return busyTask; }
    QString familyText() const;
    int deviceType() const;
    // The family's banks and presets per bank; 10 x 10 until a device said otherwise.
    int bankCount() const { return banks; }
    int presetCount() const { return perBank; }
    QString firmware() const;
    PresetMap *presetMap() { return &map; }
    SaveQuestion *saveQuestion() { return question; }
    ConnectionNotice *connectionNotice() { return notice; }
    int bank() const;
    int preset() const;
    bool edited() const;
    QString impulseName() const { return impulse; }
    QStringList slotNames() const;
    QStringList slotFlags() const;

    // ---- moves the panel asks for (state/device_moves.cpp) -----------------
    // Asked about first (the save question) while the preset has unsaved edits.
    // The next or previous preset; at a bank's edge the jump by number
    // crosses into the next or previous bank (the device's own step wraps
    // inside the bank).
    Q_INVOKABLE void stepPreset(bool up);
    Q_INVOKABLE void stepBank(bool up);
    // A jump to preset `number`, counted through the banks (bank 3, preset 7
    // of a 10 x 10 device is 37); numbers the device does not have are ignored.
    Q_INVOKABLE void jumpTo(int number);

signals:
    void connectionChanged();
    void busyChanged();
    void progressChanged();
    void savingChanged();
    void hasCopyChanged();
    void comparingChanged();
    void taskChanged();
    void identityChanged();
    void positionChanged();
    void editedChanged();
    void impulseNameChanged();
    void slotsChanged();
    // A save ended: `stored` when the device stored the preset.
    void saveEnded(bool stored);
    // A copy ended: `whole` when both its answers came; `text` says so in
    // the panel's words ("Preset 2-3 copied", or why there is nothing).
    void copyEnded(bool whole, const QString &text);
    // At connection the device was found playing changes it has not stored:
    // `text` says so ("Preset 2-3 has changes that are not saved on the device.").
    void unsavedFound(const QString &text);

private:
    void setConnection(const QString &state, const QString &name);
    void setBusy(bool on);
    void setLinkProgress(float fraction);
    void endSave(bool stored);
    void refreshCopy();
    void setImpulse(const QString &name);
    void setTask(const QString &name);
    void showComparing(bool on);

    PresetSession &session;
    DeviceReadout &readout;
    Librarian *library;
    QString connectionState = QStringLiteral("searching");
    QString port;
    bool linkBusy = false;
    qreal linkProgress = 0;
    bool saveRunning = false;
    bool copyKept = false;
    bool shownComparing = false; // as the session last published it
    QString busyTask;
    int banks = 10;
    int perBank = 10;
    PresetMap map;
    QString impulse;
    SaveQuestion *question = nullptr;
    ConnectionNotice *notice = nullptr;
};
