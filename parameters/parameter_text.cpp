// Parameters and their values in words.
#include "parameters/parameter_text.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>

namespace parameters {
namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Parameters", text);
}

// A gain in dB, to a tenth: 60 is +2.4 with 0.24 dB a step.
double gainDb(const Parameter &p, int value)
{
    return std::round((value - p.centre) * p.dbPerStep * 10.0) / 10.0;
}

QString signedNumber(double value, int decimals)
{
    const QString digits = QString::number(std::fabs(value), 'f', decimals);
    if (value > 0)
        return QLatin1Char('+') + digits;
    return value < 0 ? QStringLiteral("-") + digits : digits;
}

QString steps(int count)
{
    return count == 1 ? tr("1 step") : tr("%1 steps").arg(count);
}

} // namespace

QString label(const Parameter &p)
{
    return tr(p.label);
}

QString fullLabel(const Parameter &p)
{
    return tr(p.fullLabel);
}

QString groupTitle(const Group &g)
{
    return tr(g.title);
}

QStringList choiceNames(const Parameter &p)
{
    QStringList names;
    for (int i = 0; i < p.choiceCount(); ++i)
        names.append(tr(p.choices[i]));
    return names;
}

QString text(const Parameter &p, int value)
{
    switch (p.kind) {
    case Kind::Choice:
        if (value >= p.min && value - p.min < p.choiceCount())
            return tr(p.choices[value - p.min]);
        return QString::number(value);
    case Kind::Switch:
        return value != 0 ? tr("On") : tr("Off");
    case Kind::Gain: {
        const double db = gainDb(p, value);
        return db == 0 ? tr("0 dB") : tr("%1 dB").arg(signedNumber(db, 1));
    }
    case Kind::Shift:
        return p.isSigned ? signedNumber(value, 0) : QString::number(value);
    case Kind::Level:
        break;
    }
    const QString number = p.isSigned ? signedNumber(value, 0) : QString::number(value);
    return *p.unit ? number + QLatin1Char(' ') + QString::fromLatin1(p.unit) : number;
}

QString spokenText(const Parameter &p, int value)
{
    if (p.kind == Kind::Level && !*p.unit && p.min == 0)
        return tr("%1 of %2").arg(value).arg(p.max);
    return text(p, value);
}

QString describe(const Parameter &p, int value)
{
    if (p.kind == Kind::Gain)
        return tr("%1 %2 (device value %3; %4 is 0 dB)")
            .arg(label(p), text(p, value))
            .arg(value)
            .arg(p.centre);
    if (p.shift == Shift::Frequency) {
        const QString how = value == 0  ? tr("the band's own")
                            : value > 0 ? tr("%1 higher than the band's own").arg(steps(value))
                                        : tr("%1 lower than the band's own").arg(steps(-value));
        return tr("Frequency: %1 (device value %2; the size of a step in Hz is not known)")
            .arg(how)
            .arg(value);
    }
    if (p.shift == Shift::Width) {
        const QString how = value == 0  ? tr("the band's own width")
                            : value > 0 ? tr("%1 narrower than the band's own").arg(steps(value))
                                        : tr("%1 wider than the band's own").arg(steps(-value));
        return tr("Q: %1 (device value %2)").arg(how).arg(value);
    }
    return tr("%1: %2").arg(label(p), text(p, value));
}

QString editText(const Parameter &p, int value)
{
    if (p.kind == Kind::Gain)
        return QString::number(gainDb(p, value));
    return QString::number(value);
}

QString rangeText(const Parameter &p)
{
    return tr("%1 to %2").arg(text(p, p.min), text(p, p.max));
}

bool parseTyped(const Parameter &p, const QString &typed, int *value)
{
    QString t = typed.trimmed();
    t.replace(QChar(0x2212), QLatin1Char('-')); // the minus sign the panel shows
    t.remove(
        QRegularExpression(QStringLiteral("\\s*db$"), QRegularExpression::CaseInsensitiveOption));
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)$"));
    if (!number.match(t).hasMatch())
        return false;
    double n = t.toDouble();
    if (p.kind == Kind::Gain)
        n = p.centre + n / p.dbPerStep;
    // Far past any range: kept finite and in int's reach.
    n = qBound(-1.0e6, n, 1.0e6);
    *value = int(std::lround(n));
    return true;
}

QString limitNote(const Parameter &p, const QString &typed)
{
    int n = 0;
    if (!parseTyped(p, typed, &n) || inRange(p, n))
        return QString();
    return tr("%1 goes from %2 to %3: set to %4.")
        .arg(label(p), text(p, p.min), text(p, p.max), text(p, clamp(p, n)));
}

} // namespace parameters
