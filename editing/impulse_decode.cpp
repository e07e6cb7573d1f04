// The session's reading of a chosen WAV file: its header checked, its
// samples converted to 24-bit mono for a preview or a store.
#include "editing/preset_session.h"
#include "impulse/wav_format.h"
#include "link/link.h"
#include "link/requests.h"

#include <QDebug>

WavHeader PresetSession::readWavHeader(const QString &filePath)
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

void PresetSession::decodeWav(const QString &filePath, bool store)
{
    qDebug() << "decodeWav" << filePath << (store ? "true" : "false");
    if (!store) {
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
    link.send(requests::storePreset);
    link.send(requests::impulseName);
    link.send(requests::status);
    emit conversionAsked(filePath);
    link.pacingStep();
}

void PresetSession::decodeWavOk(const QString &filePath, bool store)
{
    markEdited(true);
    saveToFile = store ? 1 : 0; // the last call's flag; passed on as an argument

    const QByteArray bytes = wav::readHead(filePath);
    wav::Decoded decoded = wav::decode(bytes.constData(), bytes.size());
    qDebug() << "numChannels" << decoded.channels;
    qDebug() << "bitPerSample" << decoded.bitsPerSample;

    impulseData.clear();
    impulseData.append(decoded.samples);
    queueImpulse(store);
}
