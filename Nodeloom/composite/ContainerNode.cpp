#include "Nodeloom/composite/ContainerNode.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "Nodeloom/composite/ContainerNodeState.h"
#include "Nodeloom/composite/Folder.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/DiagramMediator.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/GraphicsPath.h"
#include "Nodeloom/foundation/Matrix.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/RenderOptions.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/ContainerAttachment.h"
#include "Nodeloom/layout/LayoutUtils.h"  // Hook: arrange runs a layout
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkShapeImpl.h"

namespace nodeloom {

namespace {

// The children, then the children of each nested container right after that container, in the
// order they were added; each node once, so that a damaged membership that loops ends.
ContainerNode::NodeList descendantsInOrder(const ContainerNode& root) {
    ContainerNode::NodeList result;
    std::unordered_set<const DiagramNode*> seen{&root};
    struct Frame {
        const ContainerNode* container;
        std::size_t next;
    };
    std::vector<Frame> stack{{&root, 0}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        const auto& children = top.container->children();
        if (top.next >= children.size()) {
            stack.pop_back();
            continue;
        }
        const std::shared_ptr<DiagramNode> child = children[top.next++];
        if (!child || !seen.insert(child.get()).second) continue;
        result.push_back(child);
        if (const auto* nested = dynamic_cast<const ContainerNode*>(child.get()))
            stack.push_back({nested, 0});
    }
    return result;
}

// The children, then the inner links, appended to the target's drawing order, none of them drawn
// by the document.
void appendContent(const ContainerNode& container,
                   const std::vector<std::shared_ptr<DiagramLink>>& innerLinks,
                   ContainerNode& target) {
    auto& order = target.zOrder();
    for (const auto& child : container.children()) {
        order.push_back(child);
        child->setTopLevel(false);
    }
    for (const auto& link : innerLinks) {
        order.push_back(link);
        link->setTopLevel(false);
    }
}

// A number read from the element, or the default when it is missing or not finite.
double readFinite(const XmlElement& element, std::string_view name, double defaultValue) {
    const double value = element.readDouble(name, defaultValue);
    return std::isfinite(value) ? value : defaultValue;
}

}  // namespace

ContainerNode::ContainerNode() {
    noteContainerCreated();
}

ContainerNode::~ContainerNode() = default;

std::shared_ptr<ContainerNode> ContainerNode::self() {
    return std::static_pointer_cast<ContainerNode>(weak_from_this().lock());
}

void ContainerNode::invalidateZOrder() {
    if (const std::shared_ptr<Diagram> d = diagram()) {
        d->setZOrderInvalid(true);
        d->invalidate();
    }
}

// --- Membership ------------------------------------------------------------------------------

void ContainerNode::add(const std::shared_ptr<DiagramNode>& node) {
    if (!node || node.get() == this) return;
    if (node->container().get() == this) return;
    if (master().get() == node.get()) return;
    if (const auto* other = dynamic_cast<const ContainerNode*>(node.get());
        other != nullptr && other->isAncestorOf(*this)) {
        return;
    }
    // The child refers to its container weakly; one that no shared pointer holds cannot be a
    // master.
    const std::shared_ptr<ContainerNode> me = self();
    if (!me || !admits(*node)) return;
    if (const std::shared_ptr<Attachment> old = node->attachment()) old->detach();
    node->setAttachment(std::make_shared<ContainerAttachment>(me, node));
    children_.push_back(node);
    invalidateZOrder();
}

bool ContainerNode::admits(const DiagramNode& node) const {
    // A container that no document holds is being put together and takes any node; one in a
    // document takes only the document's own, so that no member is ever drawn, moved or saved
    // with a document that does not hold it.
    const std::shared_ptr<Diagram> d = diagram();
    if (!d || !d->contains(*this)) return true;
    return d->contains(node);
}

void ContainerNode::remove(const std::shared_ptr<DiagramNode>& node) {
    if (!node) return;
    const auto it = std::find(children_.begin(), children_.end(), node);
    if (it == children_.end()) return;
    const std::shared_ptr<DiagramNode> child = *it;
    children_.erase(it);
    // A child whose attachment was replaced behind the container's back keeps the new one.
    if (child->container().get() == this) child->setAttachment(nullptr);
    invalidateZOrder();
}

bool ContainerNode::isAncestorOf(const DiagramNode& node) const {
    // Containment never loops in a sound document; a damaged one must not hang the walk. The
    // second walker goes twice as fast and meets the first only on a loop.
    std::shared_ptr<ContainerNode> slow = node.container();
    std::shared_ptr<ContainerNode> fast = slow;
    while (slow) {
        if (slow.get() == this) return true;
        slow = slow->container();
        for (int step = 0; step < 2 && fast; ++step)
            fast = fast->container();
        if (slow && slow == fast) {
            // Everything before the loop has been seen; the loop itself is walked once.
            for (auto c = slow->container(); c != slow; c = c->container()) {
                if (c.get() == this) return true;
            }
            return slow.get() == this;
        }
    }
    return false;
}

void ContainerNode::setChildren(const NodeList& nodes) {
    const NodeList current = children_;
    for (const auto& child : current)
        remove(child);
    for (const auto& node : nodes)
        add(node);
}

// --- Fitting ---------------------------------------------------------------------------------

std::optional<Rect> ContainerNode::getChildrenBounds(bool includeLinks) {
    if (children_.empty()) return std::nullopt;
    std::optional<Rect> result;
    for (const auto& child : children_)
        result = Rect::union_(result, getRotatedBounds(child->bounds(), child->rotationAngle()));
    if (!includeLinks) return result;

    // A link listed by two children runs between them; a child's self-loop is listed once.
    std::unordered_map<const DiagramLink*, int> counts;
    const NodeList children = children_;
    for (const auto& child : children) {
        for (const auto& link : child->getAllLinks())
            ++counts[link.get()];
    }
    for (const auto& child : children) {
        for (const auto& link : child->getAllLinks()) {
            auto it = counts.find(link.get());
            if (it == counts.end() || it->second != 2) continue;
            it->second = 0;  // joined once
            result = Rect::union_(result, link->getBounds());
        }
    }
    return result;
}

void ContainerNode::setBoundsMovingLinks(const Rect& rect) {
    const std::shared_ptr<ContainerNode> me = self();
    if (!me) {
        setBoundsAndRepaint(rect);
        return;
    }
    DiagramMediator mediator(me, DiagramMediator::linkRules());
    setBoundsAndRepaint(rect);
    mediator.updateDependents();
}

void ContainerNode::resizeToFitChildren(bool exact, std::optional<double> margin) {
    // Fitting passes outwards; containers attached to each other in a loop by hand must not
    // pass it round for ever.
    if (fitting_) return;
    const std::optional<Rect> r = getChildrenBounds(true);
    if (!r) return;
    fitting_ = true;
    const double m = margin && std::isfinite(*margin) ? *margin : margin_;
    Rect candidate(r->x - m, r->y - m - captionHeight_, r->width + 2 * m,
                   r->height + 2 * m + captionHeight_);
    if (!exact) candidate = Rect::union_(candidate, bounds());
    const std::shared_ptr<ContainerNode> me = self();
    setBoundsMovingLinks(candidate);
    // The children did not move while the container's corner may have: their offsets from the
    // corner are taken again, or the next move of the container would shift them by the
    // difference.
    for (const auto& child : children_) {
        if (child->container().get() != this) continue;
        if (const std::shared_ptr<Attachment> attachment = child->attachment())
            attachment->updateOffsets();
    }
    if (const std::shared_ptr<ContainerNode> parent = container(); parent && me)
        parent->onChildrenModified({me}, NodeHandleType::resizeTopLeft);
    fitting_ = false;
}

void ContainerNode::onChildrenModified(const NodeList& nodes, NodeHandleType handleType) {
    if (handleType == NodeHandleType::move && allowRemoveChildren_ && !nodes.empty()) {
        std::optional<Rect> moved;
        for (const auto& node : nodes) {
            if (node) moved = Rect::union_(moved, getRotatedBounds(node->bounds(),
                                                                    node->rotationAngle()));
        }
        const Rect b = bounds();
        if (moved) {
            const Rect& u = *moved;
            const bool inside = b.x < u.x && u.right() < b.right() && b.y < u.y &&
                                u.bottom() < b.bottom();
            const bool touching = u.y <= b.bottom() && b.y <= u.bottom() && b.x <= u.right() &&
                                  u.x <= b.right();
            if (!inside && !touching) {
                for (const auto& node : nodes)
                    remove(node);
            }
        }
    }
    resizeToFitChildren(false, std::nullopt);
}

// --- Content ---------------------------------------------------------------------------------

std::shared_ptr<GraphicsPath> ContainerNode::getClientAreaPath() {
    const Rect b = bounds();
    const double ch = captionHeight_;
    if (!(b.width > 0 && b.height - ch > 0)) return nullptr;
    auto path = std::make_shared<GraphicsPath>();
    path->addRect(Rect(b.x, b.y + ch, b.width, b.height - ch));
    if (rotationAngle() != 0) {
        Matrix turn;
        turn.rotateAt(rotationAngle(), b.x + b.width / 2, b.y + b.height / 2);
        path->transform(turn);
    }
    return path;
}

void ContainerNode::visitChildrenInRect(const Rect& rect, bool intersecting,
                                        const Visitor& visitor) {
    const std::shared_ptr<Diagram> d = diagram();
    if (!d || !visitor || folded_ || !d->isItemVisible(*this)) return;
    // A copy: the visitor may change the content.
    const ItemList content = zOrder_;
    for (const auto& item : content) {
        if (!item) continue;
        const bool meets =
            intersecting ? d->isItemTouchingRect(*item, rect) : d->isItemInsideRect(*item, rect);
        if (d->isItemInteractive(*item) && meets) visitor(item);
        if (auto* nested = dynamic_cast<ContainerNode*>(item.get());
            nested != nullptr && nested != this && nested->intersects(rect)) {
            nested->visitChildrenInRect(rect, intersecting, visitor);
        }
    }
}

void ContainerNode::collectChildLinkFlags(LinkCounts& counts) {
    std::vector<const ContainerNode*> path;
    collectChildLinkFlags(counts, path);
}

void ContainerNode::collectChildLinkFlags(LinkCounts& counts,
                                          std::vector<const ContainerNode*>& path) {
    path.push_back(this);
    const NodeList children = children_;
    for (const auto& child : children) {
        for (const auto& link : child->getAllLinks())
            counts[link] += link->origin() == link->destination() ? 2 : 1;
        auto* nested = dynamic_cast<ContainerNode*>(child.get());
        if (nested == nullptr || std::find(path.begin(), path.end(), nested) != path.end())
            continue;
        LinkCounts below;
        nested->collectChildLinkFlags(below, path);
        for (const auto& [link, count] : below)
            counts[link] += count;
    }
    for (auto& entry : counts) {
        if (entry.second >= 2) ++entry.second;
    }
    path.pop_back();
}

std::vector<std::shared_ptr<DiagramLink>> ContainerNode::getInnerLinks() {
    LinkCounts counts;
    collectChildLinkFlags(counts);
    // In the order the descendants list them, rather than the map's.
    std::vector<std::shared_ptr<DiagramLink>> links;
    std::unordered_set<const DiagramLink*> listed;
    for (const auto& node : descendantsInOrder(*this)) {
        for (const auto& link : node->getAllLinks()) {
            const auto it = counts.find(link);
            if (it != counts.end() && it->second == 3 && listed.insert(link.get()).second)
                links.push_back(link);
        }
    }
    return links;
}

std::vector<std::shared_ptr<DiagramLink>> ContainerNode::layoutLinks() const {
    // The walk only reads the links of the descendants.
    return const_cast<ContainerNode*>(this)->getInnerLinks();
}

// --- Folding ---------------------------------------------------------------------------------

void ContainerNode::setFolded(bool folded) {
    if (folded == folded_) return;
    folded_ = folded;
    if (folded) {
        foldSteps();
    } else {
        unfoldSteps();
    }
}

void ContainerNode::fold() {
    // Folding a folded container again would take the strip for the size to restore.
    if (folded_) return;
    setFolded(true);
}

void ContainerNode::foldSteps() {
    const Rect b = bounds();
    unfoldedSize_ = Size(b.width, b.height);
    deselectDescendants();
    setBoundsMovingLinks(getFoldedBounds());
    updateChildLinksForFold();
    if (const std::shared_ptr<Diagram> d = diagram()) d->invalidate();
}

void ContainerNode::unfoldSteps() {
    const Rect b = bounds();
    setBoundsMovingLinks(Rect(b.x, b.y, unfoldedSize_.width, unfoldedSize_.height));
    updateChildLinks();
    if (const std::shared_ptr<Diagram> d = diagram()) d->invalidate();
}

Rect ContainerNode::getFoldedBounds() const {
    const std::shared_ptr<Diagram> d = diagram();
    const std::shared_ptr<MeasureUnit> unit =
        d && d->measureUnit() ? d->measureUnit() : MeasureUnit::Millimeter();
    const double width = MeasureUnit::Millimeter()->convert(1.0, unit) * 50;
    const Rect b = bounds();
    return Rect(b.x, b.y, width, captionHeight_);
}

void ContainerNode::updateChildLinks() {
    std::vector<const ContainerNode*> path;
    updateChildLinks(false, path);
}

void ContainerNode::updateChildLinksForFold() {
    std::vector<const ContainerNode*> path;
    updateChildLinks(true, path);
}

void ContainerNode::updateChildLinks(bool forFold, std::vector<const ContainerNode*>& path) {
    path.push_back(this);
    const NodeList children = children_;
    for (const auto& child : children) {
        DiagramNode::LinkList links = child->getAllIncomingLinks();
        const DiagramNode::LinkList outgoing = child->getAllOutgoingLinks();
        links.insert(links.end(), outgoing.begin(), outgoing.end());
        for (const auto& link : links) {
            if (!link) continue;
            if (forFold) {
                // A link between two direct children stays hidden as it is.
                const std::shared_ptr<DiagramNode> origin = link->origin();
                const std::shared_ptr<DiagramNode> destination = link->destination();
                if (origin && destination && origin->master().get() == this &&
                    destination->master().get() == this) {
                    continue;
                }
            }
            link->setStartPoint(link->originConnection()->positionFromNode());
            link->setEndPoint(link->destinationConnection()->positionFromNode());
            link->shapeImpl()->adjustAfterEndsMoved(*link);
        }
        auto* nested = dynamic_cast<ContainerNode*>(child.get());
        if (nested != nullptr && std::find(path.begin(), path.end(), nested) == path.end())
            nested->updateChildLinks(forFold, path);
    }
    path.pop_back();
}

void ContainerNode::deselectDescendants() {
    if (!diagram()) return;
    for (const auto& link : getDescendantLinks())
        link->setSelected(false);
    for (const auto& node : descendantsInOrder(*this))
        node->setSelected(false);
}

ContainerNode::LinkSet ContainerNode::getDescendantLinks() {
    NodeSet nodes;
    collectDescendantNodes(nodes);
    LinkSet links;
    for (const auto& node : nodes) {
        for (const auto& link : node->getAllIncomingLinks()) {
            if (link && nodes.count(link->origin()) != 0) links.insert(link);
        }
        for (const auto& link : node->getAllOutgoingLinks()) {
            if (link && nodes.count(link->destination()) != 0) links.insert(link);
        }
    }
    return links;
}

void ContainerNode::collectDescendantNodes(NodeSet& nodes) {
    for (const auto& node : descendantsInOrder(*this))
        nodes.insert(node);
}

// --- Properties ------------------------------------------------------------------------------

std::shared_ptr<Folder> ContainerNode::folder() const {
    if (!foldable_) return nullptr;
    // Made on first use: the button refers back to the container, which the container cannot
    // hand out while it is being constructed.
    if (!folder_) {
        auto me = std::const_pointer_cast<ContainerNode>(
            std::static_pointer_cast<const ContainerNode>(weak_from_this().lock()));
        folder_ = std::make_shared<Folder>(me);
    }
    return folder_;
}

void ContainerNode::setFoldable(bool foldable) {
    if (foldable == foldable_) return;
    foldable_ = foldable;
    if (!foldable) folder_.reset();
    repaint();
}

void ContainerNode::setCaptionHeight(double height) {
    if (!std::isfinite(height)) return;
    captionHeight_ = height;
    repaint();
}

void ContainerNode::setClipChildren(bool clip) {
    clipChildren_ = clip;
    repaint();
}

void ContainerNode::setUnfoldedSize(const Size& size) {
    if (!std::isfinite(size.width) || !std::isfinite(size.height)) return;
    unfoldedSize_ = size;
}

void ContainerNode::setMargin(double margin) {
    if (std::isfinite(margin)) margin_ = margin;
}

// --- Drawing and hit testing -----------------------------------------------------------------

void ContainerNode::draw(Canvas& canvas, const RenderOptions& options) {
    DiagramNode::draw(canvas, options);
    if (folded_) return;
    if (!(captionHeight_ < bounds().height)) return;

    bool clipped = false;
    if (clipChildren_ && !zOrder_.empty()) {
        if (const std::shared_ptr<GraphicsPath> path = getClientAreaPath()) {
            canvas.saveState();
            canvas.clipToPath(*path);
            clipped = true;
        }
    }
    if (const std::shared_ptr<Diagram> d = diagram()) {
        // Copies: an item's drawing cannot disturb the walk.
        const ItemList content = zOrder_;
        const std::shared_ptr<RenderOptions> documentOptions = d->renderOptions();
        const RenderOptions& used = documentOptions ? *documentOptions : options;
        for (const auto& item : content) {
            if (!item || item->isTopLevel() || !d->isItemVisible(*item)) continue;
            if (used.enableShadows()) item->drawShadow(canvas, used);
            item->draw(canvas, used);
        }
    }
    if (clipped) canvas.restoreState();
}

void ContainerNode::drawLocal(Canvas& canvas, const RenderOptions&) {
    const Rect b = bounds();
    if (const std::shared_ptr<Color> stroke = getEffectiveStroke()) canvas.setStroke(*stroke);
    // The canvas takes a thickness of exactly 0 as one device pixel.
    canvas.setStrokeThickness(getEffectiveStrokeThickness());
    canvas.setBrush(getEffectiveBrush());
    canvas.drawRect(0.0, 0.0, b.width, b.height);
    if (captionHeight_ > 0) canvas.drawLine(0.0, captionHeight_, b.width, captionHeight_);
    canvas.setFont(getEffectiveFontName(), getEffectiveFontSize(), getEffectiveFontUnit());
    canvas.setTextColor(getEffectiveTextColor());
    canvas.drawText(text(), Rect(0.0, 0.0, b.width, captionHeight_), horizontalTextAlignment(),
                    verticalTextAlignment(), false, false, false);
}

void ContainerNode::drawManipulators(Canvas& canvas) {
    DiagramNode::drawManipulators(canvas);
    if (const std::shared_ptr<Folder> button = folder()) button->draw(canvas);
}

std::shared_ptr<Manipulator> ContainerNode::hitTestManipulators(Point point) {
    if (const std::shared_ptr<Folder> button = folder(); button && button->hitTest(point))
        return button;
    return DiagramNode::hitTestManipulators(point);
}

std::shared_ptr<DiagramItem> ContainerNode::hitTest(Point point, const ItemFilter& filter) {
    if (const std::shared_ptr<Diagram> d = diagram(); d && !d->isItemVisible(*this)) return nullptr;
    if (!folded_) {
        const ItemList content = zOrder_;
        for (auto it = content.rbegin(); it != content.rend(); ++it) {
            if (!*it) continue;
            if (auto hit = (*it)->hitTest(point, filter)) return hit;
        }
    }
    return DiagramNode::hitTest(point, filter);
}

std::shared_ptr<DiagramItem> ContainerNode::hitTest(Point point, double threshold, bool onlyNodes,
                                                    bool onlyInteractive) {
    if (const std::shared_ptr<Diagram> d = diagram(); d && !d->isItemVisible(*this)) return nullptr;
    if (!folded_) {
        const ItemList content = zOrder_;
        for (auto it = content.rbegin(); it != content.rend(); ++it) {
            if (!*it || (onlyNodes && dynamic_cast<DiagramLink*>(it->get()) != nullptr)) continue;
            if (auto hit = (*it)->hitTest(point, threshold, onlyNodes, onlyInteractive))
                return hit;
        }
    }
    return DiagramNode::hitTest(point, threshold, onlyNodes, onlyInteractive);
}

void ContainerNode::setVisible(bool visible) {
    DiagramNode::setVisible(visible);
    if (!folded_ && !visible) deselectDescendants();
}

void ContainerNode::onLoad() {
    invalidateZOrder();
}

// --- Styles, class and XML -------------------------------------------------------------------

std::shared_ptr<Style> ContainerNode::resolveInheritedStyle(
    const StylePredicate& predicate, const std::shared_ptr<Theme>& theme) const {
    if (theme && predicate) {
        const auto it = theme->styles().find("ContainerNode");
        if (it != theme->styles().end() && it->second && predicate(*it->second)) return it->second;
    }
    return DiagramNode::resolveInheritedStyle(predicate, theme);
}

// --- Arranging -------------------------------------------------------------------------------

void ContainerNode::arrange(const std::shared_ptr<Layout>& layout) {
    if (!layout) return;
    // The fit runs inside the arrangement's check: a fit that would reach a number no document
    // can hold is taken back with the rest, and the container stays as it was.
    const double margins = layout->margins();
    LayoutUtils::arrangeContainer(*layout, *this, [this, margins] { fitAfterArrange(margins); });
}

void ContainerNode::fitAfterArrange(double margins) {
    const NodeList children = children_;
    for (const auto& child : children) {
        if (!child || child->container().get() != this) continue;
        if (const std::shared_ptr<Attachment> attachment = child->attachment())
            attachment->updateOffsets();
    }
    if (!folded_) {
        resizeToFitChildren(true, margins);
        return;
    }
    // A folded container keeps its strip; the children's new rectangle is what unfolding shows.
    const std::optional<Rect> r = getChildrenBounds(true);
    if (!r) return;
    const double m = std::isfinite(margins) ? margins : margin_;
    const Rect b = bounds();
    const Size size(r->right() + m - b.x, r->bottom() + m - b.y);
    if (size.width > 0 && size.height > 0) setUnfoldedSize(size);
}

std::string ContainerNode::getClassId() const {
    return "std:ContainerNode";
}

Metatype<DiagramItem> ContainerNode::getClassType() const {
    return Metatype<DiagramItem>([] { return std::make_shared<ContainerNode>(); }, getClassId());
}

void ContainerNode::saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    DiagramNode::saveToXml(element, context);
    context.writeDouble(captionHeight_, "CaptionHeight", element);
    context.writeDouble(margin_, "Margin", element);
    context.writeBool(allowAddChildren_, "AllowAddChildren", element);
    context.writeBool(allowRemoveChildren_, "AllowRemoveChildren", element);
    context.writeBool(clipChildren_, "ClipChildren", element);
}

