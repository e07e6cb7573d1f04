// Preset arguments and lists.
#include "cli/preset_argument.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace cli {

int PresetArgument::numberOn(const presets::Family &family) const
{
    if (!valid || family.presetCount() <= 0)
        return -1;
    if (place)
        return bank < family.banks && preset < family.presetsPerBank
                   ? bank * family.presetsPerBank + preset
                   : -1;
    return number < family.presetCount() ? int(number) : -1;
}

PresetArgument parsePresetArgument(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d+)(?:-(\\d+))?$"));
    const QRegularExpressionMatch m = form.match(text);
    PresetArgument a;
    if (!m.hasMatch())
        return a;
    // Numbers too long for any device stay out of range rather than wrap.
    auto capped = [](const QString &digits) {
        return digits.size() > 9 ? qint64(1) << 40 : digits.toLongLong();
    };
    a.valid = true;
    if (m.captured(2).isEmpty()) {
        a.number = capped(m.captured(1));
        return a;
    }
    a.place = true;
    a.bank = int(std::min<qint64>(capped(m.captured(1)), 1 << 30));
    a.preset = int(std::min<qint64>(capped(m.captured(2)), 1 << 30));
    return a;
}

QString notAPreset(const QString &text)
{
    return QStringLiteral("A preset is a number such as 23 or a place such as 2-3, not "
                          "\u201c%1\u201d.")
        .arg(text);
}

QString presetRange(const presets::Family &family)
{
    return QStringLiteral("Presets go from %1 to %2 on this device.")
        .arg(presets::shortName(0, 0),
             presets::shortName(family.banks - 1, family.presetsPerBank - 1));
}

bool parsePresetList(const QString &text, QVector<int> *numbers)
{
    static const QRegularExpression item(QStringLiteral("^(\\d{1,4})(?:-(\\d{1,4}))?$"));
    QVector<int> result;
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString &part : parts) {
        const QRegularExpressionMatch m = item.match(part.trimmed());
        if (!m.hasMatch())
            return false;
        const int from = m.captured(1).toInt();
        const int to = m.captured(2).isEmpty() ? from : m.captured(2).toInt();
        if (to < from)
            return false;
        for (int n = from; n <= to; ++n)
            result.append(n);
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    *numbers = result;
    return !result.isEmpty();
}

} // namespace cli
