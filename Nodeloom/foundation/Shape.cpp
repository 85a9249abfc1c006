#include "Nodeloom/foundation/Shape.h"

#include <cmath>

#include "Nodeloom/document/DiagramStatic.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/ArcSegment.h"
#include "Nodeloom/foundation/BezierSegment.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/LineSegment.h"
#include "Nodeloom/foundation/Matrix.h"
#include "Nodeloom/foundation/RoundRectSegment.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/foundation/XmlElement.h"

namespace nodeloom {

namespace {

// Maps shape percent onto the target rectangle.
Matrix percentMapping(const Rect& targetRect) {
    Matrix m;
    m.translate(targetRect.x, targetRect.y);
    m.scale(targetRect.width / 100.0, targetRect.height / 100.0);
    return m;
}

std::shared_ptr<ShapeSegment> createSegment(const std::string& name) {
    if (name == "line") return std::make_shared<LineSegment>();
    if (name == "arc") return std::make_shared<ArcSegment>();
    if (name == "bezier") return std::make_shared<BezierSegment>();
    if (name == "round-rectangle") return std::make_shared<RoundRectSegment>();
    return nullptr;
}

}  // namespace

Shape::Shape() = default;

Shape::~Shape() = default;

std::shared_ptr<Shape> Shape::fromId(const std::string& id) {
    const auto library = DiagramStatic::defaultShapes();
    return library ? library->shapeFromId(id) : nullptr;
}

void Shape::addSegment(Canvas& canvas, ShapeSegment& segment, const Rect& targetRect) {
    const auto* arc = dynamic_cast<const ArcSegment*>(&segment);
    if (arc && arc->isFullEllipse()) {
        canvas.pathEllipse(targetRect);
    } else {
        segment.draw(canvas);
    }
}

void Shape::draw(Canvas& canvas, const Rect& targetRect, bool flipX, bool flipY) {
    if (!isFinite(targetRect)) return;
    canvas.setPathMatrix(percentMapping(targetRect));
    const bool flipped = flipX || flipY;
    if (flipped) {
        canvas.saveState();
        canvas.scaleAtCenter(flipX ? -1.0 : 1.0, flipY ? -1.0 : 1.0, targetRect);
    }

    fillShape(canvas, outline_, targetRect);

    for (std::size_t i = 0; i < filledDecorations_.size(); ++i) {
        // A group without a brush entry keeps the brush in use rather than reading past the
        // list; an entry that is present but empty does clear it.
        if (i < brushes_.size()) canvas.setBrush(brushes_[i]);
        const Segments& group = filledDecorations_[i];
        if (group.empty()) continue;
        canvas.pathStart();
        for (const auto& segment : group) {
            if (segment) addSegment(canvas, *segment, targetRect);
        }
        canvas.pathCloseFigure();
        canvas.pathDraw();
    }

    for (const auto& segment : decorations_) {
        canvas.pathStart();
        if (segment) addSegment(canvas, *segment, targetRect);
        canvas.pathStroke();
    }

    if (flipped) canvas.restoreState();
    canvas.setPathMatrix(std::nullopt);
}

void Shape::fillShape(Canvas& canvas, const Segments& elements, const Rect& targetRect) {
    if (elements.empty()) return;
    canvas.pathStart();
    for (const auto& segment : elements) {
        if (segment) addSegment(canvas, *segment, targetRect);
    }
    canvas.pathCloseFigure();
    canvas.pathDraw();
}

bool Shape::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return false;
    const auto& attributes = element->attributes();
    const auto id = attributes.find("id");
    if (id == attributes.end() || id->second.empty()) return false;

    id_ = id->second;
    outline_ = loadSegments(element, "outline");
    decorations_ = loadSegments(element, "decorations");
    if (const auto groups = element->getChild("shape-decorations")) {
        for (const auto& group : groups->children()) {
            // Character data is not a group.
            if (!group || group->name().empty()) continue;
            filledDecorations_.push_back(loadSegments(group, "decorations"));
            brushes_.push_back(context.readBrushContent(group->getChild("brush")));
        }
    }
    return true;
}

Shape::Segments Shape::loadSegments(const std::shared_ptr<XmlElement>& element,
                                    const std::string& elementName) {
    Segments result;
    if (!element) return result;
    const auto list = element->getChild(elementName);
    if (!list) return result;
    for (const auto& child : list->children()) {
        if (!child) continue;
        auto segment = createSegment(child->name());
        if (segment && segment->loadFromXml(child)) result.push_back(std::move(segment));
    }
    return result;
}

}  // namespace nodeloom
