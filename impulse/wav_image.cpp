// Preview payload, device WAV image and stored impulse name.
#include "impulse/wav_image.h"

#include "impulse/wav_format.h"

#include <algorithm>

namespace wav {

QByteArray hexText(const QByteArray &bytes)
{
    return bytes.toHex(); // lowercase, two digits per byte
}

QByteArray intToBytes(qint32 value)
{
    const auto v = static_cast<quint32>(value);
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((v >> (8 * i)) & 0xff);
    return out;
}

QByteArray previewPayload(const QByteArray &samples)
{
    QByteArray preview = samples.left(previewBytes);
    preview.append(previewBytes - preview.size(), '\0');
    return hexText(preview);
}

QByteArray deviceImage(const QByteArray &samples)
{
    const int n = std::min(samples.size(), maxSampleBytes);
    QByteArray image;
    image.reserve(headerSize + n);
    image.append("RIFF", 4);
    image.append(intToBytes(0)); // RIFF size, filled in below
    image.append("WAVE", 4);
    image.append("fmt ", 4);
    image.append(intToBytes(16));         // format chunk size
    image.append(intToBytes(1).left(2));  // PCM
    image.append(intToBytes(1).left(2));  // channels
    image.append(intToBytes(48000));      // sample rate
    image.append(intToBytes(48000 * 3));  // byte rate
    image.append(intToBytes(3).left(2));  // block align
    image.append(intToBytes(24).left(2)); // bits per sample
    image.append("data", 4);
    image.append(intToBytes(n));
    image.append(samples.constData(), n);
    image.replace(4, 4, intToBytes(image.size() - 8));
    return image;
}

QString deviceImageProblem(const QByteArray &image)
{
    const char *b = image.constData();
    const int size = image.size();
    if (size < headerSize)
        return QStringLiteral("it is shorter than a WAV header (%1 bytes)").arg(size);
    const auto tag = [&](int offset, const char *text) { return image.mid(offset, 4) == text; };
    if (!tag(0, "RIFF") || !tag(8, "WAVE") || !tag(12, "fmt ") || le32(b, size, 16) != 16 ||
        le16(b, size, 20) != 1 || !tag(36, "data"))
        return QStringLiteral("it is not a plain PCM WAV image");
    if (le16(b, size, channelsOffset) != 1)
        return QStringLiteral("it has %1 channels; the device takes mono")
            .arg(le16(b, size, channelsOffset));
    if (le32(b, size, sampleRateOffset) != 48000)
        return QStringLiteral("it is sampled at %1 Hz; the device takes 48000 Hz")
            .arg(le32(b, size, sampleRateOffset));
    if (le16(b, size, bitsOffset) != 24)
        return QStringLiteral("it has %1-bit samples; the device takes 24-bit")
            .arg(le16(b, size, bitsOffset));
    if (le32(b, size, 28) != 48000 * 3 || le16(b, size, 32) != 3)
        return QStringLiteral("its header's byte rate or block size is wrong");
    const quint32 dataSize = le32(b, size, 40);
    if (dataSize != quint32(size - headerSize) || le32(b, size, 4) != quint32(size - 8))
        return QStringLiteral("its header's sizes do not match its %1 bytes").arg(size);
    if (dataSize == 0)
        return QStringLiteral("it holds no samples");
    if (dataSize > quint32(maxSampleBytes))
        return QStringLiteral("it holds %1 bytes of samples; the device takes at most %2")
            .arg(dataSize)
            .arg(maxSampleBytes);
    return QString();
}

namespace {
bool breaksFraming(ushort c)
{
    return c == ' ' || c < 0x20 || c == 0x7f;
}
} // namespace

QString storeName(const QString &fileName)
{
    QString name = fileName;
    for (QChar &c : name) {
        if (breaksFraming(c.unicode()))
            c = QLatin1Char('_');
    }
    return name;
}

QByteArray storeName(QByteArray reportedName)
{
    for (char &c : reportedName) {
        if (breaksFraming(static_cast<uchar>(c)))
            c = '_';
    }
    return reportedName;
}

} // namespace wav
