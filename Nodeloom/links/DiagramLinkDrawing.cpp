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


// --- Crossings -----------------------------------------------------------------------------

Point DiagramLink::getTrimmedPoint(int index) const {
    const int n = static_cast<int>(controlPoints_.size());
    if (index < 0 || index >= n) return Point();
    const auto i = static_cast<std::size_t>(index);
    if (n >= 2 && index == 0 && baseShape_ && baseShape_->linkSegmentInset() != 100)
        return getInsetEndPoint(controlPoints_[0], controlPoints_[1], baseShape_, baseShapeSize_);
    if (n >= 2 && index == n - 1 && headShape_ && headShape_->linkSegmentInset() != 100)
        return getInsetEndPoint(controlPoints_[i], controlPoints_[i - 1], headShape_,
                                headShapeSize_);
    return controlPoints_[i];
}

std::shared_ptr<DiagramLink::CrossingsData> DiagramLink::computeCrossings() {
    const std::shared_ptr<Diagram> d = diagram();
    const LinkCrossings mode = d ? d->linkCrossings() : LinkCrossings::straight;
    const double radius = d ? d->crossingRadius() : 0.0;
    auto& data = runtimeData();
    if (const auto it = data.find(RuntimeDataKey::linkCrossings); it != data.end()) {
        auto cached = std::dynamic_pointer_cast<CrossingsData>(it->second);
        if (cached && cached->isCurrentFor(*this, mode, radius)) return cached;
    }

    auto crossings = std::make_shared<CrossingsData>(segmentCount());
    // Without a document there are no other links to cross.
    if (!d) return crossings;
    data[RuntimeDataKey::linkCrossings] = crossings;

    // A link outside the item list lies above every item.
    const auto& items = d->items();
    const int count = static_cast<int>(items.size());
    int position = count;
    if (!standalone()) {
        const int index = runtimeIndex();
        if (index < 0 || index >= count || items[static_cast<std::size_t>(index)].get() != this)
            d->updateRuntimeIndices();
        const int refreshed = runtimeIndex();
        if (refreshed >= 0 && refreshed < count &&
            items[static_cast<std::size_t>(refreshed)].get() == this)
            position = refreshed;
    }
    const bool below = mode == LinkCrossings::arc;
    const auto others = d->getLinksInZOrder(below, position, getBounds());
    crossings->build(*this, others, mode, radius, 0.5 * millimetre());
    return crossings;
}

// --- Drawing -------------------------------------------------------------------------------

void DiagramLink::draw(Canvas& canvas) {
    draw(canvas, RenderOptions());
}

void DiagramLink::draw(Canvas& canvas, const RenderOptions& options) {
    canvas.saveState();
    const std::shared_ptr<Color> stroke = getEffectiveStroke();
    canvas.setStroke(stroke ? *stroke : *Colors::Black());
    // A thickness of 0 is a hairline of one pixel.
    canvas.setStrokeThickness(getEffectiveStrokeThickness());
    const std::shared_ptr<Brush> brush = getEffectiveBrush();
    canvas.setBrush(brush);
    apply(strokeDashStyle(), canvas);

    if (customDraw_ != CustomDraw::full && controlPoints_.size() >= 2) {
        std::vector<Point> points = controlPoints_;
        const std::size_t n = points.size();
        points[n - 1] = getInsetEndPoint(controlPoints_[n - 1], controlPoints_[n - 2], headShape_,
                                         headShapeSize_);
        points[0] =
            getInsetEndPoint(controlPoints_[0], controlPoints_[1], baseShape_, baseShapeSize_);
        const std::shared_ptr<LinkShapeImpl> impl = shapeImpl();
        impl->draw(*this, points, canvas);

        canvas.setBrush(baseBrush_ ? baseBrush_ : brush);
        drawShapeAlongSegment(canvas, baseShape_, controlPoints_[0], getFirstDistinctPoint(),
                              baseShapeSize_);
        if (intermediateShape_) {
            canvas.setBrush(intermediateBrush_ ? intermediateBrush_ : brush);
            const int segments = segmentCount();
            for (int i = 0; i < segments; ++i) {
                impl->drawIntermediateShapes(canvas, intermediateShape_, intermediateShapeSize_,
                                             *this, points, i);
            }
        }
        canvas.setBrush(headBrush_ ? headBrush_ : brush);
        drawShapeAlongSegment(canvas, headShape_, controlPoints_[n - 1], getLastDistinctPoint(),
                              headShapeSize_);
    }

    // A copy: a label's drawing cannot disturb the walk over the list.
    const auto labels = labels_;
    for (const auto& label : labels) {
        if (label) label->draw(canvas);
    }

    if (customDraw_ != CustomDraw::full && !text().empty() && options.enableText() &&
        options.scale() >= 1.0)
        updateTextLayout(canvas);
    canvas.restoreState();
}

