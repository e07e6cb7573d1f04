// Previewing a chosen impulse on the device and storing it with the preset.
#include "editing/preset_session.h"
#include "impulse/wav_format.h"
#include "impulse/wav_image.h"
#include "link/link.h"
#include "link/requests.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace {
// A copy of every stored image, for inspection; nothing reads it back.
const char *const storedImageCopy = "wav.wav";
} // namespace

bool PresetSession::playImpulseFile(const QString &fullFilePath)
{
    const QFileInfo info(fullFilePath);
    if (!info.isFile())
        return false;
    return playImpulse(fullFilePath, info.fileName());
}

bool PresetSession::playImpulse(const QString &filePath, const QString &fileName)
{
    link.drain();
    const WavHeader header = readWavHeader(filePath);
    // The device plays 48 kHz, 24-bit mono; anything else is refused here.
    if (header.sampleRate != 48000 || header.bitPerSample != 24 || header.numChannels != 1) {
        qDebug("$$$$$ %s %d", "setImpuls", 585);
        emit formatRefused();
        emit waitShown(false);
        emit waitReported(false);
        return false;
    }
    qDebug("$$$$$ %s %d", "setImpuls", 592);
    emit replaced();
    pending.load(fileName, filePath, edited());
    announceImpulseName(fileName);
    decodeWav(filePath, false);
    return true;
}

void PresetSession::decodeStopped()
{
    queueImpulse(saveToFile != 0);
}

void PresetSession::queueImpulse(bool store)
{
    qDebug() << "__FUNCTION__"
             << "slDecodeStop" << 1114;
    if (!store) {
        link.send(requests::previewImpulse(wav::previewPayload(impulseData)));
        link.startSending(); // a paste queues it behind whatever is on the wire
        return;
    }

    const QByteArray image = wav::deviceImage(impulseData);
    QFile imageCopy(QString::fromLatin1(storedImageCopy));
    if (imageCopy.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        imageCopy.write(image); // a copy that cannot be written is not needed
        imageCopy.close();
    }

    // The pending impulse keeps the name it is stored under. It stays
    // pending until the device has stored the preset with it.
    link.send(requests::storeImpulse(pending.storeName(), wav::hexText(image)));
    pending.storeQueued();
    link.send(requests::storePreset);
    link.send(requests::impulseName);
    link.send(requests::status);

    markEdited(false);
    link.pacingStep();
}

void PresetSession::announcePendingImpulse()
{
    announceImpulseName(pending.shownName());
}

void PresetSession::previewPendingImpulse()
{
    if (pending.source() == PendingImpulse::Source::File) {
        decodeWav(pending.path(), false); // queues the preview and starts sending
        return;
    }
    const QByteArray preview = pending.previewCommand();
    if (!preview.isEmpty())
        link.send(preview);
}
