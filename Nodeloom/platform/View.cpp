#include "Nodeloom/platform/View.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Geometry.h"
#include "Nodeloom/foundation/Typecast.h"
#include "Nodeloom/platform/Coder.h"
#include "Nodeloom/platform/GestureRecognizer.h"
#include "Nodeloom/platform/GraphicsContext.h"
#include "Nodeloom/platform/HandleDeleter.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/Screen.h"
#include "Nodeloom/platform/TouchEvent.h"
#include "Nodeloom/platform/Window.h"

namespace nodeloom::platform {

namespace {

// More unrendered requests than this are worth no more than one request for the whole view.
constexpr std::size_t kMaxDisplayRequests = 256;

void setSource(cairo_t* context, const Color& color) {
    const CairoColor c = Typecast::toCairoColor(color);
    cairo_set_source_rgba(context, c.red, c.green, c.blue, c.alpha);
}

}  // namespace

View::View(Passkey, const Rect& frame) : borderColor_(std::make_shared<Color>(0.0, 0.0, 0.0)) {
    setFrame(frame);
    needsLayout_ = false;
}

View::~View() = default;

std::shared_ptr<View> View::create() {
    return create(Rect());
}

std::shared_ptr<View> View::create(const Rect& frame) {
    return std::make_shared<View>(Passkey(), frame);
}

std::shared_ptr<View> View::create(const Coder& coder) {
    return coder.frame() ? create(*coder.frame()) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Geometry

void View::setFrame(const Rect& frame) {
    if (!frame.isFinite()) return;
    const Rect r = Geometry::normalizeRectangle(frame);
    if (r.size() != bounds_.size()) needsLayout_ = true;
    origin_ = r.getLocation();
    bounds_.setSize(r.size());
}

void View::setBounds(const Rect& bounds) {
    if (!bounds.isFinite()) return;
    const Rect r = Geometry::normalizeRectangle(bounds);
    const Point c = center();
    if (r.size() != bounds_.size()) needsLayout_ = true;
    bounds_ = r;
    origin_ = Point(c.x - r.width / 2, c.y - r.height / 2);
}

Point View::center() const {
    return Point(origin_.x + bounds_.width / 2, origin_.y + bounds_.height / 2);
}

void View::setCenter(const Point& center) {
    if (!center.isFinite()) return;
    origin_ = Point(center.x - bounds_.width / 2, center.y - bounds_.height / 2);
}

// ---------------------------------------------------------------------------------------------
// The tree

std::shared_ptr<Window> View::window() const {
    std::shared_ptr<View> root;
    for (auto up = superview(); up; up = up->superview())
        root = up;
    if (!root) root = std::const_pointer_cast<View>(weak_from_this().lock());
    return std::dynamic_pointer_cast<Window>(root);
}

bool View::isDescendantOf(const View& view) const {
    if (this == &view) return true;
    for (auto up = superview(); up; up = up->superview()) {
        if (up.get() == &view) return true;
    }
    return false;
}

void View::addSubview(std::shared_ptr<View> view) {
    insertAt(std::move(view), subviews_.size());
}

void View::insertSubview(std::shared_ptr<View> view, int index) {
    insertAt(std::move(view), static_cast<std::size_t>(std::max(index, 0)));
}

void View::insertAt(std::shared_ptr<View> view, std::size_t index) {
    if (!view || isDescendantOf(*view)) return;
    if (view->superview().get() == this) {
        // Only its place changes.
        std::erase(subviews_, view);
    } else {
        // A view that stays in its window keeps its fingers.
        view->leaveSuperview(window().get());
        // A cancel handler of the old window may have put the view somewhere meanwhile.
        if (view->superview() || isDescendantOf(*view)) return;
        view->superview_ = weak_from_this();
    }
    const auto at = static_cast<std::ptrdiff_t>(std::min(index, subviews_.size()));
    subviews_.insert(subviews_.begin() + at, std::move(view));
    needsLayout_ = true;
}

void View::removeFromSuperview() {
    leaveSuperview(nullptr);
}

void View::leaveSuperview(const Window* staying) {
    // The superview may hold the last reference to this view.
    const auto self = weak_from_this().lock();
    if (!superview()) {
        superview_.reset();
        return;
    }
    if (auto w = window()) {
        // The gestures of the fingers on the leaving views end as the system ends them, while
        // the views are still in the window, so that the recognisers above them learn it too.
        if (w.get() != staying) w->cancelFingersIn(this);
        auto responder = w->firstResponder();
        if (responder && responder->isDescendantOf(*this)) responder->resignFirstResponder();
    }
    // A cancel handler may have taken the view out already, or put it elsewhere.
    const auto parent = superview();
    if (!parent) return;
    superview_.reset();
    std::erase_if(parent->subviews_, [this](const auto& v) { return v.get() == this; });
    parent->needsLayout_ = true;
}

// ---------------------------------------------------------------------------------------------
// Points

Point View::offsetInWindow() const {
    Point offset;
    const View* view = this;
    for (auto up = view->superview(); up; up = up->superview()) {
        offset.x += view->origin_.x - view->bounds_.x;
        offset.y += view->origin_.y - view->bounds_.y;
        view = up.get();
    }
    return offset;
}

Point View::convertPointToWindow(const Point& point) const {
    const Point offset = offsetInWindow();
    return Point(point.x + offset.x, point.y + offset.y);
}

Point View::convertPointFromWindow(const Point& point) const {
    const Point offset = offsetInWindow();
    return Point(point.x - offset.x, point.y - offset.y);
}

Point View::convertPointTo(const Point& point, const View& view) const {
    return view.convertPointFromWindow(convertPointToWindow(point));
}

Point View::convertPointFrom(const Point& point, const View& view) const {
    return convertPointFromWindow(view.convertPointToWindow(point));
}

// ---------------------------------------------------------------------------------------------
// Drawing

void View::setNeedsDisplay() {
    if (displayRequests_.size() >= kMaxDisplayRequests) displayRequests_.clear();
    displayRequests_.emplace_back();
}

void View::setNeedsDisplay(const Rect& rect) {
    if (!rect.isFinite()) return;
    if (displayRequests_.size() >= kMaxDisplayRequests) {
        displayRequests_.assign(1, std::nullopt);
        return;
    }
    displayRequests_.emplace_back(rect);
}

void View::draw(const Rect&) {}

void View::render(cairo_t* context) {
    if (context == nullptr || cairo_status(context) != CAIRO_STATUS_SUCCESS) return;
    layoutIfNeeded();
    cairo_save(context);
    cairo_translate(context, -bounds_.x, -bounds_.y);
    drawTree(context);
    cairo_restore(context);
}

std::shared_ptr<ImageSurface> View::renderImage() {
    const auto w = window();
    const double scale = w ? w->scale() : Screen::scale();
    auto image = ImageSurface::create(bounds_.width, bounds_.height, scale);
    if (!image) return nullptr;
    {
        const Handle<cairo_t, cairo_destroy> context(cairo_create(image->surface()));
        cairo_scale(context.get(), scale, scale);
        render(context.get());
    }
    cairo_surface_flush(image->surface());
    return image;
}

void View::drawTree(cairo_t* context) {
    if (hidden_) return;
    const auto self = weak_from_this().lock();
    cairo_save(context);
    if (backgroundColor_) {
        setSource(context, *backgroundColor_);
        cairo_rectangle(context, bounds_.x, bounds_.y, bounds_.width, bounds_.height);
        cairo_fill(context);
    }
    {
        cairo_save(context);
        cairo_rectangle(context, bounds_.x, bounds_.y, bounds_.width, bounds_.height);
        cairo_clip(context);
        // A canvas of its own, so that no view inherits another's pens and fonts.
        Canvas canvas(context);
        GraphicsContext::Scope current(canvas);
        draw(bounds_);
        cairo_restore(context);
    }
    clearDisplayRequests();
    const auto subviews = subviews_;
    for (const auto& view : subviews) {
        cairo_save(context);
        cairo_translate(context, view->origin_.x - view->bounds_.x,
                        view->origin_.y - view->bounds_.y);
        view->drawTree(context);
        cairo_restore(context);
    }
    if (borderWidth_ > 0 && borderColor_) {
        setSource(context, *borderColor_);
        const double w = borderWidth_;
        if (2 * w >= bounds_.width || 2 * w >= bounds_.height) {
            cairo_rectangle(context, bounds_.x, bounds_.y, bounds_.width, bounds_.height);
            cairo_fill(context);
        } else {
            cairo_set_line_width(context, w);
            cairo_rectangle(context, bounds_.x + w / 2, bounds_.y + w / 2, bounds_.width - w,
                            bounds_.height - w);
            cairo_stroke(context);
        }
    }
    cairo_restore(context);
}

void View::setBorderWidth(double width) {
    if (std::isfinite(width) && width >= 0) borderWidth_ = width;
}

// ---------------------------------------------------------------------------------------------
// Layout

void View::layoutSubviews() {}

void View::layoutIfNeeded() {
    const auto self = weak_from_this().lock();
    if (needsLayout_) {
        needsLayout_ = false;
        layoutSubviews();
    }
    const auto subviews = subviews_;
    for (const auto& view : subviews)
        view->layoutIfNeeded();
}

// ---------------------------------------------------------------------------------------------
// Touches

std::shared_ptr<View> View::hitTest(const Point& point) {
    if (hidden_ || !userInteractionEnabled_ || !pointInside(point)) return nullptr;
    const auto subviews = subviews_;
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        const View& view = **it;
        const Point inner(point.x - view.origin_.x + view.bounds_.x,
                          point.y - view.origin_.y + view.bounds_.y);
        if (auto hit = (*it)->hitTest(inner)) return hit;
    }
    return weak_from_this().lock();
}

bool View::pointInside(const Point& point) const {
    return point.x >= bounds_.left() && point.x < bounds_.right() && point.y >= bounds_.top() &&
           point.y < bounds_.bottom();
}

void View::addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer) {
    if (!recognizer) return;
    if (auto holder = recognizer->view()) {
        if (holder.get() == this) return;
        holder->removeGestureRecognizer(recognizer);
    }
    recognizer->view_ = weak_from_this();
    gestureRecognizers_.push_back(std::move(recognizer));
}

