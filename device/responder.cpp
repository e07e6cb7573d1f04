// What the virtual device does with each request, and the bytes it answers.
#include "responder.h"

#include "protocol.h"

namespace vdev {

const QByteArray kRejected = QByteArrayLiteral("NX\n");

namespace {

QByteArray twoDigits(int value)
{
    return QByteArray::number(value).rightJustified(2, '0');
}

Reply rejected(const QString &error)
{
    Reply r;
    r.answered = true;
    r.answer = kRejected;
    r.errors << error;
    return r;
}

Reply answer(const QByteArray &bytes)
{
    Reply r;
    r.answered = true;
    r.answer = bytes;
    return r;
}

Reply silentError(const QString &error)
{
    Reply r;
    r.errors << error;
    return r;
}

} // namespace

bool Responder::drawsAnswer(const Request &request)
{
    if (!request.framingError.isEmpty() || request.payloadCommand)
        return true;
    const QList<QByteArray> words = request.line.split(' ');
    const QByteArray &word = words.first();
    if (word == "ce")
        return true;
    if (word == "gm")
        return words.size() == 1;
    return parameterPosition(word) < 0 && bandBasePosition(word) < 0;
}

Reply Responder::handle(const Request &request)
{
    if (!request.framingError.isEmpty())
        return rejected(request.framingError);
    if (request.payloadCommand)
        return payload(request);
    return plain(request.line);
}

Reply Responder::plain(const QByteArray &line)
{
    if (line == "olkdev")
        return answer("olkdev\r" + QByteArray::number(model.type()) + "\nEND\n");
    if (line == "olkver")
        return answer("olkver\r" + model.firmware() + "\n");
    if (line == "rns")
        return impulseNames();
    if (line == "rn") {
        const Impulse &impulse = model.storedCurrent().impulse;
        return answer(impulse.isEmpty() ? QByteArray("rn\r\n") : "rn\r" + impulse.name + "\n");
    }
    if (line == "gb")
        return answer("gb\r" + twoDigits(model.bank()) + twoDigits(model.preset()) + "\n");
    if (line == "gs")
        return answer("gs\r" + toHex(model.liveStatus()) + "\n");
    if (line == "gm")
        return answer("gm\r" + twoDigits(model.mode()) + "\n");
    if (line == "esc") {
        model.revert();
        return answer("esc\rEND\n");
    }
    if (line == "lcc") {
        model.dropPreview();
        return answer("lcc\rEND\n");
    }
    if (line == "dcc") {
        model.removeImpulse();
        Reply r = answer("dcc\rEND\n");
        r.storeChanged = true;
        return r;
    }
    if (line == "cc") {
        const Impulse &impulse = model.storedCurrent().impulse;
        return answer("cc\r" + impulse.name + "\n" + toHex(impulse.wav) + "\n");
    }
    if (line == "sp") {
        model.storeStatus();
        Reply r = answer("sp\rEND\n");
        r.storeChanged = true;
        return r;
    }

    const QList<QByteArray> words = line.split(' ');
    const QByteArray &word = words.first();
    if ((word == "chb" || word == "chp") && words.size() == 2) {
        const QByteArray &direction = words.at(1);
        if (direction != "0" && direction != "1")
            return rejected(QStringLiteral("step direction is not 0 or 1"));
        const bool up = direction == "1";
        const bool bankStep = word == "chb";
        if (bankStep)
            model.stepBank(up);
        else
            model.stepPreset(up);
        // The new bank (or preset in the bank) as one digit, then the
        // absolute preset number as two.
        const int moved = bankStep ? model.bank() : model.preset();
        return answer(word + ' ' + QByteArray::number(moved) + '\r' + twoDigits(model.current()) +
                      '\n');
    }
    if (word == "pc" && words.size() == 2) {
        int number = 0;
        if (!parseValue(words.at(1), &number))
            return rejected(
                QStringLiteral("preset number is not lowercase hex without leading zeros"));
        if (number >= model.slotCount())
            return rejected(QStringLiteral("preset number %1 beyond the last preset %2")
                                .arg(number)
                                .arg(model.slotCount() - 1));
        model.select(number);
        return answer("pc " + words.at(1) + "\r");
    }
    if (word == "gm" && words.size() == 2) {
        int mode = 0;
        if (!parseValue(words.at(1), &mode))
            return silentError(QStringLiteral("mode is not lowercase hex without leading zeros"));
        if (mode > kMaxMode)
            return silentError(
                QStringLiteral("mode %1 does not fit the two-digit answer").arg(mode));
        model.setMode(mode);
        return Reply();
    }
    if (parameterPosition(word) >= 0 || bandBasePosition(word) >= 0)
        return parameter(words);
    return rejected(QStringLiteral("unknown request"));
}

Reply Responder::parameter(const QList<QByteArray> &words)
{
    const QByteArray &word = words.first();
    const bool cabinet = word == "ce";
    const auto fail = [&](const QString &error) {
        return cabinet ? rejected(error) : silentError(error);
    };
    int position = parameterPosition(word);
    int valueIndex = 1;
    if (position < 0) {
        if (words.size() != 3)
            return fail(QStringLiteral("\"%1\" takes a band and a value").arg(QLatin1String(word)));
        const QByteArray &band = words.at(1);
        if (band.size() != 1 || band.at(0) < '0' || band.at(0) > '4')
            return fail(QStringLiteral("band is not 0 to 4"));
        position = bandBasePosition(word) + (band.at(0) - '0');
        valueIndex = 2;
    } else if (words.size() != 2) {
        return fail(QStringLiteral("\"%1\" takes one value").arg(QLatin1String(word)));
    }
    int value = 0;
    if (!parseValue(words.at(valueIndex), &value))
        return fail(QStringLiteral("value is not lowercase hex without leading zeros"));

    model.setLiveByte(position, static_cast<quint8>(value));
    Reply r;
    if (!inRange(position, static_cast<quint8>(value)))
        r.warnings << QStringLiteral("status byte %1 set to %2, outside %3")
                          .arg(position)
                          .arg(rangeOf(position) == Range::Signed ? static_cast<qint8>(value)
                                                                  : value)
                          .arg(rangeText(rangeOf(position)));
    if (cabinet) {
        r.answered = true;
        r.answer = "ce " + words.at(1) + "\r";
    }
    return r;
}

Reply Responder::impulseNames() const
{
    QByteArray text = "rns\r";
    for (int slot = 0; slot < model.slotCount(); ++slot) {
        const Impulse &impulse = model.stored(slot).impulse;
        if (impulse.isEmpty())
            text += "*\n00\nEND\n";
        else
            text += impulse.name + "\n01\nEND\n";
    }
    return answer(text);
}

Reply Responder::payload(const Request &request)
{
    const QByteArray &line = request.line;
    const QByteArray &hex = request.payload;
    if (line == "gs 1") {
        QByteArray status;
        if (hex.size() != kStatusHexChars)
            return rejected(QStringLiteral("status text of %1 characters, expected %2")
                                .arg(hex.size())
                                .arg(kStatusHexChars));
        if (!fromHex(hex, &status))
            return rejected(QStringLiteral("status text is not hex"));
        model.setLiveStatus(status);
        Reply r = answer("gsEND\n");
        QStringList outside;
        for (int i = 0; i < kStatusBytes; ++i)
            if (!inRange(i, static_cast<quint8>(status.at(i))))
                outside << QString::number(i);
        if (!outside.isEmpty())
            r.warnings
                << QStringLiteral("status bytes outside their range: %1").arg(outside.join(' '));
        return r;
    }

    const QByteArray name = line.mid(3, line.size() - 5);
    if (line.endsWith(" 1")) {
        if (name != "s")
            return rejected(QStringLiteral("impulse command ending in 1 is not \"cc s 1\""));
        QByteArray samples;
        if (hex.isEmpty() || hex.size() > kPreviewHexMax || hex.size() % 2 != 0)
            return rejected(QStringLiteral("preview of %1 hex characters, expected an even count "
                                           "from 2 to %2")
                                .arg(hex.size())
                                .arg(kPreviewHexMax));
        if (!fromHex(hex, &samples))
            return rejected(QStringLiteral("preview is not hex"));
        model.setPreview(samples);
        return answer("ccEND\n");
    }

    if (name.isEmpty() || name == "*")
        return rejected(QStringLiteral("impulse name is empty or \"*\""));
    if (name.size() > kMaxNameBytes)
        return rejected(QStringLiteral("impulse name longer than %1 bytes").arg(kMaxNameBytes));
    for (char c : name) {
        if (c == ' ')
            return rejected(QStringLiteral("impulse name contains a space"));
        if (static_cast<quint8>(c) < 0x20 || c == 0x7f)
            return rejected(QStringLiteral("impulse name contains a control byte"));
    }
    Impulse impulse;
    impulse.name = name;
    if (!fromHex(hex, &impulse.wav))
        return rejected(QStringLiteral("impulse image is not hex text of whole bytes"));
    const QString problem = wavImageProblem(impulse.wav);
    if (!problem.isEmpty())
        return rejected(QStringLiteral("impulse image: %1").arg(problem));
    model.storeImpulse(impulse);
    Reply r = answer("ccEND\n");
    r.storeChanged = true;
    return r;
}

} // namespace vdev
