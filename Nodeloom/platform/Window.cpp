#include "Nodeloom/platform/Window.h"

#include <algorithm>
#include <cmath>

#include "Nodeloom/platform/GestureRecognizer.h"
#include "Nodeloom/platform/Screen.h"
#include "Nodeloom/platform/TouchEvent.h"

namespace nodeloom::platform {

namespace {

bool listed(const std::vector<int>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

Window::Window(Passkey key, const Rect& frame)
    : View(key, frame), event_(std::make_shared<TouchEvent>(TouchSet())) {}

Window::~Window() {
    // The views of the fingers live on (their fingers hold them); their gestures must not wait
    // for ends that no window will deliver now. Nothing may leave a destructor.
    try {
        cancelFingersIn(nullptr);
    } catch (...) {
    }
}

std::shared_ptr<Window> Window::create() {
    return create(Rect());
}

std::shared_ptr<Window> Window::create(const Rect& frame) {
    return std::make_shared<Window>(Passkey(), frame);
}

double Window::scale() const {
    return scale_ ? *scale_ : Screen::scale();
}

void Window::setScale(double scale) {
    if (std::isfinite(scale) && scale > 0) scale_ = scale;
}

Window::LiveFinger* Window::find(int id) {
    for (auto& finger : live_) {
        if (finger.touch->id() == id) return &finger;
    }
    return nullptr;
}

void Window::fingersDown(const std::vector<Finger>& fingers) {
    std::vector<LiveFinger> arrived;
    std::vector<int> seen;
    for (const auto& finger : fingers) {
        if (!finger.location.isFinite() || listed(seen, finger.id) || find(finger.id)) continue;
        seen.push_back(finger.id);
        auto view = hitTest(finger.location);
        if (!view) continue;
        const auto taken = [&](const LiveFinger& f) { return f.view == view.get(); };
        if (!view->multipleTouchEnabled() && (std::any_of(live_.begin(), live_.end(), taken) ||
                                              std::any_of(arrived.begin(), arrived.end(), taken))) {
            continue;
        }
        auto touch =
            std::make_shared<Touch>(finger.id, finger.location, view,
                                    std::static_pointer_cast<Window>(weak_from_this().lock()));
        View* target = view.get();
        if (target == this) view.reset();
        arrived.push_back(LiveFinger{std::move(touch), target, std::move(view)});
    }
    if (arrived.empty()) return;
    live_.insert(live_.end(), arrived.begin(), arrived.end());
    deliver(arrived, TouchPhase::began, &View::touchesBegan);
}

std::vector<Window::LiveFinger> Window::relocate(const std::vector<Finger>& fingers) {
    std::vector<LiveFinger> found;
    std::vector<int> seen;
    for (const auto& finger : fingers) {
        if (!finger.location.isFinite() || listed(seen, finger.id)) continue;
        seen.push_back(finger.id);
        if (LiveFinger* live = find(finger.id)) {
            live->touch->location_ = finger.location;
            found.push_back(*live);
        }
    }
    return found;
}

void Window::fingersMove(const std::vector<Finger>& fingers) {
    const auto moved = relocate(fingers);
    if (!moved.empty()) deliver(moved, TouchPhase::moved, &View::touchesMoved);
}

void Window::fingersUp(const std::vector<Finger>& fingers) {
    const auto lifted = relocate(fingers);
    if (!lifted.empty()) deliver(lifted, TouchPhase::ended, &View::touchesEnded);
}

void Window::fingersCancel(const std::vector<int>& ids) {
    std::vector<LiveFinger> cancelled;
    std::vector<int> seen;
    for (int id : ids) {
        if (listed(seen, id)) continue;
        seen.push_back(id);
        if (LiveFinger* live = find(id)) cancelled.push_back(*live);
    }
    if (!cancelled.empty()) deliver(cancelled, TouchPhase::cancelled, &View::touchesCancelled);
}

void Window::cancelFingersIn(const View* root) {
    std::vector<LiveFinger> leaving;
    std::vector<std::pair<std::shared_ptr<Touch>, TouchPhase>> staying;
    for (const auto& finger : live_) {
        const TouchPhase phase = finger.touch->phase_;
        // A finger whose end a callback is delivering ends there.
        const bool ending = phase == TouchPhase::ended || phase == TouchPhase::cancelled;
        if (!ending && (root == nullptr || finger.view->isDescendantOf(*root)))
            leaving.push_back(finger);
        else
            staying.emplace_back(finger.touch, phase);
    }
    if (leaving.empty()) return;
    deliver(leaving, TouchPhase::cancelled, &View::touchesCancelled);
    // The cancel may come in the middle of another delivery, whose fingers keep their phases.
    for (const auto& [touch, phase] : staying)
        touch->phase_ = phase;
}

void Window::deliver(const std::vector<LiveFinger>& fingers, TouchPhase phase, Callback callback) {
    // Keeps the window alive through callbacks that drop the last other reference to it.
    const auto self = weak_from_this().lock();
    for (const auto& finger : live_)
        finger.touch->phase_ = TouchPhase::stationary;
    for (const auto& finger : fingers)
        finger.touch->phase_ = phase;
    refreshEvent();
    const std::shared_ptr<TouchEvent> event = event_;

    recognize(fingers, phase, *event);

    std::vector<View*> views;
    for (const auto& finger : fingers) {
        if (std::find(views.begin(), views.end(), finger.view) == views.end()) {
            views.push_back(finger.view);
        }
    }
    const bool ending = phase == TouchPhase::ended || phase == TouchPhase::cancelled;
    for (View* view : views) {
        TouchSet touches;
        for (const auto& finger : fingers) {
            // A finger that an earlier callback cancelled (its view left the window) is over.
            if (finger.view != view) continue;
            const LiveFinger* live = ending ? nullptr : find(finger.touch->id());
            if (ending || (live != nullptr && live->touch == finger.touch))
                touches.push_back(finger.touch);
        }
        // Alive: held by the finger, or the window itself.
        if (!touches.empty()) (view->*callback)(touches, event);
    }

    if (phase == TouchPhase::ended || phase == TouchPhase::cancelled) {
        std::erase_if(live_, [&](const LiveFinger& live) {
            return std::any_of(fingers.begin(), fingers.end(),
                               [&](const LiveFinger& f) { return f.touch == live.touch; });
        });
        refreshEvent();
    }
}

void Window::recognize(const std::vector<LiveFinger>& fingers, TouchPhase phase,
                       const TouchEvent& event) {
    // Each recogniser of a finger's view or of one of its ancestors takes that finger, the
    // recognisers in the order first met walking up from the fingers' views.
    struct Share {
        std::shared_ptr<GestureRecognizer> recognizer;
        TouchSet touches;
    };
    std::vector<Share> shares;
    for (const auto& finger : fingers) {
        std::shared_ptr<View> view = finger.view->weak_from_this().lock();
        for (; view; view = view->superview()) {
            for (const auto& recognizer : view->gestureRecognizers()) {
                auto share = std::find_if(shares.begin(), shares.end(), [&](const Share& s) {
                    return s.recognizer == recognizer;
                });
                if (share == shares.end()) {
                    shares.push_back(Share{recognizer, {}});
                    share = shares.end() - 1;
                }
                share->touches.push_back(finger.touch);
            }
        }
    }
    for (const auto& share : shares) {
        GestureRecognizer& r = *share.recognizer;
        switch (phase) {
        case TouchPhase::began:
            r.touchesBegan(share.touches, event);
            break;
        case TouchPhase::moved:
        case TouchPhase::stationary:
            r.touchesMoved(share.touches, event);
            break;
        case TouchPhase::ended:
            r.touchesEnded(share.touches, event);
            break;
        case TouchPhase::cancelled:
            r.touchesCancelled(share.touches, event);
            break;
        }
    }
}

void Window::refreshEvent() {
    TouchSet touches;
    touches.reserve(live_.size());
    for (const auto& finger : live_)
        touches.push_back(finger.touch);
    event_->setAllTouches(std::move(touches));
}

}  // namespace nodeloom::platform
