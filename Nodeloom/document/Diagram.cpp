#include "Nodeloom/document/Diagram.h"

#include <cairo.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>
#include <tuple>
#include <unordered_set>
#include <utility>

#include "Nodeloom/composite/ContainerNode.h"  // Hook: node container
#include "Nodeloom/document/AddItemCommand.h"
#include "Nodeloom/document/ChangeItemCommand.h"
#include "Nodeloom/document/ClassDescriptor.h"
#include "Nodeloom/document/Command.h"
#include "Nodeloom/document/CompositeCommand.h"
#include "Nodeloom/document/DiagramStatic.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/document/RemoveItemCommand.h"
#include "Nodeloom/document/Selection.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/foundation/Typecast.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/layout/LayoutUtils.h"  // Hook: arrange runs a layout
#include "Nodeloom/links/DiagramLink.h"  // Hook: document holds its links
#include "Nodeloom/links/Router.h"  // Hook: document holds its links
#include "Nodeloom/platform/AtomicFile.h"
#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/Jpeg.h"

namespace nodeloom {

namespace {


// Stores the value and repaints when it differs from the old one.
template <typename T>
void storeAndRepaint(Diagram& diagram, T& field, const T& value) {
    if (field == value) return;
    field = value;
    diagram.invalidate();
}

std::shared_ptr<Brush> backBrushOf(const std::shared_ptr<Theme>& theme) {
    if (!theme) return nullptr;
    const auto it = theme->styles().find("Diagram");
    if (it == theme->styles().end() || !it->second || !it->second->hasBackBrush()) return nullptr;
    return it->second->backBrush();
}

}  // namespace

Diagram::Diagram()
    : measureUnit_(MeasureUnit::Millimeter()),
      gridColor_(std::make_shared<Color>(1.0, 140.0 / 255.0, 140.0 / 255.0, 150.0 / 255.0)),
      renderOptions_(std::make_shared<RenderOptions>()) {
    loadShapeLibrary();
    labelLayoutInvalid_ = true;
    contextMenuCreated_ += &Diagram::fillDefaultContextMenu;
}

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

std::shared_ptr<ShapeLibrary> Diagram::defaultShapes() {
    auto library = DiagramStatic::defaultShapes();
    if (!library) {
        library = std::make_shared<ShapeLibrary>();
        DiagramStatic::setDefaultShapes(library);
    }
    return library;
}

void Diagram::setDefaultShapes(std::shared_ptr<ShapeLibrary> library) {
    DiagramStatic::setDefaultShapes(std::move(library));
}

// Every document reads the bundled file again into the one shared library; without the file,
// or with one that does not parse whole, the library keeps what it has rather than half a file.
void Diagram::loadShapeLibrary() {
    const std::string path = platform::Bundle::library().pathForResource("shapes", "xml");
    if (path.empty()) return;
    XmlDomBuilder builder;
    if (!builder.parseFile(path) || !builder.root()) return;
    XmlContext context;
    defaultShapes()->loadFromXml(builder.root(), context);
}

void Diagram::unsubFromAllEvents() {
    repaint_.handlers().clear();
    clicked_.handlers().clear();
    doubleClicked_.handlers().clear();
    nodeCreated_.handlers().clear();
    linkCreated_.handlers().clear();
    nodeCreating_.handlers().clear();
    linkCreating_.handlers().clear();
    nodeModifying_.handlers().clear();
    linkModifying_.handlers().clear();
    nodeClicked_.handlers().clear();
    nodeDoubleClicked_.handlers().clear();
    linkClicked_.handlers().clear();
    linkDoubleClicked_.handlers().clear();
    contextMenuCreated_.handlers().clear();
    nodeDeleted_.handlers().clear();
    nodeDeleting_.handlers().clear();
    linkDeleted_.handlers().clear();
    linkDeleting_.handlers().clear();
    nodeTextEdited_.handlers().clear();
    nodeTextEditing_.handlers().clear();
    linkTextEdited_.handlers().clear();
    linkTextEditing_.handlers().clear();
    linkLabelEdited_.handlers().clear();
    linkLabelEditing_.handlers().clear();
    cellTextEdited_.handlers().clear();
    cellTextEditing_.handlers().clear();
    treeItemEdited_.handlers().clear();
    treeItemEditing_.handlers().clear();
    nodeCollapsed_.handlers().clear();
    nodeExpanded_.handlers().clear();
}

// --- Settings ---------------------------------------------------------------------------------

void Diagram::setBounds(const Rect& bounds) {
    if (!bounds.isFinite()) return;
    storeAndRepaint(*this, bounds_, bounds);
}

void Diagram::setMeasureUnit(std::shared_ptr<MeasureUnit> unit) {
    if (!unit) return;
    const bool changed = !(*unit == *measureUnit_);
    measureUnit_ = std::move(unit);
    if (changed) {
        // Label sizes follow the unit.
        dropHitIndex();
        invalidate();
    }
}

void Diagram::setBrush(std::shared_ptr<Brush> brush) {
    storeAndRepaint(*this, brush_, brush);
}

void Diagram::setStyle(std::shared_ptr<Style> style) {
    storeAndRepaint(*this, style_, style);
}

void Diagram::setTheme(std::shared_ptr<Theme> theme) {
    storeAndRepaint(*this, theme_, theme);
}

std::shared_ptr<Brush> Diagram::getEffectiveBackBrush() const {
    if (brush_) return brush_;
    if (style_ && style_->hasBackBrush()) return style_->backBrush();
    if (auto brush = backBrushOf(theme_)) return brush;
    if (auto brush = backBrushOf(Theme::defaultTheme())) return brush;
    return std::make_shared<SolidColorBrush>(Colors::White());
}

std::shared_ptr<Style> Diagram::shapeNodeStyle() const {
    const std::shared_ptr<Theme> theme = Theme::defaultTheme();
    if (!theme) return nullptr;
    const auto it = theme->styles().find("ShapeNode");
    return it == theme->styles().end() ? nullptr : it->second;
}

std::shared_ptr<Theme> Diagram::loadTheme(const std::shared_ptr<XmlElement>& element,
                                          const std::string& name, XmlContext& context) const {
    if (!element) return nullptr;
    const std::shared_ptr<XmlElement> child = element->getChild(name);
    if (!child) return nullptr;
    auto theme = std::make_shared<Theme>();
    theme->loadFromXml(child, context);
    return theme;
}

void Diagram::setShowGrid(bool show) {
    storeAndRepaint(*this, showGrid_, show);
}

void Diagram::setGridStyle(GridStyle style) {
    storeAndRepaint(*this, gridStyle_, style);
}

void Diagram::setGridColor(std::shared_ptr<Color> color) {
    if (!color) return;
    const bool changed = !(*color == *gridColor_);
    gridColor_ = std::move(color);
    if (changed) invalidate();
}

void Diagram::setGridSizeX(double size) {
    if (std::isfinite(size)) storeAndRepaint(*this, gridSizeX_, size);
}

void Diagram::setGridSizeY(double size) {
    if (std::isfinite(size)) storeAndRepaint(*this, gridSizeY_, size);
}

void Diagram::setGridOffsetX(std::optional<double> offset) {
    if (offset && !std::isfinite(*offset)) return;
    storeAndRepaint(*this, gridOffsetX_, offset);
}

void Diagram::setGridOffsetY(std::optional<double> offset) {
    if (offset && !std::isfinite(*offset)) return;
    storeAndRepaint(*this, gridOffsetY_, offset);
}

void Diagram::setRoundedLinks(bool rounded) {
    storeAndRepaint(*this, roundedLinks_, rounded);
}

void Diagram::setRoundedLinksRadius(double radius) {
    if (std::isfinite(radius)) storeAndRepaint(*this, roundedLinksRadius_, radius);
}

void Diagram::setCrossingRadius(double radius) {
    if (std::isfinite(radius)) crossingRadius_ = radius;
}

void Diagram::setLinkHitDistance(double distance) {
    if (std::isfinite(distance)) linkHitDistance_ = distance;
}

void Diagram::setLinkLabelsInvalidRect(const Rect& rect) {
    if (rect.isFinite()) linkLabelsInvalidRect_ = rect;
}

void Diagram::setRouteMargin(double margin) {
    if (std::isfinite(margin)) routeMargin_ = margin;
}

void Diagram::setAdjustmentHandlesSize(double size) {
    if (std::isfinite(size)) adjustmentHandlesSize_ = size;
}

void Diagram::setThreshold(double threshold) {
    if (std::isfinite(threshold)) threshold_ = threshold;
}

void Diagram::setTouchThreshold(double threshold) {
    if (std::isfinite(threshold)) touchThreshold_ = threshold;
}

void Diagram::setRenderOptions(std::shared_ptr<RenderOptions> options) {
    if (options) renderOptions_ = std::move(options);
}

// --- Items ------------------------------------------------------------------------------------

void Diagram::attachItem(const std::shared_ptr<DiagramItem>& item, bool assignIndexes) {
    if (!item) return;
    zOrder_.push_back(item);
    itemHitAreaChanged(*item);
    item->setStandalone(false);
    item->setDiagram(weak_from_this().lock());
    if (assignIndexes) {
        const int layer = item->layerIndex() == -1 ? activeLayer_ : item->layerIndex();
        // A counter read from a file may lie past the range of z-indexes; the rest then share
        // the largest one and keep the order in which they were added.
        const int next = itemCounter_ > static_cast<unsigned long long>(INT_MAX)
                             ? INT_MAX
                             : static_cast<int>(itemCounter_);
        if (item->zIndex() == -1) item->setZIndex(next);
        item->setLayerIndex(layer);
        ++itemCounter_;
    }
    zOrderInvalid_ = true;
    invalidate();
}

bool Diagram::addItemInternal(const std::shared_ptr<DiagramItem>& item,
                              std::optional<std::size_t> position) {
    // An item listed twice would be drawn twice and outlive its own removal.
    if (!item || zOrder_.contains(item.get())) return false;
    return addNodeOrLink(item, position);
}

bool Diagram::addNodeOrLink(const std::shared_ptr<DiagramItem>& item,
                            std::optional<std::size_t> position) {
    if (auto* node = dynamic_cast<DiagramNode*>(item.get()))
        return holdsMembersOf(*node) &&
               insertNode(std::shared_ptr<DiagramNode>(item, node), position);
    if (auto* link = dynamic_cast<DiagramLink*>(item.get()))
        return addLinkInternal(std::shared_ptr<DiagramLink>(item, link), true, position);
    return false;
}

bool Diagram::insertNode(const std::shared_ptr<DiagramNode>& node,
                         std::optional<std::size_t> position) {
    {
        const HeldRepaints held(*this);
        if (position)
            nodes_.insert(*position, node);
        else
            nodes_.push_back(node);
        attachItem(node, true);
    }
    // The repaint's handlers may have taken it out again.
    return contains(*node);
}

bool Diagram::holdsEndsOf(DiagramItem& item) const {
    if (const auto* node = dynamic_cast<const DiagramNode*>(&item)) return holdsMembersOf(*node);
    if (auto* link = dynamic_cast<DiagramLink*>(&item)) return holdsLinkEnds(*link);
    return true;
}

bool Diagram::holdsMembersOf(const DiagramNode& node) const {
    for (const auto& member : node.memberNodes())
        if (member && !contains(*member)) return false;
    return true;
}

bool Diagram::holdsLinkEnds(DiagramLink& link) const {
    for (const auto& end : {link.originConnection(), link.destinationConnection()}) {
        const std::shared_ptr<DiagramNode> node = end ? end->node() : nullptr;
        if (node && node->isRealNode() && !contains(*node)) return false;
    }
    return true;
}

std::optional<std::size_t> Diagram::listPosition(const DiagramItem& item) const {
    if (const auto* node = dynamic_cast<const DiagramNode*>(&item)) return nodes_.positionOf(node);
    if (const auto* link = dynamic_cast<const DiagramLink*>(&item)) return links_.positionOf(link);
    return std::nullopt;
}

bool Diagram::addLinkInternal(const std::shared_ptr<DiagramLink>& link, bool assignIndexes,
                              std::optional<std::size_t> position) {
    return link && holdsLinkEnds(*link) && insertLink(link, assignIndexes, position);
}

bool Diagram::insertLink(const std::shared_ptr<DiagramLink>& link, bool assignIndexes,
                         std::optional<std::size_t> position) {
    {
        // Entered on its ends before any handler runs: a handler that then removes an end
        // takes the link along with it.
        const HeldRepaints held(*this);
        if (position)
            links_.insert(*position, link);
        else
            links_.push_back(link);
        if (link->autoRoute()) ++autoRoutedLinks_;
        attachItem(link, assignIndexes);
        link->alignPoints();
        link->originConnection()->addLinkToNode();
        link->destinationConnection()->addLinkToNode();
    }
    return contains(*link);
}

void Diagram::addItem(const std::shared_ptr<DiagramItem>& item) {
    if (!item || zOrder_.contains(item.get())) return;
    // The kind is told once, for the check and the addition alike.
    auto* node = dynamic_cast<DiagramNode*>(item.get());
    auto* link = node ? nullptr : dynamic_cast<DiagramLink*>(item.get());
    // Refused before any undo step is opened, so that nothing is recorded for it.
    if (node ? !holdsMembersOf(*node) : link == nullptr || !holdsLinkEnds(*link)) return;
    const std::shared_ptr<UndoManager> manager = undoManager_;
    if (!manager) {
        if (node)
            insertNode(std::shared_ptr<DiagramNode>(item, node), std::nullopt);
        else
            insertLink(std::shared_ptr<DiagramLink>(item, link), true, std::nullopt);
        return;
    }
    manager->startComposite();
    manager->executeCommand(std::make_shared<AddItemCommand>(weak_from_this().lock(), item));
    manager->commitComposite();
}

void Diagram::removeItem(const std::shared_ptr<DiagramItem>& item) {
    if (!item) return;
    const std::shared_ptr<UndoManager> manager = undoManager_;
    if (!manager) {
        removeItemInternal(item);
        return;
    }
    manager->startComposite();
    // A container lets its children go before it leaves; their membership comes back with the
    // container on undo.
    if (const auto* container = dynamic_cast<const ContainerNode*>(item.get());
        container != nullptr && !container->children().empty() && contains(*item)) {
        std::vector<std::shared_ptr<DiagramItem>> members{item};
        for (const auto& child : container->children())
            if (child) members.push_back(child);
        recordItemStates(members);
    }
    manager->executeCommand(std::make_shared<RemoveItemCommand>(weak_from_this().lock(), item));
    manager->commitComposite();
}

void Diagram::removeItemInternal(const std::shared_ptr<DiagramItem>& itemRef) {
    // The caller's reference may be an entry of a list that this removal empties.
    const std::shared_ptr<DiagramItem> item = itemRef;
    if (!item) return;
    // Handlers run once the item is out whole, its links and members let go.
    const HeldRepaints held(*this);
    if (auto* nodePtr = dynamic_cast<DiagramNode*>(item.get())) {
        const std::shared_ptr<DiagramNode> node(item, nodePtr);
        node->removeAllLinks();
        node->detach();
        // The children of a container stay on the document, at the top level, where they are.
        if (auto* container = nodePtr->memberNodes().empty()
                                  ? nullptr
                                  : dynamic_cast<ContainerNode*>(nodePtr)) {
            const ContainerNode::NodeList children = container->children();
            for (const auto& child : children)
                container->remove(child);
        }
        // A container attachment's detach takes the node out of its container's children.
        if (node->container()) {
            if (const std::shared_ptr<Attachment> attachment = node->attachment())
                attachment->detach();
        }
        nodes_.eraseFirst(node.get());
        if (node->obstacle()) rerouteLinks({node->bounds()});
    } else if (auto* link = dynamic_cast<DiagramLink*>(item.get())) {
        link->originConnection()->removeLinkFromNode();
        link->destinationConnection()->removeLinkFromNode();
        if (links_.eraseFirst(link) && link->autoRoute() && autoRoutedLinks_ > 0)
            --autoRoutedLinks_;
    }
    zOrder_.eraseFirst(item.get());
    itemLeftHitIndex(*item);
}

void Diagram::clear() {
    nodes_.clear();
    links_.clear();
    autoRoutedCountValid_ = false;
    zOrder_.clear();
    dropHitIndex();
    setTheme(nullptr);
    setStyle(nullptr);
    itemCounter_ = 0;
    undoManager_ = std::make_shared<UndoManager>(weak_from_this().lock());
    updateUndoState();
    ++contentGeneration_;
    invalidate();
}

void Diagram::updateRuntimeIndices() {
    const auto& order = zOrder_.vector();
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i]->setRuntimeIndex(static_cast<int>(i));
    }
}

