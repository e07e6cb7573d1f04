// The serial port as the link's transport: line settings, the open of the
// real device with its lock, and the port's notifications passed on.
#include "link/serial_transport.h"

#include <QDir>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#endif

namespace {
constexpr qint32 baudRate = 9600;

// The port's name as messages show it: its full path.
QString fullPath(const QString &name)
{
#ifdef Q_OS_UNIX
    if (!name.contains(QLatin1Char('/')))
        return QStringLiteral("/dev/") + name;
#endif
    return name;
}
} // namespace

SerialTransport::SerialTransport(QObject *parent) : Transport(parent)
{
    serial = new QSerialPort(this);
    connect(serial, &QIODevice::readyRead, this, &Transport::readyRead);
    connect(serial, &QIODevice::bytesWritten, this, &Transport::bytesWritten);
    connect(serial, &QIODevice::aboutToClose, this, &Transport::aboutToClose);
    // Every notification counts, as the link closes on the first one while
    // the port is open (open() announces NoError before the port is open).
    connect(serial, &QSerialPort::errorOccurred, this,
            [this] { emit errorOccurred(serial->errorString()); });
}

SerialTransport::~SerialTransport()
{
    disconnect(serial, nullptr, this, nullptr);
    if (serial->isOpen())
        serial->close();
}

bool SerialTransport::open(const QString &name)
{
    if (serial->isOpen())
        close();
    failure = OpenFailure();
    // The real device, so that its lock file and its flock are the same
    // whichever name (a symlink, the target) a program opened it by.
    const QString device = PortLock::resolve(name);
    serial->setPortName(device);
    serial->setBaudRate(baudRate, QSerialPort::AllDirections);
    serial->setDataBits(QSerialPort::Data8);
    serial->setParity(QSerialPort::NoParity);
    serial->setStopBits(QSerialPort::OneStop);
    serial->setFlowControl(QSerialPort::HardwareControl);
    if (!serial->open(QIODevice::ReadWrite)) {
        setFailure(fullPath(name), device);
        return false;
    }
    if (!lock.acquire(int(serial->handle()))) {
        // Opened beside another program (root passes TIOCEXCL): let go at
        // once, without a word to the listeners of an open port.
#ifdef Q_OS_UNIX
        const QString words = QString::fromLocal8Bit(std::strerror(errno));
#else
        const QString words;
#endif
        const QSignalBlocker quiet(this);
        serial->close();
        failure.kind = OpenFailure::Kind::InUse;
        failure.port = fullPath(name);
        failure.holder = PortLock::holder(device);
        failure.systemMessage = words;
        return false;
    }
    return true;
}

void SerialTransport::close()
{
    lock.release();
    serial->close();
}

void SerialTransport::keepLineSettings()
{
    serial->setBaudRate(baudRate, QSerialPort::AllDirections);
}

OpenFailure::Kind SerialTransport::kindOf(QSerialPort::SerialPortError error, bool accessible)
{
    switch (error) {
    case QSerialPort::NoError:
        return OpenFailure::Kind::None;
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::Kind::NotFound;
    case QSerialPort::OpenError: // already open
        return OpenFailure::Kind::InUse;
    case QSerialPort::PermissionError:
        return accessible ? OpenFailure::Kind::InUse : OpenFailure::Kind::Permission;
    default:
        return OpenFailure::Kind::Other;
    }
}

void SerialTransport::setFailure(const QString &shownPath, const QString &device)
{
    failure.port = shownPath;
    failure.systemMessage = serial->errorString();
    failure.kind = kindOf(serial->error(), PortLock::accessible(device));
    if (failure.kind == OpenFailure::Kind::InUse)
        failure.holder = PortLock::holder(device);
}
