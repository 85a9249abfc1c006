#pragma once

#include <cairo.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/Touch.h"

namespace nodeloom::platform {

class Coder;
class GestureRecognizer;
class ImageSurface;
class TouchEvent;
class Window;

// A rectangle of the headless user interface: a node of a view tree that draws itself, lays out
// its subviews and receives the touches of the fingers that went down on it. A view owns its
// subviews (back to front) and refers to its superview weakly, so a tree lives as long as its
// root is held. Views are shared objects, made by create() (or a subclass's own create()).
//
// Coordinates: a view's frame is its rectangle in its superview's coordinates; its bounds give
// its own coordinate space (the origin shown at the frame's top-left corner) and its size.
class View : public Object, public std::enable_shared_from_this<View> {
protected:
    // Keeps views off the stack: only this class and its subclasses can make one.
    struct Passkey {
        explicit Passkey() = default;
    };

public:
    static std::shared_ptr<View> create();
    static std::shared_ptr<View> create(const Rect& frame);
    // Null when the archive holds no view.
    static std::shared_ptr<View> create(const Coder& coder);

    View(Passkey, const Rect& frame);
    ~View() override;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Geometry. Setters ignore rectangles and points that are not finite; a negative extent is
    // taken by its magnitude with the rectangle moved to keep covering the same area. A new size
    // asks for layout.
    Rect frame() const { return Rect(origin_, bounds_.size()); }
    void setFrame(const Rect& frame);
    const Rect& bounds() const { return bounds_; }
    // Keeps the centre where it is.
    void setBounds(const Rect& bounds);
    Point center() const;
    void setCenter(const Point& center);

    // The tree.
    std::shared_ptr<View> superview() const { return superview_.lock(); }
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    // The window at the root of the tree, or null.
    std::shared_ptr<Window> window() const;
    // Appends the view as the frontmost subview, taking it from its former superview. A view
    // that is this one or one of its ancestors is refused (a tree cannot hold itself).
    void addSubview(std::shared_ptr<View> view);
    // The same, at a position in the subviews (clamped to the list).
    void insertSubview(std::shared_ptr<View> view, int index);
    // Resigns the first responder when it lies in this subtree, and cancels the fingers on the
    // views of the subtree (before the view leaves, so that the recognisers above it learn it).
    void removeFromSuperview();
    // True for the view itself too.
    bool isDescendantOf(const View& view) const;

    // Point conversion. "Window" coordinates are those of the root of the tree.
    Point convertPointTo(const Point& point, const View& view) const;
    Point convertPointFrom(const Point& point, const View& view) const;
    Point convertPointToWindow(const Point& point) const;
    Point convertPointFromWindow(const Point& point) const;

    // Drawing. Requests to redraw are recorded (a whole-view request as an absent rectangle, in
    // the order made) until the view is next rendered; a long unrendered run of them collapses
    // into one whole-view request.
    void setNeedsDisplay();
    // In the view's own coordinates; a rectangle that is not finite is ignored.
    void setNeedsDisplay(const Rect& rect);
    bool needsDisplay() const { return !displayRequests_.empty(); }
    const std::vector<std::optional<Rect>>& displayRequests() const { return displayRequests_; }
    void clearDisplayRequests() { displayRequests_.clear(); }
    // Draws the view's own content on the current drawing context (GraphicsContext::current(),
    // which is absent outside rendering). The base draws nothing.
    virtual void draw(const Rect& rect);
    // Draws the tree rooted here (after laying it out) with the view's bounds origin at the
    // context's origin: for each view that is not hidden its background, its draw() clipped to
    // its bounds, its subviews, then its border.
    void render(cairo_t* context);
    // The tree drawn into a new picture of the bounds' size, at the window's scale (the screen's
    // when the view is in no window); null when no picture of that size can be made.
    std::shared_ptr<ImageSurface> renderImage();

    // Layout. The base lays out nothing.
    virtual void layoutSubviews();
    void setNeedsLayout() { needsLayout_ = true; }
    bool needsLayout() const { return needsLayout_; }
    // Runs layoutSubviews where layout was asked for, in this view and then in its subviews.
    void layoutIfNeeded();

    // Appearance.
    bool hidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    // Null for none (the default).
    const std::shared_ptr<Color>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::shared_ptr<Color> color) { backgroundColor_ = std::move(color); }
    // Drawn inside the bounds; 0 (the default) draws none. Negative or undefined widths are
    // ignored.
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    // Opaque black by default; null draws no border.
    const std::shared_ptr<Color>& borderColor() const { return borderColor_; }
    void setBorderColor(std::shared_ptr<Color> color) { borderColor_ = std::move(color); }

    // Touches. A finger goes to the deepest view under it that is visible and interactive (with
    // all its ancestors); a view without multiple touch takes only one finger at a time.
    bool multipleTouchEnabled() const { return multipleTouchEnabled_; }
    void setMultipleTouchEnabled(bool enabled) { multipleTouchEnabled_ = enabled; }
    bool userInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
    // The point in the view's coordinates. Subviews are asked front to back.
    virtual std::shared_ptr<View> hitTest(const Point& point);
    // Within the bounds, left and top edges included, right and bottom excluded.
    virtual bool pointInside(const Point& point) const;
    // Touch callbacks: the fingers of this view that went down, moved, were lifted or were
    // cancelled in one call, and the window's live event. The base does nothing with them.
    virtual void touchesBegan(const TouchSet& touches, const std::shared_ptr<TouchEvent>& event);
    virtual void touchesMoved(const TouchSet& touches, const std::shared_ptr<TouchEvent>& event);
    virtual void touchesEnded(const TouchSet& touches, const std::shared_ptr<TouchEvent>& event);
    virtual void touchesCancelled(const TouchSet& touches,
                                  const std::shared_ptr<TouchEvent>& event);

    // Gesture recognisers, held by the view. Adding one that another view holds moves it here;
    // adding one twice keeps one entry.
    const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const {
        return gestureRecognizers_;
    }
    void addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer);
    void removeGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer);

    // First responder: the one view of a window that takes keyboard input.
    // The base cannot become first responder.
    virtual bool canBecomeFirstResponder() const;
    // Fails for a view that cannot, or that is in no window, or when the current first responder
    // refuses to resign.
    virtual bool becomeFirstResponder();
    virtual bool resignFirstResponder();
    bool isFirstResponder() const;

private:
    // Translation from this view's coordinates to its window's (zero at the root).
    Point offsetInWindow() const;
    void insertAt(std::shared_ptr<View> view, std::size_t index);
    // removeFromSuperview, except that the fingers stay when the view stays in that window.
    void leaveSuperview(const Window* staying);
    void drawTree(cairo_t* context);

    Point origin_;
    Rect bounds_;
    std::weak_ptr<View> superview_;
    std::vector<std::shared_ptr<View>> subviews_;
    std::vector<std::shared_ptr<GestureRecognizer>> gestureRecognizers_;
    std::vector<std::optional<Rect>> displayRequests_;
    std::shared_ptr<Color> backgroundColor_;
    std::shared_ptr<Color> borderColor_;
    double borderWidth_ = 0.0;
    bool hidden_ = false;
    bool multipleTouchEnabled_ = false;
    bool userInteractionEnabled_ = true;
    bool needsLayout_ = false;
};

}  // namespace nodeloom::platform
