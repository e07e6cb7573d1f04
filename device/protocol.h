// The virtual device's own statement of the wire protocol: the status block
// positions each parameter command writes, the value ranges of the controls,
// number and hex text as the device reads and writes them, the stored WAV
// image it accepts, and the escaping used in its logs. Written independently
// of the program so that the two can disagree.
#pragma once

#include <QByteArray>
#include <QString>

namespace vdev {

constexpr int kStatusBytes = 43;        // one preset's parameter state
constexpr int kStatusHexChars = 86;     // the same as hex text on the wire
constexpr int kPreviewHexMax = 5904;    // 984 samples of 3 bytes as hex text
constexpr int kWavHeaderBytes = 44;     // RIFF header of a stored impulse image
constexpr int kMaxImpulseBytes = 32000; // sample bytes one impulse slot holds
constexpr int kMaxNameBytes = 255;      // longest impulse name a slot keeps
constexpr int kMaxMode = 99;            // the mode answer has two decimal digits

// Status position written by a one-value parameter command ("mv", "eo", ...),
// or -1 when the word is not one.
int parameterPosition(const QByteArray &word);
// Position of band 0 for the five-band commands "eqf", "eqq" and "eqv"
// (band n writes that position + n), or -1.
int bandBasePosition(const QByteArray &word);

// What kind of control a status position holds; factory presets stay inside
// these ranges and values outside them are reported as warnings.
enum class Range { Level, Flag, Type, Signed };
Range rangeOf(int position);
bool inRange(int position, quint8 value);
QString rangeText(Range range);

// A command's number: lowercase hexadecimal, no leading zeros, at most "ff".
bool parseValue(const QByteArray &text, int *value);
// The same notation written: 0 -> "0", 100 -> "64".
QByteArray valueText(int value);

// Two lowercase hex digits per byte.
QByteArray toHex(const QByteArray &bytes);
// Even-length hex text in either letter case; false on any other byte.
bool fromHex(const QByteArray &text, QByteArray *bytes);

// A stored impulse image: 44-byte header for 48000 Hz, 24-bit mono PCM, then
// the sample bytes.
QByteArray wavImage(const QByteArray &samples);
// Empty when `image` is such an image with 1 to 32000 sample bytes; otherwise
// what is wrong with it.
QString wavImageProblem(const QByteArray &image);

// Printable form of wire bytes for the logs: CR as \r, LF as \n, TAB as \t,
// backslash doubled, every other control or non-ASCII byte as \xHH.
QByteArray escaped(const QByteArray &bytes);

// Small deterministic generator (splitmix64): the same seed gives the same
// sequence on every machine, which the fault modes rely on.
class Random {
public:
    explicit Random(quint64 seed) : state(seed) {}
    quint64 next();
    // Uniform in [low, high].
    int between(int low, int high);

private:
    quint64 state;
};

} // namespace vdev