// --- Drawing order ----------------------------------------------------------------------------

bool Diagram::zOrderPrecedes(const DiagramItem& a, const DiagramItem& b) const {
    const int la = a.layerIndex();
    const int lb = b.layerIndex();
    if (la == lb) {
        if (a.zIndex() != b.zIndex()) return a.zIndex() < b.zIndex();
        return a.runtimeIndex() < b.runtimeIndex();
    }
    if (la < 0) return lb >= 0 || la < lb;
    if (lb < 0) return false;
    const Layer* layerA = validLayer(la);
    const Layer* layerB = validLayer(lb);
    if (!layerA && !layerB) return la < lb;
    if (!layerB) return true;
    if (!layerA) return false;
    if (layerA->zIndex() != layerB->zIndex()) return layerA->zIndex() < layerB->zIndex();
    return la < lb;
}

void Diagram::updateZOrder() {
    const bool ranksChanged =
        !std::equal(layers_.begin(), layers_.end(), sortedLayerRanks_.begin(),
                    sortedLayerRanks_.end(),
                    [](const std::shared_ptr<Layer>& layer, const std::optional<int>& rank) {
                        return layer ? rank == layer->zIndex() : !rank;
                    });
    if (!zOrderInvalid_ && !ranksChanged) return;
    if (ranksChanged) {
        sortedLayerRanks_.clear();
        for (const auto& layer : layers_)
            sortedLayerRanks_.push_back(layer ? std::optional<int>(layer->zIndex()) : std::nullopt);
        // Which link lies above which changed with the order: every link's crossings go.
        linkGeometry_.clear();
    }
    updateRuntimeIndices();
    // The same order as zOrderPrecedes, from one key per item: items without a layer by layer
    // index, then items on valid layers by the layer's rank and index, then those past the end
    // by index; within a layer by z-index, then by the position just numbered.
    zOrder_.sortByKey([this](const DiagramItem& item) {
        const int layer = item.layerIndex();
        int group = 0;
        int rank = layer;
        int index = 0;
        if (layer >= 0) {
            if (const Layer* valid = validLayer(layer)) {
                group = 1;
                rank = valid->zIndex();
                index = layer;
            } else {
                group = 2;
            }
        }
        return std::make_tuple(group, rank, index, item.zIndex(), item.runtimeIndex());
    });
    zOrderInvalid_ = false;
    if (!anyContainerCreated()) return;

    const auto& order = zOrder_.vector();
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i]->setRuntimeIndex(static_cast<int>(i));
        order[i]->setTopLevel(true);
    }
    updateContainerZOrders();
}

