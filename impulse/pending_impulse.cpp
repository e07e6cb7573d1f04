// The current preset's pending impulse: where it comes from, and when it goes.
#include "impulse/pending_impulse.h"

#include "impulse/wav_image.h"
#include "link/requests.h"

QString PendingImpulse::shownName() const
{
    switch (m_source) {
    case Source::File:
        return QString::fromUtf8(m_name);
    case Source::Copied: {
        // The device's name may be padded with zero bytes.
        const int end = m_name.indexOf('\0');
        return QString::fromUtf8(end < 0 ? m_name : m_name.left(end));
    }
    case Source::None:
        return QStringLiteral("empty");
    case Source::Stored:
        break;
    }
    return QString();
}

QByteArray PendingImpulse::previewCommand() const
{
    if (m_source == Source::Copied) // its samples, the image's header dropped
        return requests::previewImpulse(
            m_hexImage.mid(requests::wavHeaderHexDigits).left(requests::previewHexDigits));
    if (m_source == Source::None)
        return requests::previewImpulse(requests::unitImpulseSamples());
    return QByteArray();
}

QByteArray PendingImpulse::storeCommand() const
{
    if (m_source == Source::Copied)
        return requests::storeImpulse(m_name, m_hexImage);
    if (m_source == Source::None)
        return requests::deleteImpulse;
    return QByteArray();
}

void PendingImpulse::load(const QString &fileName, const QString &filePath, bool presetEdited)
{
    const bool onlyFilesSoFar = m_source == Source::File && !m_pasted && m_onlyChange;
    *this = PendingImpulse();
    m_source = Source::File;
    m_name = fileName.toUtf8();
    m_path = filePath;
    m_onlyChange = !presetEdited || onlyFilesSoFar;
}

void PendingImpulse::paste(const QString &fileName, const QString &filePath,
                           const QByteArray &deviceName, const QByteArray &hexImage)
{
    *this = PendingImpulse();
    m_pasted = true; // the pasted status is a change of its own
    if (!fileName.isEmpty()) {
        m_source = Source::File;
        m_name = fileName.toUtf8();
        m_path = filePath;
    } else if (!deviceName.isEmpty()) {
        m_source = Source::Copied;
        m_name = deviceName;
        m_hexImage = hexImage;
    } else {
        m_source = Source::None;
    }
}

void PendingImpulse::otherChange()
{
    m_onlyChange = false;
}

void PendingImpulse::drop()
{
    *this = PendingImpulse();
}

void PendingImpulse::saveStarted()
{
    m_storeQueued = false;
}

QByteArray PendingImpulse::storeName()
{
    if (m_source == Source::File)
        m_name = wav::storeName(QString::fromUtf8(m_name)).toUtf8();
    return m_name;
}

void PendingImpulse::storeQueued()
{
    m_storeQueued = m_source != Source::Stored;
}

void PendingImpulse::presetStored()
{
    if (m_storeQueued)
        drop();
}
