// Reading WAV files and converting their samples to 24-bit mono.
#include "core/core.h"

void Core::decodeWavOk(QString filePath, bool saveToFile)
{
    Q_UNUSED(filePath);
    Q_UNUSED(saveToFile);
}
void Core::decodeWav(QString filePath, bool saveToFile)
{
    Q_UNUSED(filePath);
    Q_UNUSED(saveToFile);
}
WavHeader Core::readWavHeader(QString filePath)
{
    Q_UNUSED(filePath);
    return {};
}
QByteArray Core::convertWavData(const QByteArray &data, uchar bytesPerSample, uchar channels)
{
    Q_UNUSED(data);
    Q_UNUSED(bytesPerSample);
    Q_UNUSED(channels);
    return {};
}
QByteArray Core::convertSample(const QByteArray &sample, uchar bytesPerSample)
{
    Q_UNUSED(sample);
    Q_UNUSED(bytesPerSample);
    return {};
}
