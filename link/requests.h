// Every request text the program sends to the device, and how long the queue
// waits for each answer. Plain requests end in CR LF; commands that carry a
// payload end in a lone CR.
#pragma once

#include <QByteArray>
#include <QList>

namespace requests {

// Queued requests whose answer is awaited.
inline const QByteArray identify = "olkdev\r\n";
inline const QByteArray version = "olkver\r\n";
inline const QByteArray impulseNames = "rns\r\n";
inline const QByteArray impulseName = "rn\r\n";
inline const QByteArray bankAndPreset = "gb\r\n";
inline const QByteArray status = "gs\r\n";
inline const QByteArray mode = "gm\r\n";
inline const QByteArray revert = "esc\r\n";
inline const QByteArray revertImpulse = "lcc\r\n";
inline const QByteArray readImpulse = "cc\r\n";
inline const QByteArray storePreset = "sp\r\n";
inline const QByteArray deleteImpulse = "dcc\r\n";
inline const QByteArray cabinetOff = "ce 0\r\n";

// Payload commands: prefix + payload + payloadEnd.
inline const QByteArray writeStatusPrefix = "gs 1\r";
inline const QByteArray previewImpulsePrefix = "cc s 1\r";
inline const QByteArray payloadEnd = "\r";

// "chb 1\r\n" (up) / "chb 0\r\n" (down), and the same for presets.
QByteArray bankStep(bool up);
QByteArray presetStep(bool up);
// "pc %2\r\n" with the preset number in lowercase hexadecimal.
QByteArray selectPreset(int preset);
// "gs 1\r" + status text + "\r".
QByteArray writeStatus(const QByteArray &statusText);
// "cc s 1\r" + hex samples + "\r".
QByteArray previewImpulse(const QByteArray &hexSamples);
// "cc NAME 0\r" + hex image + "\r".
QByteArray storeImpulse(const QByteArray &name, const QByteArray &hexImage);

// The start-up burst, in the order it is queued.
QList<QByteArray> startupBurst();

// How long to wait for the answer to `head` before sending it again (ms).
int answerWaitMs(const QByteArray &head);

// A parameter value as the device takes it: lowercase hex, no padding.
QByteArray hexValue(unsigned value);

// ---- live editing -------------------------------------------------------
// The mode command; like the parameter commands it is written directly.
inline const char *const setModeTemplate = "gm %1\r\n";
// A parameter command: `commandTemplate` (from the status table) with "%1"
// replaced by the value byte in hex. Signed values travel as their
// two's-complement byte, so -3 arrives here as 253 and goes out as "fd".
QByteArray parameter(const char *commandTemplate, unsigned char value);

// ---- paste ----------------------------------------------------------------
// Hex digits of one impulse preview: 984 samples of 3 bytes.
constexpr int previewHexDigits = 5904;
// Hex digits of the 44-byte WAV header that leads a stored impulse image.
constexpr int wavHeaderHexDigits = 88;
// The preview samples of a unit impulse: one full-scale positive 24-bit
// sample (7fffff, little-endian) followed by 983 silent ones.
QByteArray unitImpulseSamples();

} // namespace requests
