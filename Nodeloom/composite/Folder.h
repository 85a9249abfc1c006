#pragma once

#include <memory>

#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/items/Manipulator.h"

namespace nodeloom {

class ContainerNode;

// The fold button of a container: a round button in the top-right corner of the caption band
// with one chevron pointing the way the container will go and a second one beside it. A tap
// folds an unfolded container and unfolds a folded one, as one undoable step while the document
// records undo. It reacts to taps only.
class Folder : public Manipulator {
public:
    explicit Folder(const std::weak_ptr<ContainerNode>& container);

    // Null once the container is gone.
    virtual std::shared_ptr<ContainerNode> container() const;
    // A square in the top-right corner of the caption band, inset from its edges by a quarter of
    // the caption height or one millimetre, whichever is smaller.
    virtual Rect getButtonRect() const;

    // Nothing on a container smaller than 2 millimetres either way or lower than its caption.
    void draw(Canvas& canvas) override;
    // Edges included.
    bool hitTest(const Point& point) override;
    // Nothing for a container outside any document.
    void onClick(const Point& point) override;
};

}  // namespace nodeloom
