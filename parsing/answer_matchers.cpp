// The live answer matchers, one per catalogue form.
#include "parsing/answer_matchers.h"

#include "parsing/parser.h"

namespace answers {

Matchers::Matchers()
{
    for (const FormSpec &spec : catalogue())
        parsers[static_cast<size_t>(spec.form)].reset(makeParser(spec.form));
}

Matchers::~Matchers() = default;

void Matchers::forgetBeforeWrite() const
{
    for (Form form : {Form::Nx, Form::Rx, Form::Name})
        (*this)[form].reset();
}

} // namespace answers
