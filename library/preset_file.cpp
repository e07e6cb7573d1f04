// Writing and checking the librarian's preset files.
#include "library/preset_file.h"

#include "impulse/wav_image.h"
#include "library/destination.h"
#include "parameters/parameter_text.h"
#include "parsing/status_layout.h"
#include "presets/preset_place.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cmath>

namespace library {

namespace {

constexpr int maxImpulseNameBytes = 255; // what the device keeps of a name

// A status byte of a checked status text as the value it stands for:
// signed parameters as -128..127.
int publishedValue(const parameters::Parameter &p, const QByteArray &statusText)
{
    const int byte = statusText.mid(2 * p.position, 2).toInt(nullptr, 16);
    return parameters::fromByte(p, static_cast<unsigned char>(byte));
}

// A JSON number that is a whole int; false for anything else.
bool wholeNumber(const QJsonValue &value, int *out)
{
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    if (std::floor(d) != d || d < -2147483648.0 || d > 2147483647.0)
        return false;
    *out = static_cast<int>(d);
    return true;
}

QJsonObject entryJson(const PresetEntry &entry)
{
    QJsonObject parameters;
    for (const parameters::Parameter &p : parameters::all())
        if (p.inPreset())
            parameters.insert(QLatin1String(p.name), publishedValue(p, entry.status));

    QJsonObject json;
    json.insert(QStringLiteral("bank"), entry.bank);
    json.insert(QStringLiteral("preset"), entry.preset);
    json.insert(QStringLiteral("status"), QString::fromLatin1(entry.status));
    json.insert(QStringLiteral("parameters"), parameters);
    if (entry.hasImpulse()) {
        QJsonObject impulse;
        impulse.insert(QStringLiteral("name"), QString::fromUtf8(entry.impulseName));
        impulse.insert(QStringLiteral("wav"), QString::fromLatin1(entry.impulseImage.toBase64()));
        json.insert(QStringLiteral("impulse"), impulse);
    } else {
        json.insert(QStringLiteral("impulse"), QJsonValue::Null);
    }
    return json;
}

// Reads the parameters object; each name must be a parameter and its value
// must be the one the status text holds.
QString parametersProblem(const QJsonValue &value, const QByteArray &statusText)
{
    if (value.isUndefined())
        return QString(); // the status text alone is enough
    if (!value.isObject())
        return QStringLiteral("its parameters are not a list of names and values");
    const QJsonObject listed = value.toObject();
    for (auto it = listed.begin(); it != listed.end(); ++it) {
        parameters::Match how = parameters::Match::None;
        const parameters::Parameter *found = parameters::find(it.key(), &how);
        if (how != parameters::Match::Name || !found->inPreset())
            return QStringLiteral("it names a parameter this panel does not know, \"%1\"")
                .arg(it.key());
        const QString label = parameters::fullLabel(*found);
        int given = 0;
        if (!wholeNumber(it.value(), &given))
            return QStringLiteral("its %1 is not a whole number").arg(label);
        const int held = publishedValue(*found, statusText);
        if (given != held)
            return QStringLiteral("its %1 is listed as %2 but stored as %3")
                .arg(label)
                .arg(given)
                .arg(held);
    }
    return QString();
}

// Every value the status text holds must lie in its control's range: the
// device would take a value past it without a word.
QString rangeProblem(const QByteArray &statusText)
{
    for (const parameters::Parameter &p : parameters::all()) {
        if (!p.inPreset())
            continue;
        const int held = publishedValue(p, statusText);
        if (!parameters::inRange(p, held))
            return QStringLiteral("%1 %2, outside its range of %3")
                .arg(parameters::fullLabel(p), parameters::text(p, held), parameters::rangeText(p));
    }
    return QString();
}

QString impulseProblem(const QJsonValue &value, PresetEntry *entry)
{
    if (value.isNull() || value.isUndefined())
        return QString(); // no impulse
    if (!value.isObject())
        return QStringLiteral("its impulse is not readable");
    const QJsonObject impulse = value.toObject();
    const QJsonValue name = impulse.value(QStringLiteral("name"));
    const QJsonValue wav = impulse.value(QStringLiteral("wav"));
    if (!name.isString() || name.toString().isEmpty())
        return QStringLiteral("its impulse has no name");
    entry->impulseName = name.toString().toUtf8();
    if (entry->impulseName.size() > maxImpulseNameBytes || entry->impulseName == "*")
        return QStringLiteral("its impulse name \"%1\" is not one the device keeps")
            .arg(name.toString().left(40));
    if (!wav.isString())
        return QStringLiteral("its impulse has no sound");
    const auto decoded = QByteArray::fromBase64Encoding(wav.toString().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return QStringLiteral("the sound of its impulse is not readable");
    entry->impulseImage = *decoded;
    const QString problem = wav::deviceImageProblem(entry->impulseImage);
    if (!problem.isEmpty())
        return QStringLiteral("its impulse \"%1\" cannot go to the device: %2")
            .arg(name.toString(), problem);
    return QString();
}

// Reads the `index`th preset entry; a problem is a whole sentence naming the
// preset by its place once that is known.
QString entryProblem(const QJsonValue &value, int index, const PresetFile &file, PresetEntry *entry)
{
    const QString entryText = QStringLiteral("Preset entry %1 in this file ").arg(index + 1);
    if (!value.isObject())
        return entryText + QStringLiteral("is not a preset.");
    const QJsonObject json = value.toObject();
    if (!wholeNumber(json.value(QStringLiteral("bank")), &entry->bank) ||
        !wholeNumber(json.value(QStringLiteral("preset")), &entry->preset))
        return entryText + QStringLiteral("does not say which preset it is.");
    if (entry->bank < 0 || entry->bank >= file.banks || entry->preset < 0 ||
        entry->preset >= file.presetsPerBank)
        return entryText + QStringLiteral("is for %1, which the device does not have.")
                               .arg(presets::longName(entry->bank, entry->preset));

    const auto damaged = [entry](const QString &why) {
        return QStringLiteral("%1 in this file is damaged (%2).")
            .arg(presets::longName(entry->bank, entry->preset), why);
    };
    const QJsonValue statusValue = json.value(QStringLiteral("status"));
    entry->status = statusValue.toString().toLatin1();
    if (!statusValue.isString() || entry->status.size() != status::textLength)
        return damaged(QStringLiteral("its parameters are incomplete"));
    if (!status::isStatusText(entry->status))
        return damaged(QStringLiteral("its parameters are not readable"));
    entry->status = entry->status.toLower();

    QString problem = parametersProblem(json.value(QStringLiteral("parameters")), entry->status);
    if (problem.isEmpty())
        problem = impulseProblem(json.value(QStringLiteral("impulse")), entry);
    if (!problem.isEmpty())
        return damaged(problem);
    const QString outside = rangeProblem(entry->status);
    if (!outside.isEmpty())
        return QStringLiteral("%1 in this file holds %2.")
            .arg(presets::longName(entry->bank, entry->preset), outside);
    return QString();
}

} // namespace

bool familyOf(int deviceType, int *banks, int *presetsPerBank)
{
    const presets::Family family = presets::familyOf(deviceType);
    *banks = family.banks;
    *presetsPerBank = family.presetsPerBank;
    return family.banks != 0;
}

QByteArray toJson(const PresetFile &file)
{
    QJsonObject device;
    device.insert(QStringLiteral("type"), file.deviceType);
    device.insert(QStringLiteral("banks"), file.banks);
    device.insert(QStringLiteral("presetsPerBank"), file.presetsPerBank);
    device.insert(QStringLiteral("firmware"), file.firmware);

    QJsonArray presets;
    for (const PresetEntry &entry : file.presets)
        presets.append(entryJson(entry));

    QJsonObject json;
    json.insert(QStringLiteral("format"), formatName);
    json.insert(QStringLiteral("version"), formatVersion);
    json.insert(QStringLiteral("created"), file.created.toUTC().toString(Qt::ISODate));
    json.insert(QStringLiteral("device"), device);
    json.insert(QStringLiteral("presets"), presets);
    return QJsonDocument(json).toJson(QJsonDocument::Indented);
}

bool fromJson(const QByteArray &bytes, PresetFile *out, QString *error)
{
    const auto fail = [error](const QString &reason) {
        *error = reason;
        return false;
    };

    if (bytes.trimmed().isEmpty())
        return fail(QStringLiteral("This file is empty."));
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parse);
    if (parse.error != QJsonParseError::NoError) {
        // A backup that starts as one and breaks off was most likely not
        // copied whole; anything else is some other file.
        const bool cutShort =
            bytes.contains(formatName.toLatin1()) && parse.offset >= bytes.trimmed().size() - 1;
        return fail(cutShort ? QStringLiteral("This backup is cut short: it was not copied or "
                                              "saved whole. Use another copy of it.")
                             : QStringLiteral("This is not a backup made by this panel."));
    }
    const QJsonObject json = document.object();
    if (json.value(QStringLiteral("format")).toString() != formatName)
        return fail(QStringLiteral("This is not a backup made by this panel."));
    int version = 0;
    if (!wholeNumber(json.value(QStringLiteral("version")), &version) || version < 1)
        return fail(QStringLiteral("This backup does not say which format version it has, so "
                                   "this panel cannot read it."));
    if (version > formatVersion)
        return fail(QStringLiteral("This backup was made by a newer panel (format version %1; "
                                   "this one reads up to %2). Update the panel to use it.")
                        .arg(version)
                        .arg(formatVersion));

