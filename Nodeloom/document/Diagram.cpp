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

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/AddItemCommand.h"
#include "Nodeloom/document/ChangeItemCommand.h"
#include "Nodeloom/document/ClassDescriptor.h"
#include "Nodeloom/document/Command.h"
#include "Nodeloom/document/CompositeCommand.h"
#include "Nodeloom/document/DiagramStatic.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/links/LinkLabelLayout.h"
#include "Nodeloom/foundation/RectIndex.h"
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
// Hook: Diagram::arrange and ContainerNode::arrange run a layout.
#include "Nodeloom/layout/LayoutUtils.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/Router.h"
#include "Nodeloom/platform/AtomicFile.h"
#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/Jpeg.h"

namespace nodeloom {

namespace {

bool isFinite(const Rect& r) {
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) &&
           std::isfinite(r.height);
}

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

// Every document reads the bundled file again into the one shared library; without the file the
// library keeps what it has.
void Diagram::loadShapeLibrary() {
    const std::string path = platform::Bundle::pathForResource("shapes", "xml");
    if (path.empty()) return;
    XmlDomBuilder builder;
    builder.parseFile(path);
    XmlContext context;
    if (builder.root()) defaultShapes()->loadFromXml(builder.root(), context);
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
    if (!isFinite(bounds)) return;
    storeAndRepaint(*this, bounds_, bounds);
}

void Diagram::setMeasureUnit(std::shared_ptr<MeasureUnit> unit) {
    if (!unit) return;
    const bool changed = !(*unit == *measureUnit_);
    measureUnit_ = std::move(unit);
    if (changed) invalidate();
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
    if (isFinite(rect)) linkLabelsInvalidRect_ = rect;
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

bool Diagram::addItemInternal(const std::shared_ptr<DiagramItem>& item) {
    // An item listed twice would be drawn twice and outlive its own removal.
    if (!item || zOrder_.contains(item.get())) return false;
    return addNodeOrLink(item);
}

bool Diagram::addNodeOrLink(const std::shared_ptr<DiagramItem>& item) {
    if (auto* node = dynamic_cast<DiagramNode*>(item.get())) {
        std::shared_ptr<DiagramNode> shared(item, node);
        nodes_.push_back(shared);
        attachItem(shared, true);
        return true;
    }
    if (auto* link = dynamic_cast<DiagramLink*>(item.get())) {
        addLinkInternal(std::shared_ptr<DiagramLink>(item, link), true);
        return true;
    }
    return false;
}

void Diagram::addLinkInternal(const std::shared_ptr<DiagramLink>& link, bool assignIndexes) {
    if (!link) return;
    links_.push_back(link);
    if (link->autoRoute()) ++autoRoutedLinks_;
    attachItem(link, assignIndexes);
    link->alignPoints();
    link->originConnection()->addLinkToNode();
    link->destinationConnection()->addLinkToNode();
}

void Diagram::addItem(const std::shared_ptr<DiagramItem>& item) {
    if (!item || zOrder_.contains(item.get())) return;
    const std::shared_ptr<UndoManager> manager = undoManager_;
    if (!manager) {
        addNodeOrLink(item);
        return;
    }
    if (!dynamic_cast<DiagramNode*>(item.get()) && !dynamic_cast<DiagramLink*>(item.get())) return;
    manager->startComposite();
    manager->executeCommand(std::make_shared<AddItemCommand>(this, item));
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
    manager->executeCommand(std::make_shared<RemoveItemCommand>(this, item));
    manager->commitComposite();
}

void Diagram::removeItemInternal(const std::shared_ptr<DiagramItem>& itemRef) {
    // The caller's reference may be an entry of a list that this removal empties.
    const std::shared_ptr<DiagramItem> item = itemRef;
    if (!item) return;
    if (auto* nodePtr = dynamic_cast<DiagramNode*>(item.get())) {
        const std::shared_ptr<DiagramNode> node(item, nodePtr);
        node->removeAllLinks();
        node->detach();
        // A container's own list of children comes with the composite nodes; until then a node
        // has no container to leave.
        nodes_.eraseFirst(node.get());
        if (node->obstacle()) rerouteLinks({node->bounds()});
    } else if (auto* link = dynamic_cast<DiagramLink*>(item.get())) {
        link->originConnection()->removeLinkFromNode();
        link->destinationConnection()->removeLinkFromNode();
        if (links_.eraseFirst(link) && link->autoRoute() && autoRoutedLinks_ > 0)
            --autoRoutedLinks_;
    }
    zOrder_.eraseFirst(item.get());
}

void Diagram::clear() {
    nodes_.clear();
    links_.clear();
    autoRoutedGeneration_ = ~0ull;
    zOrder_.clear();
    setTheme(nullptr);
    setStyle(nullptr);
    itemCounter_ = 0;
    undoManager_ = std::make_shared<UndoManager>(this);
    updateUndoState();
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
    if (!zOrderInvalid_) return;
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
    // Containers keep no drawing order of their own yet: until they do, the document draws
    // their children with everything else.
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

void Diagram::rerouteLinks(const std::vector<Rect>& rects) {
    const double margin = routeMargin_ >= 0 ? routeMargin_ : Router::defaultMargin;
    std::vector<Rect> areas;
    for (const Rect& r : rects)
        if (isFinite(r)) areas.push_back(Rect::inflate(r, margin, margin));
    if (areas.empty()) return;

    if (autoRoutedGeneration_ != DiagramLink::autoRouteGeneration()) {
        autoRoutedLinks_ = 0;
        for (const auto& link : links())
            if (link && link->autoRoute()) ++autoRoutedLinks_;
        autoRoutedGeneration_ = DiagramLink::autoRouteGeneration();
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
    if (!linkRouter_) linkRouter_ = std::make_shared<Router>(this);
    return linkRouter_;
}

void Diagram::arrange(const std::shared_ptr<Layout>& layout) {
    if (!layout) return;
    recordAllItemStates();
    LayoutUtils::arrangeContainer(*layout, *this);
    commitCompositeOperation();
    invalidate();
}

std::shared_ptr<DiagramNode> Diagram::getNodeAt(Point point, bool excludeLocked) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) return nullptr;
    updateZOrder();
    const auto& order = zOrder_.vector();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const auto node = std::dynamic_pointer_cast<DiagramNode>(*it);
        if (!node || !node->topLevel()) continue;
        if (auto hit = std::dynamic_pointer_cast<DiagramNode>(
                node->hitTest(point, 0.0, true, excludeLocked)))
            return hit;
    }
    return nullptr;
}

std::shared_ptr<DiagramNode> Diagram::getNearestNode(Point point, double maxDistance,
                                                     const std::shared_ptr<DiagramNode>& ignored,
                                                     bool onlyInteractive) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y) || std::isnan(maxDistance))
        return nullptr;
    std::shared_ptr<DiagramNode> best;
    double bestDistance = std::numeric_limits<double>::max();
    for (const auto& node : nodes_.vector()) {
        if (!node || node == ignored) continue;
        if (onlyInteractive && (!node->visible() || node->locked())) continue;
        const Rect r = node->bounds();
        const double x =
            std::clamp(point.x, std::min(r.x, r.x + r.width), std::max(r.x, r.x + r.width));
        const double y =
            std::clamp(point.y, std::min(r.y, r.y + r.height), std::max(r.y, r.y + r.height));
        const double distance = std::hypot(point.x - x, point.y - y);
        if (distance < maxDistance && distance < bestDistance) {
            best = node;
            bestDistance = distance;
        }
    }
    return best;
}

