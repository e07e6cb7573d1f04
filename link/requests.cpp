// Builders for the request texts, and the answer wait table.
#include "link/requests.h"

#include <QList>

namespace requests {

QByteArray bankStep(bool up)
{
    return up ? "chb 1\r\n" : "chb 0\r\n";
}

QByteArray presetStep(bool up)
{
    return up ? "chp 1\r\n" : "chp 0\r\n";
}

QByteArray selectPreset(int preset)
{
    return "pc " + hexValue(static_cast<unsigned>(preset) & 0xff) + "\r\n";
}

QByteArray writeStatus(const QByteArray &statusText)
{
    return writeStatusPrefix + statusText + payloadEnd;
}

QByteArray previewImpulse(const QByteArray &hexSamples)
{
    return previewImpulsePrefix + hexSamples + payloadEnd;
}

QByteArray storeImpulse(const QByteArray &name, const QByteArray &hexImage)
{
    return "cc " + name + " 0\r" + hexImage + payloadEnd;
}

QList<QByteArray> startupBurst()
{
    return {identify, version, impulseNames, impulseName, bankAndPreset, status, mode};
}

int answerWaitMs(const QByteArray &head)
{
    struct Wait {
        const QByteArray &prefix;
        int ms;
    };
    // Tested in this order: the first prefix that matches decides.
    static const Wait waits[] = {
        {readImpulse, 5000}, {impulseNames, 10000}, {impulseName, 5000}, {identify, 2000}};
    for (const Wait &w : waits) {
        if (head.startsWith(w.prefix))
            return w.ms;
    }
    return 1000;
}

QByteArray hexValue(unsigned value)
{
    return QByteArray::number(value, 16);
}

QByteArray parameter(const char *commandTemplate, unsigned char value)
{
    QByteArray command(commandTemplate);
    const int at = command.indexOf("%1");
    if (at >= 0)
        command.replace(at, 2, hexValue(value));
    return command;
}

QByteArray unitImpulseSamples()
{
    QByteArray samples("ffff7f");
    samples.append(previewHexDigits - samples.size(), '0');
    return samples;
}

} // namespace requests
