// Reading audio files through libsndfile, and the checks that turn a damaged
// or unbelievable file into a plain reason instead of noise on the device.
#include "audio/audio_file.h"

#include "base/log_categories.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <sndfile.h>

namespace audio {
namespace {

// libsndfile's handle, closed when it goes out of scope.
struct SndFile {
    SNDFILE *handle = nullptr;
    ~SndFile()
    {
        if (handle)
            sf_close(handle);
    }
};

// libsndfile keeps the error of a failed open in one global, and files are
// read on worker threads too (the impulse browser's list): one open at a
// time, so each failure is reported with its own reason.
QMutex openLock;

QString quoted(const QString &path)
{
    return QStringLiteral("\u201c%1\u201d").arg(QFileInfo(path).fileName());
}

// Containers named in the panel's own words.
struct Container {
    int type;
    const char *name;
};
constexpr Container namedContainers[] = {
    {SF_FORMAT_WAV, "WAV"},   {SF_FORMAT_WAVEX, "WAV"}, {SF_FORMAT_AIFF, "AIFF"},
    {SF_FORMAT_FLAC, "FLAC"}, {SF_FORMAT_OGG, "Ogg"},   {SF_FORMAT_W64, "Wave64"},
    {SF_FORMAT_RF64, "RF64"}, {SF_FORMAT_CAF, "CAF"},
};

QString formatName(int format)
{
    for (const Container &c : namedContainers) {
        if ((format & SF_FORMAT_TYPEMASK) == c.type)
            return QString::fromLatin1(c.name);
    }
    // Any other container: the reader's own name without its explanation.
    SF_FORMAT_INFO info{};
    info.format = format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name)
        return QString::fromUtf8(info.name).section(QStringLiteral(" ("), 0, 0);
    return QStringLiteral("audio");
}

// The fixed-width encodings: integer or floating point, and their width.
// Compressed or companded encodings have no fixed sample width to show.
struct Encoding {
    int subtype;
    bool floating;
    int bits;
};
constexpr Encoding fixedWidthEncodings[] = {
    {SF_FORMAT_PCM_S8, false, 8},  {SF_FORMAT_PCM_U8, false, 8},  {SF_FORMAT_PCM_16, false, 16},
    {SF_FORMAT_PCM_24, false, 24}, {SF_FORMAT_PCM_32, false, 32}, {SF_FORMAT_FLOAT, true, 32},
    {SF_FORMAT_DOUBLE, true, 64},
};

void describeEncoding(int format, SourceInfo &info)
{
    for (const Encoding &e : fixedWidthEncodings) {
        if ((format & SF_FORMAT_SUBMASK) == e.subtype) {
            info.pcm = !e.floating;
            info.floating = e.floating;
            info.bits = e.bits;
        }
    }
}

// The reader notes a data chunk that the file does not hold in full as
// "data : <announced> (should be <present>)" ("SSND" in AIFF). A streaming
// writer's placeholder size (all ones) is not a cut.
bool dataChunkCutShort(SNDFILE *file)
{
    char log[8192] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
    static const QRegularExpression line(
        QStringLiteral("^\\s*(?:data|SSND)\\s*:\\s*(\\d+)\\s*\\(should be (\\d+)\\)"),
        QRegularExpression::MultilineOption);
    auto it = line.globalMatch(QString::fromLatin1(log));
    while (it.hasNext()) {
        const auto m = it.next();
        const qint64 announced = m.captured(1).toLongLong();
        const qint64 present = m.captured(2).toLongLong();
        if (announced > present && announced != 0xFFFFFFFFLL)
            return true;
    }
    return false;
}

// Compressed files announce their length up front and may end early: the
// last announced frame must be readable.
bool lastFrameThere(SNDFILE *file, const SourceInfo &info)
{
    std::vector<double> frame(size_t(info.channels));
    return sf_seek(file, info.frames - 1, SEEK_SET) >= 0 &&
           sf_readf_double(file, frame.data(), 1) == 1;
}

// In the panel's own words: the library's text goes to the debug line only.
QString openError(const QString &path)
{
    switch (sf_error(nullptr)) {
    case SF_ERR_UNRECOGNISED_FORMAT:
        return QStringLiteral("%1 is not an audio file, or not in a format the panel can read.")
            .arg(quoted(path));
    case SF_ERR_SYSTEM:
        return QStringLiteral("%1 cannot be opened: the system refused to read it. Check that "
                              "your user may read the file.")
            .arg(quoted(path));
    default:
        return QStringLiteral("%1 has a damaged header, or stores its sound in a way the panel "
                              "cannot read. Save it again as a WAV file in an audio editor and "
                              "load that.")
            .arg(quoted(path));
    }
}

QString cutShort(const QString &path)
{
    return QStringLiteral("%1 is cut short: it ends before the sound its header announces. It "
                          "may not have been copied or downloaded completely.")
        .arg(quoted(path));
}

// Why the path cannot be an audio file at all, before libsndfile opens it;
// empty when it may be one.
QString fileProblem(const QString &path)
{
    const QFileInfo file(path);
    if (!file.exists())
        return QStringLiteral("%1 cannot be found.").arg(quoted(path));
    if (file.isDir())
        return QStringLiteral("%1 is a folder, not an audio file.").arg(quoted(path));
    if (file.size() == 0)
        return QStringLiteral("%1 is empty.").arg(quoted(path));
    return {};
}

// Why an opened file's header cannot describe an impulse; empty when it can.
QString headerProblem(const QString &path, const SourceInfo &info, SNDFILE *handle)
{
    if (info.channels < 1 || info.channels > maxChannels) {
        return QStringLiteral("%1 says it has %2 channels, which no impulse has: its header is "
                              "probably damaged.")
            .arg(quoted(path))
            .arg(info.channels);
    }
    if (info.rate < minRate || info.rate > maxRate) {
        return QStringLiteral("%1 says its sample rate is %2 Hz, which no recording has: its "
                              "header is probably damaged.")
            .arg(quoted(path))
            .arg(info.rate);
    }
    if (info.frames <= 0)
        return QStringLiteral("%1 holds no sound: it has no samples.").arg(quoted(path));
    if (dataChunkCutShort(handle))
        return cutShort(path);
    return {};
}

// Reads up to `seconds` of the opened file into r.samples; on failure leaves
// them empty and says why in r.error.
void readSamples(const QString &path, SNDFILE *handle, double seconds, Reading &r)
{
    const SourceInfo &info = r.info;
    const auto wanted =
        std::min(info.frames, qint64(std::ceil(std::max(seconds, 0.0) * info.rate)));
    r.samples.resize(size_t(wanted * info.channels));
    const sf_count_t got = wanted > 0 ? sf_readf_double(handle, r.samples.data(), wanted) : 0;
    if (got != wanted || !lastFrameThere(handle, info)) {
        r.samples.clear();
        r.error = cutShort(path);
        return;
    }
    // Float files can hold values that are not numbers: only damage makes them.
    if (!std::all_of(r.samples.begin(), r.samples.end(),
                     [](double s) { return std::isfinite(s); })) {
        r.samples.clear();
        r.error =
            QStringLiteral("%1 is damaged: some of its samples are not numbers.").arg(quoted(path));
    }
}

} // namespace

