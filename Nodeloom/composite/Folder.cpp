#include "Nodeloom/composite/Folder.h"

#include <algorithm>
#include <vector>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/composite/FoldContainerCommand.h"
#include "Nodeloom/composite/LinkGatherer.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

namespace {

// The unit the button is measured in: the document's, millimetres outside a document.
std::shared_ptr<MeasureUnit> unitOf(const ContainerNode& container) {
    const std::shared_ptr<Diagram> d = container.diagram();
    return d && d->measureUnit() ? d->measureUnit() : MeasureUnit::Millimeter();
}

}  // namespace

Folder::Folder(const std::weak_ptr<ContainerNode>& container) : Manipulator(container) {}

std::shared_ptr<ContainerNode> Folder::container() const {
    return std::dynamic_pointer_cast<ContainerNode>(item());
}

Rect Folder::getButtonRect() const {
    const std::shared_ptr<ContainerNode> c = container();
    if (!c) return Rect();
    const Rect b = c->bounds();
    const double ch = c->captionHeight();
    const double mm = MeasureUnit::Millimeter()->convert(1.0, unitOf(*c));
    const double pad = std::min(ch * 0.25, mm);
    return Rect(b.x + b.width - ch + pad, b.y + pad, ch - 2 * pad, ch - 2 * pad);
}

void Folder::draw(Canvas& canvas) {
    const std::shared_ptr<ContainerNode> c = container();
    if (!c) return;
    const std::shared_ptr<MeasureUnit> unit = unitOf(*c);
    const Rect b = c->bounds();
    const double twoMm = MeasureUnit::Millimeter()->convert(1.0, unit) * 2;
    if (b.width < twoMm || b.height < twoMm || b.height < c->captionHeight()) return;
    const Rect r = getButtonRect();
    if (!(r.width > 0 && r.height > 0)) return;

    // Stops at both ends, so that the button is filled from white to blue-grey.
    canvas.setBrush(std::make_shared<LinearGradientBrush>(
        std::make_shared<Color>(1.0, 1.0, 1.0),
        std::make_shared<Color>(198.0 / 255, 206.0 / 255, 218.0 / 255), 60.0));
    canvas.setStroke(Color(128.0 / 255, 128.0 / 255, 128.0 / 255));
    canvas.setStrokeThickness(MeasureUnit::Pixel()->convert(1.0, canvas.measureUnit(), &canvas));
    canvas.drawEllipse(r);

    canvas.setStroke(Color(0.0, 0.0, 0.0));
    const double cx = r.x + r.width / 2;
    const double cy = r.y + r.height / 2;
    const double s = r.width / 5;
    const double d = MeasureUnit::Point()->convert(2.0, unit);
    const double t = s - d;
    if (c->folded()) {
        // Pointing down: the container opens downwards.
        canvas.drawLine(cx, cy + s / 2, cx - s, cy - s / 2);
        canvas.drawLine(cx, cy + s / 2, cx + s, cy - s / 2);
        if (t > 0) {
            canvas.drawLine(cx, cy + s / 2 - d, cx - t, cy + s / 2 - d - t);
            canvas.drawLine(cx, cy + s / 2 - d, cx + t, cy + s / 2 - d - t);
        }
    } else {
        canvas.drawLine(cx, cy - s / 2, cx - s, cy + s / 2);
        canvas.drawLine(cx, cy - s / 2, cx + s, cy + s / 2);
        if (t > 0) {
            canvas.drawLine(cx, cy - s / 2 + d, cx - t, cy - s / 2 + d + t);
            canvas.drawLine(cx, cy - s / 2 + d, cx + t, cy - s / 2 + d + t);
        }
    }
}

bool Folder::hitTest(const Point& point) {
    if (!container()) return false;
    const Rect r = getButtonRect();
    return r.x <= point.x && point.x <= r.x + r.width && r.y <= point.y &&
           point.y <= r.y + r.height;
}

void Folder::onClick(const Point&) {
    const std::shared_ptr<ContainerNode> c = container();
    const std::shared_ptr<Diagram> d = c ? c->diagram() : nullptr;
    if (!d) return;
    if (!d->undoManager()) {
        c->setFolded(!c->folded());
        return;
    }
    // Folding and unfolding lay the ends of the links below the container out afresh from their
    // connections, and the container's size from the one it kept, which need not give what they
    // were: the states from before and after the toggle make undo and redo exact. The container
    // comes last, so that undo puts it back before the links that end on it.
    std::vector<std::shared_ptr<DiagramItem>> changed;
    {
        LinkGatherer gatherer;
        gatherer.add(c->getAllLinks());
        ContainerNode::NodeSet descendants;
        c->collectDescendantNodes(descendants);
        for (const auto& node : descendants)
            if (node) gatherer.add(node->getAllLinks());
        for (const auto& link : gatherer.take())
            changed.emplace_back(link);
    }
    changed.emplace_back(c);
    d->startCompositeOperation();
    d->recordItemStates(changed);
    d->executeCommand(std::make_shared<FoldContainerCommand>(d, c, c->folded()));
    d->recordItemStates(changed);
    d->commitCompositeOperation();
}

}  // namespace nodeloom
