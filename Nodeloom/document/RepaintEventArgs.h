#pragma once

#include <optional>

#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

// What the document asks its view to redraw: an area in document units, or nothing for the whole
// document.
class RepaintEventArgs {
public:
    explicit RepaintEventArgs(std::optional<Rect> invalidRect) : invalidRect_(invalidRect) {}
    virtual ~RepaintEventArgs() = default;

    const std::optional<Rect>& invalidRect() const { return invalidRect_; }
    void setInvalidRect(std::optional<Rect> rect) { invalidRect_ = rect; }

private:
    std::optional<Rect> invalidRect_;
};

}  // namespace nodeloom
