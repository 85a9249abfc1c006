#pragma once

#include <memory>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/items/Manipulator.h"

namespace nodeloom {

// The small square box with a plus or minus sign that expands or collapses something when
// tapped. Its rectangle is in the frame it is drawn in: document coordinates for a node's box,
// node-local ones for a box inside a node.
class Expander : public Manipulator {
public:
    explicit Expander(std::weak_ptr<DiagramItem> item);

    // The state the box shows: a minus sign while expanded, a plus sign otherwise.
    virtual bool expanded() const;

    // The box's look is fixed: these are kept for the host but do not change the drawing.
    virtual const std::shared_ptr<SolidColorBrush>& backgroundBrush() const {
        return backgroundBrush_;
    }
    // A null brush is ignored.
    virtual void setBackgroundBrush(std::shared_ptr<SolidColorBrush> brush);
    virtual const std::shared_ptr<SolidColorBrush>& strokeBrush() const { return strokeBrush_; }
    virtual void setStrokeBrush(std::shared_ptr<SolidColorBrush> brush);
    virtual const std::shared_ptr<SolidColorBrush>& innerBrush() const { return innerBrush_; }
    virtual void setInnerBrush(std::shared_ptr<SolidColorBrush> brush);
    virtual double strokeThickness() const { return strokeThickness_; }
    virtual void setStrokeThickness(double thickness) { strokeThickness_ = thickness; }

    // The box relative to the node that carries it; the box itself for other items.
    virtual Rect localBounds() const;
    virtual Rect globalBounds() const { return bounds_; }
    const Rect& bounds() const { return bounds_; }
    void setBounds(const Rect& bounds) { bounds_ = bounds; }

    // Only the box of a node that lies on a document is drawn.
    void draw(Canvas& canvas) override;
    // On the box, edges included.
    bool hitTest(const Point& point) override;

private:
    std::shared_ptr<SolidColorBrush> backgroundBrush_;
    std::shared_ptr<SolidColorBrush> strokeBrush_;
    std::shared_ptr<SolidColorBrush> innerBrush_;
    double strokeThickness_ = 0.5;
    Rect bounds_{0.0, 0.0, 3.0, 3.0};
};

}  // namespace nodeloom
