// The panel's device state, followed from the link, the preset session, the
// device readout and the librarian.
#include "state/device_state.h"

#include "browser/impulses.h"
#include "editing/preset_session.h"
#include "library/librarian.h"
#include "link/link.h"
#include "link/port_choice.h"
#include "parsing/device_readout.h"
#include "presets/preset_place.h"

DeviceState::DeviceState(Link &link, PresetSession &session, DeviceReadout &readout,
                         Librarian *library, QObject *parent)
    : QObject(parent), session(session), readout(readout), library(library),
      saveRunning(session.saving()), copyKept(session.hasCopy()), map(readout, session)
{
    const auto identify = [this] {
        const presets::Family family = this->readout.family();
        if (family.banks != 0) {
            banks = family.banks;
            perBank = family.presetsPerBank;
        }
        emit identityChanged();
    };
    identify();
    connect(&readout, &DeviceReadout::identifiedChanged, this, identify);
    connect(&readout, &DeviceReadout::firmwareRead, this, &DeviceState::identityChanged);
    connect(&readout, &DeviceReadout::forgotten, this, [this] {
        emit identityChanged();
        emit positionChanged();
        setImpulse(QString());
        emit slotsChanged();
    });
    connect(&readout, &DeviceReadout::slotsRead, this, &DeviceState::slotsChanged);
    connect(&readout, &DeviceReadout::positionRead, this, &DeviceState::positionChanged);
    connect(&session, &PresetSession::editedChanged, this, &DeviceState::editedChanged);
    connect(&session, &PresetSession::impulseShown, this, &DeviceState::setImpulse);
    connect(&session, &PresetSession::comparingChanged, this, &DeviceState::showComparing);
    connect(&session, &PresetSession::storedLearned, this, [this](bool unsaved) {
        if (!unsaved)
            return;
        const bool placed = this->readout.bank() >= 0 && this->readout.preset() >= 0;
        emit unsavedFound(
            tr("%1 has changes that are not saved on the device.")
                .arg(placed ? presets::longName(this->readout.bank(), this->readout.preset())
                            : tr("The current preset")));
    });

    if (link.isOpen())
        setConnection(QStringLiteral("open"), portChoice::displayName(link.portName()));

    connect(&link, &Link::opened, this,
            [this](const QString &name) { setConnection(QStringLiteral("open"), name); });
    connect(&link, &Link::openRefused, this, [this](const QString &name) {
        setConnection(QStringLiteral("failed"), name);
        setTask(QString());
    });
    connect(&link, &Link::closedAfterError, this, [this] {
        setConnection(QStringLiteral("lost"), port);
        setBusy(false);
        setTask(QString());
    });
    connect(&link, &Link::headSent, this, [this](float fraction) {
        setLinkProgress(fraction);
        setBusy(true);
    });
    connect(&link, &Link::progressed, this, &DeviceState::setLinkProgress);
    connect(&link, &Link::idle, this, [this] { setBusy(false); });

    // The session owns the save's lifetime; this follows it.
    connect(&session, &PresetSession::saveStarted, this, [this] {
        if (!saveRunning) {
            saveRunning = true;
            emit savingChanged();
        }
    });
    connect(&session, &PresetSession::stored, this, [this] { endSave(true); });
    connect(&session, &PresetSession::saveFailed, this, [this] { endSave(false); });
    // The clipboard outlives moves; a fresh start of the session may empty it.
    connect(&session, &PresetSession::replaced, this, &DeviceState::refreshCopy);
    connect(&session, &PresetSession::copyEnded, this, [this](bool whole) {
        refreshCopy();
        const bool placed = this->readout.bank() >= 0 && this->readout.preset() >= 0;
        const QString copied = placed
                                   ? presets::longName(this->readout.bank(), this->readout.preset())
                                   : QStringLiteral("Preset");
        emit copyEnded(whole,
                       whole ? copied + QStringLiteral(" copied") : this->session.pasteRefusal());
    });

    if (library) {
        connect(library, &Librarian::presetWritten, this,
                [this](int number, const QByteArray &statusText, const QString &impulseName) {
                    map.presetWritten(number, statusText, impulseName);
                });
        connect(library, &Librarian::busyChanged, this, &DeviceState::progressChanged);
        connect(library, &Librarian::stepChanged, this, &DeviceState::progressChanged);
        connect(library, &Librarian::progressChanged, this, &DeviceState::progressChanged);
    }

    question = new SaveQuestion(session, link, *this, this);
    notice = new ConnectionNotice(link, session, readout, *this, this);
}

