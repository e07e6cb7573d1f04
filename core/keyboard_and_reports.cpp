// Keyboard focus rotation and the error report of an unanswered command.
#include "base/local_path.h"
#include "core/core.h"
#include "link/link.h"

#include <QDebug>
#include <QFile>

namespace {
// Process-wide, like the keyboard focus itself.
quint16 focusCounter = 0;
} // namespace

void Core::slAnswerErrSave(QString path)
{
    const QString local = localPath(path);
    qDebug() << "slAnswerErrSave" << local;

    QFile file(local);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return; // nowhere to write: nothing to report either
    qDebug() << "slAnswerErrSave" << local;

    // ">>>" is what we sent, "<<<" what the device sent back.
    file.write(">>>\r\n");
    file.write(deviceLink().unansweredCommand());
    file.write("<<<\r\n");
    file.write(deviceLink().unansweredReply());
    file.close();
}

void Core::slTabKey(bool revert)
{
    Q_UNUSED(revert); // the order has one direction
    static const QStringList focusOrder = {QStringLiteral("master_volume"),
                                           QStringLiteral("early_volume")};
    ++focusCounter;
    if (focusCounter >= focusOrder.size())
        focusCounter = 0;
    tabTargetName = focusOrder.at(focusCounter);
}

void Core::slUpDown(bool up)
{
    Q_UNUSED(up);
}

void Core::slSpeechValue(QString text)
{
    Q_UNUSED(text);
}
