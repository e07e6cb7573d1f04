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
