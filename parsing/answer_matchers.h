// The live answer matchers: one Parser per form of the answer catalogue,
// created together from it and released together with their owner.
#pragma once

#include "parsing/answer_catalogue.h"

#include <QtGlobal>
#include <array>
#include <memory>

class Parser;

namespace answers {

class Matchers {
    Q_DISABLE_COPY(Matchers)

public:
    Matchers();
    ~Matchers();

    Parser &operator[](Form form) const { return *parsers[static_cast<size_t>(form)]; }

    // Before every direct write: forgets the partial matches that the
    // written command makes stale (the two short acknowledgements and the
    // impulse name), so that they cannot complete against the next answer.
    void forgetBeforeWrite() const;

private:
    std::array<std::unique_ptr<Parser>, formCount> parsers;
};

} // namespace answers
