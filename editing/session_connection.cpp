// The session and its link: construction, the operations the objects beside
// Core follow as exchanges of the link, and what the session does when the
// connection starts or ends, the queue drains, or requests are dropped.
#include "editing/preset_session.h"

#include "link/link.h"
#include "link/requests.h"

PresetSession::PresetSession(Link &link, const DeviceReadout &readout, QObject *parent)
    : QObject(parent), link(link), readout(readout)
{
    // The waiting move goes first when the queue drains, before the
    // interface hears that the wait is over.
    connect(&link, &Link::idle, this, &PresetSession::queueDrained);
    connect(&link, &Link::requestsDropped, this, &PresetSession::requestsDropped);
    connect(&link, &Link::givenUp, this, &PresetSession::requestsGivenUp);
    // A capture ends with the exchange it was armed for.
    connect(&link, &Link::followingEnded, this, [this] { captureArmed = false; });
}

// ---- operations followed as exchanges --------------------------------------------

bool PresetSession::loadImpulse(const QString &path)
{
    if (playImpulseFile(path))
        return true;
    emit impulseRefused(path);
    return false;
}

void PresetSession::selectPreset(int preset)
{
    jumpNow(static_cast<uchar>(preset));
    link.followQueue();
}

void PresetSession::paste(const QByteArray &statusText, const QByteArray &impulseName,
                          const QByteArray &hexImage)
{
    link.drain();
    kept.setCopy(statusText, impulseName, hexImage);
    pasteCopy();
    link.followQueue();
    if (link.queueEmpty()) // paste refused what it was given
        link.abandonExchange(QStringLiteral("the preset could not be pasted"));
}

void PresetSession::sendEdit(const QByteArray &bytes)
{
    pending.otherChange();
    markEdited(true);
    link.sendRaw(bytes);
}

// ---- the connection ---------------------------------------------------------------

void PresetSession::connectionStarted()
{
    learnPhase = Learn::Idle;
    emit replaced();
    leaveCompare();
    pending.drop();
    kept.forgetCompared();
}

void PresetSession::connectionLost()
{
    // A save under way stored nothing the panel can count on.
    endSave(false);
    learnPhase = Learn::Idle;
    // The edits the device had not stored went with it, and so did an impulse
    // tried or pasted there: a reconnect starts from what the device reports.
    pending.drop();
    if (edited())
        markEdited(false);
}

// ---- the link's events ----------------------------------------------------------------

void PresetSession::queueDrained()
{
    if (pendingUpDown != 0) {
        stepNow(pendingUpDown);
        pendingUpDown = 0;
    }
    if (pendingPreset >= 0) {
        jumpNow(static_cast<uchar>(pendingPreset));
        pendingPreset = -1;
    }
}

void PresetSession::requestsDropped(const QList<QByteArray> &dropped)
{
    // Learning what the device stores went with them.
    learnPhase = Learn::Idle;
    // A save whose store request went with them stored nothing.
    if (dropped.contains(requests::storePreset))
        endSave(false);
    // The panel would otherwise take a copy whose answers never came for done.
    if (kept.requestsDropped()) {
        emit copyCutShort(kept.pasteRefusal());
        emit copyEnded(false);
    }
}

void PresetSession::requestsGivenUp(const QList<QByteArray> &dropped)
{
    learnPhase = Learn::Idle;
    // A save that did not reach its store request has stored nothing: the
    // preset keeps its unsaved edits, and the move that waited for the save
    // must not carry them away.
    if (!dropped.contains(requests::storePreset))
        return;
    pendingUpDown = 0;
    pendingPreset = -1;
    markEdited(true);
}
