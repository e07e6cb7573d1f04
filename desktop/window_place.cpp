// Fitting a kept window place onto the screens.
#include "desktop/window_place.h"

#include <algorithm>

namespace windowPlace {

std::optional<QRect> onScreens(const QRect &kept, const QList<QRect> &screens)
{
    if (!kept.isValid() || kept.isEmpty())
        return std::nullopt;
    const QRect *best = nullptr;
    qint64 bestArea = 0;
    for (const QRect &screen : screens) {
        const QRect common = kept.intersected(screen);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = &screen;
        }
    }
    if (!best)
        return std::nullopt;
    QRect place(kept.topLeft(), kept.size().boundedTo(best->size()));
    place.moveLeft(std::clamp(place.left(), best->left(), best->right() - place.width() + 1));
    place.moveTop(std::clamp(place.top(), best->top(), best->bottom() - place.height() + 1));
    return place;
}

} // namespace windowPlace