void ContainerNode::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    DiagramNode::loadFromXml(element, context);
    if (text().empty()) setText(element->readString("Caption", ""));
    setCaptionHeight(readFinite(*element, "CaptionHeight", 0.0));
    setClipChildren(element->readBool("ClipChildren", true));
    setMargin(readFinite(*element, "Margin", 3.0));
    setAllowAddChildren(element->readBool("AllowAddChildren", true));
    setAllowRemoveChildren(element->readBool("AllowRemoveChildren", true));
}

// --- Undo state ------------------------------------------------------------------------------

std::shared_ptr<DiagramItemState> ContainerNode::createState() {
    return std::make_shared<ContainerNodeState>();
}

std::shared_ptr<DiagramItemState> ContainerNode::saveState() {
    std::shared_ptr<DiagramItemState> state = DiagramNode::saveState();
    if (auto* s = dynamic_cast<ContainerNodeState*>(state.get())) {
        s->setCaptionHeight(captionHeight_);
        s->setAllowAddChildren(allowAddChildren_);
        s->setAllowRemoveChildren(allowRemoveChildren_);
        s->setMargin(margin_);
        s->setFoldable(foldable_);
        s->setFolded(folded_);
        s->setUnfoldedSize(unfoldedSize_);
        s->setChildren(children_);
    }
    return state;
}

