// Core's side of its link: the invokable methods that forward to it, and
// what Core publishes and decides when the link reports an event (a port
// opened or lost, a head sent, the queue idle, requests dropped or given up).
#include "core/core.h"

#include "editing/preset_session.h"
#include "link/link.h"
#include "link/requests.h"
#include "parsing/device_readout.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

void Core::connectLink()
{
    connect(link, &Link::opened, this, &Core::portOpened);
    connect(link, &Link::openRefused, this, [this](const QString &shownName) {
        emit sgReadText(QStringLiteral("close_port"), shownName);
    });
    connect(link, &Link::closedAfterError, this, &Core::portClosedAfterError);
    connect(link, &Link::headSent, this, &Core::headSent);
    connect(link, &Link::progressed, this, &Core::sgSetProgress);
    connect(link, &Link::idle, this, &Core::queueIdle);
    connect(link, &Link::requestsDropped, this, [this](const QList<QByteArray> &dropped) {
        // A save whose store request went with them stored nothing.
        if (dropped.contains(requests::storePreset))
            session->endSave(false);
        // The panel would otherwise take a copy whose answers never came for done.
        if (session->kept.requestsDropped()) {
            emit sgReadText(QStringLiteral("copy_unfinished"), session->kept.pasteRefusal());
            emit session->copyEnded(false);
        }
    });
    connect(link, &Link::unanswered, this, [this](const QByteArray &command) {
        const int end = command.indexOf('\0');
        emit sgAnswerErrSave(QString::fromUtf8(end < 0 ? command : command.left(end)));
    });
    connect(link, &Link::givenUp, this, &Core::requestsGivenUp);
}

// ---- the invokable methods ---------------------------------------------------

bool Core::openPort(QString name)
{
    return link->openPort(name);
}

void Core::findPort()
{
    link->findPort();
}

void Core::send(QByteArray command)
{
    link->send(command);
}

void Core::sendRaw(QByteArray bytes)
{
    link->sendRaw(bytes);
}

void Core::sendEdit(QByteArray bytes)
{
    session->pending.otherChange();
    setPresetEdited(true);
    link->sendRaw(bytes);
}

void Core::slTimer()
{
    link->pacingStep();
}

void Core::readAll()
{
    emit session->replaced();
    session->editable = 1;
    link->drain();
    // A new connection starts from what the device holds.
    session->pending.drop();
    session->kept.forgetCompared();
    for (const QByteArray &request : requests::startupBurst())
        link->send(request);
}

QStringList Core::getDrivers()
{
    QStringList roots;
    for (const QFileInfo &drive : QDir::drives())
        roots.append(drive.absolutePath());
    return roots;
}

void Core::slPortTimer()
{
    link->tick();
}

void Core::slPortTimer_Delme()
{
    qDebug() << "TimerDelMe";
}

void Core::slReadyRead()
{
    link->readPort();
}

void Core::slAskEn() {}

void Core::slPortError()
{
    link->closeAfterError();
}

// ---- the link's events ----------------------------------------------------------

void Core::portOpened(const QString &shownName)
{
    emit sgReadText(QStringLiteral("open_port"), shownName);
    readAll();
}

void Core::portClosedAfterError()
{
    emit sgPortOpen(false, QString());
    emit sgReadText(QStringLiteral("close_port"), QString());
    emit sgReadValue(QStringLiteral("type_dev"), 0);
    readout->forget();
    // A save under way stored nothing the panel can count on.
    session->endSave(false);
    // The edits the device had not stored went with it, and so did an impulse
    // tried or pasted there: a reconnect starts from what the device reports.
    session->pending.drop();
    if (session->edited())
        setPresetEdited(false);
}

void Core::headSent(float progress)
{
    emit sgSetProgress(progress);
    emit sgSetWait(true);
    emit sgReadValue(QStringLiteral("wait"), 1);
    if (link->queueEmpty())
        emit sgEndCommands();
}

void Core::queueIdle()
{
    if (session->pendingUpDown != 0) {
        runUpDown(session->pendingUpDown);
        session->pendingUpDown = 0;
    }
    if (session->pendingPreset >= 0) {
        selectPreset(static_cast<uchar>(session->pendingPreset));
        session->pendingPreset = -1;
    }
    emit sgSetWait(false);
    emit sgReadValue(QStringLiteral("wait"), 0);
}

void Core::requestsGivenUp(const QList<QByteArray> &dropped)
{
    // A save that did not reach its store request has stored nothing: the
    // preset keeps its unsaved edits, and the move that waited for the save
    // must not carry them away.
    if (!dropped.contains(requests::storePreset))
        return;
    session->pendingUpDown = 0;
    session->pendingPreset = -1;
    setPresetEdited(true);
}

// ---- the session's operations --------------------------------------------------

void Core::setSessionSteps()
{
    PresetSession::Steps steps;
    steps.setValue = [this](const QString &name, uchar value) { setValue(name, value); };
    steps.loadImpulse = [this](const QString &path) { return loadImpulseFile(path); };
    steps.save = [this] { slSaveUpDown(0); };
    steps.selectPreset = [this](int preset) {
        selectPreset(static_cast<uchar>(preset));
        link->followQueue();
    };
    steps.paste = [this](const QByteArray &statusText, const QByteArray &impulseName,
                         const QByteArray &hexImage) {
        pasteGiven(statusText, impulseName, hexImage);
    };
    session->setSteps(std::move(steps));
    // A capture ends with the exchange it was armed for.
    connect(link, &Link::followingEnded, this, [this] { session->captureArmed = false; });
}

bool Core::loadImpulseFile(const QString &path)
{
    // Refused, with sgNotSupport, when it cannot be played as it is.
    bool refused = false;
    const auto watch = connect(this, &Core::sgNotSupport, this, [&refused] { refused = true; });
    setImpuls(path);
    disconnect(watch);
    if (refused)
        emit session->impulseRefused(path);
    return !refused;
}

void Core::pasteGiven(const QByteArray &statusText, const QByteArray &impulseName,
                      const QByteArray &hexImage)
{
    link->drain();
    session->kept.setCopy(statusText, impulseName, hexImage);
    slPaste();
    link->followQueue();
    if (link->queueEmpty()) // paste refused what it was given
        link->abandonExchange(QStringLiteral("the preset could not be pasted"));
}
