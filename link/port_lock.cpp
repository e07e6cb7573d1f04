// The device behind a port's name, the flock on its descriptor, and who
// holds it according to its lock file.
#include "link/port_lock.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/file.h>
#include <unistd.h>
#endif

QString PortLock::resolve(const QString &name)
{
    if (name.isEmpty())
        return name;
    QString path = name;
#ifdef Q_OS_UNIX
    if (!name.contains(QLatin1Char('/')))
        path = QStringLiteral("/dev/") + name;
#endif
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? path : real;
}

bool PortLock::acquire(int fd)
{
#ifdef Q_OS_UNIX
    int result;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0)
        return false;
#endif
    held = fd;
    return true;
}

bool PortLock::accessible(const QString &device)
{
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
#else
    Q_UNUSED(device);
    return true;
#endif
}

QString PortLock::holder(const QString &device)
{
#ifdef Q_OS_UNIX
    // QSerialPort names its lock file after the port's name (the path less
    // "/dev/", slashes made underscores) in the first of these folders it may
    // write to; the folder of an existing file is the one in use.
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QStringList folders = {QStringLiteral("/var/lock"),
                                 QStringLiteral("/etc/locks"),
                                 QStringLiteral("/var/spool/locks"),
                                 QStringLiteral("/var/spool/uucp"),
                                 QStringLiteral("/tmp"),
                                 QStringLiteral("/var/tmp"),
                                 QStringLiteral("/var/lock/lockdev"),
                                 QStringLiteral("/run/lock"),
                                 QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
    for (const QString &folder : folders) {
        const QString file = folder + QStringLiteral("/LCK..") + name;
        if (!QFileInfo::exists(file))
            continue;
        qint64 pid = 0;
        QString host;
        QString program;
        if (!QLockFile(file).getLockInfo(&pid, &host, &program) || pid <= 0)
            return QString();
        if (program.isEmpty())
            return QStringLiteral("pid %1").arg(pid);
        return QStringLiteral("%1, pid %2").arg(program).arg(pid);
    }
#else
    Q_UNUSED(device);
#endif
    return QString();
}
