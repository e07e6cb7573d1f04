// The panel's QML test fixture: real Core over a pty, published to the engine.

// QuickTest brings QT_WIDGETS_LIB along, which makes QtTest's key helpers
// take the application for a QApplication; the test runner's is a
// QGuiApplication, as the panel's.
#undef QT_WIDGETS_LIB

#include "panel_fixture.h"

#include "core/core.h"
#include "editing/preset_session.h"
#include "link/link.h"
#include "panel/panel_objects.h"
#include "parameters/parameter_table.h"
#include "parsing/device_readout.h"
#include "parsing/status_layout.h"
#include "support/pty_core_rig.h"
#include "support/status_names.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMutex>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSerialPort>
#include <QWindow>
#include <QtEndian>
#include <QtTest>
#include <cmath>

namespace {

QMutex warningsMutex;
QStringList recordedWarnings;
QtMessageHandler previousHandler = nullptr;

void recordWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) {
        QMutexLocker lock(&warningsMutex);
        recordedWarnings.append(message);
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

void appendLe(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

} // namespace

PanelFixture::PanelFixture(QObject *parent) : QObject(parent), rig(std::make_unique<PtyCoreRig>())
{
    // No port chosen by an earlier run: the panel starts with discovery.
    rig->a.settings().remove(QStringLiteral("PortPath"));
    Core &core = rig->core;
    objects = std::make_unique<PanelObjects>(core.deviceLink(), core.presetSession(),
                                             core.deviceReadout(), core.settingsStore(),
                                             core.webPageOpener(), QString());
}

PanelFixture::~PanelFixture() = default;

Core *PanelFixture::core() const
{
    return &rig->core;
}

void PanelFixture::installWarningRecorder()
{
    // The test logger installs its own handler when a test file starts,
    // after the engine is made: the recorder goes back in front of it.
    const QtMessageHandler current = qInstallMessageHandler(recordWarning);
    if (current != recordWarning)
        previousHandler = current;
}

bool PanelFixture::open()
{
    return rig->open();
}

void PanelFixture::losePort()
{
    rig->a.slPortError();
}

bool PanelFixture::occupy()
{
    occupier = std::make_unique<QSerialPort>(rig->pty.slavePath());
    return occupier->open(QIODevice::ReadWrite);
}

void PanelFixture::release()
{
    occupier.reset();
}

QString PanelFixture::portPath() const
{
    return rig->pty.slavePath();
}

QString PanelFixture::drain(int ms)
{
    return QString::fromLatin1(rig->pty.drainFor(ms));
}

QString PanelFixture::read(int count, int timeoutMs)
{
    return QString::fromLatin1(rig->pty.read(count, timeoutMs));
}

QString PanelFixture::readUntil(const QString &suffix, int timeoutMs)
{
    return QString::fromLatin1(rig->pty.readUntil(suffix.toLatin1(), timeoutMs));
}

void PanelFixture::write(const QString &bytes)
{
    rig->pty.write(bytes.toLatin1());
}

void PanelFixture::linkBusy(bool on, qreal progress)
{
    Link &link = rig->core.deviceLink();
    if (on)
        emit link.headSent(float(progress));
    else
        emit link.idle();
}

void PanelFixture::setEdited(bool on)
{
    rig->a.setPresetEdited(on);
}

void PanelFixture::setComparing(bool on)
{
    rig->a.editable() = on ? 0 : 1;
    emit rig->core.presetSession().comparingChanged(on);
}

void PanelFixture::answer(const QString &bytes)
{
    rig->a.dispatch(bytes.toUtf8());
}

void PanelFixture::answerStatus(const QVariantMap &values, bool comparing)
{
    // What the device plays: the last block read, with the edits since.
    QByteArray bytes = rig->core.presetSession().values().live();
    if (bytes.size() != status::byteCount)
        bytes = QByteArray::fromHex(sampleStatus());
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        const parameters::Parameter *parameter = parameters::find(it.key());
        if (parameter && parameter->inPreset())
            bytes[parameter->position] = char(it.value().toInt() & 0xff);
    }
    rig->a.editable() = comparing ? 0 : 1;
    rig->a.dispatch("gs\r" + bytes.toHex() + "\n");
}

QStringList PanelFixture::statusNames() const
{
    QStringList names;
    for (const statusnames::StatusName &s : statusnames::statusNames())
        names.append(QString::fromLatin1(s.name));
    return names;
}

