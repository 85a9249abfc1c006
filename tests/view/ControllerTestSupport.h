#pragma once

#include <cstddef>
#include <memory>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/view/TouchInputController.h"

namespace nodeloom::test {

// A document with undo on, and the history length the test started from.
struct Doc {
    std::shared_ptr<Diagram> diagram = std::make_shared<Diagram>();
    Factory& factory = *diagram->factory();

    Doc() {
        diagram->setUndoEnabled(true);
        diagram->setAlignToGrid(false);
    }
    std::size_t history() const { return diagram->undoManager()->undoHistory().size(); }
    int nesting() const { return diagram->undoManager()->startCompositeCounter(); }
};

inline std::shared_ptr<NodeAdjustmentHandle> handle(const std::shared_ptr<DiagramItem>& item,
                                                    NodeHandleType type) {
    return std::make_shared<NodeAdjustmentHandle>(item, type);
}

inline std::shared_ptr<LinkAdjustmentHandle> pointHandle(const std::shared_ptr<DiagramItem>& link,
                                                         int index) {
    auto h = std::make_shared<LinkAdjustmentHandle>(link);
    h->setPointIndex(index);
    return h;
}

// One finger from `from` to `to` in `steps` equal moves, then lifted at `to`.
inline void drag(TouchInputController& c, Point from, Point to, int steps = 4) {
    c.onTouchDown(from, Point(0, 0));
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        c.onTouchMove(Point(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t),
                      Point(0, 0));
    }
    c.onTouchUp(to, Point(0, 0));
}

}  // namespace nodeloom::test
