// The save question's answers and the work that waits for the device.
#include "state/save_question.h"

#include "editing/preset_session.h"
#include "link/link.h"
#include "slot_list/slot_list.h"
#include "state/device_state.h"

SaveQuestion::SaveQuestion(PresetSession &session, Link &link, DeviceState &device, QObject *parent)
    : QObject(parent), session(session), device(device)
{
    connect(&device, &DeviceState::saveEnded, this, &SaveQuestion::saveEnded);
    connect(&device, &DeviceState::busyChanged, this, [this] {
        if (!this->device.busy())
            runWhenIdle();
    });
    connect(&device, &DeviceState::progressChanged, this, [this] {
        const bool busy = this->device.libraryBusy();
        if (libraryWasBusy && !busy)
            runWhenIdle();
        libraryWasBusy = busy;
    });
    connect(&link, &Link::closedAfterError, this, &SaveQuestion::drop);
    connect(&link, &Link::openRefused, this, &SaveQuestion::drop);
}

QString SaveQuestion::afterSave() const
{
    switch (after) {
    case After::ReadAll:
        return QStringLiteral("readAll");
    case After::Quit:
        return QStringLiteral("quit");
    case After::Nothing:
        break;
    }
    return QString();
}

void SaveQuestion::answer(const QString &kind, int code, const QString &choice)
{
    const bool saveFirst = choice == QLatin1String("save");
    if (!saveFirst && choice != QLatin1String("discard"))
        return;
    if (kind == QLatin1String("quit") || kind == QLatin1String("sweep")) {
        const After next = kind == QLatin1String("quit") ? After::Quit : After::ReadAll;
        if (saveFirst) {
            setAfter(next);
            save();
        } else if (next == After::Quit) {
            emit quitAgreed();
        } else {
            readAll();
        }
        return;
    }
    // A move: the save's request carries the move with it.
    const bool step = kind == QLatin1String("updown");
    if (saveFirst)
        slotsStale = true;
    const char *command = saveFirst ? (step ? "save_up_down" : "save_change")
                                    : (step ? "set_preset_updown" : "set_preset_change");
    session.setValue(QString::fromLatin1(command), uchar(code & 0xff));
}

void SaveQuestion::save()
{
    slotsStale = true;
    session.save();
}

void SaveQuestion::readAll()
{
    slotsStale = true;
    device.readAll();
}

void SaveQuestion::drop()
{
    slotsStale = false;
    setAfter(After::Nothing);
}

void SaveQuestion::setAfter(After next)
{
    if (next == after)
        return;
    after = next;
    emit afterSaveChanged();
}

void SaveQuestion::saveEnded(bool stored)
{
    if (after == After::Quit) {
        setAfter(After::Nothing);
        if (stored)
            emit quitAgreed();
    } else if (after == After::ReadAll && !stored) {
        setAfter(After::Nothing);
    }
    // The device may have gone idle before it answered the store.
    runWhenIdle();
}

// Once the moment has been handled everywhere else: the link's idle step and
// the end of a save still have listeners to reach, and a reading started
// from inside them would send its first request twice.
void SaveQuestion::runWhenIdle()
{
    if (idleQueued)
        return;
    idleQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            idleQueued = false;
            idle();
        },
        Qt::QueuedConnection);
}

void SaveQuestion::idle()
{
    if (device.busy() || device.libraryBusy())
        return;
    if (after == After::ReadAll && !device.saving()) {
        setAfter(After::Nothing);
        readAll();
        // The slot list is asked for once the reading has ended.
        return;
    }
    if (slotsStale && slotList && device.connection() == QLatin1String("open")) {
        slotsStale = false;
        slotList->refresh();
    }
}
