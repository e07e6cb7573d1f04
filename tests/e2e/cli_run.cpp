// Running vortaxa-cli in tests: the process, its output, and the files and
// counts the command line's end-to-end tests compare.
#include "cli_run.h"

#include "parameters/parameter_table.h"
#include "support/wav_writer.h"

#include <QFile>
#include <sys/stat.h>

namespace e2e {

// Runs vortaxa-cli with `args`; standard input is not a terminal. `config`
// (if given) is the settings folder, so the remembered port can be set.
Run cli(const QStringList &args, const QString &config, const QString &workingFolder)
{
    const int timeoutMs = 60000;
    QProcess p;
    p.setWorkingDirectory(workingFolder);
    if (!config.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        p.setProcessEnvironment(env);
    }
    p.start(QStringLiteral(VORTAXA_CLI_PATH), args);
    p.closeWriteChannel();
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// The requests among `requests` that change what the device stores or plays.
int writes(const QList<QByteArray> &requests)
{
    int n = 0;
    for (const QByteArray &r : requests)
        if (r.startsWith("gs 1") || r.startsWith("sp") || r.startsWith("cc ") ||
            r.startsWith("dcc"))
            ++n;
    return n;
}

// The requests among `requests` that move the device or change it.
int movesOrWrites(const QList<QByteArray> &requests)
{
    int n = writes(requests);
    for (const QByteArray &r : requests)
        if (r.startsWith("pc ") || r.startsWith("chb") || r.startsWith("chp"))
            ++n;
    return n;
}

int statusByte(const QByteArray &status, const char *name)
{
    return static_cast<unsigned char>(status.at(parameters::find(QLatin1String(name))->position));
}

QString describe(const Run &r)
{
    return QStringLiteral("exit %1\nstdout: %2\nstderr: %3")
        .arg(r.code)
        .arg(QString::fromUtf8(r.out), QString::fromUtf8(r.err));
}

// What a path is now: "file", "fifo", "device", "folder", "none".
QString kindOf(const QString &path)
{
    struct stat info = {};
    if (lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("none");
    return S_ISREG(info.st_mode)    ? QStringLiteral("file")
           : S_ISFIFO(info.st_mode) ? QStringLiteral("fifo")
           : S_ISCHR(info.st_mode)  ? QStringLiteral("device")
           : S_ISDIR(info.st_mode)  ? QStringLiteral("folder")
                                    : QStringLiteral("other");
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A quarter second of 44.1 kHz, 16-bit mono: converted on load.
QByteArray impulseWav()
{
    return wavFile({1, 1, 44100, 16, false, {}, patternSamples(44100 / 4, 1, 2)});
}

// The device's presets as the librarian's file, or only the one at `only`.
library::PresetFile fileOf(const DeviceStore &store, int type, int only)
{
    library::PresetFile file;
    file.deviceType = type;
    file.banks = file.presetsPerBank = familySize(type);
    file.firmware = QStringLiteral("2.03");
    file.created = QDateTime::currentDateTimeUtc();
    for (int n = 0; n < store.presets.size(); ++n) {
        if (only >= 0 && n != only)
            continue;
        const StoredPreset &p = store.presets.at(n);
        library::PresetEntry e;
        e.bank = n / file.presetsPerBank;
        e.preset = n % file.presetsPerBank;
        e.status = p.status.toHex();
        e.impulseName = p.impulseName;
        e.impulseImage = p.wav;
        file.presets.append(e);
    }
    return file;
}

// Starts vortaxa-cli without waiting; `until` is waited for in its standard
// error (with --verbose, the exchanges) before this returns.
bool startCli(QProcess &p, const QStringList &args, QByteArray *err,
              const std::function<bool(const QByteArray &)> &until)
{
    p.start(QStringLiteral(VORTAXA_CLI_PATH), args);
    p.closeWriteChannel();
    return Session::waitFor(
               [&] {
                   *err += p.readAllStandardError();
                   return until(*err) || p.state() == QProcess::NotRunning;
               },
               30000) &&
           p.state() == QProcess::Running;
}

bool CliRig::start(int seed, const QStringList &faults)
{
    session = std::make_unique<Session>();
    DeviceSetup setup;
    setup.type = smallType;
    setup.presets = makePresets(smallType, quint32(seed));
    setup.faults = faults;
    return session->startDevice(setup);
}

void CliRig::stop()
{
    if (session)
        session->stopDevice();
    session.reset();
}

QStringList CliRig::on(const QStringList &args) const
{
    return QStringList{"--port", session->portPath()} + args;
}

} // namespace e2e
