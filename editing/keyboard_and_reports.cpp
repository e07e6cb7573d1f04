// Keyboard focus rotation and the error report of an unanswered command.
#include "core/core.h"

void Core::slAnswerErrSave(QString path)
{
    Q_UNUSED(path);
}
void Core::slTabKey(bool revert)
{
    Q_UNUSED(revert);
}
void Core::slUpDown(bool up)
{
    Q_UNUSED(up);
}
void Core::slSpeechValue(QString text)
{
    Q_UNUSED(text);
}
