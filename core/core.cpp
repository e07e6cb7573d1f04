// Construction and destruction of Core: the settings store, the port timer,
// the 22 answer matchers and the serial port, wired together.
#include "core/core.h"

#include "core/core_seam.h"
#include "link/paced_writer.h"
#include "parsing/answer_catalogue.h"
#include "parsing/parser.h"

#include <QDebug>
#include <QSerialPort>
#include <QTimer>

namespace {
const char *const settingsOrganization = "Ostrel Electronics";
const char *const settingsApplication = "NV-300";
constexpr int portTimerIntervalMs = 1000;
} // namespace

Core::Core(QObject *parent) : QObject(parent), settings(settingsOrganization, settingsApplication)
{
    bankCount = 10;
    presetCount = 10;

    answerReceived = 0;
    sendCount = 0;
    commandTotal = 0;
    compareArm = 0;
    editable = 0;
    copyStatusPending = 0;
    copyImpulsePending = 0;
    saveToFile = 0;
    std::fill(std::begin(statusData), std::end(statusData), uchar(0));

    portTimer = new QTimer();
    portTimer->setInterval(portTimerIntervalMs);
    // The interval is also the answer wait: a coarse timer may end it up to
    // 5% early and re-send a request the device is about to answer.
    portTimer->setTimerType(Qt::PreciseTimer);

    using answers::Form;
    using answers::makeParser;
    parserDev = makeParser(Form::Dev);
    parserGsEnd = makeParser(Form::GsEnd);
    parserCcEnd = makeParser(Form::CcEnd);
    parserDccEnd = makeParser(Form::DccEnd);
    parserLccEnd = makeParser(Form::LccEnd);
    parserEscEnd = makeParser(Form::EscEnd);
    parserNx = makeParser(Form::Nx);
    parserRx = makeParser(Form::Rx);
    parserStatus = makeParser(Form::Status);
    parserChb = makeParser(Form::Chb);
    parserChp = makeParser(Form::Chp);
    parserSave = makeParser(Form::Save);
    parserBank = makeParser(Form::Bank);
    parserImpulse = makeParser(Form::Impulse);
    parserMode = makeParser(Form::Mode);
    parserName = makeParser(Form::Name);
    parserNameEmpty = makeParser(Form::NameEmpty);
    parserCabSim = makeParser(Form::CabSim);
    parserPc = makeParser(Form::Pc);
    parserVer = makeParser(Form::Ver);
    parserNames16 = makeParser(Form::Names16);
    parserNames100 = makeParser(Form::Names100);

    typeDev = 1;
    impulseDirty = 0;
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
    for (Parser *p :
         {parserDev,       parserGsEnd,   parserCcEnd,  parserDccEnd, parserLccEnd,  parserEscEnd,
          parserRx,        parserNx,      parserStatus, parserChb,    parserChp,     parserBank,
          parserSave,      parserImpulse, parserMode,   parserName,   parserNames16, parserNames100,
          parserNameEmpty, parserCabSim,  parserPc,     parserVer})
        delete p;
}
