// Core's side of the preset session: the interface's editing calls forwarded
// to it, and its events published as Core's signals and named values.
#include "core/core.h"

#include "editing/preset_session.h"

void Core::connectSession()
{
    PresetSession *s = &presetSession();
    connect(s, &PresetSession::editShown, this, &Core::sgSetEdit);
    connect(s, &PresetSession::editReported, this, [this](bool edited) {
        emit sgReadValue(QStringLiteral("preset_edit"), edited ? 1 : 0);
    });
    connect(s, &PresetSession::editableShown, this, &Core::sgSetEnabled);
    connect(s, &PresetSession::editableReported, this, [this](bool editable) {
        emit sgReadValue(QStringLiteral("editable"), editable ? 1 : 0);
    });
    connect(s, &PresetSession::waitShown, this, &Core::sgSetWait);
    connect(s, &PresetSession::waitReported, this,
            [this](bool wait) { emit sgReadValue(QStringLiteral("wait"), wait ? 1 : 0); });
    connect(s, &PresetSession::impulseAnnounced, this, [this](const QString &name) {
        emit sgSetImpulsName(name);
        emit sgReadText(QStringLiteral("impulse_name"), name);
    });
    connect(s, &PresetSession::stepAsked, this, &Core::sgPresetUpDownStage1);
    connect(s, &PresetSession::jumpAsked, this, &Core::sgPresetChangeStage1);
    connect(s, &PresetSession::pasteRefused, this, [this](const QString &reason) {
        emit sgReadText(QStringLiteral("paste_refused"), reason);
    });
    connect(s, &PresetSession::copyCutShort, this, [this](const QString &reason) {
        emit sgReadText(QStringLiteral("copy_unfinished"), reason);
    });
    connect(s, &PresetSession::formatRefused, this, &Core::sgNotSupport);
    connect(s, &PresetSession::conversionAsked, this, &Core::sgRequestConvert);
}

void Core::setValue(QString name, uchar value)
{
    presetSession().setValue(name, value);
}

void Core::sendEdit(QByteArray bytes)
{
    presetSession().sendEdit(bytes);
}

void Core::slCompare()
{
    presetSession().compare();
}

void Core::slEsc()
{
    presetSession().revert();
}

void Core::slEscImpuls()
{
    presetSession().revertImpulse();
}

void Core::slCopy()
{
    presetSession().copy();
}

void Core::slPaste()
{
    presetSession().pasteCopy();
}

void Core::slSaveUpDown(uchar upDown)
{
    presetSession().saveThenStep(upDown);
}

void Core::setImpuls(QString filePath, QString fileName)
{
    presetSession().playImpulse(filePath, fileName);
}

void Core::setImpuls(QString fullFilePath)
{
    presetSession().playImpulseFile(fullFilePath);
}

void Core::decodeWavOk(QString filePath, bool saveToFile)
{
    presetSession().decodeWavOk(filePath, saveToFile);
}

void Core::slDecodeStop()
{
    presetSession().decodeStopped();
}
