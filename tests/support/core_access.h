// Test access to Core's own state and internal steps, and through
// PartsAccess to the parts it owns. Core declares this struct its friend;
// nothing in the program uses it.
#pragma once

#include "core/core.h"
#include "support/parts_access.h"

struct CoreAccess : PartsAccess {
    Core &c;

    explicit CoreAccess(Core &core)
        : PartsAccess{core.parts->link(), core.parts->session(), core.parts->dispatcher()}, c(core)
    {
    }

    // state
    QByteArray &folderStack() { return c.folderStack; }
    QSettings &settings() { return c.settings; }

    // internal steps
    void slPortTimer() { c.slPortTimer(); }
    void slReadyRead() { c.slReadyRead(); }
    void slDecodeStop() { c.slDecodeStop(); }
    void slPortError() { c.slPortError(); }
};
