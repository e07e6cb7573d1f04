// The device as the commands use it: the port opened as the panel would
// find it (or as --port names it), the start-up answers read, and the link's
// exchanges followed to their end.
//
// The link announces every exchange's outcome to all its listeners. This is
// the one place where the command line picks out its own: the exchanges it
// runs or follows itself, never the librarian's, which ends its work with
// its own explanation. Behind the link's own patience (Link::setPatience) a
// backstop ends a run that hears nothing from the device for --timeout and
// the longest answer wait together.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class Engine;

namespace cli {

struct Options;

class Device : public QObject {
    Q_OBJECT

public:
    using Step = std::function<void()>;

    Device(Engine &engine, const Options &options, QObject *parent = nullptr);

    // Opens the port and reads the device's start-up answers; then `ready`.
    void open(const Step &ready);
    // `done` once what the link's queue holds now has been answered.
    void follow(const Step &done);
    // `done` once the exchange the preset session just started (a jump, a
    // paste) has been answered.
    void awaitExchange(const Step &done);
    // Learns what the device stores of the current preset (the session's
    // learnStored, `putBack` as there); then `done`, once everything it
    // sent has been answered.
    void learnStored(bool putBack, const Step &done);
    // Runs `requests` as an exchange of their own; then `done`.
    void run(const QList<QByteArray> &requests, const Step &done);
    // The open port's full path ("/dev/ttyACM0").
    QString portPath() const;
    // While a person answers a question the device is not expected to speak.
    void holdWatch(bool held);

signals:
    // The device failed the command; `message` says how, in words.
    void failed(int code, const QString &message);

private:
    void portRefused();
    void startupRead(const Step &ready);
    void exchangeEnded(bool done, const QString &reason);
    void heard();

    Engine &engine;
    const Options &options;
    QTimer backstop;
    bool refused = false; // the port did not open
    Step onDone;
    std::function<void(const QString &)> onFailed;
};

} // namespace cli
