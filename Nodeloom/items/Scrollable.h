#pragma once

namespace nodeloom {

// What a node that scrolls its own rows offers to its scroll bar and to the undo of a scroll. In
// integral mode positions count rows; otherwise they are lengths.
class Scrollable {
public:
    virtual ~Scrollable() = default;

    virtual double getMaxScrollPos() = 0;
    virtual double getCurrentScrollPos() = 0;
    virtual void setCurrentScrollPos(double pos) = 0;
    virtual double getCaptionHeight() = 0;
    virtual bool integralScrollMode() = 0;
    virtual double getHeightOfCompletelyVisibleItems() = 0;
    // The rows, counted back from the last one, that fit in the area below the caption.
    virtual int getNumberOfLastVisibleItems() = 0;
    virtual int getItemsNumber() = 0;

protected:
    Scrollable() = default;
    Scrollable(const Scrollable&) = default;
    Scrollable& operator=(const Scrollable&) = default;
};

}  // namespace nodeloom
