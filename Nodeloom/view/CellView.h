#pragma once

#include <memory>
#include <string>
#include <utility>

#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/TableViewCell.h"

namespace nodeloom {

class PannedLabelView;
class Shape;
class ShapeView;

namespace platform {
class Coder;
class GestureRecognizer;
class PanGestureRecognizer;
}  // namespace platform

// A row of the node palette: a small drawing of a shape and, beside it, the shape's name. A
// finger drags the drawing out of the row; where it is lifted over the palette's diagram view,
// a node of that shape is added to the view's document.
//
// One drag runs at a time across all rows: a counter shared by every row counts the drags begun
// since the last release, and while a second drag runs neither moves nor drops anything. Every
// end of a drag resets it, dropped, abandoned, cancelled or failed alike, so that no lost end can
// block the drags after it.
class CellView : public platform::TableViewCell {
public:
    static std::shared_ptr<CellView> create(platform::TableViewCellStyle style,
                                            const std::string& reuseIdentifier);
    // The same subviews, neither placed in the row nor wired to the recogniser; null when the
    // archive holds no view.
    static std::shared_ptr<CellView> create(const platform::Coder& coder);

    CellView(Passkey key, const Rect& frame, platform::TableViewCellStyle style,
             std::string reuseIdentifier);
    ~CellView() override;

    // The drags begun since the last release, over all rows.
    static int activeDrags();

    const std::shared_ptr<platform::PanGestureRecognizer>& panRec() const { return panRec_; }
    const std::shared_ptr<ShapeView>& shapeView() const { return shapeView_; }
    const std::shared_ptr<PannedLabelView>& lblShapeName() const { return lblShapeName_; }
    bool isLabelVisible() const { return isLabelVisible_; }
    void setIsLabelVisible(bool visible) { isLabelVisible_ = visible; }
    // Kept for the host; the row draws the shape of its shape view.
    int i() const { return i_; }
    void setI(int i) { i_ = i; }
    const std::shared_ptr<Shape>& shape() const { return shape_; }
    void setShape(std::shared_ptr<Shape> shape) { shape_ = std::move(shape); }
    // During a drag: the placeholder left in the row, and the view that follows the finger.
    const std::shared_ptr<ShapeView>& shapeCopy() const { return shapeCopy_; }
    const std::shared_ptr<ShapeView>& drag() const { return drag_; }

    // A selected row takes one finger only.
    void setSelected(bool selected, bool animated) override;

    // The drag recogniser's action.
    virtual void onPan(platform::GestureRecognizer& recognizer);

private:
    static int& dragCounter();
    void beginDrag();
    void endDrag(platform::GestureRecognizer& recognizer);
    // Wires the recogniser and places the subviews; create() calls it once the row is shared.
    void setUpRow();

    std::shared_ptr<platform::PanGestureRecognizer> panRec_;
    std::shared_ptr<ShapeView> shapeView_;
    std::shared_ptr<PannedLabelView> lblShapeName_;
    int i_ = 0;
    bool isLabelVisible_ = true;
    std::shared_ptr<Shape> shape_;
    std::shared_ptr<ShapeView> shapeCopy_;
    std::shared_ptr<ShapeView> drag_;
};

}  // namespace nodeloom