// --- Drawing ----------------------------------------------------------------------------------

namespace {

// The largest picture side that image export makes, in pixels.
constexpr double kMaxImageSide = 32767;
// However large a refreshed area is, the grid draws no more lines than this per axis, and no more
// points than this in all; beyond, it draws every k-th line, still on the grid.
constexpr double kMaxGridLines = 1 << 16;
constexpr double kMaxGridPoints = 1 << 20;

}  // namespace

struct Diagram::LinkIndex {
    LinkIndex(std::vector<std::shared_ptr<DiagramLink>> entries, std::vector<int> places,
              const std::vector<Rect>& bounds)
        : links(std::move(entries)), positions(std::move(places)), grid(bounds) {}

    std::vector<std::shared_ptr<DiagramLink>> links;
    std::vector<int> positions;
    RectIndex grid;
};

const Diagram::LinkIndex& Diagram::linkIndex() {
    if (!linkIndex_) {
        std::vector<std::shared_ptr<DiagramLink>> links;
        std::vector<int> positions;
        std::vector<Rect> bounds;
        const auto& order = zOrder_.vector();
        for (std::size_t i = 0; i < order.size(); ++i) {
            auto link = std::dynamic_pointer_cast<DiagramLink>(order[i]);
            if (!link) continue;
            bounds.push_back(link->getBounds());
            links.push_back(std::move(link));
            positions.push_back(static_cast<int>(i));
        }
        linkIndex_ = std::make_shared<LinkIndex>(std::move(links), std::move(positions), bounds);
    }
    return *linkIndex_;
}

std::vector<std::shared_ptr<DiagramLink>> Diagram::getLinksInZOrder(bool below, int index) const {
    const auto& order = zOrder_.vector();
    const long n = static_cast<long>(order.size());
    const long from = std::min(static_cast<long>(index), n);
    std::vector<std::shared_ptr<DiagramLink>> result;
    if (below) {
        for (long i = from - 1; i >= 0; --i) {
            if (auto link =
                    std::dynamic_pointer_cast<DiagramLink>(order[static_cast<std::size_t>(i)]))
                result.push_back(std::move(link));
        }
    } else {
        for (long i = std::max(from + 1, 0L); i < n; ++i) {
            if (auto link =
                    std::dynamic_pointer_cast<DiagramLink>(order[static_cast<std::size_t>(i)]))
                result.push_back(std::move(link));
        }
    }
    return result;
}

