// setValue: the one named-value entry point for parameters and editing actions.
//
// Parameter names, their aliases and their commands come from the status
// table (parsing/status_layout.h), the same table the status decode publishes
// from, so a control binds to one name in both directions.
#include "core/program_log.h"
#include "editing/preset_session.h"
#include "editing/step_code.h"
#include "link/link.h"
#include "link/requests.h"
#include "parsing/device_readout.h"
#include "parsing/status_layout.h"

#include <QDebug>

namespace {

// The table lookup takes a C string: a name with an embedded NUL must not
// match the table name it starts with.
const status::Parameter *findParameter(const QByteArray &name, bool *isAlias)
{
    if (name.contains('\0'))
        return nullptr;
    return status::findByName(name.constData(), isAlias);
}

} // namespace

void PresetSession::setValue(const QString &name, uchar value)
{
    qCDebug(programLog) << "setValue" << name << int(value);

    const QByteArray key = name.toUtf8();
    bool isAlias = false;
    const status::Parameter *parameter = findParameter(key, &isAlias);

    // The order of the steps below is what the interface sees: a primary name
    // publishes the edited flag as 1 before sgSetEdit, an alias or the mode
    // publishes it unchanged, a control word as its operation left it.
    QByteArray command;
    if (key == "esc")
        command = requests::revert;
    if (parameter && !isAlias)
        command = requests::parameter(parameter->command, value);
    if (!command.isEmpty()) {
        setEdited(true);
        pending.otherChange(); // reverting the impulse no longer undoes every edit
    }
    if (key == "mode")
        command = requests::parameter(requests::setModeTemplate, value);

    if (!parameter && command.isEmpty()) {
        if (key == "copy") {
            copy();
        } else if (key == "map_update") {
            queueMapUpdate();
        } else if (key == "past") {
            pasteCopy();
        } else if (key == "save_up_down") {
            saveThenStep(value);
        } else if (key == "save_change") {
            saveChangeSequence(value); // read there as a signed preset number
        } else if (key == "comp") {
            compare();
        } else if (key == "preset_UpDown") {
            requestUpDown(value != 0 ? steps::PresetUp : steps::PresetDown);
        } else if (key == "bank_UpDown") {
            requestUpDown(value != 0 ? steps::BankUp : steps::BankDown);
        } else if (key == "preset_change") {
            requestPresetChange(value);
            qCDebug(programLog) << "setValue" << 1674;
        } else if (key == "set_preset_updown") {
            runUpDown(value);
        } else if (key == "set_preset_change") {
            jumpTo(value);
        }
    }

    emit editReported(edited());

    if (parameter && isAlias)
        command = requests::parameter(parameter->command, value);

    if (!command.isEmpty()) {
        emit editShown(true);
        link.sendRaw(command);
        lastCommand = QString::fromLatin1(command);
    }
    // Set back to what the device stores (by hand or by undo), with no other
    // change pending: the preset is clean again.
    if (parameter && parameterWritten(parameter->position, value))
        markEdited(false);
}

void PresetSession::queueMapUpdate()
{
    // Relative steps through every preset, each followed by its read-back;
    // the interface builds its map from what the dispatcher publishes.
    emit replaced();
    const bool up = true;
    const QByteArray presetUp = requests::presetStep(up);
    const QByteArray bankUp = requests::bankStep(up);
    for (int p = 0; p < readout.walkPresetsPerBank(); ++p) {
        for (const QByteArray &command :
             {presetUp, requests::bankAndPreset, requests::impulseName, requests::status})
            link.send(command);
        for (int b = 0; b < readout.walkBanks(); ++b) {
            for (const QByteArray &command :
                 {bankUp, requests::bankAndPreset, requests::impulseName, requests::status})
                link.send(command);
        }
    }
    link.startSending();
}
