// Construction and destruction of Core: the settings store, the port timer,
// the answer matchers (the `matchers` member, built from the answer catalogue)
// and the serial port, wired together.
#include "core/core.h"

#include "core/core_seam.h"
#include "link/paced_writer.h"

#include <QDebug>
#include <QSerialPort>
#include <QTimer>

namespace {
constexpr int portTimerIntervalMs = 1000;
} // namespace

Core::Core(QObject *parent) : QObject(parent)
{
    bankCount = 10;
    presetCount = 10;

    answerReceived = 0;
    sendCount = 0;
    commandTotal = 0;
    editable = 0;
    saveToFile = 0;
    std::fill(std::begin(statusData), std::end(statusData), uchar(0));

    portTimer = new QTimer();
    portTimer->setInterval(portTimerIntervalMs);
    // The interval is also the answer wait: a coarse timer may end it up to
    // 5% early and re-send a request the device is about to answer.
    portTimer->setTimerType(Qt::PreciseTimer);

    typeDev = 1;
    pendingUpDown = 0;
    pendingPreset = -1;
    presetEdit = 0;

    port = new QSerialPort(this);
    seam = new CoreSeam(*this);
    setUpPacing();

    connect(port, &QSerialPort::readyRead, this, &Core::slReadyRead);
    // Both error signals are connected; slPortError ignores the second
    // delivery because the first has already closed the port.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    connect(port, QOverload<QSerialPort::SerialPortError>::of(&QSerialPort::error), this,
            &Core::slPortError);
    QT_WARNING_POP
    connect(port, &QObject::destroyed, this, &Core::slPortError);
    connect(port, &QSerialPort::errorOccurred, this, &Core::slPortError);
    connect(portTimer, &QTimer::timeout, this, &Core::slPortTimer);

    portTimer->start();
}

Core::~Core()
{
    // Cut the port's and the long-command writer's connections first: the
    // port's destruction (it is a child), any error raised while closing and
    // a long command cut off by the close must not reach Core, so nothing is
    // emitted from here.
    disconnect(port, nullptr, this, nullptr);
    disconnect(pacer, nullptr, this, nullptr);
    if (port->isOpen()) {
        port->close();
        qDebug() << "CLOSEPORT";
    }

    delete portTimer;
    // The answer matchers go with their member, `matchers`.
}
