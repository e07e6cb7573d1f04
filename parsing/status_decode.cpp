// Decoding and publishing the 43-byte status block of the current preset:
// the raw text is kept for compare and copy, every byte is published under
// its name, and most under an upper-case alias as well.
#include "core/core.h"
#include "core/program_log.h"
#include "editing/preset_session.h"
#include "parsing/device_readout.h"
#include "parsing/status_layout.h"

#include <QDebug>
#include <QString>

#include <array>

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

// The published names as strings, built once from the position table.
struct NameStrings {
    std::array<QString, status::byteCount> names;
    std::array<QString, status::byteCount> aliases;
    NameStrings()
    {
        for (const status::Parameter &p : status::parameters()) {
            names[p.position] = QString::fromLatin1(p.name);
            if (*p.alias)
                aliases[p.position] = QString::fromLatin1(p.alias);
        }
    }
};

const NameStrings &nameStrings()
{
    static const NameStrings strings;
    return strings;
}

int published(const status::Parameter &p, uchar value)
{
    return p.isSigned ? static_cast<int>(static_cast<signed char>(value)) : value;
}

} // namespace

void Core::handleStatusBlock(const QByteArray &block)
{
    session->kept.statusRead(block, session->editable == 0);
    if (session->editable != 0)
        session->statusRead(block);

    emit sgSetEnabled(session->editable != 0);
    emit sgReadValue(QStringLiteral("editable"), session->editable);
    emit session->comparingChanged(session->editable == 0);

    const int pairs = qMin(status::byteCount, block.size() / 2);
    for (int i = 0; i < pairs; ++i)
        statusData[i] = pairValue(block.at(2 * i), block.at(2 * i + 1));

    const auto &parameters = status::parameters();
    const NameStrings &strings = nameStrings();
    for (const int position : status::aliasOrder())
        emit sgReadValue(strings.aliases[position],
                         published(parameters[position], statusData[position]));
    qCDebug(programLog) << "READ GS";
    for (const int position : status::nameOrder())
        emit sgReadValue(strings.names[position],
                         published(parameters[position], statusData[position]));

    readout->setStatus(block);
}
