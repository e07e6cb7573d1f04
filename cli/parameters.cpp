// Decoding the status block into named values, and checking assignments.
#include "cli/parameters.h"

#include "parsing/status_layout.h"

#include <QStringList>

namespace cli {
namespace {

// The switches the panel shows as on and off, and the preamp's tone controls
// it shows in dB (Params.qml).
void addShown(ParameterValue &p)
{
    if (p.name.endsWith(QLatin1String("_on")) || p.name == QLatin1String("cabinet_enable")) {
        p.shown = p.value ? QStringLiteral("on") : QStringLiteral("off");
    } else if (p.name == QLatin1String("preamp_low") || p.name == QLatin1String("preamp_mid") ||
               p.name == QLatin1String("preamp_high")) {
        p.shown = QString::number(p.value);
        p.unit = QStringLiteral("dB");
    }
}

} // namespace

QVector<ParameterValue> decodeParameters(const QByteArray &statusText)
{
    QVector<ParameterValue> values;
    if (!status::isStatusText(statusText))
        return values;
    const QByteArray bytes = QByteArray::fromHex(statusText);
    for (int position : status::nameOrder()) {
        const status::Parameter &entry = status::parameters().at(position);
        ParameterValue p;
        p.name = QString::fromLatin1(entry.name);
        const auto byte = static_cast<unsigned char>(bytes.at(entry.position));
        p.value = entry.isSigned ? static_cast<signed char>(byte) : int(byte);
        addShown(p);
        values.append(p);
    }
    return values;
}

bool parseAssignment(const QString &text, QString *name, unsigned char *value, QString *error)
{
    const int eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        *error = QStringLiteral("\u201c%1\u201d is not NAME=VALUE.").arg(text);
        return false;
    }
    const QString n = text.left(eq);
    const status::Parameter *entry = status::findByName(n.toLatin1().constData());
    if (!entry) {
        *error = QStringLiteral("There is no parameter \u201c%1\u201d; \u201cvortaxa-cli get\u201d "
                                "lists them.")
                     .arg(n);
        return false;
    }
    bool ok = false;
    const int v = text.mid(eq + 1).toInt(&ok);
    const int low = entry->isSigned ? -128 : 0;
    const int high = entry->isSigned ? 127 : 255;
    if (!ok || v < low || v > high) {
        *error = QStringLiteral("%1 takes a whole number from %2 to %3, not \u201c%4\u201d.")
                     .arg(n)
                     .arg(low)
                     .arg(high)
                     .arg(text.mid(eq + 1));
        return false;
    }
    *name = n;
    *value = static_cast<unsigned char>(v); // signed values travel as their byte
    return true;
}

} // namespace cli
