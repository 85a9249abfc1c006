#pragma once

#include <memory>
#include <optional>

#include "Nodeloom/foundation/RawValue.h"

namespace nodeloom {

class BehaviorBase;
class DiagramView;

// The interaction mode of a view: what a one-finger drag does there. The raw values have gaps
// that stored settings rely on, so they never move.
enum class Behavior {
    modify = 0,
    drawShapes = 1,
    drawLinks = 2,
    linkShapes = 3,
    linkTables = 4,
    drawTables = 5,
    doNothing = 8,
    custom = 9,
    drawContainers = 10,
    linkContainers = 11,
    pan = 12,
    drawTreeViews = 13,
    linkTreeViews = 14,
    selectOnly = 17,
    panAndModify = 27,
    moveNodes = 28,
};

template <>
inline std::optional<Behavior> fromRaw<Behavior>(int raw) {
    const bool used =
        (raw >= 0 && raw <= 5) || (raw >= 8 && raw <= 14) || raw == 17 || raw == 27 || raw == 28;
    return used ? std::optional<Behavior>(static_cast<Behavior>(raw)) : std::nullopt;
}

// The behaviour object that serves a mode in the view; never null. The behaviour refers to the
// view without keeping it alive.
std::shared_ptr<BehaviorBase> createBehavior(Behavior behavior,
                                             const std::shared_ptr<DiagramView>& view);

}  // namespace nodeloom