std::vector<std::shared_ptr<DiagramLink>> Diagram::getLinksInZOrder(bool below, int index,
                                                                    const Rect& bounds) {
    const long n = static_cast<long>(zOrder_.size());
    const long from = std::min(static_cast<long>(index), n);
    const LinkIndex& found = linkIndex();
    std::vector<int> hits;
    found.grid.query(bounds, [&](int id) {
        const long position = found.positions[static_cast<std::size_t>(id)];
        if (below ? position >= from : position <= from) return;
        if (RectIndex::overlaps(bounds, found.grid.rect(id))) hits.push_back(id);
    });
    // Nearest in the drawing order first.
    std::sort(hits.begin(), hits.end(), [&](int a, int b) {
        const int pa = found.positions[static_cast<std::size_t>(a)];
        const int pb = found.positions[static_cast<std::size_t>(b)];
        return below ? pa > pb : pa < pb;
    });
    std::vector<std::shared_ptr<DiagramLink>> result;
    result.reserve(hits.size());
    for (int id : hits)
        result.push_back(found.links[static_cast<std::size_t>(id)]);
    // Outside a draw links may change at any time, so the index is not kept.
    if (!drawing_) linkIndex_.reset();
    return result;
}

void Diagram::dropStaleLinkCrossings() {
    if (linkCrossings_ == LinkCrossings::straight) return;
    ++geometrySweep_;
    std::vector<Rect> changed;
    for (const auto& link : links_.vector()) {
        auto [it, added] = linkGeometry_.try_emplace(link.get());
        LinkGeometry& seen = it->second;
        const bool bezier = link->shape() == LinkShape::bezier;
        if (added || seen.points != link->controlPoints() || seen.visible != link->visible() ||
            seen.bezier != bezier || seen.zIndex != link->zIndex() ||
            seen.layerIndex != link->layerIndex()) {
            const Rect now = link->getBounds();
            if (!added) changed.push_back(seen.bounds);
            changed.push_back(now);
            seen.points = link->controlPoints();
            seen.bounds = now;
            seen.visible = link->visible();
            seen.bezier = bezier;
            seen.zIndex = link->zIndex();
            seen.layerIndex = link->layerIndex();
        }
        seen.sweep = geometrySweep_;
    }
    for (auto it = linkGeometry_.begin(); it != linkGeometry_.end();) {
        if (it->second.sweep == geometrySweep_) {
            ++it;
            continue;
        }
        changed.push_back(it->second.bounds);
        it = linkGeometry_.erase(it);
    }
    if (changed.empty()) return;
    const LinkIndex& found = linkIndex();
    for (const Rect& area : changed) {
        found.grid.query(area, [&](int id) {
            if (RectIndex::overlaps(area, found.grid.rect(id)))
                found.links[static_cast<std::size_t>(id)]->removeRuntimeData(
                    RuntimeDataKey::linkCrossings);
        });
    }
}

void Diagram::draw(Canvas& canvas, const Rect& rect) {
    const Rect area = isFinite(rect) ? rect : bounds_;
    updateZOrder();
    labelLayoutInvalid_ = true;
    layoutLinkLabels(area);
    updateRuntimeIndices();

    drawing_ = true;
    linkIndex_.reset();
    dropStaleLinkCrossings();

    canvas.saveState();
    canvas.setBrush(getEffectiveBackBrush());
    canvas.fillRect(bounds_);
    if (showGrid_) drawGrid(canvas, area);
    drawItems(canvas);
    for (const auto& item : selectedItems())
        item->drawHandles(canvas);
    canvas.restoreState();

    drawing_ = false;
    linkIndex_.reset();
}

