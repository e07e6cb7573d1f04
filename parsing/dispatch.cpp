// Dispatch of received bytes to the answer forms, in a fixed order.
#include "core/core.h"

void Core::slReadyRead() {}

void Core::handleImpulseList(const QList<QByteArray> &values)
{
    Q_UNUSED(values);
}
