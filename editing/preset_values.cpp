// The current preset's bytes as they play and as they are stored.
#include "editing/preset_values.h"

#include "parsing/status_decode.h"

namespace {

int valueAt(const QByteArray &bytes, const parameters::Parameter &p)
{
    if (!p.inPreset() || p.position >= bytes.size())
        return 0;
    return parameters::fromByte(p, static_cast<unsigned char>(bytes.at(p.position)));
}

} // namespace

int PresetValues::value(const parameters::Parameter &p) const
{
    return valueAt(liveBytes, p);
}

int PresetValues::storedValue(const parameters::Parameter &p) const
{
    return valueAt(storedBytes, p);
}

QByteArray PresetValues::decode(const QByteArray &block)
{
    uchar bytes[status::byteCount] = {};
    status::decodeBlock(block, bytes);
    return QByteArray(reinterpret_cast<const char *>(bytes), status::byteCount);
}

void PresetValues::blockRead(const QByteArray &block, bool isStored)
{
    liveBytes = decode(block);
    if (isStored)
        storedBytes = liveBytes;
}

void PresetValues::storedRead(const QByteArray &block)
{
    storedBytes = decode(block);
    if (liveBytes.isEmpty())
        liveBytes = storedBytes;
}

bool PresetValues::written(int position, unsigned char byte)
{
    if (position < 0 || position >= liveBytes.size() || uchar(liveBytes.at(position)) == byte)
        return false;
    liveBytes[position] = char(byte);
    return true;
}

void PresetValues::saveStarted(const QByteArray &block)
{
    savingBytes = block.isEmpty() ? liveBytes : decode(block);
}

void PresetValues::saved()
{
    if (!savingBytes.isEmpty())
        storedBytes = savingBytes;
    savingBytes.clear();
}
