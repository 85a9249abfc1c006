#include "Nodeloom/links/DiagramLink.h"

#include <pango/pango.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numbers>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/DashStyle.h"
#include "Nodeloom/foundation/Geometry.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/Utilities.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/CascadingShapeImpl.h"
#include "Nodeloom/links/CrossingsData.h"
#include "Nodeloom/links/LinkLabel.h"
#include "Nodeloom/links/LinkShapeImpl.h"
#include "Nodeloom/platform/TextEngine.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/SquareHandlesImpl.h"

namespace nodeloom {


namespace {

// The named child as an int: `missing` when there is no such child, nothing when its text is no
// decimal integer that an int holds.
std::optional<int> readInt(const XmlElement& element, std::string_view name, int missing) {
    if (!element.getChild(name)) return missing;
    // A text that is no integer reads as either default; a real integer reads the same twice.
    const std::int64_t low = element.readInteger(name, std::numeric_limits<std::int64_t>::min());
    const std::int64_t high = element.readInteger(name, std::numeric_limits<std::int64_t>::max());
    if (low != high || low < INT_MIN || low > INT_MAX) return std::nullopt;
    return static_cast<int>(low);
}

// The named child as a finite number: `missing` when there is no such child, nothing for inf or
// nan.
std::optional<double> readFinite(const XmlElement& element, std::string_view name, double missing) {
    const double value = element.readDouble(name, missing);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

// --- Item ----------------------------------------------------------------------------------

namespace {

std::optional<DiagramLinkState::EndPlace> placeOf(const std::shared_ptr<ConnectionPoint>& end) {
    if (!end) return std::nullopt;
    return DiagramLinkState::EndPlace{end->relativePosition(), end->anchor()};
}

void putBack(const std::shared_ptr<ConnectionPoint>& end,
             const std::optional<DiagramLinkState::EndPlace>& place) {
    if (!end || !place) return;
    end->setRelativePosition(place->relativePosition);
    end->setAnchor(place->anchor);
}

}  // namespace

std::shared_ptr<DiagramItemState> DiagramLink::createState() {
    auto state = std::make_shared<DiagramLinkState>();
    state->setOriginConnection(originConnection());
    state->setDestinationConnection(destinationConnection());
    state->setEndPlaces(placeOf(originConnection()), placeOf(destinationConnection()));
    state->setControlPoints(controlPoints_);
    state->setCascadeStartHorizontal(cascadeStartHorizontal_);
    return state;
}

std::shared_ptr<DiagramItemState> DiagramLink::saveState() {
    std::shared_ptr<DiagramItemState> state = DiagramItem::saveState();
    if (auto s = std::dynamic_pointer_cast<DiagramLinkState>(state)) {
        s->setOriginConnection(originConnection());
        s->setDestinationConnection(destinationConnection());
        s->setEndPlaces(placeOf(originConnection()), placeOf(destinationConnection()));
        s->setControlPoints(controlPoints_);
        s->setShape(shape_);
        s->setBaseShapeSize(baseShapeSize_);
        s->setHeadShapeSize(headShapeSize_);
        s->setIntermediateShapeSize(intermediateShapeSize_);
        s->setBaseShape(baseShape_);
        s->setHeadShape(headShape_);
        s->setIntermediateShape(intermediateShape_);
        s->setBaseBrush(baseBrush_);
        s->setHeadBrush(headBrush_);
        s->setIntermediateBrush(intermediateBrush_);
        s->setAutoRoute(autoRoute_);
        s->setLabels(labels_);
        std::vector<std::shared_ptr<LinkLabel>> values;
        values.reserve(labels_.size());
        for (const auto& label : labels_)
            values.push_back(label ? label->clone() : nullptr);
        s->setLabelValues(std::move(values));
    }
    return state;
}

void DiagramLink::restoreEnds(const DiagramLinkState& state) {
    const std::shared_ptr<ConnectionPoint> oldOrigin = originConnection();
    const std::shared_ptr<ConnectionPoint> oldDestination = destinationConnection();
    const std::shared_ptr<ConnectionPoint>& newOrigin =
        state.originConnection() ? state.originConnection() : oldOrigin;
    const std::shared_ptr<ConnectionPoint>& newDestination =
        state.destinationConnection() ? state.destinationConnection() : oldDestination;

    // A link that none of its nodes lists any more has left its document: bringing back an end
    // must not enter it in a node's list again. A link its document holds is listed, even where
    // its ends enter it in lists of rows or items rather than of their nodes.
    const std::shared_ptr<DiagramLink> me = self();
    const std::shared_ptr<Diagram> d = diagram();
    bool anyRealEnd = false;
    bool listedSomewhere = d && d->contains(*this);
    for (const auto& end : {oldOrigin, oldDestination}) {
        const std::shared_ptr<DiagramNode> node = end->node();
        if (!node || !node->isRealNode()) continue;
        anyRealEnd = true;
        const auto& list = end->incoming() ? node->incomingLinks() : node->outgoingLinks();
        if (std::find(list.begin(), list.end(), me) != list.end()) listedSomewhere = true;
    }
    const bool listed = !anyRealEnd || listedSomewhere;

    const auto relist = [listed](const std::shared_ptr<ConnectionPoint>& from,
                                 const std::shared_ptr<ConnectionPoint>& to) {
        if (!listed || from == to) return;
        if (from->sharesListWith(*to)) return;
        from->removeLinkFromNode();
        to->addLinkToNode();
    };
    relist(oldOrigin, newOrigin);
    relist(oldDestination, newDestination);
    setOriginConnection(newOrigin);
    setDestinationConnection(newDestination);
    // Only the ends the snapshot had: a state without ends keeps the link's own, and their
    // places with them.
    if (state.originConnection()) putBack(newOrigin, state.originPlace());
    if (state.destinationConnection()) putBack(newDestination, state.destinationPlace());
}

void DiagramLink::restoreState(const DiagramItemState& state) {
    DiagramItem::restoreState(state);
    const auto* s = dynamic_cast<const DiagramLinkState*>(&state);
    if (!s) return;
    restoreEnds(*s);
    // The shape first: its points are taken as they were saved, even those a layout left that
    // the shape would lay out afresh.
    setShape(s->shape());
    // A link needs two points; a state without them keeps the link's own.
    if (s->controlPoints().size() >= 2) setControlPoints(s->controlPoints());
    setCascadeStartHorizontal(s->cascadeStartHorizontal());
    setBaseShapeSize(s->baseShapeSize());
    setHeadShapeSize(s->headShapeSize());
    setIntermediateShapeSize(s->intermediateShapeSize());
    setBaseShape(s->baseShape());
    setHeadShape(s->headShape());
    setIntermediateShape(s->intermediateShape());
    setBaseBrush(s->baseBrush());
    setHeadBrush(s->headBrush());
    setIntermediateBrush(s->intermediateBrush());
    setAutoRoute(s->autoRoute());
    setLabels(s->labels());
    const auto& labels = s->labels();
    const auto& values = s->labelValues();
    for (std::size_t i = 0; i < labels.size() && i < values.size(); ++i) {
        if (labels[i] && values[i]) labels[i]->copyValues(*values[i]);
    }
}

void DiagramLink::restoreLocation(const DiagramItemState& state) {
    const auto* s = dynamic_cast<const DiagramLinkState*>(&state);
    if (!s) return;
    if (s->controlPoints().size() >= 2) setControlPoints(s->controlPoints());
    restoreEnds(*s);
    setCascadeStartHorizontal(s->cascadeStartHorizontal());
}

void DiagramLink::saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    DiagramItem::saveToXml(element, context);
    const std::shared_ptr<ConnectionPoint> originEnd = originConnection();
    const std::shared_ptr<ConnectionPoint> destinationEnd = destinationConnection();
    const std::shared_ptr<DiagramNode> from = nodeOf(originEnd);
    const std::shared_ptr<DiagramNode> to = nodeOf(destinationEnd);

    context.writeItemReference(from, "Origin", element);
    context.writeInt(originEnd->anchor(), "OriginAnchor", element);
    if (from->connectsToRows()) context.writeInt(originEnd->row(), "OriginRow", element);
    context.writeItemReference(to, "Destination", element);
    context.writeInt(destinationEnd->anchor(), "DestinationAnchor", element);
    if (to->connectsToRows()) context.writeInt(destinationEnd->row(), "DestinationRow", element);
    context.writeInt(segmentCount(), "SegmentCount", element);
    context.writeBool(cascadeStartHorizontal_, "CascadeStartHorizontal", element);
    context.writePointCollection(controlPoints_, "Points", element);
    context.writeEnum(shape_, "Shape", element);
    context.writeBool(autoRoute_, "AutoRoute", element);
    context.writeShape(baseShape_, "BaseShape", element);
    context.writeDouble(baseShapeSize_, "BaseShapeSize", element);
    context.writeShape(intermediateShape_, "IntermediateShape", element);
    context.writeDouble(intermediateShapeSize_, "IntermediateShapeSize", element);
    context.writeShape(headShape_, "HeadShape", element);
    context.writeDouble(headShapeSize_, "HeadShapeSize", element);
    context.writeColor(headStroke_, "HeadStroke", element);
    context.writeDouble(headStrokeThickness_, "HeadStrokeThickness", element);
    if (!labels_.empty()) {
        const std::shared_ptr<XmlElement> container = context.addChildElement("Labels", element);
        for (const auto& label : labels_) {
            if (!label) continue;
            label->saveToXml(context.addChildElement("Label", container), context);
        }
    }
}

std::shared_ptr<ConnectionPoint> DiagramLink::loadEnd(const std::shared_ptr<XmlElement>& element,
                                                      XmlContext& context, bool incoming) {
    std::shared_ptr<DiagramNode> node = std::dynamic_pointer_cast<DiagramNode>(
        context.readItemReference(incoming ? "Destination" : "Origin", element));
    if (!node) node = VirtualNode::instance();
    const std::shared_ptr<DiagramLink> me = self();
    const Point p = incoming ? endPoint() : startPoint();
    std::shared_ptr<ConnectionPoint> end = node->createConnectionPoint(me, p, incoming);
    if (!end) end = VirtualNode::instance()->createConnectionPoint(me, p, incoming);
    if (!end) end = std::make_shared<VirtualConnectionPoint>(me, incoming);

    Point relative;
    const std::shared_ptr<DiagramNode> at = end->node();
    if (at && at->isRealNode()) {
        const Rect b = at->bounds();
        // A node without width or height has no place along that axis but its edge.
        if (b.width != 0) relative.x = (p.x - b.x) * 100 / b.width;
        if (b.height != 0) relative.y = (p.y - b.y) * 100 / b.height;
        if (!isFinite(relative)) relative = Point();
    }
    end->setRelativePosition(relative);
    if (const auto anchor = readInt(*element, incoming ? "DestinationAnchor" : "OriginAnchor", 0))
        end->setAnchor(*anchor);
    if (const auto row = readInt(*element, incoming ? "DestinationRow" : "OriginRow", -1))
        end->setRow(*row);
    end->addLinkToNode();
    return end;
}

void DiagramLink::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    DiagramItem::loadFromXml(element, context);
    const XmlElement& e = *element;