void Diagram::drawGrid(Canvas& canvas, const Rect& area) {
    cairo_t* cr = canvas.context();
    const double gx = gridSizeX_;
    const double gy = gridSizeY_;
    if (cr == nullptr || !isFinite(area) || !gridColor_) return;
    if (!(gx > 0) || !(gy > 0) || !std::isfinite(gx) || !std::isfinite(gy)) return;
    const double px = MeasureUnit::Pixel()->convert(1.0, *measureUnit_, this);
    if (!(px > 0) || !std::isfinite(px)) return;
    // Only the part that can show: what lies outside the context's clip is never seen.
    Rect rect = area;
    double cx1, cy1, cx2, cy2;
    cairo_clip_extents(cr, &cx1, &cy1, &cx2, &cy2);
    if (std::isfinite(cx1) && std::isfinite(cy1) && std::isfinite(cx2) && std::isfinite(cy2)) {
        const double left = std::max(rect.x, cx1), top = std::max(rect.y, cy1);
        const double right = std::min(rect.x + rect.width, cx2);
        const double bottom = std::min(rect.y + rect.height, cy2);
        if (!(right > left) || !(bottom > top)) return;
        rect = Rect(left, top, right - left, bottom - top);
    }

    // The first grid line at or after the rectangle's start, allowing one pixel before it.
    const auto first = [px](double g, const std::optional<double>& offset, double r) {
        const double e = offset ? *offset - g * std::floor(*offset / g) : g / 2;
        const double f = std::fabs(r - g * std::floor(r / g));
        const double s = -e - px > -f ? g - f : -f;
        return r + s + e;
    };
    // A grid finer than a pixel draws every k-th line, so that lines stay a pixel apart.
    const auto stepOf = [px](double g) { return g < px ? g * std::ceil(px / g) : g; };
    const double x0 = first(gx, gridOffsetX_, rect.x);
    const double y0 = first(gy, gridOffsetY_, rect.y);
    double sx = stepOf(gx);
    double sy = stepOf(gy);
    const double right = rect.x + rect.width;
    const double bottom = rect.y + rect.height;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(sx) || !std::isfinite(sy))
        return;
    double columns = std::max(std::ceil((right - x0) / sx), 0.0);
    double rows = std::max(std::ceil((bottom - y0) / sy), 0.0);
    const auto thin = [](double& step, double& count, double limit) {
        if (count <= limit) return;
        const double k = std::ceil(count / limit);
        step *= k;
        count = std::ceil(count / k);
    };
    thin(sx, columns, kMaxGridLines);
    thin(sy, rows, kMaxGridLines);
    if (gridStyle_ == GridStyle::points && columns * rows > kMaxGridPoints) {
        const double k = std::ceil(std::sqrt(columns * rows / kMaxGridPoints));
        thin(sx, columns, std::ceil(columns / k));
        thin(sy, rows, std::ceil(rows / k));
    }

    const CairoColor color = Typecast::toCairoColor(*gridColor_);
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
    if (gridStyle_ == GridStyle::lines) {
        for (double i = 0; i < columns; ++i) {
            const double x = x0 + i * sx;
            if (!(x < right)) break;
            cairo_move_to(cr, x, rect.y);
            cairo_line_to(cr, x, bottom);
            cairo_stroke(cr);
        }
        for (double j = 0; j < rows; ++j) {
            const double y = y0 + j * sy;
            if (!(y < bottom)) break;
            cairo_move_to(cr, rect.x, y);
            cairo_line_to(cr, right, y);
            cairo_stroke(cr);
        }
    } else {
        for (double i = 0; i < columns; ++i) {
            const double x = x0 + i * sx;
            if (!(x < right)) break;
            for (double j = 0; j < rows; ++j) {
                const double y = y0 + j * sy;
                if (!(y < bottom)) break;
                cairo_rectangle(cr, x, y, px, px);
            }
            cairo_fill(cr);
        }
    }
    cairo_restore(cr);
}

void Diagram::drawItems(Canvas& canvas) {
    // A copy, and the options held: an item's drawing cannot disturb the walk.
    const std::vector<std::shared_ptr<DiagramItem>> order = zOrder_.vector();
    const std::shared_ptr<RenderOptions> options = renderOptions_;
    for (const auto& item : order) {
        if (!item->isTopLevel() || !isItemVisible(*item)) continue;
        if (options->enableShadows()) item->drawShadow(canvas, *options);
        item->draw(canvas, *options);
    }
}

std::shared_ptr<platform::ImageSurface> Diagram::createImage() {
    if (!measureUnit_ || !isFinite(bounds_)) return nullptr;
    const Rect pixels = measureUnit_->convert(bounds_, MeasureUnit::Pixel());
    if (!isFinite(pixels)) return nullptr;
    const double width = std::trunc(pixels.width);
    const double height = std::trunc(pixels.height);
    if (!(width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide))
        return nullptr;

    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_RGB24, static_cast<int>(width), static_cast<int>(height));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_t* cr = cairo_create(surface);
    {
        // Cairo's y axis already grows downwards, as the document's does.
        Canvas canvas(cr);
        canvas.setMeasureUnit(measureUnit_);
        canvas.translateTransform(-bounds_.x, -bounds_.y);
        draw(canvas, bounds_);
    }
    const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    std::shared_ptr<platform::ImageSurface> image;
    if (drawn) image = platform::ImageSurface::fromSurface(surface, 1.0);
    cairo_surface_destroy(surface);
    return image;
}

