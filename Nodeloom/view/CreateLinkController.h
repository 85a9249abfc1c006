#pragma once

#include <memory>

#include "Nodeloom/foundation/Metatype.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/view/SinglePointerController.h"

namespace nodeloom {

class ConnectionPoint;
class DiagramItem;
class DiagramLink;
class DiagramNode;

// Draws a new link from an origin node (or from empty space, where unconnected links are
// allowed) to wherever the finger is released. The host sees the link through linkCreating on
// every step, where cancelDrag() ends the drag at once, and once more at the release, where
// cancel keeps it out of the document; a loose end where loose ends are not allowed, or a loop
// where loops are not, is refused without an event. An accepted link is added (one undo step),
// routed when it routes itself, and announced through linkCreated.
class CreateLinkController : public SinglePointerController {
public:
    // Without an origin the node under the touch-down point serves. A class that makes no link
    // leaves the controller without one, and the drag then does nothing.
    CreateLinkController(const std::shared_ptr<Diagram>& diagram,
                         std::shared_ptr<DiagramNode> origin,
                         const Metatype<DiagramItem>& linkType);
    ~CreateLinkController() override;

    void startDrag(Point point) override;
    void continueDrag(Point point) override;
    void endDrag(Point point) override;
    void onCancel(Point point, Point positionB) override;
    // The link not yet added, as feedback.
    void draw(Canvas& canvas) override;

    const std::shared_ptr<DiagramNode>& origin() const { return origin_; }
    // Null once the drag was stopped or the link refused.
    const std::shared_ptr<DiagramLink>& link() const { return link_; }
    const Metatype<DiagramItem>& linkType() const { return linkType_; }

private:
    // Takes the link off its origin node's list and forgets it.
    void dropLink();

    std::shared_ptr<DiagramNode> origin_;
    Metatype<DiagramItem> linkType_;
    std::shared_ptr<DiagramLink> link_;
    // Between a start that put the link on its origin's list and the release: a controller let
    // go of then takes it off again, as a cancel does.
    bool pending_ = false;
};

// Whether the link end sits on no real node.
bool isLooseEnd(const std::shared_ptr<ConnectionPoint>& end);
// What the interactive link tools do once a link's ends are settled: a link that routes itself
// and is in a document takes the router's path; either way its shape then adapts to its points.
void routeLinkIfAutoRouted(const std::shared_ptr<DiagramLink>& link);
// True when the document forbids loops and both ends of the link are one real node. Two loose
// ends share the stand-in node but are no loop.
bool isForbiddenLoop(const Diagram& diagram, DiagramLink& link);
// Turns a link whose two ends are one real node into a loop over the middle of its top side.
void makeLoopAtTop(const std::shared_ptr<DiagramLink>& link);

}  // namespace nodeloom