void DiagramLink::drawArrowhead(Canvas& canvas, const std::shared_ptr<Shape>& shape, Point,
                                Point position, Point segmentStart, double size) {
    drawShapeAlongSegment(canvas, shape, position, segmentStart, size);
}

void DiagramLink::drawShapeAlongSegment(Canvas& canvas, const std::shared_ptr<Shape>& shape,
                                        Point position, Point segmentStart, double size) {
    if (!shape || !isFinite(position) || !isFinite(segmentStart) || !isFinite(size)) return;
    const double dx = position.x - segmentStart.x;
    const double dy = position.y - segmentStart.y;
    // Screen angles: y grows downwards, so 90 degrees points up the screen.
    double angle = 0;
    if (!(position == segmentStart)) {
        angle = std::atan(-dy / dx) * 180.0 / std::numbers::pi;
        if (dx < 0) angle += 180;
    }
    canvas.saveState();
    canvas.translateTransform(position.x, position.y);
    canvas.rotateTransform(90 - angle);
    canvas.translateTransform(-position.x, -position.y);
    // The shape points up with its tip at the middle of its square's top edge.
    shape->draw(canvas, Rect(position.x - size * 0.5, position.y, size, size), false, false);
    canvas.restoreState();
}

void DiagramLink::drawHandles(Canvas& canvas) {
    const std::shared_ptr<Diagram> d = diagram();
    const double size = d ? d->adjustmentHandlesSize() : 2.0;
    if (handlesStyle() != HandlesStyle::squareHandles) return;
    SquareHandlesImpl::instance().drawPointHandles(canvas, controlPoints_, size);
}

Rect DiagramLink::measureLinkText() {
    const std::shared_ptr<Diagram> d = diagram();
    const std::shared_ptr<MeasureUnit> fontUnit = getEffectiveFontUnit();
    TextMeasure key;
    key.text = text();
    key.fontName = getEffectiveFontName();
    key.fontSize = getEffectiveFontSize();
    key.fontUnit = fontUnit.get();
    key.unit = d && d->measureUnit() ? d->measureUnit().get() : nullptr;
    key.horizontal = horizontalTextAlignment();
    key.vertical = verticalTextAlignment();
    key.start = startPoint();
    key.end = endPoint();
    const TextMeasure* last = textMeasure_ ? &*textMeasure_ : nullptr;
    if (last && last->text == key.text && last->fontName == key.fontName &&
        last->fontSize == key.fontSize && last->fontUnit == key.fontUnit &&
        last->unit == key.unit && last->horizontal == key.horizontal &&
        last->vertical == key.vertical && last->start == key.start && last->end == key.end) {
        return last->rect;
    }
    key.rect = measureText(key.text, true, key.start.distance(key.end), 1.0);
    textMeasure_ = key;
    return key.rect;
}

void DiagramLink::updateTextLayout(Canvas& canvas) {
    if (!textLayout_ || !textLayout_->rectangles.empty())
        textLayout_ = std::make_shared<TextLayout>();
    if (controlPoints_.empty()) return;
    textLayout_->rectangles.push_back(measureLinkText());
    textLayout_->angles.push_back(0.0);
    textLayout_->strings.push_back(text());

    const std::shared_ptr<Color> color = getEffectiveTextColor();
    for (std::size_t i = 0; i < textLayout_->rectangles.size(); ++i) {
        const Rect& r = textLayout_->rectangles[i];
        const double angle = textLayout_->angles[i];
        if (angle != 0) {
            canvas.saveState();
            canvas.translateTransform(r.x, r.y);
            canvas.rotateTransform(angle);
            canvas.translateTransform(-r.x, -r.y);
        }
        canvas.setFont(getEffectiveFontName(), getEffectiveFontSize(), getEffectiveFontUnit());
        if (color) canvas.setTextColor(color);
        if (!textCache_) textCache_ = std::make_unique<TextLayoutCache>();
        canvas.drawCachedText(textLayout_->strings[i], r, horizontalTextAlignment(),
                              verticalTextAlignment(), false, false, false, *textCache_);
        if (angle != 0) canvas.restoreState();
    }
}


}  // namespace nodeloom
