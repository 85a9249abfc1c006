#include "Nodeloom/document/Diagram.h"

#include <cmath>
#include <memory>
#include <utility>

#include "Nodeloom/document/ClassDescriptor.h"
#include "Nodeloom/items/DiagramItem.h"

namespace nodeloom {

namespace {

bool isFinite(const Rect& r) {
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) &&
           std::isfinite(r.height);
}

}  // namespace

Diagram::Diagram()
    : measureUnit_(MeasureUnit::Millimeter()), renderOptions_(std::make_shared<RenderOptions>()) {}

Diagram::~Diagram() = default;

void Diagram::registerClass(const Metatype<Object>& classType, const std::string& classId,
                            int classVersion) {
    auto descriptor = std::make_shared<ClassDescriptor>(classType, classId, classVersion);
    auto& byType = ClassDescriptor::byType();
    // Erase first so that the stored key is the new record, not the first one registered.
    byType.erase(classType);
    byType.emplace(classType, descriptor);
    ClassDescriptor::byId()[classId] = std::move(descriptor);
}

void Diagram::registerItemClass(const Metatype<Object>& classType, const std::string& classId,
                                int classVersion) {
    registerClass(classType, classId, classVersion);
}

void Diagram::setBounds(const Rect& bounds) {
    if (!isFinite(bounds)) return;
    const bool changed = !(bounds == bounds_);
    bounds_ = bounds;
    if (changed) invalidate();
}

void Diagram::setMeasureUnit(std::shared_ptr<MeasureUnit> unit) {
    if (!unit) return;
    const bool changed = !(*unit == *measureUnit_);
    measureUnit_ = std::move(unit);
    if (changed) invalidate();
}

void Diagram::setStyle(std::shared_ptr<Style> style) {
    const bool changed = style != style_;
    style_ = std::move(style);
    if (changed) invalidate();
}

void Diagram::setTheme(std::shared_ptr<Theme> theme) {
    const bool changed = theme != theme_;
    theme_ = std::move(theme);
    if (changed) invalidate();
}

void Diagram::setAdjustmentHandlesSize(double size) {
    if (std::isfinite(size)) adjustmentHandlesSize_ = size;
}

void Diagram::setThreshold(double threshold) {
    if (std::isfinite(threshold)) threshold_ = threshold;
}

void Diagram::setRenderOptions(std::shared_ptr<RenderOptions> options) {
    if (options) renderOptions_ = std::move(options);
}

void Diagram::attachItem(const std::shared_ptr<DiagramItem>& item, bool assignIndexes) {
    if (!item) return;
    zOrder_.push_back(item);
    item->setStandalone(false);
    item->setDiagram(weak_from_this().lock());
    if (assignIndexes) {
        const int layer = item->layerIndex() == -1 ? activeLayer_ : item->layerIndex();
        if (item->zIndex() == -1) item->setZIndex(static_cast<int>(itemCounter_));
        item->setLayerIndex(layer);
        ++itemCounter_;
    }
    zOrderInvalid_ = true;
    invalidate();
}

void Diagram::updateRuntimeIndices() {
    for (std::size_t i = 0; i < zOrder_.size(); ++i) {
        zOrder_[i]->setRuntimeIndex(static_cast<int>(i));
    }
}

const Layer* Diagram::validLayer(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= layers_.size()) return nullptr;
    return layers_[static_cast<std::size_t>(index)].get();
}

bool Diagram::isItemVisible(const DiagramItem& item) const {
    if (!item.visible()) return false;
    const Layer* layer = validLayer(item.layerIndex());
    return layer == nullptr || layer->visible();
}

bool Diagram::isItemInteractive(const DiagramItem& item) const {
    if (!item.visible() || item.locked()) return false;
    const Layer* layer = validLayer(item.layerIndex());
    if (layer == nullptr) return true;
    return layer->visible() && !layer->locked();
}

bool Diagram::isItemLocked(const DiagramItem& item) const {
    if (item.locked()) return true;
    const Layer* layer = validLayer(item.layerIndex());
    return layer != nullptr && layer->locked();
}

void Diagram::invalidate() {
    RepaintEventArgs args(std::nullopt);
    repaint_.raise(*this, args);
}

void Diagram::invalidate(const Rect& rect) {
    if (!isFinite(rect)) {
        invalidate();
        return;
    }
    RepaintEventArgs args(rect);
    repaint_.raise(*this, args);
}

// Undo is off until an undo manager is installed; without one there is nothing to record.
void Diagram::recordAllItemStates() {}

void Diagram::commitCompositeOperation() {}

}  // namespace nodeloom
