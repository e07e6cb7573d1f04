// SerialTransport: the product's transport, the device's serial port.
//
// It opens the real device behind the name it is given (symlinks resolved),
// with the line settings the device speaks (9600 baud, 8N1, hardware flow
// control), keeps it to itself (QSerialPort's lock file and TIOCEXCL, plus an
// flock on the open descriptor, which holds for root too) and, when another
// program has it, names that program.
#pragma once

#include "link/port_lock.h"
#include "link/transport.h"

#include <QSerialPort>

class SerialTransport : public Transport {
    Q_OBJECT

public:
    explicit SerialTransport(QObject *parent = nullptr);
    // Closes the port without reporting anything.
    ~SerialTransport() override;

    bool open(const QString &name) override;
    OpenFailure openFailure() const override { return failure; }
    void close() override;
    bool isOpen() const override { return serial->isOpen(); }
    qint64 write(const QByteArray &bytes) override { return serial->write(bytes); }
    qint64 bytesToWrite() const override { return serial->bytesToWrite(); }
    void discardOutput() override { serial->clear(QSerialPort::Output); }
    QByteArray readAll() override { return serial->readAll(); }
    qint64 bytesAvailable() const override { return serial->bytesAvailable(); }
    void keepLineSettings() override;

    // The kind of failure behind the error of a failed open. `accessible`:
    // the user may read and write the port's file, so a refusal means
    // someone else holds it (a lock file, or a port opened for exclusive use).
    static OpenFailure::Kind kindOf(QSerialPort::SerialPortError error, bool accessible);

    // The serial port itself, for what only a real tty shows (its line
    // settings, its own error notifications).
    QSerialPort &serialPort() { return *serial; }

private:
    void setFailure(const QString &shownPath, const QString &device);

    QSerialPort *serial = nullptr;
    PortLock lock;
    OpenFailure failure;
};
