// Dispatch of received bytes: every chunk read from the port is offered to the
// answer forms in a fixed order; each completed form changes state and tells
// the interface, and any completed form retires the head of the command queue.
#include "core/core.h"
#include "core/core_seam.h"
#include "core/program_log.h"
#include "impulse/wav_image.h"
#include "link/paced_writer.h"
#include "link/requests.h"
#include "parsing/answer_catalogue.h"
#include "parsing/parser.h"

#include <QDebug>
#include <QSerialPort>

namespace {

// Decimal text as the device sends it ("07", "2"). Text that is not an
// unsigned decimal number gives 0; the result keeps the low 8 bits.
uchar decimalByte(const QByteArray &text)
{
    if (text.contains('\0'))
        return 0; // the conversion would stop at the NUL and accept a prefix
    bool ok = false;
    const uint value = text.toUInt(&ok, 10);
    return ok ? static_cast<uchar>(value & 0xff) : 0;
}

// A device text decoded as UTF-8, ended at its first NUL byte.
QString textUpToNul(const QByteArray &bytes)
{
    const int end = bytes.indexOf('\0');
    return QString::fromUtf8(bytes.constData(), end < 0 ? bytes.size() : end);
}

bool isSmallFamily(uchar type)
{
    return type == 2 || type == 3;
}

bool isLargeFamily(uchar type)
{
    return type == 1 || type == 4;
}

constexpr uchar smallFamilyCount = 4;  // banks, and presets per bank
constexpr uchar largeFamilyCount = 10; // banks, and presets per bank

} // namespace

void Core::slReadyRead()
{
    // While a long command goes out, received bytes wait in the port: each
    // piece discards them, and the last pause hands on what came during it.
    if (pacer->busy())
        return;
    dispatch(port->readAll());
}

