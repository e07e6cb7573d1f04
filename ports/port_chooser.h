// The port chooser, published to the panel as `_ports`: the serial ports the
// system has, for a device the discovery by USB identifiers misses; the port
// the panel opens by name (given with --port, or chosen in the settings and
// remembered), opened at once and again every two seconds while it is
// closed; and the system's reason when an open fails.
#pragma once

#include "link/transport.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantList>

class Link;
class QSettings;

class PortChooser : public QObject {
    Q_OBJECT
    // One map per serial port of the system: "path", "name", "description",
    // "device" (true when its USB identifiers are the device's).
    Q_PROPERTY(QVariantList available READ available NOTIFY availableChanged)
    // The port opened by name; empty when the device is found by itself.
    Q_PROPERTY(QString port READ port NOTIFY portChanged)
    // Why the last open failed: "", "gone", "busy", "permission", "other";
    // and the system's own words for it.
    Q_PROPERTY(QString failure READ failure NOTIFY failureChanged)
    Q_PROPERTY(QString failureText READ failureText NOTIFY failureChanged)
    // The same in the panel's words (ports/open_failure.h): what is wrong as a
    // sentence, as a status chip, and what to do about it.
    Q_PROPERTY(QString failureTitle READ failureTitle NOTIFY failureChanged)
    Q_PROPERTY(QString failureShort READ failureShort NOTIFY failureChanged)
    Q_PROPERTY(QString failureAdvice READ failureAdvice NOTIFY failureChanged)

public:
    // `given`: the port named on the command line (it wins over the
    // remembered choice for this run), or empty.
    PortChooser(Link &link, QSettings &settings, const QString &given, QObject *parent = nullptr);

    // The value of "--port PATH" or "--port=PATH" in `arguments`, or empty.
    // A relative path is made absolute against `folder`; a plain name
    // (ttyACM0, COM3) stays as it is.
    static QString portArgument(const QStringList &arguments, const QString &folder);

    static constexpr int retryMs = 1000;

    QVariantList available() const { return ports; }
    QString port() const { return named; }
    QString failure() const;
    QString failureText() const { return failureNow.systemMessage; }
    QString failureTitle() const;
    QString failureShort() const;
    QString failureAdvice() const;

    // Reads the system's serial ports again.
    Q_INVOKABLE void refresh();
    // Opens `path` now and whenever it is closed, and remembers it across
    // runs. Empty: no port by name, the device is found by itself.
    Q_INVOKABLE void choose(const QString &path);

    // What the retry timer runs: opens the named port if no port is open.
    void openNamedPort();

signals:
    void availableChanged();
    void portChanged();
    void failureChanged();

private:
    void openRefused();
    void setFailure(const OpenFailure &failure);
    void follow(const QString &path);

    Link &link;
    QSettings &settings;
    QTimer retry;
    QString named;
    QVariantList ports;
    OpenFailure failureNow;
};
