// Parameter positions, value notation, hex text, the stored WAV image and log
// escaping of the virtual device.
#include "protocol.h"

namespace vdev {

namespace {

struct WordPosition {
    const char *word;
    int position;
};

// One-value parameter commands and the status byte each one writes.
const WordPosition kParameters[] = {
    {"mv", 7},  {"eo", 10},  {"ev", 5},   {"et", 6},   {"po", 40},  {"pv", 41},  {"lo", 39},
    {"lv", 36}, {"ho", 38},  {"hv", 37},  {"ce", 8},   {"ao", 11},  {"as", 13},  {"av", 12},
    {"at", 14}, {"pro", 15}, {"prv", 16}, {"prl", 17}, {"prm", 18}, {"prh", 19}, {"co", 23},
    {"cs", 24}, {"cv", 25},  {"go", 20},  {"gt", 21},  {"gd", 22},  {"eqo", 9},  {"eqp", 42},
};

// Five-band commands: band n writes the given position + n.
const WordPosition kBands[] = {{"eqf", 26}, {"eqq", 31}, {"eqv", 0}};

quint32 readLe(const QByteArray &bytes, int offset, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<quint8>(bytes.at(offset + i));
    return value;
}

void appendLe(QByteArray &bytes, quint32 value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

int parameterPosition(const QByteArray &word)
{
    for (const WordPosition &p : kParameters)
        if (word == p.word)
            return p.position;
    return -1;
}

int bandBasePosition(const QByteArray &word)
{
    for (const WordPosition &b : kBands)
        if (word == b.word)
            return b.position;
    return -1;
}

Range rangeOf(int position)
{
    switch (position) {
    case 8:  // cabinet on
    case 9:  // equaliser on
    case 10: // early reflections on
    case 11: // power amp on
    case 15: // preamp on
    case 20: // gate on
    case 23: // compressor on
    case 38: // high-pass on
    case 39: // low-pass on
    case 40: // presence on
    case 42: // equaliser before the cabinet
        return Range::Flag;
    case 6:  // early reflections type
    case 14: // power amp type
        return Range::Type;
    case 17: // preamp low, mid, high
    case 18:
    case 19:
        return Range::Signed;
    default:
        break;
    }
    if (position >= 26 && position <= 35) // equaliser frequency and Q offsets
        return Range::Signed;
    return Range::Level;
}

bool inRange(int position, quint8 value)
{
    switch (rangeOf(position)) {
    case Range::Flag:
        return value <= 1;
    case Range::Type:
        return value <= 3;
    case Range::Signed: {
        const int v = static_cast<qint8>(value);
        return v >= -12 && v <= 12;
    }
    case Range::Level:
        return value <= 100;
    }
    return false;
}

QString rangeText(Range range)
{
    switch (range) {
    case Range::Flag:
        return QStringLiteral("0 or 1");
    case Range::Type:
        return QStringLiteral("0 to 3");
    case Range::Signed:
        return QStringLiteral("-12 to 12");
    case Range::Level:
        return QStringLiteral("0 to 100");
    }
    return QString();
}

bool parseValue(const QByteArray &text, int *value)
{
    if (text.isEmpty() || text.size() > 2)
        return false;
    if (text.size() == 2 && text.at(0) == '0')
        return false;
    int v = 0;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
        v = v * 16 + hexDigit(c);
    }
    *value = v;
    return true;
}

QByteArray valueText(int value)
{
    return QByteArray::number(value, 16);
}

QByteArray toHex(const QByteArray &bytes)
{
    static const char digits[] = "0123456789abcdef";
    QByteArray text;
    text.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<quint8>(c);
        text.append(digits[b >> 4]);
        text.append(digits[b & 0x0f]);
    }
    return text;
}

bool fromHex(const QByteArray &text, QByteArray *bytes)
{
    if (text.size() % 2 != 0)
        return false;
    QByteArray out;
    out.reserve(text.size() / 2);
    for (int i = 0; i < text.size(); i += 2) {
        const int high = hexDigit(text.at(i));
        const int low = hexDigit(text.at(i + 1));
        if (high < 0 || low < 0)
            return false;
        out.append(static_cast<char>(high * 16 + low));
    }
    *bytes = out;
    return true;
}

QByteArray wavImage(const QByteArray &samples)
{
    const auto n = static_cast<quint32>(samples.size());
    QByteArray image;
    image.reserve(kWavHeaderBytes + samples.size());
    image.append("RIFF");
    appendLe(image, 36 + n, 4);
    image.append("WAVE");
    image.append("fmt ");
    appendLe(image, 16, 4);
    appendLe(image, 1, 2);      // PCM
    appendLe(image, 1, 2);      // mono
    appendLe(image, 48000, 4);  // sample rate
    appendLe(image, 144000, 4); // byte rate
    appendLe(image, 3, 2);      // block align
    appendLe(image, 24, 2);     // bits per sample
    image.append("data");
    appendLe(image, n, 4);
    image.append(samples);
    return image;
}

QString wavImageProblem(const QByteArray &image)
{
    if (image.size() < kWavHeaderBytes)
        return QStringLiteral("image of %1 bytes is shorter than its 44-byte header")
            .arg(image.size());
    const quint32 n = static_cast<quint32>(image.size() - kWavHeaderBytes);
    struct Text {
        int offset;
        const char *text;
    };
    for (const Text &t : {Text{0, "RIFF"}, Text{8, "WAVE"}, Text{12, "fmt "}, Text{36, "data"}}) {
        if (image.mid(t.offset, 4) != QByteArray(t.text))
            return QStringLiteral("bytes %1 to %2 are not \"%3\"")
                .arg(t.offset)
                .arg(t.offset + 3)
                .arg(QLatin1String(t.text));
    }
    struct Number {
        int offset;
        int size;
        quint32 expected;
        const char *what;
    };
    const Number numbers[] = {
        {4, 4, 36 + n, "RIFF size"}, {16, 4, 16, "format chunk size"}, {20, 2, 1, "format (PCM)"},
        {22, 2, 1, "channel count"}, {24, 4, 48000, "sample rate"},    {28, 4, 144000, "byte rate"},
        {32, 2, 3, "block align"},   {34, 2, 24, "bits per sample"},   {40, 4, n, "data size"},
    };
    for (const Number &x : numbers) {
        const quint32 got = readLe(image, x.offset, x.size);
        if (got != x.expected)
            return QStringLiteral("%1 is %2, expected %3")
                .arg(QLatin1String(x.what))
                .arg(got)
                .arg(x.expected);
    }
    if (n == 0)
        return QStringLiteral("image holds no samples");
    if (n > kMaxImpulseBytes)
        return QStringLiteral("%1 sample bytes exceed the slot's %2").arg(n).arg(kMaxImpulseBytes);
    return QString();
}

QByteArray escaped(const QByteArray &bytes)
{
    static const char digits[] = "0123456789abcdef";
    QByteArray text;
    text.reserve(bytes.size() + 8);
    for (char c : bytes) {
        const auto b = static_cast<quint8>(c);
        switch (c) {
        case '\r':
            text.append("\\r");
            break;
        case '\n':
            text.append("\\n");
            break;
        case '\t':
            text.append("\\t");
            break;
        case '\\':
            text.append("\\\\");
            break;
        default:
            if (b < 0x20 || b >= 0x7f) {
                text.append("\\x");
                text.append(digits[b >> 4]);
                text.append(digits[b & 0x0f]);
            } else {
                text.append(c);
            }
        }
    }
    return text;
}

quint64 Random::next()
{
    quint64 z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

int Random::between(int low, int high)
{
    if (high <= low)
        return low;
    const auto span = static_cast<quint64>(high - low) + 1;
    return low + static_cast<int>(next() % span);
}

} // namespace vdev
