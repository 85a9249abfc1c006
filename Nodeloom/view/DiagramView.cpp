#include "Nodeloom/view/DiagramView.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/RepaintEventArgs.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/InplaceEditable.h"
#include "Nodeloom/platform/Coder.h"
#include "Nodeloom/platform/GraphicsContext.h"
#include "Nodeloom/platform/NotificationCenter.h"
#include "Nodeloom/platform/Timer.h"
#include "Nodeloom/platform/TouchEvent.h"
#include "Nodeloom/view/BehaviorBase.h"
#include "Nodeloom/view/LongPressEvent.h"
#include "Nodeloom/view/TouchEventHandler.h"
#include "Nodeloom/view/TouchInputController.h"
#include "Nodeloom/view/TouchInputDispatcher.h"

namespace nodeloom {

namespace {

// What the second-finger wait carries to its end: the touches and the event of the touch-down.
struct WaitInfo {
    std::optional<platform::TouchSet> allTouches;
    std::shared_ptr<platform::TouchEvent> event;
};

}  // namespace

// The view's handler in its document's repaint event. It knows its view by address as well, so
// that a detach recognises its own entry even while the view is being destroyed, and never
// silences a handler that took the index over after the host emptied the list.
struct DiagramView::RepaintForwarder {
    std::weak_ptr<DiagramView> view;
    const DiagramView* owner;

