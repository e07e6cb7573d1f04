// Dispatch of received bytes: every chunk read from the port is offered to the
// answer forms in a fixed order (one table, AnswerHandlers::steps); each
// completed form updates the readout or the preset's owner (PresetAnswers),
// and any completed form retires the head of the command queue.
#include "parsing/answer_dispatcher.h"

#include "base/log_categories.h"
#include "base/program_log.h"
#include "link/link.h"
#include "link/requests.h"
#include "parsing/answer_catalogue.h"
#include "parsing/device_readout.h"
#include "parsing/parser.h"
#include "parsing/preset_answers.h"
#include "presets/preset_place.h"

#include <QDebug>

#include <array>
#include <bitset>

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

// The impulse list's answer form depends on the family's slot count.
bool isSmallFamily(uchar type)
{
    return presets::familyOf(type).impulseSlots == 16;
}

bool isLargeFamily(uchar type)
{
    return presets::familyOf(type).impulseSlots == 100;
}

} // namespace

// What each completed answer form does, and the order the forms are tried in.
struct AnswerHandlers {
    using Form = answers::Form;
    using Values = QList<QByteArray>;

    // When a form is fed the chunk at all.
    enum class Offered {
        Always,
        UnlessEmptyName, // not in a chunk that completed the empty-name form
        WhileAwaited,    // only while a copy or a capture awaits the impulse answer
        SmallFamily,     // only for the 16-preset device types
        LargeFamily,     // only for the 100-preset device types
    };

    struct Step {
        Form form;
        Offered offered;
        // Handles the answer; true when it retires the request at the head.
        bool (*handle)(AnswerDispatcher &d, const Values &values);
        const char *log; // written after the handler; empty: the handler writes its own
    };

    static const std::array<Step, answers::formCount> &steps();
    static bool isOffered(const AnswerDispatcher &d, Offered when,
                          const std::bitset<answers::formCount> &done);

    // Acknowledgements carry nothing: they only retire the queue head.
    static bool acknowledge(AnswerDispatcher &, const Values &) { return true; }
    static bool status(AnswerDispatcher &d, const Values &values);
    static bool stepped(AnswerDispatcher &d, const Values &values);
    static bool bankAndPreset(AnswerDispatcher &d, const Values &values);
    static bool emptyName(AnswerDispatcher &d, const Values &values);
    static bool name(AnswerDispatcher &d, const Values &values);
    static bool mode(AnswerDispatcher &d, const Values &values);
    static bool identification(AnswerDispatcher &d, const Values &values);
    static bool version(AnswerDispatcher &d, const Values &values);
    static bool cabinet(AnswerDispatcher &d, const Values &values);
    static bool impulse(AnswerDispatcher &d, const Values &values);
    static bool saved(AnswerDispatcher &d, const Values &values);
    static bool reverted(AnswerDispatcher &d, const Values &values);
    static bool impulseList(AnswerDispatcher &d, const Values &values);
};

// The order the forms are tried in is the protocol's order.
const std::array<AnswerHandlers::Step, answers::formCount> &AnswerHandlers::steps()
{
    using O = Offered;
    static const std::array<Step, answers::formCount> table = {{
        // Short acknowledgements.
        {Form::Nx, O::Always, acknowledge, "getNX"},
        {Form::Rx, O::Always, acknowledge, "getRX"},
        // The preset: its state, a step to another, its position.
        {Form::Status, O::Always, status, "getStatus"},
        {Form::Chb, O::Always, stepped, "getChb"},
        {Form::Chp, O::Always, stepped, "getChp"},
        {Form::Bank, O::Always, bankAndPreset, "getBank"},
        // The current impulse's name: empty, or one.
        {Form::NameEmpty, O::Always, emptyName, "getRnEmpty"},
        {Form::Name, O::UnlessEmptyName, name, "getRn"},
        // The device itself.
        {Form::Mode, O::Always, mode, "getMode"},
        {Form::Dev, O::Always, identification, ""},
        {Form::Ver, O::Always, version, ""},
        // Ends of save, impulse revert, status write and cabinet commands.
        {Form::Save, O::Always, saved, "savePreset"},
        {Form::LccEnd, O::Always, acknowledge, "getLcc"},
        {Form::GsEnd, O::Always, acknowledge, "getEND"},
        {Form::CabSim, O::Always, cabinet, "getCabSim"},
        // Impulses: the one being copied or captured, the list of slots.
        {Form::Impulse, O::WhileAwaited, impulse, ""},
        {Form::Names16, O::SmallFamily, impulseList, "getRns16"},
        {Form::Names100, O::LargeFamily, impulseList, "getRns100"},
        // Ends of preset jump, impulse store and delete, and revert.
        {Form::Pc, O::Always, acknowledge, "getPC"},
        {Form::CcEnd, O::Always, acknowledge, "getccEnd"},
        {Form::DccEnd, O::Always, acknowledge, "getdccEnd"},
        {Form::EscEnd, O::Always, reverted, "getescEnd"},
    }};
    // A form left out would never be recognised; one listed twice would be fed twice.
    static const bool everyFormOnce = [] {
        std::bitset<answers::formCount> listed;
        for (const Step &step : table)
            listed.set(static_cast<size_t>(step.form));
        return listed.all();
    }();
    Q_ASSERT(everyFormOnce);
    return table;
}

