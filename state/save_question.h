// SaveQuestion: what the panel does with the answer to "Save changes to this
// preset?" and what waits for the device to finish afterwards.
//
// A move asked about ("updown": a step, "change": a jump by number) is
// carried out with the save, or without it. Quitting and reading every
// preset wait for the save's outcome: a save the device did not store keeps
// the changes, so neither goes ahead; the reading starts only once the
// save's exchange is over (starting it at once would send the save's request
// twice). A store or a reading of every preset may change the impulse slots:
// the slot list is asked for again once the device is idle. Losing the port
// drops whatever waited.
#pragma once

#include <QObject>
#include <QString>

class DeviceState;
class Link;
class PresetSession;
class SlotList;

class SaveQuestion : public QObject {
    Q_OBJECT
    // What waits for the save (or, for quitting without saving, the revert)
    // under way: "quit", "readAll" or "" for nothing.
    Q_PROPERTY(QString afterSave READ afterSave NOTIFY afterSaveChanged)

public:
    SaveQuestion(PresetSession &session, Link &link, DeviceState &device,
                 QObject *parent = nullptr);

    // Where the slot list is asked for again (none: it is not).
    void setSlotList(SlotList *list) { slotList = list; }

    QString afterSave() const;

    // The user's `choice` ("save", "discard" or "cancel") for the question of
    // `kind` ("updown", "change", "sweep" or "quit"); `code` is the step code
    // or preset number the back end asked about.
    Q_INVOKABLE void answer(const QString &kind, int code, const QString &choice);
    // Stores the current preset.
    Q_INVOKABLE void save();
    // Reads every preset into the map (the librarian's walk).
    Q_INVOKABLE void readAll();
    // Nothing waits any more: the port closed (a new connection reads the
    // slot list anyway), or the panel starts afresh.
    Q_INVOKABLE void drop();

signals:
    void afterSaveChanged();
    // The user agreed to quit: the changes were stored, or are not wanted.
    void quitAgreed();

private:
    enum class After { Nothing, ReadAll, Quit, QuitAfterRevert };

    void setAfter(After next);
    void saveEnded(bool stored);
    void runWhenIdle();
    void idle();

    PresetSession &session;
    DeviceState &device;
    SlotList *slotList = nullptr;
    After after = After::Nothing;
    bool slotsStale = false;
    bool libraryWasBusy = false;
    bool idleQueued = false;
};