void Diagram::updateContainerZOrders() {
    rebuildContainerZOrders(nodes());
}

const Layer* Diagram::validLayer(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= layers_.size()) return nullptr;
    return layers_[static_cast<std::size_t>(index)].get();
}

bool Diagram::isItemVisible(const DiagramItem& item) const {
    if (!item.visible()) return false;
    if (!item.topLevel()) {
        if (const auto* node = dynamic_cast<const DiagramNode*>(&item)) {
            if (node->getFoldedContainer()) return false;
        } else if (const auto* constLink = dynamic_cast<const DiagramLink*>(&item)) {
            // The link's end queries are not const; asking them changes nothing.
            auto* link = const_cast<DiagramLink*>(constLink);
            const std::shared_ptr<DiagramNode> origin = link->origin();
            const std::shared_ptr<DiagramNode> destination = link->destination();
            const auto folded = origin ? origin->getFoldedContainer() : nullptr;
            if (folded && destination && folded == destination->getFoldedContainer()) {
                return false;
            }
        }
    }
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
    if (repaintsHeld_ > 0) {
        repaintWaiting_ = true;
        return;
    }
    RepaintEventArgs args(std::nullopt);
    repaint_.raise(*this, args);
}

void Diagram::invalidate(const Rect& rect) {
    if (repaintsHeld_ > 0 || !rect.isFinite()) {
        invalidate();
        return;
    }
    RepaintEventArgs args(rect);
    repaint_.raise(*this, args);
}

