// setValue: the one named-value entry point for parameters and editing actions.
//
// Parameter names, their aliases and their commands come from the parameter
// table (parameters/parameter_table.h), the same table the status is
// published from, so a control binds to one name in both directions.
#include "base/program_log.h"
#include "editing/preset_session.h"
#include "editing/step_code.h"
#include "link/link.h"
#include "link/requests.h"
#include "parameters/parameter_table.h"
#include "parsing/device_readout.h"

#include <QDebug>

namespace {

using parameters::Match;

// The parameter setValue takes under `name`: its value name (which marks the
// preset edited) or its edit alias (which does not). The mode is a
// parameter of the device, not of the preset: it never marks it edited.
const parameters::Parameter *settable(const QString &name, bool *marksEdited)
{
    Match how = Match::None;
    const parameters::Parameter *p = parameters::find(name, &how);
    if (how != Match::Name && how != Match::EditAlias)
        return nullptr;
    *marksEdited = how == Match::Name && p->inPreset();
    return p;
}

} // namespace

void PresetSession::setValue(const QString &name, uchar value)
{
    qCDebug(programLog) << "setValue" << name << int(value);

    bool marksEdited = false;
    const parameters::Parameter *parameter = settable(name, &marksEdited);

    // The order of the steps below is what the interface sees: a primary name
    // publishes the edited flag as 1 before sgSetEdit, an alias or the mode
    // publishes it unchanged, a control word as its operation left it.
    QByteArray command;
    if (name == QLatin1String("esc"))
        command = requests::revert;
    if (parameter && marksEdited)
        command = requests::parameter(parameter->command, value);
    if (!command.isEmpty()) {
        setEdited(true);
        pending.otherChange(); // reverting the impulse no longer undoes every edit
    }
    if (parameter && !parameter->inPreset())
        command = requests::parameter(parameter->command, value);

    if (!parameter && command.isEmpty())
        runControlWord(name, value);

    emit editReported(edited());

    if (parameter && !marksEdited && parameter->inPreset())
        command = requests::parameter(parameter->command, value);

    if (!command.isEmpty()) {
        emit editShown(true);
        link.sendRaw(command);
    }
    if (parameter && !parameter->inPreset())
        emit modeWritten(value);
    // Set back to what the device stores (by hand or by undo), with no other
    // change pending: the preset is clean again.
    if (parameter && parameterWritten(parameter->position, value))
        markEdited(false);
}

// The control words: editing actions carried by setValue's name.
void PresetSession::runControlWord(const QString &word, uchar value)
{
    if (word == QLatin1String("copy")) {
        copy();
    } else if (word == QLatin1String("map_update")) {
        queueMapUpdate();
    } else if (word == QLatin1String("past")) {
        pasteCopy();
    } else if (word == QLatin1String("save_up_down")) {
        saveThenStep(value);
    } else if (word == QLatin1String("save_change")) {
        saveThenJump(value); // read there as a signed preset number
    } else if (word == QLatin1String("comp")) {
        compare();
    } else if (word == QLatin1String("preset_UpDown")) {
        requestStep(value != 0 ? steps::PresetUp : steps::PresetDown);
    } else if (word == QLatin1String("bank_UpDown")) {
        requestStep(value != 0 ? steps::BankUp : steps::BankDown);
    } else if (word == QLatin1String("preset_change")) {
        requestJump(value);
        qCDebug(programLog) << "setValue" << 1674;
    } else if (word == QLatin1String("set_preset_updown")) {
        stepNow(value);
    } else if (word == QLatin1String("set_preset_change")) {
        jumpNow(value);
    }
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