void View::removeGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer) {
    if (!recognizer || recognizer->view().get() != this) return;
    recognizer->view_.reset();
    std::erase(gestureRecognizers_, recognizer);
}

void View::touchesBegan(const TouchSet&, const std::shared_ptr<TouchEvent>&) {}
void View::touchesMoved(const TouchSet&, const std::shared_ptr<TouchEvent>&) {}
void View::touchesEnded(const TouchSet&, const std::shared_ptr<TouchEvent>&) {}
void View::touchesCancelled(const TouchSet&, const std::shared_ptr<TouchEvent>&) {}

// ---------------------------------------------------------------------------------------------
// First responder

bool View::canBecomeFirstResponder() const {
    return false;
}

bool View::becomeFirstResponder() {
    if (!canBecomeFirstResponder()) return false;
    const auto w = window();
    if (!w) return false;
    const auto current = w->firstResponder();
    if (current.get() == this) return true;
    if (current && !current->resignFirstResponder()) return false;
    w->firstResponder_ = weak_from_this();
    return true;
}

bool View::resignFirstResponder() {
    const auto w = window();
    if (w && w->firstResponder_.lock().get() == this) w->firstResponder_.reset();
    return true;
}

bool View::isFirstResponder() const {
    const auto w = window();
    return w && w->firstResponder().get() == this;
}

}  // namespace nodeloom::platform
