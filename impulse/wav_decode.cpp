// Reading WAV files and converting their samples to 24-bit mono.
#include "core/core.h"
#include "impulse/wav_format.h"
#include "link/link.h"
#include "link/requests.h"

#include <QDebug>

WavHeader Core::readWavHeader(QString filePath)
{
    const QByteArray bytes = wav::readHead(filePath);
    WavHeader header;
    header.complete = bytes.size() >= wav::headerSize;
    if (!header.complete)
        return header; // all fields 0: fails every format rule
    header.numChannels = wav::le16(bytes.constData(), bytes.size(), wav::channelsOffset);
    header.sampleRate = wav::le32(bytes.constData(), bytes.size(), wav::sampleRateOffset);
    header.bitPerSample = wav::le16(bytes.constData(), bytes.size(), wav::bitsOffset);
    return header;
}

void Core::decodeWav(QString filePath, bool saveToFile)
{
    qDebug() << "decodeWav" << filePath << (saveToFile ? "true" : "false");
    if (!saveToFile) {
        decodeWavOk(filePath, false); // the caller has checked the format
        return;
    }

    // Storing needs 24-bit samples and anything but exactly two channels.
    const WavHeader header = readWavHeader(filePath);
    if (header.complete && header.bitPerSample == 24 && header.numChannels != 2) {
        qDebug() << "$$$$ FormatOk";
        decodeWavOk(filePath, true);
        return;
    }

    // Store the preset without the new impulse and read it back; the user is
    // asked to convert the file. The pending impulse file stays named.
    qDebug() << "$$$$ FormatError";
    link->send(requests::storePreset);
    link->send(requests::impulseName);
    link->send(requests::status);
    emit sgRequestConvert(filePath);
    link->pacingStep();
}

void Core::decodeWavOk(QString filePath, bool saveToFile)
{
    setPresetEdited(true);
    this->saveToFile = saveToFile ? 1 : 0; // the last call's flag; passed on as an argument

    const QByteArray bytes = wav::readHead(filePath);
    wav::Decoded decoded = wav::decode(bytes.constData(), bytes.size());
    qDebug() << "numChannels" << decoded.channels;
    qDebug() << "bitPerSample" << decoded.bitsPerSample;

    impulseData.clear();
    impulseData.append(decoded.samples);
    queueImpulse(saveToFile);
}

QByteArray Core::convertWavData(const QByteArray &data, uchar bytesPerSample, uchar channels)
{
    return wav::convertData(data.constData(), data.size(), bytesPerSample, channels);
}

QByteArray Core::convertSample(const QByteArray &sample, uchar bytesPerSample)
{
    return wav::convertSample(sample.constData(), sample.size(), bytesPerSample);
}