    std::vector<Point> points;
    for (const Point& p : context.readPointCollection("Points", element)) {
        if (isFinite(p)) points.push_back(p);
    }
    // Without two points the ends come from the nodes: a lone point stands for a loose end, and
    // with none a loose end stays where the link had it.
    const bool whole = points.size() >= 2;
    hitAreaChanged();
    if (whole) {
        controlPoints_ = points;
    } else {
        if (!points.empty())
            controlPoints_ = {points.front(), points.front()};
        else
            controlPoints_ = {startPoint(), endPoint()};
    }

    // A link read again leaves the nodes it was listed by.
    if (originConnection_) originConnection_->removeLinkFromNode();
    if (destinationConnection_) destinationConnection_->removeLinkFromNode();
    originConnection_ = loadEnd(element, context, false);
    destinationConnection_ = loadEnd(element, context, true);
    if (!whole) {
        for (const auto& end : {originConnection_, destinationConnection_}) {
            const std::shared_ptr<DiagramNode> node = end->node();
            if (!node || !node->isRealNode()) continue;
            const Point c = node->bounds().center();
            if (end->incoming())
                setEndPoint(c);
            else
                setStartPoint(c);
        }
        clipEndsToOutlines();
    }

    const bool current = context.fileVersion() > 15;
    if (const auto raw = readInt(e, current ? "Shape" : "Style", 0)) {
        LinkShape shape = LinkShape::polyline;
        if (*raw == 0) shape = LinkShape::bezier;
        if (*raw == 2) shape = LinkShape::cascading;
        if (*raw == 3 && current) shape = LinkShape::spline;
        setShape(shape);
        // The points are read as they were saved, as an undo puts them back, even where the
        // shape would lay them out afresh (a layout's route on a cascading link): else the
        // document would change at every reading. Only a count a bezier cannot draw is not.
        const bool drawable = shape != LinkShape::bezier || points.size() % 3 == 1;
        if (whole && drawable) controlPoints_ = std::move(points);
    }
    cascadeStartHorizontal_ = e.readBool("CascadeStartHorizontal", false);
    setAutoRoute(e.readBool("AutoRoute", false));

