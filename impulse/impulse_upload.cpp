// Previewing a chosen impulse on the device and storing it with the preset.
#include "core/core.h"

void Core::setImpuls(QString filePath, QString fileName)
{
    Q_UNUSED(filePath);
    Q_UNUSED(fileName);
}
void Core::setImpuls(QString fullFilePath)
{
    Q_UNUSED(fullFilePath);
}
void Core::slDecodeStop() {}
QByteArray Core::intToBytes(qint32 value)
{
    Q_UNUSED(value);
    return {};
}
