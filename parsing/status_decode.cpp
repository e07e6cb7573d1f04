// Decoding the status block of the current preset: 86 characters of text,
// two per byte.
#include "parsing/status_decode.h"

#include <QString>

namespace {

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

// One status byte from its two characters. Two hex digits are the common
// case; anything else goes through Qt's base-16 conversion so that its
// rules (surrounding blanks, a sign) apply. Text that does not convert
// gives 0. Works on the raw bytes, so a non-ASCII byte cannot shift the
// positions that follow.
uchar pairValue(char high, char low)
{
    const int h = hexDigit(high);
    const int l = hexDigit(low);
    if (h >= 0 && l >= 0)
        return static_cast<uchar>(h * 16 + l);
    const char pair[2] = {high, low};
    bool ok = false;
    const int value = QString::fromLatin1(pair, 2).toInt(&ok, 16);
    return ok ? static_cast<uchar>(value & 0xff) : 0;
}

} // namespace

void status::decodeBlock(const QByteArray &block, uchar (&bytes)[byteCount])
{
    const int pairs = qMin(byteCount, block.size() / 2);
    for (int i = 0; i < pairs; ++i)
        bytes[i] = pairValue(block.at(2 * i), block.at(2 * i + 1));
}