// The hold holds the document itself too, where something shares it: a handler raised when the
// hold ends may drop the last other reference to it.
void Diagram::HeldRepaints::release() {
    diagram_.repaintWaiting_ = false;
    diagram_.invalidate();
}

void Diagram::rerouteLinks(const std::vector<Rect>& rects) {
    const double margin = routeMargin_ >= 0 ? routeMargin_ : Router::defaultMargin;
    std::vector<Rect> areas;
    for (const Rect& r : rects)
        if (r.isFinite()) areas.push_back(Rect::inflate(r, margin, margin));
    if (areas.empty()) return;

    if (!autoRoutedCountValid_) {
        autoRoutedLinks_ = 0;
        for (const auto& link : links_.vector())
            if (link && link->autoRoute()) ++autoRoutedLinks_;
        autoRoutedCountValid_ = true;
    }
    if (autoRoutedLinks_ == 0) return;

    std::vector<std::shared_ptr<DiagramLink>> selected;
    for (const auto& link : links()) {
        if (!link || !link->autoRoute()) continue;
        const Rect bounds = link->getBounds();
        for (const Rect& area : areas) {
            if (area.intersectsWith(bounds)) {
                selected.push_back(link);
                break;
            }
        }
    }
    if (selected.empty()) return;
    linkRouter()->routeLinkSet(selected);
    // Applying the routes has already let each link's shape lay its points out; doing it a
    // second time would treat a Bezier link's points as a new route and add to them.
    for (const auto& link : selected)
        link->updateFromPoints();
}

