#pragma once

#include <memory>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"

namespace nodeloom {

class XmlValueContext;
class XmlElement;

// The pen and brush of a selection handle.
class HandlesVisualStyle {
public:
    // Black outline one pixel thick, new white fill.
    HandlesVisualStyle();
    virtual ~HandlesVisualStyle() = default;

    const std::shared_ptr<Color>& defHandleStroke() const { return defHandleStroke_; }
    // A null colour is ignored.
    void setDefHandleStroke(std::shared_ptr<Color> color);
    // 0 means one device pixel.
    double defHandleStrokeThickness() const { return defHandleStrokeThickness_; }
    void setDefHandleStrokeThickness(double thickness) { defHandleStrokeThickness_ = thickness; }
    const std::shared_ptr<Brush>& defHandleBrush() const { return defHandleBrush_; }
    // A null brush is ignored.
    void setDefHandleBrush(std::shared_ptr<Brush> brush);

    // Reads a "HandlePen" (its "Color" and "Width"), or else a "Stroke" brush and a
    // "StrokeThickness", and a "HandleBrush". A missing width or thickness reads as -1; a missing
    // element changes nothing.
    virtual void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlValueContext& context);

private:
    std::shared_ptr<Color> defHandleStroke_;
    double defHandleStrokeThickness_ = 0.0;
    std::shared_ptr<Brush> defHandleBrush_;
};

}  // namespace nodeloom
