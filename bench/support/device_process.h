// The virtual device as a separate process, as the panel meets it: started
// with its port path read from the first line, stopped with SIGTERM, its
// counters and turnaround figures read back afterwards.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <vector>

class DeviceProcess {
public:
    DeviceProcess();
    ~DeviceProcess();
    DeviceProcess(const DeviceProcess &) = delete;
    DeviceProcess &operator=(const DeviceProcess &) = delete;

    // Starts the device with `arguments` and --turnaround-file in a private
    // folder; false with a reason when it does not come up.
    bool start(const QStringList &arguments, QString *error);
    QString port() const { return slave; }

    // Stops the device and reads its counters line. False when it did not
    // end cleanly.
    bool stop();
    int requests() const { return requestCount; }
    int answers() const { return answerCount; }
    int errors() const { return errorCount; }

    // After stop: one figure per request, in microseconds (-1: no answer had
    // left since the request before it).
    std::vector<double> turnaround() const;

private:
    QTemporaryDir dir;
    QProcess process;
    QString slave;
    int requestCount = -1;
    int answerCount = -1;
    int errorCount = -1;
};

// A temporary home for child processes (settings, caches, runtime folder),
// with the headless settings the panel needs.
QProcessEnvironment headlessEnvironment(const QString &home);