    setHeadShape(context.readShape("HeadShape", element, nullptr));
    if (const auto size = readFinite(e, "HeadShapeSize", 0.0)) setHeadShapeSize(*size);
    setBaseShape(context.readShape("BaseShape", element, nullptr));
    if (const auto size = readFinite(e, "BaseShapeSize", 0.0)) setBaseShapeSize(*size);
    setIntermediateShape(context.readShape("IntermediateShape", element, nullptr));
    if (const auto size = readFinite(e, "IntermediateShapeSize", 0.0))
        setIntermediateShapeSize(*size);

    if (context.fileVersion() >= 16) {
        setHeadStroke(e.readColor("HeadStroke", Colors::Black()));
        if (const auto width = readFinite(e, "HeadStrokeThickness", 1.0))
            setHeadStrokeThickness(*width);
    } else if (const std::shared_ptr<XmlElement> pen = e.getChild("HeadPen")) {
        setHeadStroke(pen->readColor("Color", Colors::Black()));
        if (const auto width = readFinite(*pen, "Width", 1.0)) setHeadStrokeThickness(*width);
    }

    if (const std::shared_ptr<XmlElement> container = e.getChild("Labels")) {
        for (const auto& child : container->children()) {
            // Character data between the label elements is no label.
            if (!child || child->name().empty()) continue;
            auto label = std::make_shared<LinkLabel>(self());
            label->loadFromXml(child, context);
            labels_.push_back(std::move(label));
            hitAreaChanged();
        }
    }
}

std::shared_ptr<Style> DiagramLink::resolveInheritedStyle(
    const StylePredicate& predicate, const std::shared_ptr<Theme>& theme) const {
    if (theme && predicate && !theme->styles().empty()) {
        const auto it = theme->styles().find("DiagramLink");
        if (it != theme->styles().end() && it->second && predicate(*it->second)) return it->second;
    }
    return DiagramItem::resolveInheritedStyle(predicate, theme);
}


}  // namespace nodeloom
