#include "Nodeloom/view/CellView.h"

#include <utility>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/NodeEventArgs.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/platform/Coder.h"
#include "Nodeloom/platform/PanGestureRecognizer.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/NodeListView.h"
#include "Nodeloom/view/PannedLabelView.h"
#include "Nodeloom/view/ShapeView.h"

namespace nodeloom {

using platform::GestureRecognizerState;

CellView::CellView(Passkey key, const Rect& frame, platform::TableViewCellStyle style,
                   std::string reuseIdentifier)
    : TableViewCell(key, frame, style, std::move(reuseIdentifier)),
      panRec_(std::make_shared<platform::PanGestureRecognizer>()),
      shapeView_(ShapeView::create(Rect(5, 5, 30, 30))),
      lblShapeName_(PannedLabelView::create(Rect(40, 5, 100, 30))) {}

CellView::~CellView() = default;

std::shared_ptr<CellView> CellView::create(platform::TableViewCellStyle style,
                                           const std::string& reuseIdentifier) {
    auto cell = std::make_shared<CellView>(Passkey(), Rect(0, 0, 320, 44), style, reuseIdentifier);
    cell->setUp();
    cell->setUpRow();
    return cell;
}

std::shared_ptr<CellView> CellView::create(const platform::Coder& coder) {
    if (!coder.frame()) return nullptr;
    auto cell = std::make_shared<CellView>(Passkey(), *coder.frame(),
                                           platform::TableViewCellStyle::default_, std::string());
    cell->setUp();
    return cell;
}

void CellView::setUpRow() {
    panRec_->addTarget(std::static_pointer_cast<CellView>(shared_from_this()), &CellView::onPan);
    addGestureRecognizer(panRec_);
    panRec_->setMinimumNumberOfTouches(1);
    panRec_->setMaximumNumberOfTouches(2);
    setUserInteractionEnabled(true);
    setBackgroundColor(std::make_shared<Color>(1.0, 1.0, 1.0));
    shapeView_->setBackgroundColor(std::make_shared<Color>(0.0, 0.0, 0.0, 0.0));
    contentView()->addSubview(shapeView_);
    contentView()->addSubview(lblShapeName_);
}

int& CellView::dragCounter() {
    static int counter = 0;
    return counter;
}

int CellView::activeDrags() {
    return dragCounter();
}

void CellView::setSelected(bool selected, bool animated) {
    TableViewCell::setSelected(selected, animated);
    panRec_->setMinimumNumberOfTouches(1);
    panRec_->setMaximumNumberOfTouches(1);
}

void CellView::onPan(platform::GestureRecognizer& recognizer) {
    switch (recognizer.state()) {
    case GestureRecognizerState::began:
        beginDrag();
        break;
    case GestureRecognizerState::changed:
        if (dragCounter() > 1 || !drag_) return;
        drag_->setCenter(recognizer.locationIn(this));
        break;
    case GestureRecognizerState::ended:
        endDrag(recognizer);
        break;
    case GestureRecognizerState::cancelled:
    case GestureRecognizerState::failed:
        // Abandoned like an end that drops nothing: the placeholder and the moved drawing stay
        // where they are, and the next drag of this row carries them on.
        dragCounter() = 0;
        break;
    case GestureRecognizerState::possible:
        break;
    }
}

void CellView::beginDrag() {
    if (++dragCounter() > 1) return;
    if (shapeCopy_) return;
    drag_ = shapeView_;
    shapeCopy_ = ShapeView::create(drag_->frame());
    shapeCopy_->setShape(drag_->shape());
    shapeCopy_->setBackgroundColor(std::make_shared<Color>(0.0, 0.0, 0.0, 0.0));
    addSubview(shapeCopy_);
}

void CellView::endDrag(platform::GestureRecognizer& recognizer) {
    if (!drag_ || !shapeCopy_ || dragCounter() > 1) {
        dragCounter() = 0;
        return;
    }
    std::shared_ptr<NodeListView> list;
    for (auto up = superview(); up && !list; up = up->superview())
        list = std::dynamic_pointer_cast<NodeListView>(up);
    const std::shared_ptr<DiagramView> view = list ? list->diagramView() : nullptr;
    const std::shared_ptr<Diagram> diagram = view ? view->diagram() : nullptr;
    if (!diagram) {
        dragCounter() = 0;
        return;
    }

    auto node = std::make_shared<ShapeNode>();
    node->setShape(drag_->shape());
    // A node 20 points wide at the view's zoom, centred under the finger; stored as it is,
    // without the rules that a bounds change runs.
    const Point p = recognizer.locationIn(view.get());
    node->_setBounds(view->clientToDocRect(Rect(p.x - 10, p.y - 10, 20, 20)));
    node->setStrokeThickness(0.3);
    diagram->addItem(node);
    view->setNeedsDisplay();

    const Rect home = shapeCopy_->frame();
    drag_->setCenter(Point(home.x + home.width / 2, drag_->center().y));
    drag_->setCenter(Point(drag_->center().x, home.y + home.height / 2));
    shapeCopy_->removeFromSuperview();
    shapeCopy_ = nullptr;

    // A handler that took the node out again as it came, or read the document anew, left
    // nothing created.
    if (diagram->contains(*node)) {
        NodeEventArgs args(node);
        diagram->nodeCreated().raise(*diagram, args);
    }
    dragCounter() = 0;
}

}  // namespace nodeloom