Reading readFile(const QString &path, double seconds)
{
    Reading r;
    r.error = fileProblem(path);
    if (!r.error.isEmpty())
        return r;

    SF_INFO sf{};
    SndFile f;
    {
        QMutexLocker lock(&openLock);
        f.handle = sf_open(QFile::encodeName(path).constData(), SFM_READ, &sf);
        if (!f.handle) {
            r.error = openError(path);
            qCDebug(audioLog) << "refused" << path << sf_strerror(nullptr);
            return r;
        }
    }

    SourceInfo &info = r.info;
    info.format = formatName(sf.format);
    const int type = sf.format & SF_FORMAT_TYPEMASK;
    info.wav = type == SF_FORMAT_WAV || type == SF_FORMAT_WAVEX;
    describeEncoding(sf.format, info);
    info.rate = sf.samplerate;
    info.channels = sf.channels;
    info.frames = sf.frames;

    r.error = headerProblem(path, info, f.handle);
    if (r.error.isEmpty())
        readSamples(path, f.handle, seconds, r);
    if (!r.error.isEmpty())
        return r;
    qCDebug(audioLog) << "read" << path << info.format << info.rate << info.bits << info.channels
                      << info.frames;
    return r;
}

QString describe(const SourceInfo &info)
{
    QStringList parts;
    parts << QStringLiteral("%1 kHz").arg(QString::number(info.rate / 1000.0, 'g', 6));
    if (info.floating)
        parts << QStringLiteral("%1-bit float").arg(info.bits);
    else if (info.bits > 0)
        parts << QStringLiteral("%1-bit").arg(info.bits);
    if (info.channels == 1)
        parts << QStringLiteral("mono");
    else if (info.channels == 2)
        parts << QStringLiteral("stereo");
    else
        parts << QStringLiteral("%1 channels").arg(info.channels);
    return parts.join(QStringLiteral(", "));
}

QString lengthText(double ms)
{
    if (ms < 1000.0)
        return QStringLiteral("%1 ms").arg(std::lround(ms));
    const double s = ms / 1000.0;
    if (s < 10.0)
        return QStringLiteral("%1 s").arg(QString::number(s, 'f', 1));
    if (s < 60.0)
        return QStringLiteral("%1 s").arg(std::lround(s));
    const long total = std::lround(s);
    return QStringLiteral("%1 min %2 s").arg(total / 60).arg(total % 60);
}

} // namespace audio