void ContainerNode::restoreState(const DiagramItemState& state) {
    DiagramNode::restoreState(state);
    const auto* s = dynamic_cast<const ContainerNodeState*>(&state);
    if (s == nullptr) return;
    setCaptionHeight(s->captionHeight());
    setAllowAddChildren(s->allowAddChildren());
    setAllowRemoveChildren(s->allowRemoveChildren());
    setMargin(s->margin());
    setFoldable(s->foldable());
    setFolded(s->folded());
    setUnfoldedSize(s->unfoldedSize());

    // Held: the state may be the children's last owner while they are added.
    const NodeList restored = s->children();
    const std::unordered_set<const DiagramNode*> wanted = [&restored] {
        std::unordered_set<const DiagramNode*> set;
        for (const auto& child : restored)
            set.insert(child.get());
        return set;
    }();
    const NodeList current = std::move(children_);
    children_.clear();
    for (const auto& child : current) {
        if (child && !wanted.count(child.get()) && child->container().get() == this)
            child->setAttachment(nullptr);
    }
    invalidateZOrder();
    // The states of a step are restored in no particular order: a child whose own state already
    // named this container (or that never left it) is listed again as it is, so membership comes
    // out the same whichever of the two was restored first.
    std::unordered_set<const DiagramNode*> listed;
    for (const auto& child : restored) {
        if (!child || !listed.insert(child.get()).second) continue;
        if (child->container().get() == this) {
            // A node that left the document since the state was taken stays out of it.
            if (!admits(*child)) {
                child->setAttachment(nullptr);
                continue;
            }
            children_.push_back(child);
            // Offsets from the container's corner as it now stands.
            if (const std::shared_ptr<Attachment> attachment = child->attachment())
                attachment->updateOffsets();
        } else {
            add(child);
        }
    }
}