    void operator()(Object&, RepaintEventArgs& args) const {
        if (const std::shared_ptr<DiagramView> v = view.lock()) v->onDiagramRepaint(args);
    }
};

// --- Making and releasing ----------------------------------------------------------------------

DiagramView::DiagramView(Passkey passkey, const Rect& frame)
    : View(passkey, frame),
      touchEventHandler_(std::make_shared<TouchEventHandler>()),
      touchInputDispatcher_(std::make_shared<TouchInputDispatcher>()) {}

DiagramView::~DiagramView() {
    platform::NotificationCenter::defaultCenter().removeObserver(static_cast<const void*>(this));
    stop(longPressTimer_);
    stop(doubleTapTimer_);
    stop(waitForSecondTouchTimer_);
    if (diagram_) detachRepaintHandler(*diagram_);
}

std::shared_ptr<DiagramView> DiagramView::create() {
    auto diagram = std::make_shared<Diagram>();
    const Rect frame = diagram->bounds();
    return make(frame, std::move(diagram));
}

std::shared_ptr<DiagramView> DiagramView::create(const Rect& frame) {
    return make(frame, std::make_shared<Diagram>());
}

std::shared_ptr<DiagramView> DiagramView::create(const platform::Coder& coder) {
    if (!coder.frame()) return nullptr;
    return make(*coder.frame(), std::make_shared<Diagram>());
}

std::shared_ptr<DiagramView> DiagramView::make(const Rect& frame,
                                               std::shared_ptr<Diagram> diagram) {
    auto view = std::make_shared<DiagramView>(Passkey(), frame);
    view->diagram_ = std::move(diagram);
    view->contentSeen_ = view->diagram_->contentGeneration();
    view->setupView(*view->diagram_);
    return view;
}

void DiagramView::setupView(Diagram& diagram) {
    updateCurrentBehavior();
    const std::shared_ptr<DiagramView> view = self();
    touchInputDispatcher_->setDiagramView(view);
    touchEventHandler_->setDiagramView(view);
    touchEventHandler_->attachHandlers(view, touchInputDispatcher_);
    setMultipleTouchEnabled(true);
    attachRepaintHandler(diagram);
    const std::weak_ptr<DiagramView> weak = view;
    platform::NotificationCenter::defaultCenter().addObserver(
        weak, platform::NotificationCenter::keyboardWillShowNotification,
        [weak](const platform::Notification& notification) {
            if (const std::shared_ptr<DiagramView> v = weak.lock())
                v->keyboardDidShow(notification);
        });
}

std::shared_ptr<DiagramView> DiagramView::self() {
    return weakSelf().lock();
}

std::weak_ptr<DiagramView> DiagramView::weakSelf() {
    const std::shared_ptr<View> view = weak_from_this().lock();
    return std::static_pointer_cast<DiagramView>(view);
}

// --- Properties --------------------------------------------------------------------------------

void DiagramView::setScrollX(double scroll) {
    if (!std::isfinite(scroll)) return;
    scrollX_ = scroll;
    setNeedsDisplay();
}

void DiagramView::setScrollY(double scroll) {
    if (!std::isfinite(scroll)) return;
    scrollY_ = scroll;
    setNeedsDisplay();
}

void DiagramView::setZoomLevel(double zoom) {
    // A zoom of 0 or less would make every conversion and the threshold infinite.
    if (!(zoom > 0) || !std::isfinite(zoom)) return;
    zoomLevel_ = zoom;
    if (diagram_) diagram_->setThreshold(diagram_->touchThreshold() / (zoom / 100));
    setNeedsDisplay();
}

void DiagramView::setDiagram(std::shared_ptr<Diagram> diagram) {
    if (!diagram) return;
    // Ended while the old document is still shown, so that its controllers put back and close
    // what they opened there.
    if (diagram != diagram_) dropWork();
    std::shared_ptr<Diagram> old = std::move(diagram_);
    diagram_ = std::move(diagram);
    contentSeen_ = diagram_->contentGeneration();
    if (old) detachRepaintHandler(*old);
    attachRepaintHandler(*diagram_);
    setNeedsDisplay();
}

void DiagramView::setBehavior(Behavior behavior) {
    const bool changed = behavior != behavior_;
    behavior_ = behavior;
    if (changed) updateCurrentBehavior();
}

void DiagramView::updateCurrentBehavior() {
    currentBehavior_ = createBehavior(behavior_, self());
    touchInputDispatcher_->setControllerSelectors(
        currentBehavior_ ? currentBehavior_->controllers() : std::vector<ControllerSelector>());
}

// --- Repaints ----------------------------------------------------------------------------------

void DiagramView::attachRepaintHandler(Diagram& diagram) {
    repaintHandler_ = diagram.repaint().add(RepaintForwarder{weakSelf(), this});
}

void DiagramView::detachRepaintHandler(Diagram& diagram) {
    auto& handlers = diagram.repaint().handlers();
    if (repaintHandler_ < 0 || repaintHandler_ >= static_cast<int>(handlers.size())) return;
    auto& handler = handlers[static_cast<std::size_t>(repaintHandler_)];
    const RepaintForwarder* mine = handler.target<RepaintForwarder>();
    if (mine == nullptr || mine->owner != this) return;
    handler = [](Object&, RepaintEventArgs&) {};
}

void DiagramView::onDiagramRepaint(const RepaintEventArgs& args) {
    // A load or a clear ends with a repaint: what the view was doing concerns items that are
    // gone.
    if (diagram_ && diagram_->contentGeneration() != contentSeen_) {
        contentSeen_ = diagram_->contentGeneration();
        dropWork();
    }
    if (args.invalidRect())
        setNeedsDisplay(docToClientRect(*args.invalidRect()));
    else
        setNeedsDisplay();
}

// --- Viewport ----------------------------------------------------------------------------------

double DiagramView::clientScale() const {
    const double zoom = zoomLevel_ / 100;
    if (!diagram_ || !diagram_->measureUnit()) return zoom;
    const double k = diagram_->measureUnit()->convert(1.0, MeasureUnit::Point(), diagram_.get());
    const double s = k * zoom;
    // A unit that cannot say how long it is counts as a point.
    return s > 0 && std::isfinite(s) ? s : zoom;
}

Point DiagramView::clientToDoc(const Point& point) const {
    const double s = clientScale();
    return Point(point.x / s + scrollX_, point.y / s + scrollY_);
}

Rect DiagramView::clientToDocRect(const Rect& rect) const {
    const double s = clientScale();
    const Point origin = clientToDoc(Point(rect.x, rect.y));
    return Rect(origin.x, origin.y, rect.width / s, rect.height / s);
}

double DiagramView::clientToDocLen(double length) const {
    return length / clientScale();
}

Point DiagramView::docToClient(const Point& point) const {
    const double s = clientScale();
    return Point((point.x - scrollX_) * s, (point.y - scrollY_) * s);
}

Rect DiagramView::docToClientRect(const Rect& rect) const {
    const double s = clientScale();
    const Point origin = docToClient(Point(rect.x, rect.y));
    return Rect(origin.x, origin.y, rect.width * s, rect.height * s);
}

std::shared_ptr<DiagramNode> DiagramView::getNodeAt(const Point& point) const {
    if (!diagram_ || !point.isFinite()) return nullptr;
    for (const auto& node : diagram_->nodes()) {
        if (node && node->containsPoint(point)) return node;
    }
    return nullptr;
}

void DiagramView::bringIntoView(DiagramItem& item) {
    if (!diagram_) return;
    const Rect v = clientToDocRect(bounds());
    const Rect r = item.getRepaintRect();
    if (!r.isFinite() || !v.isFinite()) return;
    if (r.x >= v.x && r.right() <= v.right() && r.y >= v.y && r.bottom() <= v.bottom()) return;
    const Rect b = diagram_->bounds();
    const double x = (r.x + r.right() - v.width) / 2;
    const double y = (r.y + r.bottom() - v.height) / 2;
    setScrollX(x < b.x ? b.x : std::min(x, b.right() - v.width));
    setScrollY(y < b.y ? b.y : std::min(y, b.bottom() - v.height));
}

void DiagramView::zoomToRect(const Rect& rect) {
    if (!diagram_ || !rect.isFinite()) return;
    const double w = bounds().width;
    const double h = bounds().height;
    const double u = MeasureUnit::Point()->convert(1.0, diagram_->measureUnit(), diagram_.get());
    const double f = std::min(w * u / rect.width, h * u / rect.height);
    if (!(f > 0) || !std::isfinite(f)) return;
    setZoomLevel(f * 100);
    setScrollX(rect.x);
    setScrollY(rect.y);
}

// --- Drawing -----------------------------------------------------------------------------------

void DiagramView::draw(const Rect& rect) {
    drawDiagram(rect);
}

void DiagramView::layoutSubviews() {
    View::layoutSubviews();
    setNeedsDisplay();
}

void DiagramView::drawDiagram(const Rect& rect) {
    Canvas* current = platform::GraphicsContext::current();
    if (current == nullptr || current->context() == nullptr || !diagram_) return;
    // A canvas of the view's own over the context, so that no pen or font of the caller leaks in.
    Canvas canvas(current->context());
    canvas.saveState();
    // What lies outside the dirty rectangle is not redrawn, so it must not be touched either.
    canvas.clip(rect);
    const Rect docRect = clientToDocRect(rect);
    canvas.setMeasureUnit(diagram_->measureUnit());
    canvas.scaleTransform(zoomLevel_ / 100);
    canvas.translateTransform(-scrollX_, -scrollY_);
    // Held: a handler or a controller may replace the document or end an interaction meanwhile.
    const std::shared_ptr<Diagram> diagram = diagram_;
    diagram->draw(canvas, docRect);
    const auto interactions = touchInputDispatcher_->manipulators();
    for (const auto& interaction : interactions) {
        if (!interaction) continue;
        if (const std::shared_ptr<TouchInputController> controller = interaction->controller())
            controller->draw(canvas);
    }
    canvas.restoreState();
}

// --- Touches and gesture timing ----------------------------------------------------------------

std::shared_ptr<platform::Timer> DiagramView::scheduleTimer(
    double interval, void (DiagramView::*tick)(platform::Timer&), std::any userInfo) {
    const std::weak_ptr<DiagramView> weak = weakSelf();
    return platform::Timer::scheduledTimer(
        interval, true,
        [weak, tick](platform::Timer& timer) {
            if (const std::shared_ptr<DiagramView> view = weak.lock())
                ((*view).*tick)(timer);
            else
                timer.invalidate();
        },
        std::move(userInfo));
}

void DiagramView::stop(std::shared_ptr<platform::Timer>& timer) {
    if (timer) timer->invalidate();
    timer.reset();
}

void DiagramView::call(const TouchHook& hook, const platform::TouchSet& touches,
                       const std::shared_ptr<platform::TouchEvent>& event) {
    if (!hook) return;
    const TouchHook copy = hook;
    copy(touches, event);
}

void DiagramView::resetLongPress() {
    longPress_ = false;
    radialMenuVisible_ = false;
    longPressSeconds_ = 0;
}

void DiagramView::dropWork() {
    cancelEdit();
    touchInputDispatcher_->cancelInteractions();
    // Nor does a long press or a double tap begun there fire on what took the items' place.
    resetLongPress();
    stop(longPressTimer_);
    tapCount_ = 0;
    doubleTapSeconds_ = 0;
    stop(doubleTapTimer_);
    setNeedsDisplay();
}

void DiagramView::touchesBegan(const platform::TouchSet& touches,
                               const std::shared_ptr<platform::TouchEvent>& event) {
    View::touchesBegan(touches, event);
    // A touch while an edit is open only commits the edit; its release is no tap either.
    if (editing_) {
        for (const auto& touch : touches) {
            if (touch) committing_.push_back(touch);
        }
        endEdit();
        return;
    }
    began_ = true;
    longPress_ = true;
    touch_ = touches.empty() ? nullptr : touches.front();
    if (!touch_) return;
    touchPoint_ = touch_->locationIn(*this);
    for (const auto& touch : touches) {
        if (touch) waiting_.push_back(touch);
    }
    longPressSeconds_ = 0;
    if (!longPressTimer_) longPressTimer_ = scheduleTimer(1.0, &DiagramView::tickSeconds);
    // A further finger during the wait only restarts the count.
    waitForSecondTouch_ = 0;
    if (waitForSecondTouchTimer_) return;
    waitForSecondTouchTimer_ =
        scheduleTimer(0.02, &DiagramView::incrementSecondTouchSecondsCounter,
                      WaitInfo{event ? event->allTouches() : std::nullopt, event});
}

void DiagramView::incrementSecondTouchSecondsCounter(platform::Timer& timer) {
    waitForSecondTouch_ += 0.1;
    if (waitForSecondTouch_ < secondsOfSecondTouchDetection_) return;
    std::shared_ptr<platform::TouchEvent> event;
    if (const auto* info = std::any_cast<WaitInfo>(&timer.userInfo())) event = info->event;
    timer.invalidate();
    if (waitForSecondTouchTimer_.get() == &timer) waitForSecondTouchTimer_.reset();
    waitForSecondTouch_ = 0;
    // The fingers down now: those that landed during the wait arrive with the first. Those
    // already lifted come too, ended, so that their taps are not lost.
    platform::TouchSet touches;
    for (const auto& touch : waiting_) {
        if (touch && touch->phase() == platform::TouchPhase::ended) touches.push_back(touch);
    }
    waiting_.clear();
    // Only fingers that went down on this view itself: one on a subview (the edit's field) or
    // beside the view is released to its own view, never here, and would stay recorded.
    if (event && event->allTouches()) {
        for (const auto& touch : *event->allTouches()) {
            if (touch && touch->view().get() == this &&
                std::find(touches.begin(), touches.end(), touch) == touches.end())
                touches.push_back(touch);
        }
    }
    call(onTouchesBegan_, touches, event);
}

void DiagramView::touchesMoved(const platform::TouchSet& touches,
                               const std::shared_ptr<platform::TouchEvent>& event) {
    View::touchesMoved(touches, event);
    if (touches.empty() || !touches.front()) return;
    const Point p = touches.front()->locationIn(*this);
    if (p.distance(touchPoint_) >= radiusOfLongPressDetection_) longPress_ = false;
    if (radialMenuVisible_ || longPress_) {
        auto longPressEvent = std::make_shared<LongPressEvent>();
        longPressEvent->setMenu(menu_);
        call(onTouchesMoved_, touches, longPressEvent);
        radialMenuVisible_ = false;
    } else {
        call(onTouchesMoved_, touches, event);
    }
}

void DiagramView::incrementSecondsCounter() {
    ++longPressSeconds_;
    if (longPressSeconds_ < secondsOfLongPressDetection_ || !longPress_) return;
    radialMenuVisible_ = true;
    // Kept, though stopped, until the release, so that no other finger starts a second one.
    if (longPressTimer_) longPressTimer_->invalidate();
    platform::TouchSet touches;
    if (touch_) touches.push_back(touch_);
    call(onLongPress_, touches, std::make_shared<LongPressEvent>());
}

void DiagramView::touchesEnded(const platform::TouchSet& touches,
                               const std::shared_ptr<platform::TouchEvent>& event) {
    View::touchesEnded(touches, event);
    began_ = false;
    bool committed = false;
    for (const auto& touch : touches) {
        if (std::erase(committing_, touch) > 0) committed = true;
    }
    // A touch that committed an edit is no tap: it neither opens nor closes a double tap.
    if (!committed) {
        ++tapCount_;
        const std::size_t all = event && event->allTouches() ? event->allTouches()->size() : 0;
        if (tapCount_ == 1 && all < 2) {
            firstTapPoint_ = touchPoint_;
            if (!doubleTapTimer_) doubleTapTimer_ = scheduleTimer(1.0, &DiagramView::tickNextTap);
        }
        if (tapCount_ == 2 && all < 2) {
            doubleTapSeconds_ = 0;
            stop(doubleTapTimer_);
            tapCount_ = 0;
            if (firstTapPoint_.distance(touchPoint_) < radiusOfDoubleTapDetection_)
                call(onDoubleTap_, touches, event);
        }
        if (tapCount_ >= 2) tapCount_ = 0;
    }
    resetLongPress();
    call(onTouchesEnded_, touches, event);
    stop(longPressTimer_);
}

void DiagramView::touchesCancelled(const platform::TouchSet& touches,
                                   const std::shared_ptr<platform::TouchEvent>& event) {
    View::touchesCancelled(touches, event);
    // As a release, except that no tap is counted: a long press must not fire with no finger
    // down.
    began_ = false;
    for (const auto& touch : touches)
        std::erase(committing_, touch);
    resetLongPress();
    stop(longPressTimer_);
    call(onTouchesCancelled_, touches, event);
}

void DiagramView::incrementNextTapSecondsCounter() {
    ++doubleTapSeconds_;
    if (doubleTapSeconds_ <= secondsOfDoubleTapDetection_) return;
    doubleTapSeconds_ = 0;
    stop(doubleTapTimer_);
    tapCount_ = 0;
}

}  // namespace nodeloom
