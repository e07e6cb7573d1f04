// The device's answer forms: one template and mask per form, in the order the
// matchers are created (answers::Matchers). The dispatcher decides the order
// they are tried in (parsing/answer_dispatcher.cpp).
#pragma once

#include <QByteArray>
#include <vector>

class Parser;

namespace answers {

enum class Form {
    Dev,
    GsEnd,
    CcEnd,
    DccEnd,
    LccEnd,
    EscEnd,
    Nx,
    Rx,
    Status,
    Chb,
    Chp,
    Save,
    Bank,
    Impulse,
    Mode,
    Name,
    NameEmpty,
    CabSim,
    Pc,
    Ver,
    Names16,
    Names100,
};

struct FormSpec {
    Form form;
    QByteArray templ;
    QByteArray mask;
};

constexpr int formCount = 22;
constexpr int statusTextLength = 86; // 43 bytes as hexadecimal text
constexpr int smallListSlots = 16;
constexpr int largeListSlots = 100;

// All 22 forms in creation order: catalogue()[i].form is Form(i).
const std::vector<FormSpec> &catalogue();
const FormSpec &spec(Form form);

// A new matcher for one form; the caller owns it.
Parser *makeParser(Form form);

} // namespace answers