const std::shared_ptr<Router>& Diagram::linkRouter() {
    if (!linkRouter_) linkRouter_ = std::make_shared<Router>(weak_from_this().lock());
    return linkRouter_;
}

bool Diagram::arrange(const std::shared_ptr<Layout>& layout) {
    if (!layout) return false;
    recordAllItemStates();
    if (!LayoutUtils::arrangeContainer(*layout, *this)) {
        // Taken back whole: nothing to undo.
        cancelCompositeOperation();
        return false;
    }
    commitCompositeOperation();
    invalidate();
    return true;
}

// --- Selection --------------------------------------------------------------------------------

const std::shared_ptr<Selection>& Diagram::selection() {
    if (!selection_) selection_ = std::make_shared<Selection>(weak_from_this().lock());
    return selection_;
}

const std::shared_ptr<Factory>& Diagram::factory() {
    if (!factory_) factory_ = std::make_shared<Factory>(weak_from_this().lock());
    return factory_;
}

std::vector<std::shared_ptr<DiagramItem>> Diagram::selectedItems() const {
    std::vector<std::shared_ptr<DiagramItem>> result;
    for (const auto& item : zOrder_.vector()) {
        if (item->selected()) result.push_back(item);
    }
    return result;
}

std::vector<std::shared_ptr<DiagramNode>> Diagram::selectedNodes() const {
    std::vector<std::shared_ptr<DiagramNode>> result;
    for (const auto& node : nodes_.vector()) {
        if (node->selected()) result.push_back(node);
    }
    return result;
}

