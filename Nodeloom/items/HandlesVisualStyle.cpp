#include "Nodeloom/items/HandlesVisualStyle.h"

#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/foundation/XmlValueContext.h"

namespace nodeloom {

HandlesVisualStyle::HandlesVisualStyle()
    : defHandleStroke_(Colors::Black()),
      defHandleBrush_(std::make_shared<SolidColorBrush>(Colors::White())) {}

void HandlesVisualStyle::setDefHandleStroke(std::shared_ptr<Color> color) {
    if (color) defHandleStroke_ = std::move(color);
}

void HandlesVisualStyle::setDefHandleBrush(std::shared_ptr<Brush> brush) {
    if (brush) defHandleBrush_ = std::move(brush);
}

void HandlesVisualStyle::loadFromXml(const std::shared_ptr<XmlElement>& element,
                                     XmlValueContext& context) {
    if (!element) return;
    if (std::shared_ptr<XmlElement> pen = element->getChild("HandlePen")) {
        setDefHandleStroke(pen->readColor("Color", Colors::Black()));
        defHandleStrokeThickness_ = pen->readDouble("Width", -1.0);
    } else {
        if (std::shared_ptr<Brush> stroke = context.readBrush("Stroke", element))
            setDefHandleStroke(stroke->toColor());
        defHandleStrokeThickness_ = element->readDouble("StrokeThickness", -1.0);
    }
    if (std::shared_ptr<Brush> brush = context.readBrush("HandleBrush", element))
        setDefHandleBrush(std::move(brush));
}

}  // namespace nodeloom
