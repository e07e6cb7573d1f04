// The words for a failed open.
#include "ports/open_failure.h"

namespace openFailure {

using Kind = OpenFailure::Kind;

QString word(Kind kind)
{
    switch (kind) {
    case Kind::None:
        return QString();
    case Kind::NotFound:
        return QStringLiteral("gone");
    case Kind::InUse:
        return QStringLiteral("busy");
    case Kind::Permission:
        return QStringLiteral("permission");
    case Kind::Other:
        break;
    }
    return QStringLiteral("other");
}

QString title(const OpenFailure &failure)
{
    const QString &port = failure.port;
    switch (failure.kind) {
    case Kind::None:
        return QString();
    case Kind::NotFound:
        return QStringLiteral("The port %1 does not exist.").arg(port);
    case Kind::InUse:
        if (failure.holder.isEmpty())
            return QStringLiteral("The port %1 is in use by another program.").arg(port);
        return QStringLiteral("The port %1 is in use by another program (%2).")
            .arg(port, failure.holder);
    case Kind::Permission:
        return QStringLiteral("You may not open the port %1.").arg(port);
    case Kind::Other:
        break;
    }
    return QStringLiteral("The port %1 cannot be opened.").arg(port);
}

QString shortText(const OpenFailure &failure)
{
    const QString &port = failure.port;
    switch (failure.kind) {
    case Kind::None:
        return QString();
    case Kind::NotFound:
        return QStringLiteral("%1 not found").arg(port);
    case Kind::InUse:
        return QStringLiteral("%1 is in use").arg(port);
    case Kind::Permission:
        return QStringLiteral("No access to %1").arg(port);
    case Kind::Other:
        break;
    }
    return QStringLiteral("Cannot open %1").arg(port);
}

namespace {

QString panelAdvice(Kind kind)
{
    switch (kind) {
    case Kind::InUse:
        return QStringLiteral("Another program has the device's port open. Close that program; "
                              "the panel then connects by itself.");
    case Kind::Permission: {
        QString text = QStringLiteral("Your user has no permission to use the device's port.");
#ifdef Q_OS_LINUX
        text += QStringLiteral(" Install the udev rule that comes with the panel "
                               "(70-vortaxa-device.rules) or add yourself to the dialout group, "
                               "then log in again.");
#endif
        return text;
    }
    case Kind::NotFound:
        return QStringLiteral("Connect the device, or choose another port in Settings.");
    default:
        return QStringLiteral("The panel tries again by itself.");
    }
}

QString commandLineAdvice(Kind kind)
{
    switch (kind) {
    case Kind::InUse:
        return QStringLiteral("Close that program and try again.");
    case Kind::Permission:
        return QStringLiteral("Install the package's device rule, or add yourself to the group "
                              "that owns the port.");
    case Kind::NotFound:
        return QStringLiteral("\u201cvortaxa-cli ports\u201d lists the ports.");
    default:
        return QString();
    }
}

} // namespace

QString advice(const OpenFailure &failure, Front front)
{
    if (failure.kind == Kind::None)
        return QString();
    QString text =
        front == Front::Panel ? panelAdvice(failure.kind) : commandLineAdvice(failure.kind);
    if (!failure.systemMessage.isEmpty()) {
        const QString says = QStringLiteral("The system says: %1.").arg(failure.systemMessage);
        text += text.isEmpty()
                    ? says
                    : (front == Front::Panel ? QStringLiteral("\n\n") : QStringLiteral(" ")) + says;
    }
    return text;
}

QString message(const OpenFailure &failure)
{
    const QString more = advice(failure, Front::CommandLine);
    return more.isEmpty() ? title(failure) : title(failure) + QLatin1Char(' ') + more;
}

} // namespace openFailure
