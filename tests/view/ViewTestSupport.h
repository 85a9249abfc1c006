#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/platform/RunLoop.h"
#include "Nodeloom/platform/Touch.h"
#include "Nodeloom/platform/TouchEvent.h"
#include "Nodeloom/platform/Window.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/LongPressEvent.h"
#include "Nodeloom/view/TouchEventHandler.h"
#include "Nodeloom/view/TouchInputDispatcher.h"

namespace nodeloom::test {

inline std::string pointText(const Point& p) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "(%g,%g)", p.x, p.y);
    return buffer;
}

// A window at the origin holding a diagram view, on a run loop of its own that only the test
// advances.
struct Screen {
    explicit Screen(const Rect& frame = Rect(0, 0, 300, 200))
        : loop(std::make_shared<platform::RunLoop>()) {
        platform::RunLoop::setCurrent(loop);
        window = platform::Window::create(Rect(0, 0, 400, 300));
        view = DiagramView::create(frame);
        window->addSubview(view);
    }
    ~Screen() {
        if (view) view->removeFromSuperview();
        platform::RunLoop::setCurrent(nullptr);
    }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    double now() const { return loop->now(); }
    void advance(double seconds) { loop->advance(seconds); }
    void down(int id, Point p) { window->fingersDown({{id, p}}); }
    void down(int a, Point pa, int b, Point pb) { window->fingersDown({{a, pa}, {b, pb}}); }
    void move(int id, Point p) { window->fingersMove({{id, p}}); }
    void up(int id, Point p) { window->fingersUp({{id, p}}); }
    void cancel(int id) { window->fingersCancel({id}); }
    // A finger that goes down, stays long enough to be delivered, and is lifted.
    void tap(int id, Point p) {
        down(id, p);
        advance(0.1);
        up(id, p);
    }
    // Whether any gesture timer of the view still runs.
    bool timerRunning() const {
        for (const auto* timer :
             {&view->longPressTimer(), &view->doubleTapTimer(), &view->waitForSecondTouchTimer()}) {
            if (*timer && (*timer)->isValid()) return true;
        }
        return false;
    }

    std::shared_ptr<platform::RunLoop> loop;
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<DiagramView> view;
};

}  // namespace nodeloom::test
