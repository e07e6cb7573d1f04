// Templates and masks of every answer the device sends.
#include "parsing/answer_catalogue.h"

#include "parsing/parser.h"

namespace answers {
namespace {

// Impulse list: "rns" CR, then per slot: name, LF, two characters, LF, "END", LF.
FormSpec nameList(Form form, int slotCount)
{
    QByteArray templ("rns\r");
    QByteArray mask("1111");
    for (int i = 0; i < slotCount; ++i) {
        templ += "_\n00\nEND\n";
        mask += "X10011111";
    }
    return {form, templ, mask};
}

std::vector<FormSpec> build()
{
    const QByteArray statusTemplate = "gs\r" + QByteArray(statusTextLength, '0') + "\n";
    const QByteArray statusMask = "111" + QByteArray(statusTextLength, '0') + "1";
    return {
        {Form::Dev, "olkdev\rX\nEND\n", "1111111X11111"},
        {Form::GsEnd, "gsEND\n", "111111"},
        {Form::CcEnd, "ccEND\n", "111111"},
        {Form::DccEnd, "dcc\rEND\n", "11111111"},
        {Form::LccEnd, "lcc\rEND\n", "11111111"},
        {Form::EscEnd, "esc\rEND\n", "11111111"},
        {Form::Nx, "NX\n", "111"},
        {Form::Rx, "RX 01", "11111"},
        {Form::Status, statusTemplate, statusMask},
        {Form::Chb, "chb 0\r00\n", "111101001"},
        {Form::Chp, "chp 0\r00\n", "111101001"},
        // The mask is shorter than the template: complete after "sp" CR "EN".
        {Form::Save, "sp\rEND\n", "11111"},
        {Form::Bank, "gb\r0000\n", "11100001"},
        {Form::Impulse, "cc\r0\n0\n", "111X1X1"},
        {Form::Mode, "gm\r00\n", "111001"},
        {Form::Name, "rn\r \n", "111X1"},
        {Form::NameEmpty, "rn\r\n", "1111"},
        {Form::CabSim, "ce 0\r", "11101"},
        {Form::Pc, "pc x\r", "111X1"},
        {Form::Ver, "olkver\r0\n", "1111111X1"},
        nameList(Form::Names16, smallListSlots),
        nameList(Form::Names100, largeListSlots),
    };
}

} // namespace

const std::vector<FormSpec> &catalogue()
{
    static const std::vector<FormSpec> forms = build();
    return forms;
}

const FormSpec &spec(Form form)
{
    return catalogue().at(static_cast<size_t>(form));
}

Parser *makeParser(Form form)
{
    const FormSpec &s = spec(form);
    return new Parser(s.templ, s.mask);
}

} // namespace answers