bool AnswerHandlers::isOffered(const AnswerDispatcher &d, Offered when,
                               const std::bitset<answers::formCount> &done)
{
    switch (when) {
    case Offered::Always:
        return true;
    case Offered::UnlessEmptyName:
        return !done.test(static_cast<size_t>(Form::NameEmpty));
    case Offered::WhileAwaited:
        // A capture takes only the answer to its own read: the impulse form
        // would also take other answers ("dcc\rEND\n" starts like a name).
        return d.session.awaitsCopiedImpulse() || (d.session.capturing() && d.link.following() &&
                                                   d.link.head() == requests::readImpulse);
    case Offered::SmallFamily:
        // An identification answer earlier in the same chunk already counts.
        return isSmallFamily(d.typeDev);
    case Offered::LargeFamily:
        return isLargeFamily(d.typeDev);
    }
    return false;
}

bool AnswerHandlers::status(AnswerDispatcher &d, const Values &values)
{
    // A completed match always holds one value of the block's length.
    if (values.size() != 1 || values.first().size() != answers::statusTextLength)
        return false;
    d.session.statusBlockRead(values.first());
    return true;
}

// The answer to a bank or preset step: the device has left the edited preset.
bool AnswerHandlers::stepped(AnswerDispatcher &d, const Values &values)
{
    if (values.size() != 2 || values.at(1).size() != 2)
        return false;
    d.session.stepAnswered();
    return true;
}

bool AnswerHandlers::bankAndPreset(AnswerDispatcher &d, const Values &values)
{
    if (values.size() != 1 || values.first().size() != 4)
        return false;
    const QByteArray &digits = values.first();
    const uchar bank = decimalByte(digits.left(2));
    const uchar preset = decimalByte(digits.mid(2, 2));
    d.readout.setPosition(bank, preset);
    d.session.positionRead(); // the interface learns it from the bank change itself
    return true;
}

bool AnswerHandlers::emptyName(AnswerDispatcher &d, const Values &)
{
    d.readout.setNoImpulse();
    d.session.impulseReported(QStringLiteral("empty"));
    d.matchers[Form::Impulse].reset();
    return true;
}

bool AnswerHandlers::name(AnswerDispatcher &d, const Values &values)
{
    // No value at all is only possible when a stale partial match ends with
    // an empty name: show it the way the empty-name answer does.
    const QString shown = values.isEmpty() ? QStringLiteral("empty") : textUpToNul(values.first());
    d.readout.setImpulseName(shown);
    d.session.impulseReported(shown);
    return true;
}

bool AnswerHandlers::mode(AnswerDispatcher &d, const Values &values)
{
    if (values.size() != 1)
        return false;
    d.readout.setMode(decimalByte(values.first()));
    return true;
}

bool AnswerHandlers::identification(AnswerDispatcher &d, const Values &values)
{
    if (values.size() != 1)
        return false;
    d.typeDev = decimalByte(values.first());
    d.readout.setDeviceType(d.typeDev);
    qCDebug(programLog) << "getName" << d.typeDev;
    return true;
}

