// Previewing a chosen impulse on the device and storing it with the preset.
#include "core/core.h"
#include "editing/preset_session.h"
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

void Core::setImpuls(QString fullFilePath)
{
    const QFileInfo info(fullFilePath);
    if (!info.isFile())
        return;
    setImpuls(fullFilePath, info.fileName());
}

void Core::setImpuls(QString filePath, QString fileName)
{
    link->drain();
    const WavHeader header = readWavHeader(filePath);
    // The device plays 48 kHz, 24-bit mono; anything else is refused here.
    if (header.sampleRate != 48000 || header.bitPerSample != 24 || header.numChannels != 1) {
        qDebug("$$$$$ %s %d", "setImpuls", 585);
        emit sgNotSupport();
        emit sgSetWait(false);
        emit sgReadValue(QStringLiteral("wait"), 0);
        return;
    }
    qDebug("$$$$$ %s %d", "setImpuls", 592);
    emit session->replaced();
    session->pending.load(fileName, filePath, session->presetEdit != 0);
    announceImpulseName(fileName);
    decodeWav(filePath, false);
}

void Core::slDecodeStop()
{
    queueImpulse(saveToFile != 0);
}

void Core::queueImpulse(bool store)
{
    qDebug() << "__FUNCTION__"
             << "slDecodeStop" << 1114;
    if (!store) {
        link->send(requests::previewImpulse(wav::previewPayload(impulseData)));
        link->startSending(); // a paste queues it behind whatever is on the wire
        return;
    }

    const QByteArray image = wav::deviceImage(impulseData);
    QFile copy(QString::fromLatin1(storedImageCopy));
    if (copy.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        copy.write(image); // a copy that cannot be written is not needed
        copy.close();
    }

    // The pending impulse keeps the name it is stored under. It stays
    // pending until the device has stored the preset with it.
    link->send(requests::storeImpulse(session->pending.storeName(), wav::hexText(image)));
    session->pending.storeQueued();
    link->send(requests::storePreset);
    link->send(requests::impulseName);
    link->send(requests::status);

    setPresetEdited(false);
    link->pacingStep();
}

void Core::announcePendingImpulse()
{
    announceImpulseName(session->pending.shownName());
}

void Core::previewPendingImpulse()
{
    if (session->pending.source() == PendingImpulse::Source::File) {
        decodeWav(session->pending.path(), false); // queues the preview and starts sending
        return;
    }
    const QByteArray preview = session->pending.previewCommand();
    if (!preview.isEmpty())
        link->send(preview);
}

QByteArray Core::intToBytes(qint32 value)
{
    return wav::intToBytes(value);
}