std::vector<std::shared_ptr<DiagramLink>> Diagram::selectedLinks() const {
    std::vector<std::shared_ptr<DiagramLink>> result;
    for (const auto& link : links_.vector()) {
        if (link->selected()) result.push_back(link);
    }
    return result;
}

void Diagram::clearSelection() {
    for (const auto& item : zOrder_.vector())
        item->setSelected(false);
}

void Diagram::changeSelection(const std::shared_ptr<DiagramItem>& item) {
    clearSelection();
    if (item) item->setSelected(true);
}

// --- Default context menu ---------------------------------------------------------------------

void Diagram::deleteItemWithEvents(const std::shared_ptr<DiagramItem>& item) {
    if (!item) return;
    const std::shared_ptr<Diagram> d = item->diagram();
    // An item taken out keeps its document: deleting it again would raise the events and
    // record a second removal of something no longer there.
    if (!d || !d->contains(*item)) return;
    const auto node = std::dynamic_pointer_cast<DiagramNode>(item);
    const auto link = node ? nullptr : std::dynamic_pointer_cast<DiagramLink>(item);
    if (node) {
        NodeValidationEventArgs args(node, Rect());
        d->nodeDeleting().raise(*d, args);
        if (args.cancel()) return;
    } else if (link) {
        LinkValidationEventArgs args(link, Point(), -1, std::make_shared<VirtualNode>(), -1, -1);
        d->linkDeleting().raise(*d, args);
        if (args.cancel()) return;
    }
    // A handler that took the item out itself, or emptied or reloaded the document, left
    // nothing to remove: a removal now would be an empty step, reported as a second deletion.
    if (!d->contains(*item)) return;
    d->removeItem(item);
    if (node) {
        NodeEventArgs args(node, Point(), NodeHandleType::none);
        d->nodeDeleted().raise(*d, args);
    } else if (link) {
        LinkEventArgs args(link, Point(), -1);
        d->linkDeleted().raise(*d, args);
    }
}

