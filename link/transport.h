// Transport: the byte road between the link and the device, whatever carries
// it (the serial port in the product, an in-process device in tests).
//
// It opens a port by name and says why an open failed, carries bytes both
// ways with the notifications the link and its paced writer follow (bytes
// arrived, bytes taken by the line, about to close), and reports an error on
// an open port (a device that vanished reports a flood of them; the link
// closes on the first). It keeps no queue and makes no decision: those are
// the link's.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Why an open failed, typed, with the system's own words beside it.
struct OpenFailure {
    enum class Kind { None, NotFound, Permission, InUse, Other };
    Kind kind = Kind::None;
    QString port;          // the port as named by its full path
    QString holder;        // in use: who holds it ("vortaxa, pid 1234"), or empty
    QString systemMessage; // the system's words, or empty
};

class Transport : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Opens the port `name` for reading and writing; false with openFailure()
    // saying why. An open transport is closed first.
    virtual bool open(const QString &name) = 0;
    virtual OpenFailure openFailure() const = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Queues `bytes` for the line; bytesWritten follows as the line takes them.
    virtual qint64 write(const QByteArray &bytes) = 0;
    // Bytes written and not yet taken by the line.
    virtual qint64 bytesToWrite() const = 0;
    // Drops what the line has not taken yet.
    virtual void discardOutput() = 0;

    // Takes every byte received and not read yet.
    virtual QByteArray readAll() = 0;
    virtual qint64 bytesAvailable() const = 0;

    // Called on every tick of an open port: the line settings are applied
    // again (a device reset may have changed them).
    virtual void keepLineSettings() {}

signals:
    // Bytes arrived; readAll() takes them.
    void readyRead();
    // The line took `count` bytes of those written.
    void bytesWritten(qint64 count);
    // The port is about to close (also when the transport closes it itself).
    void aboutToClose();
    // The open port reported an error: a device that vanished does so
    // until the port is closed.
    void errorOccurred(const QString &message);
};
