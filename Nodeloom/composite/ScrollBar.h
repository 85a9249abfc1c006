#pragma once

#include <memory>
#include <optional>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/items/Manipulator.h"

namespace nodeloom {

class Canvas;
class Scrollable;
class ScrollNodeCommand;

// The thin vertical bar inside the right edge of a node that scrolls its rows (a table, a tree
// view). It reads and moves the node's scroll position only through the node's Scrollable side,
// so one bar serves every kind of scrolling node; a bar on an item that does not scroll does
// nothing. Its geometry is computed from the node each time it is asked, in the node's document
// unit, relative to the node's top-left corner.
//
// Dragging the thumb scrolls continuously, or row by row when the node scrolls by whole rows, and
// the whole drag becomes one undoable step. Where the node offers no room to scroll (no rows, a
// track the thumb fills, a range that is 0 or not a number) the bar keeps the positions it has,
// so that it never hands the node, or stores, a position that is not a finite number.
class ScrollBar : public Manipulator {
public:
    // A gradient track without stops, white thumbs, transparent outlines, the thumb not yet placed
    // (yScrollPosition -1).
    explicit ScrollBar(std::weak_ptr<DiagramItem> item);
    // The bar of a node that scrolls its rows: a light grey track and grey thumbs.
    static std::shared_ptr<ScrollBar> createForRows(std::weak_ptr<DiagramItem> item);
    // The position and the two lengths are not kept: the bar computes them from its node.
    ScrollBar(std::weak_ptr<DiagramItem> item, std::optional<Point> position, double width,
              double height, std::shared_ptr<Brush> backgroundBrush,
              std::shared_ptr<Brush> scrollOnMouseOverBrush,
              std::shared_ptr<Brush> scrollOnMouseOutBrush, std::shared_ptr<Color> backgroundStroke,
              std::shared_ptr<Color> scrollStroke);

    // Places the thumb where the node's current position shows it; a node that scrolls by rows
    // is left as the last drag placed it.
    virtual void updateScrollPosition();

    // Fill of the track.
    virtual const std::shared_ptr<Brush>& backgroundBrush() const { return backgroundBrush_; }
    virtual void setBackgroundBrush(std::shared_ptr<Brush> brush);
    // Fill and outline of the thumb while it is dragged.
    virtual const std::shared_ptr<Brush>& scrollOnMouseOverBrush() const {
        return scrollOnMouseOverBrush_;
    }
    virtual void setScrollOnMouseOverBrush(std::shared_ptr<Brush> brush);
    // Fill and outline of the thumb otherwise.
    virtual const std::shared_ptr<Brush>& scrollOnMouseOutBrush() const {
        return scrollOnMouseOutBrush_;
    }
    virtual void setScrollOnMouseOutBrush(std::shared_ptr<Brush> brush);
    // Kept for the host; the track is outlined in a fixed light grey and the thumb in its brush's
    // colour.
    virtual const std::shared_ptr<Color>& backgroundStroke() const { return backgroundStroke_; }
    virtual void setBackgroundStroke(std::shared_ptr<Color> color);
    virtual const std::shared_ptr<Color>& scrollStroke() const { return scrollStroke_; }
    virtual void setScrollStroke(std::shared_ptr<Color> color);

    // 2.5 millimetres in the node's document unit (in millimetres outside a document).
    virtual double width() const;
    // The node's height below its caption.
    virtual double height() const;
    // Top of the thumb below the top of the track. A value that is not finite is refused.
    virtual double yScrollPosition() const { return yScrollPosition_; }
    virtual void setYScrollPosition(double position);
    // The thumb's length.
    virtual double scrollHeight() const;
    // The track's top-left corner relative to the node's: at the right edge, below the caption.
    virtual Point position() const;
    virtual Rect localBounds() const;
    // The track in document coordinates.
    virtual Rect globalBounds() const;
    virtual double diameter() const { return 2.0; }

    // The track, and the thumb when the content does not fit; the canvas is in node-local
    // coordinates.
    void draw(Canvas& canvas) override;
    bool needsDragEvents(const Point& point) override;
    void onTouchDown(const Point& point) override;
    void onTouchMove(const Point& point) override;
    // Ends the drag and records it as one undoable step.
    void onTouchUp(const Point& point) override;
    // Puts the node's scroll position, its links and the thumb back as they were when the drag
    // began, and records nothing.
    void onCancel(const Point& point) override;

    // The state of the current drag.
    const Point& oldPoint() const { return oldPoint_; }
    double dy() const { return dy_; }
    bool drag() const { return drag_; }
    // The command of the current or last drag; null outside a document that records undo.
    const std::shared_ptr<ScrollNodeCommand>& undoRecord() const { return undoRecord_; }

private:
    // The node as a scrolling node, or null when it is gone or does not scroll.
    std::shared_ptr<Scrollable> scrollable() const;
    // The new scroll position for a thumb at y, or nothing where the node leaves no room to
    // scroll. `upwards` tells a row-by-row node which way the finger went.
    std::optional<double> scrollPositionFor(Scrollable& node, double y, bool upwards) const;
    // The room the thumb has to move in; 0 where there is none.
    double freeTrack() const;

    std::shared_ptr<Brush> backgroundBrush_;
    std::shared_ptr<Brush> scrollOnMouseOverBrush_;
    std::shared_ptr<Brush> scrollOnMouseOutBrush_;
    std::shared_ptr<Color> backgroundStroke_;
    std::shared_ptr<Color> scrollStroke_;
    double yScrollPosition_ = -1.0;
    Point oldPoint_;
    double dy_ = 0.0;
    bool drag_ = false;
    // Where the drag began: the thumb, and the node's position outside a document that records
    // undo (the command keeps it otherwise).
    double startY_ = -1.0;
    double startPos_ = 0.0;
    std::shared_ptr<ScrollNodeCommand> undoRecord_;
};

}  // namespace nodeloom
