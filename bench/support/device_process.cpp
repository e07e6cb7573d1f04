// Starting and stopping the virtual device for the round-trip benchmarks.
#include "device_process.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#ifndef VORTAXA_DEVICE_PATH
#error "VORTAXA_DEVICE_PATH must name the virtual-device executable"
#endif

DeviceProcess::DeviceProcess() = default;

DeviceProcess::~DeviceProcess()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(2000);
    }
}

bool DeviceProcess::start(const QStringList &arguments, QString *error)
{
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setProcessEnvironment(headlessEnvironment(dir.path()));
    process.start(QStringLiteral(VORTAXA_DEVICE_PATH),
                  arguments + QStringList{"--quiet", "--turnaround-file",
                                          dir.filePath(QStringLiteral("turnaround.txt"))});
    if (!process.waitForStarted(5000)) {
        *error = QStringLiteral("virtual-device did not start: ") + process.errorString();
        return false;
    }
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(5000)) {
            *error = QStringLiteral("virtual-device printed no port");
            return false;
        }
    }
    slave = QString::fromLocal8Bit(process.readLine()).trimmed();
    return !slave.isEmpty();
}

bool DeviceProcess::stop()
{
    process.terminate();
    if (!process.waitForFinished(5000))
        return false;
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QRegularExpression counts(
        QStringLiteral("(\\d+) requests, (\\d+) answers, (\\d+) errors"));
    const QRegularExpressionMatch m = counts.match(out);
    if (!m.hasMatch())
        return false;
    requestCount = m.captured(1).toInt();
    answerCount = m.captured(2).toInt();
    errorCount = m.captured(3).toInt();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

std::vector<double> DeviceProcess::turnaround() const
{
    std::vector<double> figures;
    QFile file(dir.filePath(QStringLiteral("turnaround.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return figures;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            figures.push_back(line.toDouble());
    }
    return figures;
}

QProcessEnvironment headlessEnvironment(const QString &home)
{
    QDir(home).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.debug=false"));
    env.remove(QStringLiteral("QML_DISABLE_DISK_CACHE"));
    return env;
}
