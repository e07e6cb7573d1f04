// The end-to-end rig: device process, Core, waits, and reading the device's
// files back.
#include "session.h"

#include "link/requests.h"
#include "support/status_names.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTimer>

namespace e2e {

using namespace statusnames;

namespace {

QByteArray readWhole(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The device's log escaping undone: \r \n \t \\ and \xHH.
QByteArray unescape(const QByteArray &line)
{
    QByteArray out;
    out.reserve(line.size());
    for (int i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c != '\\' || i + 1 >= line.size()) {
            out.append(c);
            continue;
        }
        const char n = line.at(++i);
        switch (n) {
        case 'r':
            out.append('\r');
            break;
        case 'n':
            out.append('\n');
            break;
        case 't':
            out.append('\t');
            break;
        case 'x':
            out.append(static_cast<char>(line.mid(i + 1, 2).toInt(nullptr, 16)));
            i += 2;
            break;
        default:
            out.append(n);
        }
    }
    return out;
}

QList<QByteArray> logLines(const QString &path)
{
    QList<QByteArray> lines;
    for (const QByteArray &line : readWhole(path).split('\n')) {
        if (!line.isEmpty())
            lines.append(unescape(line));
    }
    return lines;
}

// The presets file in the device's store format, written by the device
// tests' own writer so the format is known in one place outside the device.
QByteArray presetsJson(const DeviceSetup &s)
{
    QVector<TestPreset> presets;
    presets.reserve(s.presets.size());
    for (const StoredPreset &p : s.presets)
        presets.append({p.status, p.impulseName, p.wav});
    return presetsFile(s.type, s.bank, s.preset, s.mode, presets);
}

} // namespace

int familySize(int type)
{
    return type == 2 || type == 3 ? 4 : 10;
}

QVector<StoredPreset> makePresets(int type, quint32 seed)
{
    QRandomGenerator r(seed);
    const int count = familySize(type) * familySize(type);
    QVector<StoredPreset> presets(count);
    for (int i = 0; i < count; ++i) {
        StoredPreset &p = presets[i];
        const bool hasImpulse = i % 5 != 4;
        p.status.resize(43);
        for (const StatusName &s : statusNames()) {
            int v = 0;
            switch (s.range) {
            case Range::Level:
                v = int(r.bounded(101));
                break;
            case Range::Flag:
                v = int(r.bounded(2));
                break;
            case Range::Type:
                v = int(r.bounded(4));
                break;
            case Range::Signed:
                v = int(r.bounded(25)) - 12;
                break;
            }
            p.status[s.position] = static_cast<char>(v & 0xff);
        }
        p.status[8] = hasImpulse ? 1 : 0;
        if (hasImpulse) {
            p.impulseName = "Cab " + QByteArray::number(i) + " Room " +
                            QByteArray::number(int(r.bounded(90)) + 10) + "x12";
            QByteArray samples(int(600 + r.bounded(900)) * 3, '\0');
            for (char &c : samples)
                c = static_cast<char>(r.bounded(256));
            p.wav = storedImage(samples);
        }
    }
    return presets;
}

// ---- PanelState ---------------------------------------------------------

PanelState::PanelState(Core *core)
{
    connect(core, &Core::sgReadValue, this, [this](const QString &name, int value) {
        values.insert(name, value);
        ++counts[name];
    });
    connect(core, &Core::sgReadText, this, [this](const QString &name, const QString &value) {
        texts.insert(name, value);
        ++counts[name];
    });
    connect(core, &Core::sgSetWait, this, [this](bool wait) { busy = wait; });
    connect(core, &Core::sgAnswerErrSave, this, [this](const QString &command) {
        ++errReports;
        lastErrCommand = command;
    });
    connect(core, &Core::sgPortOpen, this, [this](bool open, const QString &) {
        if (!open)
            ++portClosedReports;
    });
    connect(core, &Core::sgPresetUpDownStage1, this,
            [this](uchar code) { upDownQuestions.append(code); });
    connect(core, &Core::sgPresetChangeStage1, this,
            [this](uchar preset) { changeQuestions.append(preset); });
    connect(core, &Core::sgNotSupport, this, [this] { ++notSupported; });
    connect(core, &Core::sgSetEdit, this, [this](bool on) { ++(on ? editOn : editOff); });
}

// ---- Session ------------------------------------------------------------

Session::Session() = default;

Session::~Session()
{
    destroyCore();
    if (device.state() != QProcess::NotRunning) {
        device.kill();
        waitFor([this] { return device.state() == QProcess::NotRunning; }, 3000);
    }
}

bool Session::launch(const QStringList &arguments)
{
    device.setProgram(QStringLiteral(VIRTUAL_DEVICE_PATH));
    device.setArguments(arguments);
    device.start();
    QByteArray out;
    waitFor(
        [&] {
            out += device.readAllStandardOutput();
            return out.contains('\n') || device.state() == QProcess::NotRunning;
        },
        10000);
    if (!out.contains('\n')) {
        stderrText += device.readAllStandardError();
        qWarning("virtual device did not start: %s", stderrText.constData());
        return false;
    }
    slave = QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    return true;
}

bool Session::startDevice(const DeviceSetup &s)
{
    if (!dir.isValid())
        return false;
    setup = s;
    QFile::remove(file(QStringLiteral("store.json")));
    if (!s.presets.isEmpty()) {
        QFile f(file(QStringLiteral("store.json")));
        if (!f.open(QIODevice::WriteOnly) || f.write(presetsJson(s)) < 0)
            return false;
    }
    return restartDevice(s.faults);
}

bool Session::restartDevice(const QStringList &faults)
{
    QStringList args{QStringLiteral("--type"),       QString::number(setup.type),
                     QStringLiteral("--firmware"),   QString::fromUtf8(setup.firmware),
                     QStringLiteral("--stats-file"), file(QStringLiteral("stats.json")),
                     QStringLiteral("--log"),        file(QStringLiteral("requests.log"))};
    if (setup.answerLog)
        args << QStringLiteral("--answer-log") << file(QStringLiteral("answers.log"));
    if (!setup.presets.isEmpty())
        args << QStringLiteral("--store") << file(QStringLiteral("store.json"));
    args << faults;
    return launch(args);
}

int Session::stopDevice()
{
    if (device.state() == QProcess::NotRunning)
        return device.exitCode();
    device.terminate();
    if (!waitFor([this] { return device.state() == QProcess::NotRunning; }, 5000))
        return -1;
    stderrText += device.readAllStandardError();
    return device.exitCode();
}

bool Session::deviceRunning() const
{
    return device.state() != QProcess::NotRunning;
}

QByteArray Session::deviceStderr()
{
    stderrText += device.readAllStandardError();
    return stderrText;
}

QJsonObject Session::stats() const
{
    return QJsonDocument::fromJson(readWhole(file(QStringLiteral("stats.json")))).object();
}

QList<QByteArray> Session::requests() const
{
    return logLines(file(QStringLiteral("requests.log")));
}

QByteArray Session::answerStream() const
{
    QByteArray all;
    for (const QByteArray &piece : logLines(file(QStringLiteral("answers.log"))))
        all += piece;
    return all;
}

QByteArray Session::lastStatusAnswer() const
{
    const QByteArray all = answerStream();
    for (int at = all.lastIndexOf("gs\r"); at >= 0; at = all.lastIndexOf("gs\r", at - 1)) {
        const QByteArray text = all.mid(at + 3, 86);
        if (text.size() == 86 && all.mid(at + 89, 1) == "\n")
            return QByteArray::fromHex(text);
        if (at == 0)
            break;
    }
    return QByteArray();
}

DeviceStore Session::store() const
{
    DeviceStore s;
    const QJsonObject json =
        QJsonDocument::fromJson(readWhole(file(QStringLiteral("store.json")))).object();
    if (json.isEmpty())
        return s;
    s.valid = true;
    s.bank = json.value(QStringLiteral("bank")).toInt();
    s.preset = json.value(QStringLiteral("preset")).toInt();
    s.mode = json.value(QStringLiteral("mode")).toInt();
    for (const QJsonValue &v : json.value(QStringLiteral("presets")).toArray()) {
        const QJsonObject entry = v.toObject();
        StoredPreset p;
        p.status = QByteArray::fromHex(entry.value(QStringLiteral("status")).toString().toLatin1());
        const QJsonObject impulse = entry.value(QStringLiteral("impulse")).toObject();
        p.impulseName = impulse.value(QStringLiteral("name")).toString().toUtf8();
        p.wav = QByteArray::fromHex(impulse.value(QStringLiteral("wav")).toString().toLatin1());
        s.presets.append(p);
    }
    return s;
}

Core &Session::core()
{
    if (!corePtr) {
        corePtr = std::make_unique<Core>();
        panel = std::make_unique<PanelState>(corePtr.get());
    }
    return *corePtr;
}

void Session::destroyCore()
{
    corePtr.reset();
    panel.reset();
}

bool Session::openPort()
{
    return core().openPort(slave);
}

bool Session::start(const DeviceSetup &s)
{
    if (!startDevice(s) || !openPort())
        return false;
    core().slTimer(); // the burst goes out now instead of at the next tick
    return waitIdle();
}

bool Session::idle()
{
    return core().deviceLink().queueEmpty() && !core().presetSession().moveWaiting() &&
           !panel->busy;
}

bool Session::waitIdle(int timeoutMs)
{
    return waitFor([this] { return idle(); }, timeoutMs);
}

bool Session::settle(int timeoutMs)
{
    if (!waitIdle(timeoutMs))
        return false;
    const int before = panel->count(QStringLiteral("mode"));
    core().send(requests::mode);
    core().slTimer();
    return waitFor([&] { return panel->count(QStringLiteral("mode")) > before && idle(); },
                   timeoutMs);
}

QByteArray Session::readLiveStatus()
{
    if (!waitIdle())
        return QByteArray();
    const int before = panel->count(QStringLiteral("master_volume"));
    core().send(requests::status);
    core().slTimer();
    if (!waitFor([&] { return panel->count(QStringLiteral("master_volume")) > before && idle(); },
                 10000))
        return QByteArray();
    return lastStatusAnswer();
}

bool Session::waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    // Wakes the blocking wait below at least this often, so time-outs and
    // conditions on files are noticed without spinning the processor.
    QTimer heartbeat;
    heartbeat.start(5);
    while (!condition()) {
        if (clock.elapsed() >= timeoutMs)
            return condition();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

void Session::spin(int ms)
{
    waitFor([] { return false; }, ms);
}

QString Session::statusMismatch(const QByteArray &status) const
{
    QStringList diffs;
    if (status.size() != 43)
        return QStringLiteral("status of %1 bytes").arg(status.size());
    for (const StatusName &s : statusNames()) {
        const int expected = publishedValue(s.position, quint8(status.at(s.position)));
        for (const char *name : {s.name, s.alias}) {
            if (!name)
                continue;
            const QString key = QString::fromLatin1(name);
            if (!panel->values.contains(key))
                diffs << QStringLiteral("%1 never published").arg(key);
            else if (panel->values.value(key) != expected)
                diffs << QStringLiteral("%1 = %2, expected %3")
                             .arg(key)
                             .arg(panel->values.value(key))
                             .arg(expected);
        }
    }
    return diffs.join(QStringLiteral("; "));
}

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

} // namespace e2e