    PresetFile file;
    const QJsonObject device = json.value(QStringLiteral("device")).toObject();
    int banks = 0;
    int perBank = 0;
    if (!wholeNumber(device.value(QStringLiteral("type")), &file.deviceType) ||
        !familyOf(file.deviceType, &banks, &perBank))
        return fail(QStringLiteral("This backup is for a device type this panel does not know."));
    if (!wholeNumber(device.value(QStringLiteral("banks")), &file.banks) ||
        !wholeNumber(device.value(QStringLiteral("presetsPerBank")), &file.presetsPerBank) ||
        file.banks != banks || file.presetsPerBank != perBank)
        return fail(QStringLiteral("This backup is damaged: its bank and preset counts do not "
                                   "fit its device type %1.")
                        .arg(file.deviceType));
    file.firmware = device.value(QStringLiteral("firmware")).toString();
    file.created =
        QDateTime::fromString(json.value(QStringLiteral("created")).toString(), Qt::ISODate);

    const QJsonValue presetsValue = json.value(QStringLiteral("presets"));
    const QJsonArray presets = presetsValue.toArray();
    if (!presetsValue.isArray() || presets.isEmpty())
        return fail(QStringLiteral("This backup holds no presets."));
    if (presets.size() > file.banks * file.presetsPerBank)
        return fail(QStringLiteral("This backup is damaged: it holds %1 presets, and its device "
                                   "has %2.")
                        .arg(presets.size())
                        .arg(file.banks * file.presetsPerBank));

    QSet<int> seen;
    for (int i = 0; i < presets.size(); ++i) {
        PresetEntry entry;
        const QString problem = entryProblem(presets.at(i), i, file, &entry);
        if (!problem.isEmpty())
            return fail(problem);
        if (seen.contains(file.number(entry)))
            return fail(QStringLiteral("This backup is damaged: it holds %1 twice.")
                            .arg(presets::longName(entry.bank, entry.preset)));
        seen.insert(file.number(entry));
        file.presets.append(entry);
    }
    *out = file;
    return true;
}

bool readFile(const QString &path, PresetFile *file, QString *error)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("This file cannot be read (%1).").arg(in.errorString());
        return false;
    }
    // A pipe has no size: what it brings is counted as it is read.
    const QByteArray json = in.read(maxFileBytes + 1);
    if (json.size() > maxFileBytes) {
        *error = QStringLiteral("This file is too large to be a backup made by this panel.");
        return false;
    }
    return fromJson(json, file, error);
}

bool writeFile(const QString &path, const PresetFile &file, QString *error)
{
    return writeDestination(path, toJson(file), error);
}

} // namespace library
