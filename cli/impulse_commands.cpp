// The impulse commands: loading a file as the current preset's impulse, and
// converting one into the device's form without a device.
#include "cli/command.h"

#include "audio/audio_file.h"
#include "browser/impulse_file.h"
#include "browser/impulses.h"
#include "cli/device.h"
#include "cli/engine.h"
#include "cli/output.h"
#include "cli/run.h"
#include "editing/preset_session.h"
#include "impulse/wav_image.h"
#include "library/destination.h"
#include "link/link.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <sys/stat.h>

namespace cli {
namespace {

// `a` and `b` are the same file (by its device and inode, so links count).
bool sameFile(const QString &a, const QString &b)
{
    struct stat sa = {}, sb = {};
    return stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

class ImpulseLoad : public Command {
public:
    using Command::Command;
    // The file is read and converted before the device is reached.
    bool check() override
    {
        const QString path = run.options().args.at(0);
        const PreparedImpulse p =
            prepareImpulse(path, Impulses::convertOptions(run.engine().settings()));
        QString error = p.error;
        if (error.isEmpty())
            target = deviceFileFor(path, p, error);
        if (error.isEmpty())
            return true;
        run.fail(FileRefused, error);
        return false;
    }
    void start() override
    {
        const QString name = QFileInfo(run.options().args.at(0)).fileName();
        if (!run.engine().session().loadImpulse(target))
            return run.fail(FileRefused,
                            QStringLiteral("The device cannot play the impulse made from "
                                           "\u201c%1\u201d.")
                                .arg(name));
        // The impulse goes out in pieces: its progress, as the panel shows it.
        connect(&run.engine().link(), &Link::progressed, this, [this](float progress) {
            run.out().progress(QStringLiteral("Sending the impulse"), progress);
        });
        run.device().follow([this, name] { loaded(name); });
        run.engine().link().startSending();
    }

private:
    void loaded(const QString &name)
    {
        const QJsonObject fields{{"file", run.options().args.at(0)},
                                 {"name", QFileInfo(target).fileName()}};
        if (!run.options().save) {
            QJsonObject document = okDocument(fields);
            document.insert("stored", false);
            return run.succeed(
                QStringLiteral("%1 plays; \u201cvortaxa-cli save\u201d stores it.").arg(name),
                document);
        }
        storePreset([this, name, fields] {
            QJsonObject document = okDocument(fields);
            document.insert("stored", true);
            run.succeed(QStringLiteral("%1 plays and is stored.").arg(name), document);
        });
    }

    QString target; // the file handed to the session
};

class ImpulseConvert : public Command {
public:
    using Command::Command;
    void start() override
    {
        const QString in = run.options().args.at(0);
        const QString out = run.options().args.at(1);
        if (sameFile(in, out))
            return run.fail(FileRefused, QStringLiteral("%1 is the input itself: the conversion "
                                                        "does not write over its input.")
                                             .arg(out));
        const QString problem = library::destinationProblem(out);
        if (!problem.isEmpty())
            return run.fail(FileRefused, problem);
        const PreparedImpulse p =
            prepareImpulse(in, Impulses::convertOptions(run.engine().settings()));
        if (!p.error.isEmpty())
            return run.fail(FileRefused, p.error);
        // What the panel hands to the device: the converted image, or the
        // file itself when the device takes it as it is.
        QByteArray bytes;
        QFile source(in);
        if (p.converted)
            bytes = wav::deviceImage(audio::pack24(p.impulse.samples));
        else if (source.open(QIODevice::ReadOnly))
            bytes = source.readAll();
        else
            return run.fail(
                FileRefused,
                QStringLiteral("%1 cannot be read (%2).").arg(in, source.errorString()));
        QString error;
        if (!library::writeDestination(out, bytes, &error))
            return run.fail(FileRefused,
                            QStringLiteral("%1 cannot be written: %2.").arg(out, error));
        run.succeed(description(in, out, p), okDocument({{"input", in},
                                                         {"output", out},
                                                         {"converted", p.converted},
                                                         {"keptMs", qRound(p.keptMs())},
                                                         {"cut", p.impulse.cut}}));
    }

private:
    // What was written, and what the input is.
    static QString description(const QString &in, const QString &out, const PreparedImpulse &p)
    {
        const QString input =
            QStringLiteral("the input %1 (%2, %3)")
                .arg(QFileInfo(in).fileName(),
                     p.info.format + QStringLiteral(", ") + audio::describe(p.info),
                     audio::lengthText(p.info.lengthMs()));
        const QString written = library::destinationLabel(out);
        if (!p.converted)
            return QStringLiteral("%1: %2, which the device takes as it is.").arg(written, input);
        return QStringLiteral("%1: the device's form (48 kHz, 24-bit, mono) of %2; %3 kept%4.")
            .arg(written, input, audio::lengthText(p.keptMs()),
                 p.impulse.cut ? QStringLiteral(", ending in a fade") : QString());
    }
};

} // namespace

std::unique_ptr<Command> makeImpulseCommand(const QString &name, Run &run)
{
    if (name == QLatin1String("impulse load"))
        return std::make_unique<ImpulseLoad>(run);
    if (name == QLatin1String("impulse convert"))
        return std::make_unique<ImpulseConvert>(run);
    return nullptr;
}

} // namespace cli
