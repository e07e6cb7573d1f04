// What the commands share: finding one by name and storing the preset.
#include "cli/command.h"

#include "cli/device.h"
#include "cli/engine.h"
#include "cli/run.h"
#include "editing/preset_session.h"

#include <QJsonObject>

namespace cli {

std::unique_ptr<Command> makeCommand(const QString &name, Run &run)
{
    for (auto make :
         {makeReadingCommand, makeWritingCommand, makeLibraryCommand, makeImpulseCommand}) {
        if (std::unique_ptr<Command> command = make(name, run))
            return command;
    }
    return nullptr;
}

QJsonObject okDocument(QJsonObject fields)
{
    fields.insert(QStringLiteral("ok"), true);
    return fields;
}

void Command::storePreset(const Step &then)
{
    PresetSession &session = run.engine().session();
    auto stored = std::make_shared<bool>(false);
    const auto seen = connect(&session, &PresetSession::stored, this, [stored] { *stored = true; });
    session.save();
    run.device().follow([this, stored, seen, then] {
        disconnect(seen);
        if (!*stored)
            return run.fail(DeviceFailed, QStringLiteral("The device did not store the preset."));
        then();
    });
}

} // namespace cli
