// virtual-device: a stand-in for the cabinet simulator on a pseudo-terminal.
// Prints the slave path as its first line, serves requests until SIGINT or
// SIGTERM (or until it vanishes on purpose), then prints its counters.
#include "model.h"
#include "virtual_device.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <limits>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

bool toNumber(const QString &text, qint64 low, qint64 high, qint64 *value)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "virtual-device: %s\n", message.toUtf8().constData());
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("virtual-device"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves the device's protocol on a pseudo-terminal. The first line on "
                       "standard output is the path of the port to open."));
    parser.addHelpOption();
    const QCommandLineOption type(
        QStringLiteral("type"),
        QStringLiteral("Device type 1 to 4 (1, 4: 10x10 presets; 2, 3: 4x4)."), QStringLiteral("n"),
        QStringLiteral("1"));
    const QCommandLineOption firmware(QStringLiteral("firmware"),
                                      QStringLiteral("Firmware version text."),
                                      QStringLiteral("text"), QStringLiteral("2.03"));
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Keep a symlink to the port here."),
                                  QStringLiteral("path"));
    const QCommandLineOption store(QStringLiteral("store"),
                                   QStringLiteral("Keep the presets in this JSON file."),
                                   QStringLiteral("file"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Write every request, escaped, one per line."),
                                 QStringLiteral("file"));
    const QCommandLineOption answerLog(
        QStringLiteral("answer-log"),
        QStringLiteral("Write every piece sent, escaped, one per line."), QStringLiteral("file"));
    const QCommandLineOption statsFile(QStringLiteral("stats-file"),
                                       QStringLiteral("Keep the counters (JSON) in this file."),
                                       QStringLiteral("file"));
    const QCommandLineOption turnaroundFile(
        QStringLiteral("turnaround-file"),
        QStringLiteral("At exit, write per request the microseconds since the last answer "
                       "left (-1: no answer since the previous request)."),
        QStringLiteral("file"));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("Send answers in random small pieces (seed)."),
                                   QStringLiteral("seed"));
    const QCommandLineOption splitMax(QStringLiteral("split-max"),
                                      QStringLiteral("Largest piece of a short answer."),
                                      QStringLiteral("bytes"), QStringLiteral("6"));
    const QCommandLineOption splitGap(QStringLiteral("split-gap"),
                                      QStringLiteral("Pause between pieces."), QStringLiteral("ms"),
                                      QStringLiteral("2"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Pause before each answer."),
                                   QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption dropEvery(QStringLiteral("drop-every"),
                                       QStringLiteral("Lose every Nth answered request."),
                                       QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption noise(QStringLiteral("noise"),
                                   QStringLiteral("Send stray bytes before each answer (seed)."),
                                   QStringLiteral("seed"));
    const QCommandLineOption noiseMax(QStringLiteral("noise-max"),
                                      QStringLiteral("Most stray bytes at a time."),
                                      QStringLiteral("bytes"), QStringLiteral("4"));
    const QCommandLineOption vanishAfter(QStringLiteral("vanish-after"),
                                         QStringLiteral("Close the port after the Nth request."),
                                         QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption muteAfter(
        QStringLiteral("mute-after"),
        QStringLiteral("Lose every request for a while after the Nth request."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption muteFor(QStringLiteral("mute-for"),
                                     QStringLiteral("How long --mute-after loses requests."),
                                     QStringLiteral("ms"), QStringLiteral("3000"));
    const QCommandLineOption stallAfter(
        QStringLiteral("stall-after"),
        QStringLiteral("Stop reading for a while once a request has this many bytes in."),
        QStringLiteral("bytes"), QStringLiteral("0"));
    const QCommandLineOption stallFor(QStringLiteral("stall-for"),
                                      QStringLiteral("How long --stall-after stops reading."),
                                      QStringLiteral("ms"), QStringLiteral("3000"));
    const QCommandLineOption requestTimeout(
        QStringLiteral("request-timeout"),
        QStringLiteral("Drop an incomplete request after this quiet time."), QStringLiteral("ms"),
        QStringLiteral("2000"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("No error and warning lines on stderr."));
    parser.addOptions({type,           firmware,  link,           store,      log,
                       answerLog,      statsFile, turnaroundFile, split,      splitMax,
                       splitGap,       delay,     dropEvery,      noise,      noiseMax,
                       vanishAfter,    muteAfter, muteFor,        stallAfter, stallFor,
                       requestTimeout, quiet});
    parser.process(app);

    vdev::Options options;
    qint64 n = 0;
    if (!toNumber(parser.value(type), 1, 4, &n))
        return fail(QStringLiteral("--type must be 1 to 4"));
    options.type = static_cast<int>(n);
    options.firmware = parser.value(firmware).toUtf8();
    if (options.firmware.contains('\n') || options.firmware.contains('\r'))
        return fail(QStringLiteral("--firmware must be one line"));
    options.linkPath = parser.value(link);
    options.storeFile = parser.value(store);
    options.requestLog = parser.value(log);
    options.answerLog = parser.value(answerLog);
    options.statsFile = parser.value(statsFile);
    options.turnaroundFile = parser.value(turnaroundFile);
    options.quiet = parser.isSet(quiet);

    const auto number = [&](const QCommandLineOption &option, qint64 low, qint64 high,
                            qint64 *value) {
        return toNumber(parser.value(option), low, high, value);
    };
    if (parser.isSet(split)) {
        if (!number(split, 0, std::numeric_limits<qint64>::max(), &n))
            return fail(QStringLiteral("--split takes a seed, 0 or more"));
        options.split = true;
        options.splitSeed = static_cast<quint64>(n);
    }
    if (parser.isSet(noise)) {
        if (!number(noise, 0, std::numeric_limits<qint64>::max(), &n))
            return fail(QStringLiteral("--noise takes a seed, 0 or more"));
        options.noise = true;
        options.noiseSeed = static_cast<quint64>(n);
    }
    const struct {
        const QCommandLineOption &option;
        qint64 low;
        int *target;
    } ints[] = {
        {splitMax, 1, &options.splitMax},
        {splitGap, 0, &options.splitGapMs},
        {delay, 0, &options.delayMs},
        {dropEvery, 0, &options.dropEvery},
        {noiseMax, 1, &options.noiseMax},
        {vanishAfter, 0, &options.vanishAfter},
        {muteAfter, 0, &options.muteAfter},
        {muteFor, 1, &options.muteForMs},
        {stallAfter, 0, &options.stallAfter},
        {stallFor, 1, &options.stallForMs},
        {requestTimeout, 1, &options.requestTimeoutMs},
    };
    for (const auto &i : ints) {
        if (!number(i.option, i.low, 600000, &n))
            return fail(QStringLiteral("--%1 must be a number from %2")
                            .arg(i.option.names().first())
                            .arg(i.low));
        *i.target = static_cast<int>(n);
    }

    vdev::DeviceModel model(options.type, options.firmware);
    model.loadFactory();
    if (!options.storeFile.isEmpty() && QFile::exists(options.storeFile)) {
        QFile file(options.storeFile);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read %1").arg(options.storeFile));
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
        const QString problem = document.isObject() ? model.fromJson(document.object())
                                                    : QStringLiteral("not a JSON object");
        if (!problem.isEmpty())
            return fail(QStringLiteral("%1: %2").arg(options.storeFile, problem));
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return fail(QStringLiteral("socketpair failed"));
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaction(s, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN); // a reader of stdout that went away must not end the device
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    vdev::VirtualDevice device(options, model);
    QString error;
    if (!device.open(&error))
        return fail(error);
    QObject::connect(&device, &vdev::VirtualDevice::vanished, &app, &QCoreApplication::quit);

    std::printf("%s\n", device.slavePath().toLocal8Bit().constData());
    std::fflush(stdout);

    app.exec();
    device.shutdown();
    const vdev::Stats &s = device.stats();
    std::printf("virtual-device: %d requests, %d answers, %d errors, %d warnings, %d dropped\n",
                s.requests, s.answers, s.errors, s.warnings, s.dropped);
    std::fflush(stdout);
    return 0;
}
