#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "Nodeloom/foundation/Point.h"

namespace nodeloom {

class AdjustmentHandle;
class DiagramItem;
class TouchInputController;

// What a behaviour's controller selectors are shown of a starting drag: where it began (in
// document units), the item under the finger and, when that item is selected, the handle the
// finger is on.
class TouchInputState {
public:
    TouchInputState() = default;

    const std::optional<Point>& pointerPosition() const { return pointerPosition_; }
    void setPointerPosition(std::optional<Point> position) { pointerPosition_ = position; }
    const std::shared_ptr<DiagramItem>& pointedItem() const { return pointedItem_; }
    void setPointedItem(std::shared_ptr<DiagramItem> item) { pointedItem_ = std::move(item); }
    const std::shared_ptr<AdjustmentHandle>& pointedHandle() const { return pointedHandle_; }
    void setPointedHandle(std::shared_ptr<AdjustmentHandle> handle) {
        pointedHandle_ = std::move(handle);
    }

private:
    std::optional<Point> pointerPosition_;
    std::shared_ptr<DiagramItem> pointedItem_;
    std::shared_ptr<AdjustmentHandle> pointedHandle_;
};

// Offers a controller for a starting drag, or null when the drag is not its business. An empty
// selector in a list is passed over.
using ControllerSelector =
    std::function<std::shared_ptr<TouchInputController>(const TouchInputState& state)>;

}  // namespace nodeloom