void DeviceState::setNeighbours(Impulses *impulses, SlotList *slotList, PortChooser *ports)
{
    // A new impulse went to the device (from the Impulses page too): the
    // busy state that follows is its preview going out.
    if (impulses)
        connect(impulses, &Impulses::currentChanged, this, [this, impulses] {
            if (impulses->hasCurrent() && busyTask.isEmpty())
                setTask(QStringLiteral("impulse"));
        });
    question->setSlotList(slotList);
    notice->setPortChooser(ports);
}

QString DeviceState::familyText() const
{
    if (deviceType() == 0)
        return QString();
    return QStringLiteral("%1 \u00d7 %2 presets").arg(banks).arg(perBank);
}

int DeviceState::deviceType() const
{
    return readout.deviceType();
}

QString DeviceState::firmware() const
{
    return readout.firmware();
}

int DeviceState::bank() const
{
    return readout.bank();
}

int DeviceState::preset() const
{
    return readout.preset();
}

QStringList DeviceState::slotNames() const
{
    return readout.slotNames();
}

QStringList DeviceState::slotFlags() const
{
    return readout.slotFlags();
}

bool DeviceState::edited() const
{
    return session.edited();
}

void DeviceState::setImpulse(const QString &name)
{
    if (name == impulse)
        return;
    impulse = name;
    emit impulseNameChanged();
}

bool DeviceState::libraryBusy() const
{
    return library && library->busy();
}

qreal DeviceState::progress() const
{
    return libraryBusy() ? library->progress() : linkProgress;
}

bool DeviceState::readingAll() const
{
    return library && library->readingAll();
}

void DeviceState::readAll()
{
    if (library)
        library->readAll();
}

QString DeviceState::step() const
{
    return libraryBusy() ? library->step() : QString();
}

void DeviceState::setConnection(const QString &state, const QString &name)
{
    if (state == connectionState && name == port)
        return;
    const bool comparedBefore = comparing();
    connectionState = state;
    port = name;
    emit connectionChanged();
    if (comparing() != comparedBefore)
        emit comparingChanged();
}

void DeviceState::setBusy(bool on)
{
    if (on == linkBusy)
        return;
    linkBusy = on;
    // The task ends with the busy state it described.
    if (!on)
        setTask(QString());
    emit busyChanged();
}

void DeviceState::showComparing(bool on)
{
    if (on == shownComparing)
        return;
    shownComparing = on;
    emit comparingChanged();
}

void DeviceState::setTask(const QString &name)
{
    if (name == busyTask)
        return;
    busyTask = name;
    emit taskChanged();
}

void DeviceState::setLinkProgress(float fraction)
{
    if (qFuzzyCompare(1.0 + linkProgress, 1.0 + qreal(fraction)))
        return;
    linkProgress = fraction;
    if (!libraryBusy())
        emit progressChanged();
}

void DeviceState::refreshCopy()
{
    const bool kept = session.hasCopy();
    if (kept == copyKept)
        return;
    copyKept = kept;
    emit hasCopyChanged();
}

void DeviceState::endSave(bool stored)
{
    if (!saveRunning)
        return;
    saveRunning = false;
    emit savingChanged();
    emit saveEnded(stored);
}
