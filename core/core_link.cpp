// Core's side of its link: the invokable methods that forward to it, and
// what Core publishes when the link reports an event (a port opened or lost,
// a head sent, the queue idle, a command unanswered).
#include "core/core.h"

#include "core/device_parts.h"
#include "editing/preset_session.h"
#include "link/link.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

void Core::connectLink()
{
    connect(&deviceLink(), &Link::opened, this, &Core::portOpened);
    connect(&deviceLink(), &Link::openRefused, this, [this](const QString &shownName) {
        emit sgReadText(QStringLiteral("close_port"), shownName);
    });
    connect(&deviceLink(), &Link::closedAfterError, this, &Core::portClosedAfterError);
    connect(&deviceLink(), &Link::headSent, this, &Core::headSent);
    connect(&deviceLink(), &Link::progressed, this, &Core::sgSetProgress);
    connect(&deviceLink(), &Link::idle, this, &Core::queueIdle);
    connect(&deviceLink(), &Link::unanswered, this, [this](const QByteArray &command) {
        const int end = command.indexOf('\0');
        emit sgAnswerErrSave(QString::fromUtf8(end < 0 ? command : command.left(end)));
    });
}

// ---- the invokable methods ---------------------------------------------------

bool Core::openPort(QString name)
{
    return deviceLink().openPort(name);
}

void Core::findPort()
{
    deviceLink().findPort();
}

void Core::send(QByteArray command)
{
    deviceLink().send(command);
}

void Core::sendRaw(QByteArray bytes)
{
    deviceLink().sendRaw(bytes);
}

void Core::slTimer()
{
    deviceLink().pacingStep();
}

void Core::readAll()
{
    parts->startConnection();
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
    deviceLink().tick();
}

void Core::slPortTimer_Delme()
{
    qDebug() << "TimerDelMe";
}

void Core::slReadyRead()
{
    deviceLink().readPort();
}

void Core::slAskEn() {}

void Core::slPortError()
{
    deviceLink().closeAfterError();
}

// ---- the link's events ----------------------------------------------------------

void Core::portOpened(const QString &shownName)
{
    emit sgReadText(QStringLiteral("open_port"), shownName);
    readAll();
    // The panel has not seen the current preset stored: it learns what the
    // device stores, so that unsaved changes left there show as such.
    presetSession().learnStored();
}

void Core::portClosedAfterError()
{
    emit sgPortOpen(false, QString());
    emit sgReadText(QStringLiteral("close_port"), QString());
    emit sgReadValue(QStringLiteral("type_dev"), 0);
    parts->connectionLost();
}

void Core::headSent(float progress)
{
    emit sgSetProgress(progress);
    emit sgSetWait(true);
    emit sgReadValue(QStringLiteral("wait"), 1);
    if (deviceLink().queueEmpty())
        emit sgEndCommands();
}

void Core::queueIdle()
{
    // The session has carried out a move that waited for the queue.
    emit sgSetWait(false);
    emit sgReadValue(QStringLiteral("wait"), 0);
}
