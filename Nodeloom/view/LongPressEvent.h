#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/platform/TouchEvent.h"

namespace nodeloom {

class RadialMenu;

// The event a view passes with a long press, and with the moves that follow one: the touch
// handler tells them from ordinary touches by this type.
class LongPressEvent : public platform::TouchEvent {
public:
    LongPressEvent() = default;
    ~LongPressEvent() override;

    const std::shared_ptr<RadialMenu>& menu() const { return menu_; }
    void setMenu(std::shared_ptr<RadialMenu> menu) { menu_ = std::move(menu); }

private:
    std::shared_ptr<RadialMenu> menu_;
};

}  // namespace nodeloom
