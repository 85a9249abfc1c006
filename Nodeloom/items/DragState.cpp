#include "Nodeloom/items/DragState.h"

#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramItemState.h"

namespace nodeloom {

DragState::DragState(std::shared_ptr<DiagramItem> modifiedItem,
                     std::shared_ptr<AdjustmentHandle> adjustmentHandle)
    : modifiedItem_(std::move(modifiedItem)), adjustmentHandle_(std::move(adjustmentHandle)) {}

DragState::~DragState() = default;

}  // namespace nodeloom