void Core::dispatch(const QByteArray &chunk)
{
    answerReceived = 0;
    readBuffer = chunk;
    qCDebug(programLog) << "slReadyRead" << readBuffer;

    // Each form sees the whole chunk once; a completed form's values are in
    // parseValues until the next form is fed.
    const auto completed = [this](Parser *parser) {
        return parser->parse(readBuffer, &parseValues);
    };

    if (completed(parserNx)) {
        answerReceived = 1;
        qCDebug(programLog) << "getNX";
    }
    if (completed(parserRx)) {
        answerReceived = 1;
        qCDebug(programLog) << "getRX";
    }
    if (completed(parserStatus)) {
        // A completed match always holds one value of the block's length.
        if (parseValues.size() == 1 && parseValues.first().size() == answers::statusTextLength) {
            const QByteArray block = parseValues.first();
            handleStatusBlock(block);
        }
        qCDebug(programLog) << "getStatus";
    }
    if (completed(parserChb)) {
        if (parseValues.size() == 2 && parseValues.at(1).size() == 2) {
            presetEdit = 0;
            emit sgSetEdit(false);
            emit sgReadValue(QStringLiteral("preset_edit"), 0);
            answerReceived = 1;
        }
        qCDebug(programLog) << "getChb";
    }
    if (completed(parserChp)) {
        if (parseValues.size() == 2 && parseValues.at(1).size() == 2) {
            presetEdit = 0;
            emit sgSetEdit(false);
            emit sgReadValue(QStringLiteral("preset_edit"), 0);
            answerReceived = 1;
        }
        qCDebug(programLog) << "getChp";
    }
    if (completed(parserBank)) {
        if (parseValues.size() == 1 && parseValues.first().size() == 4) {
            const QByteArray digits = parseValues.first();
            const uchar bank = decimalByte(digits.left(2));
            const uchar preset = decimalByte(digits.mid(2, 2));
            emit sgReadValue(QStringLiteral("bank"), bank);
            emit sgReadValue(QStringLiteral("preset"), preset);
            answerReceived = 1;
            presetEdit = 0; // the interface learns it from the bank change itself
        }
        qCDebug(programLog) << "getBank";
    }
    if (completed(parserNameEmpty)) {
        emit sgReadText(QStringLiteral("impulse_name"), QStringLiteral("empty"));
        parserImpulse->reset();
        answerReceived = 1;
        qCDebug(programLog) << "getRnEmpty";
    } else if (completed(parserName)) {
        // No value at all is only possible when a stale partial match ends
        // with an empty name: show it the way the empty-name answer does.
        const QString name =
            parseValues.isEmpty() ? QStringLiteral("empty") : textUpToNul(parseValues.first());
        emit sgReadText(QStringLiteral("impulse_name"), name);
        answerReceived = 1;
        qCDebug(programLog) << "getRn";
    }
    if (completed(parserMode)) {
        if (parseValues.size() == 1) {
            const uchar mode = decimalByte(parseValues.first());
            emit sgReadMode(mode);
            answerReceived = 1;
            emit sgReadValue(QStringLiteral("mode"), mode);
        }
        qCDebug(programLog) << "getMode";
    }
    if (completed(parserDev)) {
        if (parseValues.size() == 1) {
            typeDev = decimalByte(parseValues.first());
            emit sgReadName(typeDev);
            emit sgReadValue(QStringLiteral("type_dev"), typeDev);
            if (isSmallFamily(typeDev)) {
                bankCount = smallFamilyCount;
                presetCount = smallFamilyCount;
            } else if (isLargeFamily(typeDev)) {
                bankCount = largeFamilyCount;
                presetCount = largeFamilyCount;
            }
            answerReceived = 1;
            qCDebug(programLog) << "getName" << typeDev;
        }
    }
    if (completed(parserVer)) {
        if (parseValues.size() == 1) {
            const QByteArray raw = parseValues.first();
            const QString version = QString::fromUtf8(raw.constData(), raw.size());
            answerReceived = 1;
            qCDebug(programLog) << "getVer" << version;
            qCDebug(programLog) << raw;
            emit sgReadText(QStringLiteral("devVersion"), version);
        }
    }
    if (completed(parserSave)) {
        answerReceived = 1;
        qCDebug(programLog) << "savePreset";
    }
    if (completed(parserLccEnd)) {
        answerReceived = 1;
        qCDebug(programLog) << "getLcc";
    }
    if (completed(parserGsEnd)) {
        answerReceived = 1;
        qCDebug(programLog) << "getEND";
    }
    if (completed(parserCabSim)) {
        // The device answers the cabinet switch also when setValue wrote it
        // directly, without queuing anything. Only the queued cabinet request
        // is released by it; taken for the answer of another head it would
        // put every later answer one request out of step.
        if (!commandQueue.isEmpty() && commandQueue.first() == requests::cabinetOff)
            answerReceived = 1;
        qCDebug(programLog) << "getCabSim";
    }
    // The impulse answer is awaited only while a copy or the seam's capture
    // is in progress; the capture leaves the copy's clipboard alone.
    if ((copyImpulsePending || seam->wantsImpulse()) && completed(parserImpulse)) {
        qCDebug(programLog) << "parce getImpuls" << parseValues.size();
        answerReceived = 1;
        seam->impulseAnswered(parseValues);
        if (copyImpulsePending) {
            copyImpulseName.clear();
            copyImpulseData.clear();
            if (parseValues.size() == 2) {
                // The name goes back to the device inside a save's store
                // command: spaces and control characters become "_".
                copyImpulseName = wav::storeName(parseValues.at(0));
                copyImpulseData = parseValues.at(1);
            }
            copyImpulsePending = 0;
        }
    }
    // The device family decides the list length; an identification answer
    // earlier in this chunk already counts.
    if (isSmallFamily(typeDev) && completed(parserNames16)) {
        const QList<QByteArray> values = parseValues;
        handleImpulseList(values);
        qCDebug(programLog) << "getRns16";
    }
    if (isLargeFamily(typeDev) && completed(parserNames100)) {
        const QList<QByteArray> values = parseValues;
        handleImpulseList(values);
        qCDebug(programLog) << "getRns100";
    }
    if (completed(parserPc)) {
        answerReceived = 1;
        qCDebug(programLog) << "getPC";
    }
    if (completed(parserCcEnd)) {
        answerReceived = 1;
        qCDebug(programLog) << "getccEnd";
    }
    if (completed(parserDccEnd)) {
        answerReceived = 1;
        qCDebug(programLog) << "getdccEnd";
    }
    if (completed(parserEscEnd)) {
        answerReceived = 1;
        qCDebug(programLog) << "getescEnd";
    }

    // However many forms completed, the queue advances by one entry.
    if (answerReceived) {
        if (!commandQueue.isEmpty())
            seam->headReleased(commandQueue.takeFirst());
        slTimer();
    }
}

void Core::handleImpulseList(const QList<QByteArray> &values)
{
    answerReceived = 1;
    QString names;
    QString flags;
    names.reserve(values.size() * 8);
    flags.reserve(values.size() * 2);
    // Values come in pairs: a slot's name, then its two-character flag text.
    // An empty name yields no value, so an odd count can occur: the
    // incomplete last pair is left out.
    for (int i = 0; i + 1 < values.size(); i += 2) {
        const QByteArray &name = values.at(i);
        names += name == "*" ? QStringLiteral("empty") : textUpToNul(name);
        names += QLatin1Char(',');
        flags += textUpToNul(values.at(i + 1));
        flags += QLatin1Char(',');
    }
    emit sgReadText(QStringLiteral("impulse_names"), names);
    emit sgReadText(QStringLiteral("impulse_en"), flags);
}
