// What the QML tests of the panel work with: the real Core, a pty playing the
// device on the other end, and helpers the QML side cannot do itself (read
// what the program wrote, answer as the device, key presses into the panel's
// window, WAV files to load, the warnings seen so far).
#pragma once

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class Core;
class PanelObjects;
class QQmlEngine;
class QSerialPort;
struct PtyCoreRig;

class PanelFixture : public QObject {
    Q_OBJECT

public:
    explicit PanelFixture(QObject *parent = nullptr);
    ~PanelFixture() override;

    Core *core() const;
    // The objects beside Core, as the panel makes them.
    PanelObjects &panelObjects() const { return *objects; }

    // Another program holding the pty's port (its lock), until release().
    Q_INVOKABLE bool occupy();
    Q_INVOKABLE void release();

    // Records every warning from here on, and passes it on (again in front
    // of a handler installed since).
    static void installWarningRecorder();

    // Opens the pty's slave end as the device port. The port timer is held, so
    // nothing but what the panel causes reaches the device.
    Q_INVOKABLE bool open();
    Q_INVOKABLE QString portPath() const;
    // The port fails as when the device is unplugged: the program closes it.
    Q_INVOKABLE void losePort();

    // Everything the program wrote within `ms` (the event loop runs meanwhile).
    Q_INVOKABLE QString drain(int ms);
    // Waits until the program has written at least `count` bytes; returns them all.
    Q_INVOKABLE QString read(int count, int timeoutMs = 3000);
    // Waits until the program's bytes end with `suffix`; returns them all.
    Q_INVOKABLE QString readUntil(const QString &suffix, int timeoutMs = 3000);
    // Device bytes towards the program (Latin-1).
    Q_INVOKABLE void write(const QString &bytes);
    // Offers `bytes` to the answer forms at once, as a port read does: the
    // device's answer without waiting for the line.
    Q_INVOKABLE void answer(const QString &bytes);
    // The link's own events of a busy spell: a head sent with `progress`
    // (on), or the queue found empty (off).
    Q_INVOKABLE void linkBusy(bool on, qreal progress = 0);
    // The current preset has edits the device has not stored (or not), set
    // and published as the back end's editing steps do.
    Q_INVOKABLE void setEdited(bool on);
    // Compare shows the stored preset (or not), set and published as the
    // back end's status read-back does.
    Q_INVOKABLE void setComparing(bool on);
    // The device's status answer for the current preset: the last block it
    // reported with `values` (parameter names to published values) changed.
    // `comparing`: read while compare shows the stored preset.
    Q_INVOKABLE void answerStatus(const QVariantMap &values, bool comparing = false);

    // The status value names by position, from the tests' own table.
    Q_INVOKABLE QStringList statusNames() const;

    // A key press and release delivered to the given window (the panel's
    // own window, not the test's).
    Q_INVOKABLE void key(QObject *window, int key, int modifiers = 0);

    // Writes a canonical 44-byte-header WAV file (a decaying noise burst) in a
    // temporary folder and returns its local path.
    Q_INVOKABLE QString makeWav(const QString &name, int sampleRate, int bits, int channels,
                                int frames);
    // A file of these bytes (Latin-1) in the same folder, its folders made
    // as needed; returns its local path.
    Q_INVOKABLE QString writeFile(const QString &name, const QString &bytes);

    // The back end's focus target, stepped by Tab.
    Q_INVOKABLE QString tabTarget();

    // Forgets what earlier tests left in the back end: the command queue
    // (once a long command going out has ended), its retry count, the edited
    // and compare states, the copy, the pending impulse and the edit history;
    // and what waited for a save or for the device to be idle.
    Q_INVOKABLE void resetBackEnd();

    // A value of the program's settings store as text; and removing one.
    Q_INVOKABLE QString setting(const QString &key);
    Q_INVOKABLE void removeSetting(const QString &key);

    // A file's bytes (Latin-1), or an empty string.
    Q_INVOKABLE QString readFile(const QString &path) const;
    Q_INVOKABLE QString tempPath(const QString &name) const;

    // An environment variable (the screenshot tour takes its port and folder so).
    Q_INVOKABLE QString environment(const QString &name) const;

    // Switches Qt's accessibility on, as a screen reader does: the stock
    // controls then publish their roles, and their names from their texts.
    Q_INVOKABLE void startAccessibility();

    Q_INVOKABLE QStringList warnings() const;
    // Forgets the warnings so far; the recorder is in front from here on.
    Q_INVOKABLE void clearWarnings();

private:
    QString writeBytes(const QString &name, const QByteArray &data);

    QTemporaryDir files;
    std::unique_ptr<PtyCoreRig> rig;       // the real Core on a pty
    std::unique_ptr<QSerialPort> occupier; // gone before the pty closes
    std::unique_ptr<PanelObjects> objects; // the objects beside Core, gone before it
};

// Publishes the fixture for each test file's engine.
class PanelTestSetup : public QObject {
    Q_OBJECT

public slots:
    void applicationAvailable();
    void qmlEngineAvailable(QQmlEngine *engine);
};