bool AnswerHandlers::version(AnswerDispatcher &d, const Values &values)
{
    if (values.size() != 1)
        return false;
    const QByteArray &raw = values.first();
    const QString version = QString::fromUtf8(raw.constData(), raw.size());
    qCDebug(programLog) << "getVer" << version;
    qCDebug(programLog) << raw;
    d.readout.setFirmware(version);
    return true;
}

bool AnswerHandlers::cabinet(AnswerDispatcher &d, const Values &)
{
    // The device answers the cabinet switch also when setValue wrote it
    // directly, without queuing anything. Only the queued cabinet request is
    // released by it; taken for the answer of another head it would put
    // every later answer one request out of step.
    return d.link.head() == requests::cabinetOff;
}

// A capture armed through the session takes the answer too; only a copy's
// fills the clipboard.
bool AnswerHandlers::impulse(AnswerDispatcher &d, const Values &values)
{
    qCDebug(programLog) << "parce getImpuls" << values.size();
    d.session.impulseAnswered(values);
    return true;
}

// The device stored the preset: the save went through, when the store
// request is the one on the wire.
bool AnswerHandlers::saved(AnswerDispatcher &d, const Values &)
{
    if (d.link.head() == requests::storePreset)
        d.session.presetStored();
    return true;
}

// The device went back to the stored preset.
bool AnswerHandlers::reverted(AnswerDispatcher &d, const Values &)
{
    d.session.revertAnswered();
    return true;
}

bool AnswerHandlers::impulseList(AnswerDispatcher &d, const Values &values)
{
    QStringList slotNames;
    QStringList slotFlags;
    // Values come in pairs: a slot's name, then its two-character flag text.
    // An empty name yields no value, so an odd count can occur: the
    // incomplete last pair is left out.
    for (int i = 0; i + 1 < values.size(); i += 2) {
        const QByteArray &name = values.at(i);
        slotNames.append(name == "*" ? QStringLiteral("empty") : textUpToNul(name));
        slotFlags.append(textUpToNul(values.at(i + 1)));
    }
    d.readout.setSlots(slotNames, slotFlags);
    return true;
}

AnswerDispatcher::AnswerDispatcher(Link &link, PresetAnswers &session, DeviceReadout &readout,
                                   QObject *parent)
    : QObject(parent), link(link), session(session), readout(readout)
{
    connect(&link, &Link::received, this, &AnswerDispatcher::dispatch);
    connect(&link, &Link::aboutToWrite, this, [this] { matchers.forgetBeforeWrite(); });
}

void AnswerDispatcher::dispatch(const QByteArray &chunk)
{
    link.beginChunk(chunk);

    // Each offered form sees the whole chunk once; a completed form's values
    // are in parseValues until the next form is fed.
    std::bitset<answers::formCount> done;
    bool retiresHead = false;
    for (const AnswerHandlers::Step &step : AnswerHandlers::steps()) {
        if (!AnswerHandlers::isOffered(*this, step.offered, done) ||
            !matchers[step.form].parse(chunk, &parseValues))
            continue;
        done.set(static_cast<size_t>(step.form));
        const QList<QByteArray> values = parseValues; // shared, not copied
        if (step.handle(*this, values))
            retiresHead = true;
        if (*step.log)
            qCDebug(programLog) << step.log;
    }

    qCDebug(parseLog, "chunk of %d bytes, answers completed: %d, head %s", int(chunk.size()),
            int(done.count()), retiresHead ? "released" : "kept");

    // However many forms completed, the queue advances by one entry.
    if (retiresHead)
        link.headAnswered();
    link.endChunk();
}

int AnswerDispatcher::longestValue() const
{
    int longest = 0;
    for (const answers::FormSpec &spec : answers::catalogue())
        for (const QByteArray &value : matchers[spec.form].partialValues())
            longest = qMax(longest, int(value.size()));
    for (const QByteArray &value : parseValues)
        longest = qMax(longest, int(value.size()));
    return longest;
}

bool AnswerDispatcher::formsIdle() const
{
    for (const answers::FormSpec &spec : answers::catalogue())
        if (!matchers[spec.form].isIdle())
            return false;
    return true;
}