// --- Undo -------------------------------------------------------------------------------------

void Diagram::setUndoEnabled(bool enabled) {
    if (enabled == undoEnabled()) return;
    undoManager_ = enabled ? std::make_shared<UndoManager>(weak_from_this().lock()) : nullptr;
    updateUndoState();
}

void Diagram::setUndoManager(std::shared_ptr<UndoManager> manager) {
    undoManager_ = std::move(manager);
    updateUndoState();
}

void Diagram::updateUndoState() {
    if (!undoManager_) {
        canUndo_ = false;
        canRedo_ = false;
        return;
    }
    const int count = static_cast<int>(undoManager_->undoHistory().size());
    canUndo_ = undoManager_->undoIndex() >= 0;
    canRedo_ = undoManager_->undoIndex() < count - 1;
}

void Diagram::undo() {
    // Held here: a command may switch undo off or clear the document while it runs.
    const std::shared_ptr<UndoManager> manager = undoManager_;
    if (!manager) return;
    manager->undo();
    invalidate();
}

void Diagram::redo() {
    const std::shared_ptr<UndoManager> manager = undoManager_;
    if (!manager) return;
    manager->redo();
    invalidate();
}

void Diagram::startCompositeOperation() {
    if (undoManager_) undoManager_->startComposite();
}

void Diagram::commitCompositeOperation() {
    if (const std::shared_ptr<UndoManager> manager = undoManager_) manager->commitComposite();
}

void Diagram::cancelCompositeOperation() {
    if (undoManager_) undoManager_->cancelComposite();
}

void Diagram::executeCommand(const std::shared_ptr<Command>& command) {
    if (const std::shared_ptr<UndoManager> manager = undoManager_) manager->executeCommand(command);
}

void Diagram::recordItemStates(const std::vector<std::shared_ptr<DiagramItem>>& items) {
    const std::shared_ptr<UndoManager> manager = undoManager_;
    if (!manager) return;
    const std::shared_ptr<Diagram> self = weak_from_this().lock();
    for (const auto& item : items) {
        // An item of content that a handler has since emptied or read anew is no longer this
        // history's to undo: its step would write into an item nobody sees.
        if (!item || !contains(*item)) continue;
        manager->recordCommand(std::make_shared<ChangeItemCommand>(self, item, item->saveState()));
    }
}

void Diagram::recordAllItemStates() {
    const std::shared_ptr<UndoManager> manager = undoManager_;
    if (!manager) return;
    manager->startComposite();
    recordItemStates(zOrder_.vector());
}

}  // namespace nodeloom
