#pragma once

#include <memory>

#include "Nodeloom/composite/Expander.h"

namespace nodeloom {

// The expand button of an expandable node: a 3 by 3 millimetre box 1 millimetre right of the
// node, vertically centred. A tap folds the node when it is expanded and unfolds it otherwise,
// as one undoable step once the document records undo.
class NodeExpander : public Expander {
public:
    explicit NodeExpander(std::weak_ptr<DiagramItem> item);

    // The node's own expanded flag.
    bool expanded() const override;
    // Places the box beside the node in the document's unit; nothing outside a document.
    virtual void updateBounds();

    // Follows the node, then draws the box.
    void draw(Canvas& canvas) override;
    void onClick(const Point& point) override;
    // Taps only.
    bool needsDragEvents(const Point& point) override;
    void onTouchDown(const Point& point) override;
    void onTouchMove(const Point& point) override;
    void onTouchUp(const Point& point) override;
};

}  // namespace nodeloom
