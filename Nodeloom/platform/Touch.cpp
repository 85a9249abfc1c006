#include "Nodeloom/platform/Touch.h"

#include <utility>

#include "Nodeloom/platform/View.h"
#include "Nodeloom/platform/Window.h"

namespace nodeloom::platform {

Touch::Touch(int id, const Point& location, std::weak_ptr<View> view, std::weak_ptr<Window> window)
    : id_(id), location_(location), view_(std::move(view)), window_(std::move(window)) {}

Touch::~Touch() = default;

Point Touch::locationIn(const View& view) const {
    return view.convertPointFromWindow(location_);
}

}  // namespace nodeloom::platform