bool Diagram::exportImage(const std::filesystem::path& filePath, const std::string& imageType) {
    const bool png = imageType == "public.png";
    const bool jpeg = imageType == "public.jpeg";
    if (!png && !(jpeg && platform::Jpeg::available())) return false;
    if (filePath.empty()) return false;
    const std::shared_ptr<platform::ImageSurface> image = createImage();
    if (!image) return false;
    const std::vector<std::uint8_t> bytes = png ? image->pngData() : platform::Jpeg::encode(*image);
    if (bytes.empty()) return false;
    return platform::writeFileAtomically(
        filePath, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Size Diagram::measureString(const std::string& text, const std::string& fontName, double fontSize,
                            const std::shared_ptr<MeasureUnit>& fontUnit, const Rect& layoutRect,
                            HorizontalAlignment alignment, bool bold, bool italic, bool underline) {
    Canvas canvas(measureUnit_);
    canvas.setFont(fontName, fontSize, fontUnit);
    const std::shared_ptr<TextFrame> frame =
        canvas.createTextFrame(text, layoutRect, alignment, bold, italic, underline);
    if (!frame) return Size(0, 0);
    return Size(canvas.measureFrameWidth(frame), canvas.measureFrameHeight(frame));
}

void Diagram::layoutLinkLabels(const Rect& rect) {
    if (!labelLayoutInvalid_) return;
    Rect area = rect;
    const Rect& pending = linkLabelsInvalidRect_;
    if (pending.x != 0 || pending.y != 0 || pending.width != 0 || pending.height != 0)
        area = area.union_(pending);
    linkLabelsInvalidRect_ = Rect();
    arrangeLinkLabels(area);
    labelLayoutInvalid_ = false;
}

void Diagram::arrangeLinkLabels(const Rect& rect) {
    if (!isFinite(rect)) return;
    LinkLabelLayout::arrange(*this, rect);
}

// --- Selection --------------------------------------------------------------------------------

const std::shared_ptr<Selection>& Diagram::selection() {
    if (!selection_) selection_ = std::make_shared<Selection>(weak_from_this().lock());
    return selection_;
}

const std::shared_ptr<Factory>& Diagram::factory() {
    if (!factory_) factory_ = std::make_shared<Factory>(this);
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

// The radial menu is a widget of the view, which fills only a menu shown in one; no view exists
// yet, so no menu can qualify.
void Diagram::fillDefaultContextMenu(Object&, ContextMenuEventArgs&) {}

void Diagram::deleteItemWithEvents(const std::shared_ptr<DiagramItem>& item) {
    if (!item) return;
    const std::shared_ptr<Diagram> d = item->diagram();
    if (!d) return;
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
    undoManager_ = enabled ? std::make_shared<UndoManager>(this) : nullptr;
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
    for (const auto& item : items) {
        if (!item) continue;
        manager->recordCommand(std::make_shared<ChangeItemCommand>(this, item, item->saveState()));
    }
}

void Diagram::recordAllItemStates() {
    const std::shared_ptr<UndoManager> manager = undoManager_;
    if (!manager) return;
    manager->startComposite();
    recordItemStates(zOrder_.vector());
}

// --- Hit testing, content bounds and the grid ---------------------------------------------------
//
// The queries walk the drawing order by position and take each item by value, so that an item
// whose hit test changes the document (a removed item leaves an empty slot until the list is
// next read whole) cannot invalidate the walk.

std::shared_ptr<DiagramItem> Diagram::getItemAt(Point point,
                                                const std::function<bool(DiagramItem&)>& filter) {
    updateZOrder();
    const auto& order = zOrder_.vector();
    for (std::size_t i = order.size(); i-- > 0;) {
        if (i >= order.size()) continue;
        const std::shared_ptr<DiagramItem> item = order[i];
        if (!item || !item->topLevel()) continue;
        if (auto hit = item->hitTest(point, filter)) return hit;
    }
    return nullptr;
}

std::shared_ptr<DiagramItem> Diagram::getItemAt(Point point, bool excludeLocked, double threshold) {
    if (std::isnan(threshold)) threshold = 0.0;
    if (threshold > 0) {
        if (auto exact = getItemAt(point, excludeLocked, 0.0)) return exact;
    }
    updateZOrder();
    const auto& order = zOrder_.vector();
    for (std::size_t i = order.size(); i-- > 0;) {
        if (i >= order.size()) continue;
        const std::shared_ptr<DiagramItem> item = order[i];
        if (!item || !item->topLevel()) continue;
        if (auto hit = item->hitTest(point, threshold, false, excludeLocked)) return hit;
    }
    return nullptr;
}

std::shared_ptr<DiagramLink> Diagram::getLinkAt(Point point) {
    updateZOrder();
    const auto& order = zOrder_.vector();
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::shared_ptr<DiagramItem> item = order[i];
        auto link = std::dynamic_pointer_cast<DiagramLink>(item);
        if (link && link->containsPoint(point)) return link;
    }
    return nullptr;
}

std::shared_ptr<Manipulator> Diagram::hitTestManipulator(Point point) {
    updateZOrder();
    const auto& order = zOrder_.vector();
    for (std::size_t i = order.size(); i-- > 0;) {
        if (i >= order.size()) continue;
        const std::shared_ptr<DiagramItem> item = order[i];
        if (!item || !isItemVisible(*item) || !isItemInteractive(*item)) continue;
        if (auto manipulator = item->hitTestManipulators(point)) return manipulator;
    }
    return nullptr;
}

Rect Diagram::getContentBounds(bool onlyVisible) {
    std::optional<Rect> content;
    const auto& order = zOrder_.vector();
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::shared_ptr<DiagramItem> item = order[i];
        if (!item || (onlyVisible && !item->visible())) continue;
        Rect r = item->getBoundingRect();
        const double stroke = item->getEffectiveStrokeThickness();
        r.inflate(stroke, stroke);
        if (const std::shared_ptr<Diagram> owner = item->diagram()) {
            const double handles = owner->adjustmentHandlesSize();
            r.inflate(handles, handles);
        }
        // One item with a broken number must not spoil the extent of all the others.
        if (!isFinite(r)) continue;
        const double left = std::min(r.x, content ? content->x : r.x);
        const double top = std::min(r.y, content ? content->y : r.y);
        const double right =
            std::max(r.x + r.width, content ? content->x + content->width : r.x + r.width);
        const double bottom =
            std::max(r.y + r.height, content ? content->y + content->height : r.y + r.height);
        content = Rect(left, top, right - left, bottom - top);
    }
    return content.value_or(Rect(0.0, 0.0, 0.0, 0.0));
}

void Diagram::resizeToFitItems(double margin) {
    resizeToFitItems(margin, false);
}

void Diagram::resizeToFitItems(double margin, bool onlyVisible) {
    if (zOrder_.empty()) return;
    const Rect r = getContentBounds(onlyVisible);
    setBounds(Rect(r.x - margin, r.y - margin, r.width + 2 * margin, r.height + 2 * margin));
}

namespace {

// One coordinate on a grid of cell size `size` whose lines pass through `offset` (half a cell
// when there is no offset). A size that is not a positive finite number is no grid at all.
double alignToGridLine(double value, double size, const std::optional<double>& offset) {
    if (!std::isfinite(value) || !std::isfinite(size) || size <= 0.0) return value;
    double effective = size / 2;
    if (offset && std::isfinite(*offset)) {
        effective = *offset - size * std::floor(*offset / size);
        // Rounding can leave a value a hair outside the cell.
        if (!(effective >= 0.0 && effective < size)) effective = 0.0;
    }
    const double aligned = effective + size * std::round((value - effective) / size);
    return std::isfinite(aligned) ? aligned : value;
}

}  // namespace

Point Diagram::alignPointToGrid(Point point) const {
    if (!alignToGrid_) return point;
    return Point(alignToGridLine(point.x, gridSizeX_, gridOffsetX_),
                 alignToGridLine(point.y, gridSizeY_, gridOffsetY_));
}

Rect Diagram::alignRectToGrid(const Rect& rect) const {
    if (!alignToGrid_) return rect;
    const Point corner = alignPointToGrid(Point(rect.x, rect.y));
    return Rect(corner.x, corner.y, rect.width, rect.height);
}

bool Diagram::isItemTouchingRect(DiagramItem& item, const Rect& rect) {
    return item.intersects(rect);
}

bool Diagram::isItemInsideRect(DiagramItem& item, const Rect& rect) {
    const Rect b = item.getBoundingRect();
    return rect.x < b.x && b.x + b.width < rect.x + rect.width && rect.y < b.y &&
           b.y + b.height < rect.y + rect.height;
}

// --- Documents ----------------------------------------------------------------------------------

namespace {

namespace fs = std::filesystem;

// The item number as the context reads it: an optional sign and decimal digits that fit an int.
std::optional<int> decimalAttribute(const XmlElement& element, const std::string& name) {
    const auto it = element.attributes().find(name);
    if (it == element.attributes().end()) return std::nullopt;
    std::string_view text = it->second;
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-') return std::nullopt;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

enum class ItemKind { node, link };

// Whether an item element may be read in the section of the given kind. It is decided before
// the element is read, since reading an item can already tie it to the items it refers to.
bool belongsToSection(const XmlContext& context, const XmlElement& element, int id, ItemKind kind) {
    const auto known = context.readItems().find(id);
    if (known != context.readItems().end()) {
        const bool isLink = dynamic_cast<const DiagramLink*>(known->second.get()) != nullptr;
        const bool isNode = dynamic_cast<const DiagramNode*>(known->second.get()) != nullptr;
        return kind == ItemKind::link ? isLink : isNode;
    }
    const auto classId = element.attributes().find("Class");
    if (classId == element.attributes().end()) return false;
    const bool linkClass = classId->second == "std:DiagramLink";
    return kind == ItemKind::link ? linkClass : !linkClass;
}

}  // namespace

bool Diagram::loadFromXml(const std::string& resourceName) {
    const std::size_t dot = resourceName.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string path =
        platform::Bundle::pathForResource(std::string_view(resourceName).substr(0, dot),
                                          std::string_view(resourceName).substr(dot + 1));
    if (path.empty()) return false;
    return loadFromXml(fs::path(path));
}

bool Diagram::loadFromXml(const char* resourceName) {
    return resourceName != nullptr && loadFromXml(std::string(resourceName));
}

bool Diagram::loadFromXml(const fs::path& url) {
    // The builder keeps what it built before a fault; only a whole, well-formed file may
    // replace the document.
    auto builder = std::make_shared<XmlDomBuilder>();
    if (!builder->parseFile(url)) return false;
    return loadFromXml(builder->root());
}

bool Diagram::loadFromXml(const std::shared_ptr<XmlElement>& root) {
    // Everything that can refuse the document is decided here; from here on every flaw is met
    // with a default or by skipping the element, so the load either runs through or never began.
    if (!root || root->name() != "Diagram") return false;

    const bool hadUndo = undoManager_ != nullptr;
    undoManager_ = nullptr;
    updateUndoState();

    for (const auto& node : nodes_.vector()) {
        if (auto& collapsed = node->collapsedSet()) collapsed->clear();
    }

    brush_ = nullptr;
    theme_ = nullptr;
    style_ = nullptr;
    bounds_ = Rect(0.0, 0.0, 0.0, 0.0);
    nodes_.clear();
    links_.clear();
    autoRoutedGeneration_ = ~0ull;
    roundedLinks_ = false;
    roundedLinksRadius_ = 0.0;
    crossingRadius_ = 0.0;
    linkCrossings_ = LinkCrossings::straight;
    zOrder_.clear();

    XmlContext context;
    const std::shared_ptr<Diagram> self = weak_from_this().lock();
    context.setDiagram(self);
    // A document without a readable version is read in the current form.
    if (!context.readVersion(root)) context.setFileVersion(XmlContext::latestVersion());

    if (const std::shared_ptr<XmlElement> resources = root->getChild("Resources")) {
        context.readBrushes(resources);
        context.readImages(resources);
        context.readStyles(resources);
    }

    if (const std::shared_ptr<XmlElement> properties = root->getChild("Properties")) {
        readDiagramProperties(properties, context);
    }

    std::unordered_set<int> ids;
    const auto readSection = [&](const char* sectionName, ItemKind kind) {
        const std::shared_ptr<XmlElement> section = root->getChild(sectionName);
        if (!section) return;
        for (const auto& element : section->children()) {
            if (!element) continue;
            const std::optional<int> id = decimalAttribute(*element, "Id");
            // Every item needs its own number: references find items by it.
            if (!id || ids.count(*id) != 0) continue;
            if (!belongsToSection(context, *element, *id, kind)) continue;
            const std::shared_ptr<DiagramItem> item = context.readItem(element);
            if (!item) continue;
            ids.insert(*id);
            if (kind == ItemKind::node) {
                auto node = std::dynamic_pointer_cast<DiagramNode>(item);
                if (!node || zOrder_.contains(node.get())) continue;
                nodes_.push_back(node);
                zOrder_.push_back(node);
            } else {
                auto link = std::dynamic_pointer_cast<DiagramLink>(item);
                if (!link || zOrder_.contains(link.get())) continue;
                links_.push_back(link);
                zOrder_.push_back(link);
            }
        }
    };
    readSection("Nodes", ItemKind::node);
    readSection("Links", ItemKind::link);

    setStyle(context.readStyle("Style", root));
    setTheme(loadTheme(root, "Theme", context));

    zOrderInvalid_ = false;
    const std::vector<std::shared_ptr<DiagramItem>> loaded = zOrder_.vector();
    for (const auto& item : loaded) {
        item->setStandalone(false);
        item->setDiagram(self);
        item->onLoad();
    }
    // The numbers read from the file break ties, so the drawing order is the one saved.
    std::vector<std::shared_ptr<DiagramItem>> sorted = loaded;
    std::stable_sort(
        sorted.begin(), sorted.end(),
        [this](const std::shared_ptr<DiagramItem>& a, const std::shared_ptr<DiagramItem>& b) {
            return zOrderPrecedes(*a, *b);
        });
    zOrder_.clear();
    for (auto& item : sorted)
        zOrder_.push_back(std::move(item));

    if (itemCounter_ == 0) itemCounter_ = zOrder_.size();
    setUndoEnabled(hadUndo);
    return true;
}

void Diagram::readDiagramProperties(const std::shared_ptr<XmlElement>& element,
                                    XmlContext& context) {
    const XmlElement& properties = *element;
    itemCounter_ = properties.readUInt("ItemCounter", 0);
    const std::int64_t unitId = properties.readInteger("MeasureUnit", 0);
    if (unitId >= INT_MIN && unitId <= INT_MAX) {
        setMeasureUnit(MeasureUnit::fromId(static_cast<int>(unitId)));
    }
    if (properties.getChild("Bounds")) {
        setBounds(Rect::fromString(properties.readString("Bounds", std::string())));
    }
    setBrush(context.readBrush("Brush", element));
    setAlignToGrid(properties.readBool("AlignToGrid", true));
    setShowGrid(properties.readBool("ShowGrid", false));
    const std::int64_t gridStyle = properties.readInteger("GridStyle", 0);
    if (gridStyle >= INT_MIN && gridStyle <= INT_MAX) {
        if (const auto style = fromRaw<GridStyle>(static_cast<int>(gridStyle))) {
            setGridStyle(*style);
        }
    }
    setGridColor(properties.readColor("GridColor", gridColor_));
    setGridSizeX(properties.readDouble("GridSizeX", gridSizeX_));
    setGridSizeY(properties.readDouble("GridSizeY", gridSizeY_));
    setGridOffsetX(properties.readDoubleOpt("GridOffsetX"));
    setGridOffsetY(properties.readDoubleOpt("GridOffsetY"));
    setExpandOnIncoming(properties.readBool("ExpandOnIncoming", false));
    setAllowUnconnectedLinks(properties.readBool("AllowUnconnectedLinks", false));
    setAllowSelfLoops(properties.readBool("AllowSelfLoops", true));
}

bool Diagram::saveToXml(const fs::path& url) {
    return platform::writeFileAtomically(url, saveToXmlString());
}

void Diagram::saveToXml(const std::shared_ptr<XmlDomBuilder>& builder) {
    if (!builder) return;
    const std::shared_ptr<XmlElement> root = builder->createElement("Diagram");
    root->attributes()["Version"] = std::to_string(XmlContext::latestVersion());
    builder->addChild(root);
    Diagram::writeDiagramContent(builder, root);
}

std::string Diagram::saveToXmlString() {
    auto builder = std::make_shared<XmlDomBuilder>();
    saveToXml(builder);
    return builder->getXmlContent();
}

void Diagram::writeDiagramContent(const std::shared_ptr<XmlDomBuilder>& builder,
                                  const std::shared_ptr<XmlElement>& root) {
    if (!builder || !root) return;
    // Items are numbered by their place in the drawing order, which a load restores from the
    // numbers; an order still waiting to be sorted would be saved as it was never drawn.
    updateZOrder();
    updateRuntimeIndices();
    XmlContext context(builder, XmlContext::latestVersion());

    const auto writeItems = [&](const char* sectionName, const char* itemName, const auto& items) {
        const std::shared_ptr<XmlElement> section = context.addChildElement(sectionName, root);
        for (std::size_t i = 0; i < items.size(); ++i) {
            const auto item = items[i];
            if (!item) continue;
            const std::shared_ptr<XmlElement> element = builder->createElement(itemName);
            section->addChild(element);
            context.writeItemClassAttributes(item, element, "Class");
            element->attributes()["Id"] = std::to_string(item->runtimeIndex());
            item->saveToXml(element, context);
        }
    };
    writeItems("Nodes", "Node", nodes_.vector());
    writeItems("Links", "Link", links_.vector());

    Diagram::writeDiagramProperties("Properties", root, context);

    const std::shared_ptr<XmlElement> resources = context.addChildElement("Resources", root);
    context.writeBrushes(resources);
    context.writeImages(resources);
}

void Diagram::writeDiagramProperties(const std::string& name,
                                     const std::shared_ptr<XmlElement>& parent,
                                     XmlContext& context) {
    const std::shared_ptr<XmlElement> properties = context.addChildElement(name, parent);
    if (!properties) return;
    context.writeUInt(itemCounter_, "ItemCounter", properties);
    context.writeBool(allowUnconnectedLinks_, "AllowUnconnectedLinks", properties);
    context.writeBool(allowSelfLoops_, "AllowSelfLoops", properties);
    context.writeBool(alignToGrid_, "AlignToGrid", properties);
    context.writeBool(showGrid_, "ShowGrid", properties);
    context.writeEnum(gridStyle_, "GridStyle", properties);
    context.writeColor(gridColor_, "GridColor", properties);
    context.writeDouble(gridSizeX_, "GridSizeX", properties);
    context.writeDouble(gridSizeY_, "GridSizeY", properties);
    context.writeDoubleOpt(gridOffsetX_, "GridOffsetX", properties);
    context.writeDoubleOpt(gridOffsetY_, "GridOffsetY", properties);
    context.writeRectangle(bounds_, "Bounds", properties);
    context.writeBrush(brush_, "Brush", properties);
    context.writeInt(measureUnit_ ? measureUnit_->id() : 0, "MeasureUnit", properties);
    context.writeBool(roundedLinks_, "RoundedLinks", properties);
    context.writeDouble(roundedLinksRadius_, "RoundedLinksRadius", properties);
    context.writeBool(expandOnIncoming_, "ExpandOnIncoming", properties);
    context.writeDouble(adjustmentHandlesSize_, "AdjustmentHandlesSize", properties);
}

}  // namespace nodeloom
