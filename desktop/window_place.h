// Where the window reopens: its last place and size, moved and shrunk onto
// the screens there are now. Pure, so it can be tested without screens.
#pragma once

#include <QList>
#include <QRect>
#include <optional>

namespace windowPlace {

// `kept` fitted onto the screen it overlaps most (its available area):
// shrunk to fit, then moved inside. None when `kept` is empty or lies off
// every screen (the window then opens where the system puts it).
std::optional<QRect> onScreens(const QRect &kept, const QList<QRect> &screens);

} // namespace windowPlace
