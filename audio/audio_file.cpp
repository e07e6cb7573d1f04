// Reading audio files through libsndfile, and the checks that turn a damaged
// or unbelievable file into a plain reason instead of noise on the device.
#include "audio/audio_file.h"

#include "core/log_categories.h"

#include <QFile>
#include <QFileInfo>
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

QString quoted(const QString &path)
{
    return QStringLiteral("\u201c%1\u201d").arg(QFileInfo(path).fileName());
}

QString formatName(int format)
{
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
        return QStringLiteral("WAV");
    case SF_FORMAT_AIFF:
        return QStringLiteral("AIFF");
    case SF_FORMAT_FLAC:
        return QStringLiteral("FLAC");
    case SF_FORMAT_OGG:
        return QStringLiteral("Ogg");
    case SF_FORMAT_W64:
        return QStringLiteral("Wave64");
    case SF_FORMAT_RF64:
        return QStringLiteral("RF64");
    case SF_FORMAT_CAF:
        return QStringLiteral("CAF");
    default:
        break;
    }
    // Any other container: the reader's own name without its explanation.
    SF_FORMAT_INFO info{};
    info.format = format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name)
        return QString::fromUtf8(info.name).section(QStringLiteral(" ("), 0, 0);
    return QStringLiteral("audio");
}

void describeEncoding(int format, SourceInfo &info)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        info.pcm = true, info.bits = 8;
        break;
    case SF_FORMAT_PCM_16:
        info.pcm = true, info.bits = 16;
        break;
    case SF_FORMAT_PCM_24:
        info.pcm = true, info.bits = 24;
        break;
    case SF_FORMAT_PCM_32:
        info.pcm = true, info.bits = 32;
        break;
    case SF_FORMAT_FLOAT:
        info.floating = true, info.bits = 32;
        break;
    case SF_FORMAT_DOUBLE:
        info.floating = true, info.bits = 64;
        break;
    default:
        break; // compressed or companded: no fixed sample width to show
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

QString openError(const QString &path)
{
    const int code = sf_error(nullptr);
    const QString detail = QString::fromUtf8(sf_strerror(nullptr)).trimmed();
    switch (code) {
    case SF_ERR_UNRECOGNISED_FORMAT:
        return QStringLiteral("%1 is not an audio file, or not in a format the panel can read.")
            .arg(quoted(path));
    case SF_ERR_SYSTEM:
        return QStringLiteral("%1 cannot be opened (%2).").arg(quoted(path), detail);
    default:
        return QStringLiteral("%1 has a damaged or unusual header that cannot be read (%2).")
            .arg(quoted(path), detail);
    }
}

QString cutShort(const QString &path)
{
    return QStringLiteral("%1 is cut short: it ends before the sound its header announces. It "
                          "may not have been copied or downloaded completely.")
        .arg(quoted(path));
}

} // namespace

Reading readFile(const QString &path, double seconds)
{
    Reading r;
    const QFileInfo file(path);
    if (!file.exists()) {
        r.error = QStringLiteral("%1 cannot be found.").arg(quoted(path));
        return r;
    }
    if (file.isDir()) {
        r.error = QStringLiteral("%1 is a folder, not an audio file.").arg(quoted(path));
        return r;
    }
    if (file.size() == 0) {
        r.error = QStringLiteral("%1 is empty.").arg(quoted(path));
        return r;
    }

    SF_INFO sf{};
    SndFile f;
    f.handle = sf_open(QFile::encodeName(path).constData(), SFM_READ, &sf);
    if (!f.handle) {
        r.error = openError(path);
        qCDebug(audioLog) << "refused" << path << sf_strerror(nullptr);
        return r;
    }

    SourceInfo &info = r.info;
    info.format = formatName(sf.format);
    const int type = sf.format & SF_FORMAT_TYPEMASK;
    info.wav = type == SF_FORMAT_WAV || type == SF_FORMAT_WAVEX;
    describeEncoding(sf.format, info);
    info.rate = sf.samplerate;
    info.channels = sf.channels;
    info.frames = sf.frames;

    if (info.channels < 1 || info.channels > maxChannels) {
        r.error = QStringLiteral("%1 says it has %2 channels, which no impulse has: its header is "
                                 "probably damaged.")
                      .arg(quoted(path))
                      .arg(info.channels);
        return r;
    }
    if (info.rate < minRate || info.rate > maxRate) {
        r.error = QStringLiteral("%1 says its sample rate is %2 Hz, which no recording has: its "
                                 "header is probably damaged.")
                      .arg(quoted(path))
                      .arg(info.rate);
        return r;
    }
    if (info.frames <= 0) {
        r.error = QStringLiteral("%1 holds no sound: it has no samples.").arg(quoted(path));
        return r;
    }
    if (dataChunkCutShort(f.handle)) {
        r.error = cutShort(path);
        return r;
    }

    const auto wanted =
        std::min(info.frames, qint64(std::ceil(std::max(seconds, 0.0) * info.rate)));
    r.samples.resize(size_t(wanted * info.channels));
    const sf_count_t got = wanted > 0 ? sf_readf_double(f.handle, r.samples.data(), wanted) : 0;
    if (got != wanted || !lastFrameThere(f.handle, info)) {
        r.samples.clear();
        r.error = cutShort(path);
        return r;
    }
    // Float files can hold values that are not numbers: only damage makes them.
    if (!std::all_of(r.samples.begin(), r.samples.end(),
                     [](double s) { return std::isfinite(s); })) {
        r.samples.clear();
        r.error =
            QStringLiteral("%1 is damaged: some of its samples are not numbers.").arg(quoted(path));
        return r;
    }
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
