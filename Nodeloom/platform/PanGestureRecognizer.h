#pragma once

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/platform/GestureRecognizer.h"

namespace nodeloom::platform {

// A drag of one or more fingers. It begins once the centre of its fingers has moved more than 10
// points with a number of fingers within its limits, reports each move as changed and ends when
// fewer fingers than its minimum are left. Too many fingers before it began make it fail; once it
// has begun, fingers beyond the maximum are not followed.
class PanGestureRecognizer : public GestureRecognizer {
public:
    using GestureRecognizer::GestureRecognizer;

    // Limits below 1 are ignored.
    int minimumNumberOfTouches() const { return minimumNumberOfTouches_; }
    void setMinimumNumberOfTouches(int count);
    int maximumNumberOfTouches() const { return maximumNumberOfTouches_; }
    void setMaximumNumberOfTouches(int count);

    // How far the centre of the fingers has moved since the first of them came down. Views do
    // not turn or scale their coordinates, so it is the same in every view.
    Point translationIn(const View* view) const;

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchSet& touches, const TouchEvent& event) override;

protected:
    void reset() override;

private:
    bool running() const;
    bool withinLimits() const;
    // Fingers lifted or cancelled: the end of a running pan, or the failure of one that never
    // began.
    void release(const TouchSet& touches, bool cancelled);

    int minimumNumberOfTouches_ = 1;
    int maximumNumberOfTouches_ = 1 << 30;
    Point translation_;
    // The centre of the fingers at the last call, so that a finger coming or going does not
    // count as a move.
    Point previous_;
};

}  // namespace nodeloom::platform
