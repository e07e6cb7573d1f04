// DeviceParts: the back end's parts, made and wired together: the link, the
// device readout, the preset session and the answer dispatcher, and what the
// start and the loss of a connection mean to them. Core owns one and speaks
// for it to the interface document; the command line owns one directly.
#pragma once

#include "link/pacing_clock.h"

#include <QObject>
#include <memory>

class AnswerDispatcher;
class DeviceReadout;
class Link;
class PresetSession;
class Transport;

class DeviceParts {
public:
    // The parts are children of `owner` (Core: they go with it), or of the
    // DeviceParts itself when none is given.
    // The link runs on `transport` and `clock` when given (tests), else on the serial port.
    explicit DeviceParts(QObject *owner = nullptr, Transport *transport = nullptr,
                         PacingClock clock = PacingClock());
    // The link goes first, cut off from every listener before it closes
    // the port, so nothing is emitted from here.
    ~DeviceParts();
    DeviceParts(const DeviceParts &) = delete;
    DeviceParts &operator=(const DeviceParts &) = delete;

    Link &link() const { return *linkPart; }
    DeviceReadout &readout() const { return *readoutPart; }
    PresetSession &session() const { return *sessionPart; }
    AnswerDispatcher &dispatcher() const { return *dispatcherPart; }

    // A new connection (or a fresh read of the device): the session starts
    // from what the device holds, the queue and unread input are dropped,
    // and the start-up requests are queued and sent.
    void startConnection();
    // The open port failed and was closed: nothing the device said is known
    // any more, and the session drops what went with the device.
    void connectionLost();

private:
    std::unique_ptr<QObject> ownHolder; // the parts' parent when no owner is given
    DeviceReadout *readoutPart = nullptr;
    Link *linkPart = nullptr;
    PresetSession *sessionPart = nullptr;
    AnswerDispatcher *dispatcherPart = nullptr;
};
