// Templates and masks of every answer the device sends.
#include "parsing/answer_catalogue.h"

#include "parsing/parser.h"

namespace answers {
namespace {

// Impulse list: "rns" CR, then per slot: name, LF, two characters, LF, "END", LF.
FormSpec nameList(Form form, const char *label, int slotCount)
{
    QByteArray templ("rns\r");
    QByteArray mask("1111");
    for (int i = 0; i < slotCount; ++i) {
        templ += "_\n00\nEND\n";
        mask += "X10011111";
    }
    return {form, label, templ, mask};
}

std::vector<FormSpec> build()
{
    const QByteArray statusTemplate = "gs\r" + QByteArray(statusTextLength, '0') + "\n";
    const QByteArray statusMask = "111" + QByteArray(statusTextLength, '0') + "1";
    return {
        {Form::Dev, "parserDev", "olkdev\rX\nEND\n", "1111111X11111"},
        {Form::GsEnd, "parserGsEnd", "gsEND\n", "111111"},
        {Form::CcEnd, "parserCcEnd", "ccEND\n", "111111"},
        {Form::DccEnd, "parserDccEnd", "dcc\rEND\n", "11111111"},
        {Form::LccEnd, "parserLccEnd", "lcc\rEND\n", "11111111"},
        {Form::EscEnd, "parserEscEnd", "esc\rEND\n", "11111111"},
        {Form::Nx, "parserNx", "NX\n", "111"},
        {Form::Rx, "parserRx", "RX 01", "11111"},
        {Form::Status, "parserStatus", statusTemplate, statusMask},
        {Form::Chb, "parserChb", "chb 0\r00\n", "111101001"},
        {Form::Chp, "parserChp", "chp 0\r00\n", "111101001"},
        // The mask is shorter than the template: complete after "sp" CR "EN".
        {Form::Save, "parserSave", "sp\rEND\n", "11111"},
        {Form::Bank, "parserBank", "gb\r0000\n", "11100001"},
        {Form::Impulse, "parserImpulse", "cc\r0\n0\n", "111X1X1"},
        {Form::Mode, "parserMode", "gm\r00\n", "111001"},
        {Form::Name, "parserName", "rn\r \n", "111X1"},
        {Form::NameEmpty, "parserNameEmpty", "rn\r\n", "1111"},
        {Form::CabSim, "parserCabSim", "ce 0\r", "11101"},
        {Form::Pc, "parserPc", "pc x\r", "111X1"},
        {Form::Ver, "parserVer", "olkver\r0\n", "1111111X1"},
        nameList(Form::Names16, "parserNames16", smallListSlots),
        nameList(Form::Names100, "parserNames100", largeListSlots),
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
