// Classifying the error of a failed open.
#include "ports/open_failure.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace openFailure {

Reason classify(QSerialPort::SerialPortError error, bool accessible)
{
    switch (error) {
    case QSerialPort::NoError:
        return Reason::None;
    case QSerialPort::DeviceNotFoundError:
        return Reason::Gone;
    case QSerialPort::OpenError: // already open
        return Reason::Busy;
    case QSerialPort::PermissionError:
        return accessible ? Reason::Busy : Reason::Permission;
    default:
        return Reason::Other;
    }
}

QString word(Reason reason)
{
    switch (reason) {
    case Reason::None:
        return QString();
    case Reason::Gone:
        return QStringLiteral("gone");
    case Reason::Busy:
        return QStringLiteral("busy");
    case Reason::Permission:
        return QStringLiteral("permission");
    case Reason::Other:
        break;
    }
    return QStringLiteral("other");
}

bool accessible(const QString &name)
{
#ifdef Q_OS_UNIX
    // The port's name drops "/dev/" from its path ("ttyACM0", "pts/3").
    const QString path = name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0;
#else
    Q_UNUSED(name);
    return true;
#endif
}

} // namespace openFailure
