// The port chooser: enumeration, the port opened by name and its retry, and
// the reason of a failed open.
#include "ports/port_chooser.h"

#include "base/log_categories.h"
#include "link/link.h"
#include "link/port_choice.h"
#include "ports/open_failure.h"

#include <QDir>
#include <QSerialPortInfo>
#include <QSettings>
#include <algorithm>

namespace {
const char *const keyPortPath = "PortPath";
} // namespace

PortChooser::PortChooser(Link &link, QSettings &settings, const QString &given, QObject *parent)
    : QObject(parent), link(link), settings(settings)
{
    retry.setInterval(retryMs);
    connect(&retry, &QTimer::timeout, this, &PortChooser::openNamedPort);
    connect(&link, &Link::opened, this, [this] { setFailure(OpenFailure()); });
    connect(&link, &Link::openRefused, this, &PortChooser::openRefused);
    // The link goes first at the end of a run: no call into it after that.
    connect(&link, &QObject::destroyed, &retry, &QTimer::stop);

    const QString remembered = settings.value(keyPortPath).toString();
    follow(given.isEmpty() ? remembered : given);
    // The first attempt once the event loop runs, when the panel listens.
    if (!named.isEmpty())
        QTimer::singleShot(0, &retry, [this] { openNamedPort(); });
    refresh();
}

QString PortChooser::portArgument(const QStringList &arguments, const QString &folder)
{
    QString value;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--port") && i + 1 < arguments.size()) {
            value = arguments.at(i + 1);
            break;
        }
        if (a.startsWith(QLatin1String("--port="))) {
            value = a.mid(7);
            break;
        }
    }
    const bool path = value.contains(QLatin1Char('/')) || value.contains(QLatin1Char('\\'));
    if (path && QDir::isRelativePath(value))
        value = QDir::cleanPath(QDir(folder).absoluteFilePath(value));
    return value;
}

void PortChooser::refresh()
{
    QVariantList found;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        portChoice::PortEntry entry;
        entry.systemLocation = info.systemLocation();
        entry.hasIdentifiers = info.hasVendorIdentifier() && info.hasProductIdentifier();
        entry.vendor = info.vendorIdentifier();
        entry.product = info.productIdentifier();
        QStringList words;
        for (const QString &w : {info.description(), info.manufacturer()})
            if (!w.isEmpty() && !words.contains(w))
                words.append(w);
        found.append(QVariantMap{{"path", entry.systemLocation},
                                 {"name", info.portName()},
                                 {"description", words.join(QStringLiteral(", "))},
                                 {"device", portChoice::isDevice(entry)}});
    }
    std::sort(found.begin(), found.end(), [](const QVariant &a, const QVariant &b) {
        return a.toMap().value("name").toString() < b.toMap().value("name").toString();
    });
    if (found != ports) {
        ports = found;
        emit availableChanged();
    }
}

void PortChooser::choose(const QString &path)
{
    const QString chosen = path.trimmed();
    if (chosen.isEmpty())
        settings.remove(keyPortPath);
    else
        settings.setValue(keyPortPath, chosen);
    settings.sync();
    qCInfo(linkLog).noquote() << "port chosen:" << (chosen.isEmpty() ? "by discovery" : chosen);
    follow(chosen);
    setFailure(OpenFailure());
    // A port named now is opened at once, also in place of an open one.
    if (!named.isEmpty())
        link.openPort(named);
}

void PortChooser::openNamedPort()
{
    if (named.isEmpty() || link.isOpen())
        return;
    link.openPort(named);
}

void PortChooser::follow(const QString &path)
{
    if (path != named) {
        named = path;
        emit portChanged();
    }
    if (named.isEmpty())
        retry.stop();
    else
        retry.start();
}

// An open that failed: why, in the system's own words.
void PortChooser::openRefused()
{
    setFailure(link.openFailure());
}

QString PortChooser::failure() const
{
    return openFailure::word(failureNow.kind);
}

QString PortChooser::failureTitle() const
{
    return openFailure::title(failureNow);
}

QString PortChooser::failureShort() const
{
    return openFailure::shortText(failureNow);
}

QString PortChooser::failureAdvice() const
{
    return openFailure::advice(failureNow, openFailure::Front::Panel);
}

void PortChooser::setFailure(const OpenFailure &failure)
{
    const OpenFailure &now = failureNow;
    if (failure.kind == now.kind && failure.port == now.port && failure.holder == now.holder &&
        failure.systemMessage == now.systemMessage)
        return;
    failureNow = failure;
    emit failureChanged();
}
