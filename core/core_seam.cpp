// The seam's accessors, each reading one piece of Core's state for the newer
// back-end objects, and its exchanges: requests run through Core's queue and
// followed until every one is answered or the exchange ends short.
#include "core/core_seam.h"

#include "core/core.h"
#include "core/log_categories.h"
#include "link/link.h"
#include "link/requests.h"
#include "parsing/parser.h"

#include <QMetaObject>
#include <QSerialPort>

CoreSeam::CoreSeam(Core &core) : QObject(&core), m_core(core)
{
    // The link follows the exchanges; their ends pass through here.
    connect(core.link, &Link::exchangeDone, this, &CoreSeam::requestsDone);
    connect(core.link, &Link::exchangeFailed, this, &CoreSeam::requestsFailed);
}

CoreSeam &CoreSeam::of(Core &core)
{
    return *core.seam;
}

const QSerialPort &CoreSeam::port() const
{
    return m_core.link->port();
}

bool CoreSeam::queueEmpty() const
{
    return m_core.link->queueEmpty();
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
    impulseArmed = false;
    m_core.link->runExchange(requests);
}

void CoreSeam::selectPreset(int preset)
{
    impulseArmed = false;
    m_core.selectPreset(static_cast<uchar>(preset));
    m_core.link->followQueue();
}

void CoreSeam::paste(const QByteArray &statusText, const QByteArray &impulseName,
                     const QByteArray &hexImage)
{
    impulseArmed = false;
    m_core.link->drain();
    m_core.kept.setCopy(statusText, impulseName, hexImage);
    m_core.slPaste();
    m_core.link->followQueue();
    if (m_core.link->queueEmpty()) // paste refused what it was given
        m_core.link->abandonExchange(QStringLiteral("the preset could not be pasted"));
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
    return impulseArmed && m_core.link->following() && m_core.link->head() == requests::readImpulse;
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
