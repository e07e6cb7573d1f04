// Decoding the status block into named values, and checking assignments.
#include "cli/parameters.h"

#include "parameters/parameter_text.h"
#include "parsing/status_layout.h"

namespace cli {

QVector<ParameterValue> decodeParameters(const QByteArray &statusText)
{
    QVector<ParameterValue> values;
    if (!status::isStatusText(statusText))
        return values;
    const QByteArray bytes = QByteArray::fromHex(statusText);
    for (const parameters::Parameter &entry : parameters::all()) {
        if (!entry.inPreset())
            continue;
        ParameterValue p;
        p.name = QString::fromLatin1(entry.name);
        p.label = parameters::fullLabel(entry);
        p.value = parameters::fromByte(entry, static_cast<unsigned char>(bytes.at(entry.position)));
        p.shown = parameters::text(entry, p.value);
        p.unit = QString::fromLatin1(entry.unit);
        values.append(p);
    }
    return values;
}

const parameters::Parameter *findParameter(const QString &name)
{
    const parameters::Parameter *p = parameters::find(name);
    return p && p->inPreset() ? p : nullptr;
}

bool parseAssignment(const QString &text, QString *name, unsigned char *value, QString *error)
{
    const int eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        *error = QStringLiteral("\u201c%1\u201d is not NAME=VALUE.").arg(text);
        return false;
    }
    const QString given = text.left(eq);
    const parameters::Parameter *entry = findParameter(given);
    if (!entry) {
        *error = QStringLiteral("There is no parameter \u201c%1\u201d; \u201cvortaxa-cli get\u201d "
                                "lists them.")
                     .arg(given);
        return false;
    }
    // A device value; a gain may also be given in dB ("+2.4dB").
    const QString valueText = text.mid(eq + 1).trimmed();
    bool ok = false;
    int v = valueText.toInt(&ok);
    if (!ok && valueText.endsWith(QLatin1String("db"), Qt::CaseInsensitive) &&
        entry->kind == parameters::Kind::Gain)
        ok = parameters::parseTyped(*entry, valueText, &v);
    if (!ok || !parameters::inRange(*entry, v)) {
        *error = QStringLiteral("%1 takes %2 to %3, not %4.")
                     .arg(given)
                     .arg(entry->min)
                     .arg(entry->max)
                     .arg(valueText);
        return false;
    }
    *name = QString::fromLatin1(entry->name);
    *value = parameters::toByte(v); // signed values travel as their byte
    return true;
}

} // namespace cli
