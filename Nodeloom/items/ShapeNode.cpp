#include "Nodeloom/items/ShapeNode.h"

#include <cstdint>
#include <utility>

#include "Nodeloom/document/Diagram.h"     // Hook: item reaches its document
#include "Nodeloom/document/XmlContext.h"  // Hook: item reaches its document
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/DashStyle.h"
#include "Nodeloom/foundation/GraphicsPath.h"
#include "Nodeloom/foundation/Matrix.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DragState.h"
#include "Nodeloom/items/ShapeNodeState.h"

namespace nodeloom {

namespace {

std::shared_ptr<Shape> libraryShape(const std::string& id) {
    const std::shared_ptr<ShapeLibrary> library = ShapeLibrary::defaultShapes();
    return library ? library->shapeFromId(id) : nullptr;
}

}  // namespace

ShapeNode::ShapeNode() : shape_(libraryShape("Rect")) {
    const Rect b = _bounds();
    _setBounds(Rect(b.x, b.y, 50.0, 50.0));
}

ShapeNode::~ShapeNode() = default;

void ShapeNode::setFlipX(bool flip) {
    const bool changed = flip != flipX_;
    flipX_ = flip;
    if (!changed) return;
    if (const std::shared_ptr<Diagram> d = diagram()) d->invalidate(getRepaintRect());
}

void ShapeNode::setFlipY(bool flip) {
    const bool changed = flip != flipY_;
    flipY_ = flip;
    if (!changed) return;
    if (const std::shared_ptr<Diagram> d = diagram()) d->invalidate(getRepaintRect());
}

// --- Drawing and outline ---------------------------------------------------------------------

void ShapeNode::drawLocal(Canvas& canvas, const RenderOptions&) {
    const Rect b = bounds();
    const Rect box(0.0, 0.0, b.width, b.height);
    if (!transparent_) {
        apply(strokeDashStyle(), canvas);
        if (const std::shared_ptr<Color> stroke = getEffectiveStroke()) canvas.setStroke(*stroke);
        // The canvas takes a thickness of exactly 0 as one device pixel, never as nothing.
        canvas.setStrokeThickness(getEffectiveStrokeThickness());
        canvas.setBrush(getEffectiveBrush());
        if (shape_) shape_->draw(canvas, box, flipX_, flipY_);
    }
    if (image_) canvas.drawImage(image_, box, imageAlign_);
    canvas.setFont(getEffectiveFontName(), getEffectiveFontSize(), getEffectiveFontUnit());
    canvas.setTextColor(getEffectiveTextColor());
    if (text().empty()) return;
    if (!textCache_) textCache_ = std::make_unique<TextLayoutCache>();
    canvas.drawCachedText(text(), box, horizontalTextAlignment(), verticalTextAlignment(), false,
                          false, false, *textCache_);
}

std::vector<Point> ShapeNode::getOutline() {
    std::vector<Point> points;
    const Rect b = bounds();
    if (shape_) {
        GraphicsPath path;
        for (const auto& segment : shape_->outline()) {
            if (segment) segment->addToPath(path);
        }
        Matrix toBounds;
        toBounds.translate(b.x, b.y);
        toBounds.scale(b.width / 100.0, b.height / 100.0);
        path.flatten(toBounds, 10.0);
        points = path.getPoints();
        if (!points.empty() && (flipX_ || flipY_)) {
            const Point c(b.x + b.width * 0.5, b.y + b.height * 0.5);
            Matrix mirror;
            mirror.translate(c.x, c.y);
            mirror.scale(flipX_ ? -1.0 : 1.0, flipY_ ? -1.0 : 1.0);
            mirror.translate(-c.x, -c.y);
            mirror.transform(points);
        }
    }
    // Without an outline a node could not be hit, clipped or aligned to; its box stands in.
    if (points.empty()) return DiagramNode::getOutline();
    return points;
}

// --- Sizing and flipping ---------------------------------------------------------------------

void ShapeNode::resizeToFitText() {
    const std::shared_ptr<Diagram> d = diagram();
    if (!d) return;
    Canvas canvas(d->measureUnit());
    canvas.setFont(getEffectiveFontName(), getEffectiveFontSize(), getEffectiveFontUnit());
    const std::shared_ptr<TextFrame> frame = canvas.createTextFrame(
        text(), Rect(0.0, 0.0, 1000.0, 1000.0), horizontalTextAlignment(), false, false, false);
    double width = 0.0;
    double height = 0.0;
    if (frame) {
        width = canvas.measureFrameWidth(frame);
        height = canvas.measureFrameHeight(frame);
    }
    if (!(width > 0)) return;
    const Rect b = bounds();
    setBounds(Rect(b.x, b.y, width, height), true);
}

void ShapeNode::updateFlipOnResize(const Rect&, const Rect& newBounds, AdjustmentHandle& handle,
                                   DragState& drag) {
    if (!allowFlip_ || !handle.isResizeHandle()) return;
    const auto& states = drag.originalStates();
    const auto found = states.find(std::const_pointer_cast<DiagramItem>(weak_from_this().lock()));
    if (found == states.end()) return;
    const auto* saved = dynamic_cast<const ShapeNodeState*>(found->second.get());
    if (saved == nullptr) return;
    setFlipX(saved->flipX() != (newBounds.width < 0));
    setFlipY(saved->flipY() != (newBounds.height < 0));
}

// --- Undo state ------------------------------------------------------------------------------

std::shared_ptr<DiagramItemState> ShapeNode::createState() {
    return std::make_shared<ShapeNodeState>();
}

std::shared_ptr<DiagramItemState> ShapeNode::saveState() {
    std::shared_ptr<DiagramItemState> state = DiagramNode::saveState();
    if (auto* s = dynamic_cast<ShapeNodeState*>(state.get())) {
        s->setShape(shape_);
        s->setImage(image_);
        s->setImageAlign(imageAlign_);
        s->setTransparent(transparent_);
        s->setFlipX(flipX_);
        s->setFlipY(flipY_);
    }
    return state;
}

void ShapeNode::restoreState(const DiagramItemState& state) {
    DiagramNode::restoreState(state);
    const auto* s = dynamic_cast<const ShapeNodeState*>(&state);
    if (s == nullptr) return;
    setShape(s->shape());
    setImage(s->image());
    setImageAlign(s->imageAlign());
    setTransparent(s->transparent());
    setFlipX(s->flipX());
    setFlipY(s->flipY());
}

std::shared_ptr<DiagramItemState> ShapeNode::saveLocation() {
    return saveLocationState();
}

void ShapeNode::restoreLocation(const DiagramItemState& state) {
    restoreLocationState(state);
}

std::shared_ptr<DiagramItemState> ShapeNode::saveLocationState() {
    auto state = std::make_shared<ShapeNodeState>();
    state->setBounds(bounds());
    state->setRotationAngle(rotationAngle());
    state->setFlipX(flipX_);
    state->setFlipY(flipY_);
    return state;
}

void ShapeNode::restoreLocationState(const DiagramItemState& state) {
    const auto* s = dynamic_cast<const ShapeNodeState*>(&state);
    if (s == nullptr) return;
    DiagramNode::restoreLocation(state);
    setFlipX(s->flipX());
    setFlipY(s->flipY());
}

// --- Class and style -------------------------------------------------------------------------

std::string ShapeNode::getClassId() const {
    return "std:ShapeNode";
}

Metatype<DiagramItem> ShapeNode::getClassType() const {
    return Metatype<DiagramItem>([] { return std::make_shared<ShapeNode>(); }, getClassId());
}

std::shared_ptr<Style> ShapeNode::resolveInheritedStyle(const StylePredicate& predicate,
                                                        const std::shared_ptr<Theme>& theme) const {
    if (theme && predicate) {
        for (const char* name : {"ShapeNode", "DiagramNode"}) {
            const auto it = theme->styles().find(name);
            if (it != theme->styles().end() && it->second && predicate(*it->second))
                return it->second;
        }
    }
    return DiagramItem::resolveInheritedStyle(predicate, theme);
}

// --- XML -------------------------------------------------------------------------------------

void ShapeNode::saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    DiagramNode::saveToXml(element, context);
    // A node without a shape says so: with nothing written, it would read back as a rectangle.
    if (shape_)
        context.writeShape(shape_, "Shape", element);
    else
        context.addChildElement("Shape", element);
    context.writeImage(image_, "Image", element);
    context.writeInt(static_cast<int>(imageAlign_), "ImageAlign", element);
    context.writeBool(transparent_, "Transparent", element);
}

void ShapeNode::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    DiagramNode::loadFromXml(element, context);
    if (const std::shared_ptr<XmlElement> child = element->getChild("Shape")) {
        const auto id = child->attributes().find("Id");
        if (id == child->attributes().end())
            setShape(nullptr);
        else if (!id->second.empty())
            setShape(libraryShape(id->second));
    }
    setTransparent(element->readBool("Transparent", false));
    setImage(context.readImage("Image", element));
    const std::int64_t raw = element->readInteger("ImageAlign", -1);
    if (raw >= 0 && raw <= 15) {
        if (const auto align = fromRaw<ImageAlign>(static_cast<int>(raw))) setImageAlign(*align);
    }
}

std::optional<Rect> ShapeNode::getHitArea() {
    if (typeid(*this) != typeid(ShapeNode)) return std::nullopt;
    return bounds();
}

}  // namespace nodeloom
