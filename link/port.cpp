// Finding, opening, watching and closing the device's serial port.
#include "core/core.h"
#include "link/port_choice.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTimer>

namespace {
constexpr qint32 baudRate = 9600;
}

void Core::findPort()
{
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    QList<portChoice::PortEntry> entries;
    entries.reserve(infos.size());
    for (const QSerialPortInfo &info : infos) {
        portChoice::PortEntry entry;
        entry.systemLocation = info.systemLocation();
        entry.hasIdentifiers = info.hasVendorIdentifier() && info.hasProductIdentifier();
        entry.vendor = info.vendorIdentifier();
        entry.product = info.productIdentifier();
        entries.append(entry);
    }
    const std::optional<int> found = portChoice::firstDevice(entries);
    if (!found)
        return;
    const portChoice::PortEntry &entry = entries.at(*found);
    openPort(entry.systemLocation); // a port that fails to open still ends the walk
    qDebug().nospace().noquote() << "vendor:" << entry.vendor << " product:" << entry.product
                                 << " location:" << entry.systemLocation;
}

bool Core::openPort(QString name)
{
    if (port->isOpen()) {
        port->close();
        qDebug() << "openPort" << 117;
    }
    port->setPortName(name);
    port->setBaudRate(baudRate, QSerialPort::AllDirections);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::HardwareControl);
    const bool opened = port->open(QIODevice::ReadWrite);

    if (!opened) // busy, gone or no permission: say which in the log
        qDebug().noquote() << "openPort" << name << port->errorString();

    const QString shown = portChoice::displayName(name);
    emit sgReadText(opened ? QStringLiteral("open_port") : QStringLiteral("close_port"), shown);
    if (opened) {
        readBuffer.clear();
        readAll();
    }
    return opened;
}

void Core::slPortTimer()
{
    if (port->isOpen()) {
        port->setBaudRate(baudRate, QSerialPort::AllDirections);
        slTimer();
    } else {
        qDebug() << "!OPEN";
        findPort();
    }
}

void Core::slPortError()
{
    // Closing on the first notification also ends the flood of read errors a
    // vanished port reports while it stays open.
    if (!port || !port->isOpen())
        return;
    port->close();
    emit sgPortOpen(false, QString());
    emit sgReadText(QStringLiteral("close_port"), QString());
    emit sgReadValue(QStringLiteral("type_dev"), 0);
    // The edits the device had not stored went with it, and so did an impulse
    // tried or pasted there: a reconnect starts from what the device reports.
    pendingImpulse.drop();
    if (presetEdit)
        setPresetEdited(false);
}

void Core::slPortTimer_Delme()
{
    qDebug() << "TimerDelMe";
}

void Core::slAskEn() {}

QStringList Core::getDrivers()
{
    QStringList roots;
    for (const QFileInfo &drive : QDir::drives())
        roots.append(drive.absolutePath());
    return roots;
}
