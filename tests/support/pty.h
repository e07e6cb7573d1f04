// A real pseudo-terminal for tests: the program opens the slave end with its
// own QSerialPort, the test holds the master and plays the device.
//
// Declare the Pty before the Core that opens it, so the port closes first.
// Closing the master while the port is still open frees the pty number with
// the port's lock file still held, and a test running in parallel that gets
// the same number then fails to open it.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool isValid() const { return master >= 0; }
    QString slavePath() const { return path; }

    // Writes device bytes towards the program (no event processing).
    void write(const QByteArray &bytes);

    // Runs the event loop until the program has written at least `count`
    // bytes in all (since the last take) or `timeoutMs` passed; returns and
    // forgets everything received so far.
    QByteArray read(int count = 1, int timeoutMs = 3000);

    // Runs the event loop until the received bytes end with `suffix`.
    QByteArray readUntil(const QByteArray &suffix, int timeoutMs = 3000);

    // Runs the event loop for `ms` and returns whatever arrived.
    QByteArray drainFor(int ms);

    // Closes the master: the program sees its device vanish.
    void closeMaster();

private:
    void pump();

    int master = -1;
    QString path;
    QByteArray received;
};

// Runs the event loop until `condition` holds or `timeoutMs` passes.
bool spinUntil(const std::function<bool()> &condition, int timeoutMs = 3000);
