#include "Nodeloom/view/HandlesVisualStyle.h"

#include "Nodeloom/foundation/Colors.h"

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

}  // namespace nodeloom
