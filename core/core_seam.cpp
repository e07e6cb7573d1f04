// The seam's accessors, each reading one piece of Core's state for the newer
// back-end objects, and its exchanges: requests run through Core's queue and
// followed until every one is answered or the exchange ends short.
#include "core/core_seam.h"

#include "core/core.h"
#include "core/log_categories.h"
#include "link/requests.h"
#include "parsing/parser.h"

#include <QMetaObject>
#include <QSerialPort>

CoreSeam::CoreSeam(Core &core) : QObject(&core), m_core(core)
{
    // A port closed after an error takes the exchange with it: the queue does
    // not advance while the port is closed.
    connect(&core, &Core::sgPortOpen, this, [this](bool open) {
        if (!open && tracking)
            endExchange(false, QStringLiteral("the connection to the device was lost"));
    });
}

CoreSeam &CoreSeam::of(Core &core)
{
    return *core.seam;
}

const QSerialPort &CoreSeam::port() const
{
    return *m_core.port;
}

bool CoreSeam::queueEmpty() const
{
    return m_core.commandQueue.isEmpty();
}

QSettings &CoreSeam::settings() const
{
    return m_core.settings;
}

bool CoreSeam::hasUnsavedEdits() const
{
    return m_core.presetEdit != 0;
}

bool CoreSeam::comparing() const
{
    return m_core.editable == 0;
}

int CoreSeam::deviceType() const
{
    return m_core.typeDev;
}

int CoreSeam::bankCount() const
{
    return m_core.bankCount;
}

int CoreSeam::presetsPerBank() const
{
    return m_core.presetCount;
}

const PendingImpulse &CoreSeam::pendingImpulse() const
{
    return m_core.pendingImpulse;
}

void CoreSeam::runRequests(const QList<QByteArray> &requests)
{
    m_core.drain();
    for (const QByteArray &request : requests)
        m_core.send(request);
    track();
    m_core.slTimer();
}

void CoreSeam::selectPreset(int preset)
{
    m_core.selectPreset(static_cast<uchar>(preset));
    track();
}

void CoreSeam::paste(const QByteArray &statusText, const QByteArray &impulseName,
                     const QByteArray &hexImage)
{
    m_core.drain();
    m_core.kept.setCopy(statusText, impulseName, hexImage);
    m_core.slPaste();
    track();
    if (m_core.commandQueue.isEmpty()) // paste refused what it was given
        endExchange(false, QStringLiteral("the preset could not be pasted"));
}

void CoreSeam::captureImpulse()
{
    impulseArmed = true;
    m_core.matchers[answers::Form::Impulse].reset(); // no partial match left from earlier bytes
}

bool CoreSeam::wantsImpulse() const
{
    // Only the answer to the read itself: the impulse form would also take
    // other answers for one ("dcc\rEND\n" starts like a name field).
    return impulseArmed && !m_core.commandQueue.isEmpty() &&
           m_core.commandQueue.first() == requests::readImpulse;
}

void CoreSeam::track()
{
    tracking = true;
    awaited = m_core.commandQueue;
}

void CoreSeam::headReleased(const QByteArray &head)
{
    if (!tracking)
        return;
    if (awaited.isEmpty() || awaited.first() != head) {
        endExchange(false, QStringLiteral("another operation took over the device"));
        return;
    }
    awaited.removeFirst();
}

void CoreSeam::headGivenUp(const QByteArray &head)
{
    if (!tracking)
        return;
    // A store command carries kilobytes of payload: name the request by its
    // first line only.
    const QByteArray request = head.left(head.indexOf('\r')).left(40);
    endExchange(false, QStringLiteral("the device did not answer the request \"%1\"")
                           .arg(QString::fromUtf8(request)));
}

void CoreSeam::queueIdle()
{
    if (!tracking)
        return;
    if (awaited.isEmpty())
        endExchange(true, QString());
    else
        endExchange(false, QStringLiteral("the requests were dropped before the device answered"));
}

void CoreSeam::impulseAnswered(const QList<QByteArray> &values)
{
    if (!impulseArmed)
        return;
    impulseArmed = false;
    // Two values: name and image. An empty field yields no value, so one
    // value is an answer missing one of them; none is a preset without.
    const QByteArray name = values.value(0);
    const QByteArray image = values.value(1);
    emit impulseRead(name, image);
}

void CoreSeam::endExchange(bool done, const QString &reason)
{
    tracking = false;
    awaited.clear();
    impulseArmed = false;
    qCDebug(linkLog) << "exchange" << (done ? "done" : "failed:") << reason;
    // Delivered from the event loop, so a listener that starts the next
    // exchange does not run inside Core's dispatch or pacing step.
    if (done)
        QMetaObject::invokeMethod(this, &CoreSeam::requestsDone, Qt::QueuedConnection);
    else
        QMetaObject::invokeMethod(
            this, [this, reason] { emit requestsFailed(reason); }, Qt::QueuedConnection);
}