// --- Drawing order ---------------------------------------------------------------------------

void appendContentToZOrder(ContainerNode& container, ContainerNode& target) {
    appendContent(container, container.getInnerLinks(), target);
}

void rebuildContainerZOrders(const std::vector<std::shared_ptr<DiagramNode>>& nodes) {
    std::vector<ContainerNode*> containers;
    for (const auto& node : nodes) {
        if (auto* container = dynamic_cast<ContainerNode*>(node.get())) {
            container->zOrder().clear();
            containers.push_back(container);
        }
    }
    if (containers.empty()) return;

    // Who holds whom, as the containers' own lists say.
    std::unordered_map<const DiagramNode*, ContainerNode*> parentOf;
    for (ContainerNode* container : containers) {
        for (const auto& child : container->children())
            parentOf.emplace(child.get(), container);
    }
    const auto parent = [&parentOf](const DiagramNode* node) -> ContainerNode* {
        const auto it = parentOf.find(node);
        return it == parentOf.end() ? nullptr : it->second;
    };

    // Each container's depth, found once; a damaged membership that loops is cut where the walk
    // meets a container it is still measuring.
    std::unordered_map<const ContainerNode*, int> depthOf;
    const auto depth = [&](ContainerNode* start) {
        std::vector<ContainerNode*> chain;
        std::unordered_set<const ContainerNode*> onChain;
        int base = 0;
        for (ContainerNode* c = start; c != nullptr; c = parent(c)) {
            if (const auto it = depthOf.find(c); it != depthOf.end()) {
                base = it->second + 1;
                break;
            }
            if (!onChain.insert(c).second) break;
            chain.push_back(c);
        }
        for (auto it = chain.rbegin(); it != chain.rend(); ++it)
            depthOf[*it] = base++;
        return depthOf[start];
    };
    for (ContainerNode* container : containers)
        depth(container);
    const auto depthIn = [&depthOf](const ContainerNode* c) {
        const auto it = depthOf.find(c);
        return it == depthOf.end() ? 0 : it->second;
    };

    // A link is an inner link of the innermost container holding both its ends: the nearest
    // common container of the two ends' containers.
    const std::size_t limit = containers.size() + 1;
    const auto owner = [&](DiagramLink& link) -> ContainerNode* {
        ContainerNode* a = parent(link.origin().get());
        ContainerNode* b = parent(link.destination().get());
        for (std::size_t steps = 0; a != nullptr && b != nullptr && steps <= limit; ++steps) {
            if (a == b) return a;
            const int da = depthIn(a);
            const int db = depthIn(b);
            if (da >= db) a = parent(a);
            if (db >= da) b = parent(b);
        }
        return nullptr;
    };

    std::unordered_map<const ContainerNode*, std::vector<std::shared_ptr<DiagramLink>>> inner;
    std::unordered_set<const DiagramLink*> seen;
    for (ContainerNode* container : containers) {
        for (const auto& child : container->children()) {
            for (const auto& link : child->getAllLinks()) {
                if (!seen.insert(link.get()).second) continue;
                if (ContainerNode* at = owner(*link)) inner[at].push_back(link);
            }
        }
    }

    static const std::vector<std::shared_ptr<DiagramLink>> none;
    for (ContainerNode* container : containers) {
        const auto it = inner.find(container);
        appendContent(*container, it == inner.end() ? none : it->second, *container);
        auto& order = container->zOrder();
        std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
            return a->runtimeIndex() < b->runtimeIndex();
        });
    }
}

}  // namespace nodeloom
