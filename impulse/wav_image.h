// What the device receives of an impulse: the hex text of the preview
// samples, the 44-byte-header WAV image of a stored impulse, and the name it
// is stored under.
#pragma once

#include <QByteArray>
#include <QString>

namespace wav {

constexpr int previewSamples = 984;
constexpr int previewBytes = previewSamples * 3; // 2952 bytes, 5904 hex digits

// Every byte as two lowercase hexadecimal digits, no separators.
QByteArray hexText(const QByteArray &bytes);

// The four bytes of `value`, least significant first.
QByteArray intToBytes(qint32 value);

// Hex text of the first 2952 bytes of `samples`, zero bytes past its end.
QByteArray previewPayload(const QByteArray &samples);

// A 48 kHz, 24-bit, mono PCM WAV file holding the first 32000 bytes of
// `samples` (all of them when shorter) behind a canonical 44-byte header.
QByteArray deviceImage(const QByteArray &samples);

// What keeps `image` from being one the device stores: deviceImage's exact
// layout (a 48 kHz, 24-bit, mono PCM WAV file with the canonical 44-byte
// header) holding 1 to 32000 sample bytes. Empty when it is one.
QString deviceImageProblem(const QByteArray &image);

// The name an impulse is stored under. The store command frames the name
// between a space and a carriage return, so spaces and control characters
// (below 0x20, and 0x7f) become "_"; every other character stays.
QString storeName(const QString &fileName);
// The same for a name as the device reported it (UTF-8 bytes kept as they are).
QByteArray storeName(QByteArray reportedName);

} // namespace wav
