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
    case After::QuitAfterRevert:
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
    if (kind == QLatin1String("quit")) {
        // Discarding sends the device back to the stored preset, as a move
        // would: the next start finds it playing what it stores.
        setAfter(saveFirst ? After::Quit : After::QuitAfterRevert);
        if (saveFirst)
            save();
        else
            session.revert();
        return;
    }
    if (kind == QLatin1String("sweep")) {
        if (saveFirst) {
            setAfter(After::ReadAll);
            save();
        } else {
            readAll();
        }
        return;
    }
    // A move: the save's request carries the move with it.
    const uchar move = uchar(code & 0xff);
    const bool step = kind == QLatin1String("updown");
    if (saveFirst) {
        slotsStale = true;
        step ? session.saveThenStep(move) : session.saveThenJump(move);
    } else {
        step ? session.stepNow(move) : session.jumpNow(move);
    }
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
    // Nothing is left on the device to send back: quitting goes ahead.
    const bool quitWaited = after == After::QuitAfterRevert;
    setAfter(After::Nothing);
    if (quitWaited)
        emit quitAgreed();
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
    if (after == After::QuitAfterRevert) {
        // The revert's exchange is over (answered or given up).
        setAfter(After::Nothing);
        emit quitAgreed();
        return;
    }
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