void PanelFixture::key(QObject *window, int key, int modifiers)
{
    if (auto *w = qobject_cast<QWindow *>(window))
        QTest::keyClick(w, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
}

QString PanelFixture::makeWav(const QString &name, int sampleRate, int bits, int channels,
                              int frames)
{
    const int bytesPerSample = bits / 8;
    const quint32 dataSize = quint32(frames * channels * bytesPerSample);
    QByteArray wav("RIFF");
    appendLe(wav, 36 + dataSize, 4);
    wav.append("WAVEfmt ");
    appendLe(wav, 16, 4);
    appendLe(wav, 1, 2);
    appendLe(wav, quint32(channels), 2);
    appendLe(wav, quint32(sampleRate), 4);
    appendLe(wav, quint32(sampleRate * channels * bytesPerSample), 4);
    appendLe(wav, quint32(channels * bytesPerSample), 2);
    appendLe(wav, quint32(bits), 2);
    wav.append("data");
    appendLe(wav, dataSize, 4);
    // A decaying noise burst, as a cabinet impulse looks; the same every time.
    quint32 noise = 12345;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double v = (double(noise >> 8) / double(1 << 24) * 2.0 - 1.0) *
                             std::exp(-i * 12000.0 / sampleRate / 400.0) * 0.7;
            const qint64 scaled = qint64(v * double(1u << (bits - 1)));
            appendLe(wav, quint32(bits == 8 ? scaled + 128 : scaled), bytesPerSample);
        }
    }
    return writeBytes(name, wav);
}

QString PanelFixture::writeFile(const QString &name, const QString &bytes)
{
    return writeBytes(name, bytes.toLatin1());
}

QString PanelFixture::writeBytes(const QString &name, const QByteArray &data)
{
    const QString path = files.filePath(name);
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly) ||
        file.write(data) != data.size())
        return QString();
    return path;
}

QString PanelFixture::tabTarget()
{
    return rig->core.tabTarget();
}

void PanelFixture::resetBackEnd()
{
    CoreAccess &a = rig->a;
    // A long command still going out would come back to the head at its end.
    spinUntil([&] { return !a.sending(); }, 5000);
    a.queue().clear();
    a.commandTotal() = 0;
    a.sendCount() = 0;
    a.answerReceived() = 0;
    a.setPresetEdited(false); // published, as the panel follows it
    setComparing(false);
    objects->device.saveQuestion()->drop();
    a.kept() = KeptBlocks(); // nothing compared or copied
    a.pendingUpDown() = 0;
    a.pendingPreset() = -1;
    a.pendingImpulse().drop();
    emit rig->core.presetSession().replaced(); // a fresh edit history
    rig->pty.drainFor(0);
}

QString PanelFixture::setting(const QString &key)
{
    const QVariant value = rig->a.settings().value(key);
    return value.type() == QVariant::Rect ? QStringLiteral("rect") : value.toString();
}

void PanelFixture::removeSetting(const QString &key)
{
    rig->a.settings().remove(key);
}

QString PanelFixture::readFile(const QString &path) const
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

QString PanelFixture::tempPath(const QString &name) const
{
    return files.filePath(name);
}

QString PanelFixture::environment(const QString &name) const
{
    return qEnvironmentVariable(name.toLocal8Bit().constData());
}

void PanelFixture::startAccessibility()
{
    QAccessible::setActive(true);
}

QStringList PanelFixture::warnings() const
{
    QMutexLocker lock(&warningsMutex);
    return recordedWarnings;
}

void PanelFixture::clearWarnings()
{
    installWarningRecorder();
    QMutexLocker lock(&warningsMutex);
    recordedWarnings.clear();
}

void PanelTestSetup::applicationAvailable()
{
    // The file dialogs keep their state in the settings of these names.
    QCoreApplication::setOrganizationName(QStringLiteral("OLK"));
    QCoreApplication::setApplicationName(QStringLiteral("Vortaxa"));
}

void PanelTestSetup::qmlEngineAvailable(QQmlEngine *engine)
{
    // Installed here, after the test logger's own handler, so both see warnings.
    PanelFixture::installWarningRecorder();
    auto *fixture = new PanelFixture(engine);
    QQmlContext *context = engine->rootContext();
    context->setContextProperty(QStringLiteral("_core"), fixture->core());
    fixture->panelObjects().publish(context);
    context->setContextProperty(QStringLiteral("applicationDirPath"),
                                QVariant(QStringLiteral(PANEL_ROOT_DIR)));
    context->setContextProperty(QStringLiteral("testPty"), fixture);
}
