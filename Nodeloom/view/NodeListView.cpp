#include "Nodeloom/view/NodeListView.h"

#include <iterator>
#include <utility>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/platform/Coder.h"
#include "Nodeloom/platform/PanGestureRecognizer.h"
#include "Nodeloom/platform/TapGestureRecognizer.h"
#include "Nodeloom/view/CellView.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/PannedLabelView.h"
#include "Nodeloom/view/ShapeView.h"

namespace nodeloom {

namespace {

const std::string kCellIdentifier = "cell";

}  // namespace

NodeListView::NodeListView(Passkey key, const Rect& frame)
    : TableView(key, frame, platform::TableViewStyle::plain),
      fontColor_(std::make_shared<Color>(0.0, 0.0, 0.0)),
      tapRec_(std::make_shared<platform::TapGestureRecognizer>()) {}

NodeListView::~NodeListView() = default;

std::shared_ptr<NodeListView> NodeListView::create(const Rect& rect) {
    auto list = std::make_shared<NodeListView>(Passkey(), rect);
    list->setUp();
    list->setUpList();
    // One finger is kept for dragging shapes out.
    list->panGestureRecognizer()->setMinimumNumberOfTouches(2);
    list->panGestureRecognizer()->setMaximumNumberOfTouches(2);
    return list;
}

std::shared_ptr<NodeListView> NodeListView::create(const platform::Coder& coder) {
    if (!coder.frame()) return nullptr;
    auto list = std::make_shared<NodeListView>(Passkey(), *coder.frame());
    list->setUp();
    list->setUpList();
    const auto& pan = list->panGestureRecognizer();
    pan->setMinimumNumberOfTouches(1);
    pan->setMaximumNumberOfTouches(2);
    pan->addTarget(list, &NodeListView::onPan);
    list->setMultipleTouchEnabled(true);
    list->setDelaysContentTouches(true);
    list->setUserInteractionEnabled(true);
    return list;
}

void NodeListView::setUpList() {
    const auto self = std::static_pointer_cast<NodeListView>(shared_from_this());
    setDataSource(self);
    tapRec_->addTarget(self, &NodeListView::onTap);
    addGestureRecognizer(tapRec_);
}

void NodeListView::setFontColor(std::shared_ptr<Color> color) {
    if (color) fontColor_ = std::move(color);
}

void NodeListView::onPan(platform::GestureRecognizer&) {}

void NodeListView::onTap(platform::GestureRecognizer&) {}

// ---------------------------------------------------------------------------------------------
// Rows

int NodeListView::rowCount() const {
    if (!items_.empty()) return static_cast<int>(items_.size());
    return static_cast<int>(Diagram::defaultShapes()->shapes().size());
}

std::optional<NodeListView::Entry> NodeListView::entry(int row) const {
    if (row < 0 || row >= rowCount()) return std::nullopt;
    if (!items_.empty()) {
        const auto& item = items_[static_cast<std::size_t>(row)];
        Entry e;
        if (item) e.shape = item->shape();
        if (e.shape) e.name = e.shape->id();
        return e;
    }
    const auto& shapes = Diagram::defaultShapes()->shapes();
    const auto at = std::next(shapes.begin(), row);
    return Entry{at->second, at->first};
}

std::shared_ptr<platform::TableViewCell> NodeListView::makeCell(
    const platform::IndexPath& indexPath) {
    const std::optional<Entry> e = entry(indexPath.row);
    if (!e) return nullptr;
    registerClass<CellView>(kCellIdentifier);
    auto cell = std::dynamic_pointer_cast<CellView>(dequeueReusableCell(kCellIdentifier));
    if (!cell) return nullptr;
    cell->setIsLabelVisible(areNamesVisible_);
    cell->lblShapeName()->setHidden(!areNamesVisible_);
    cell->lblShapeName()->setFont(font_);
    cell->lblShapeName()->setTextColor(fontColor_);
    cell->shapeView()->setShape(e->shape);
    cell->lblShapeName()->setText(e->name);
    cell->shapeView()->setNeedsDisplay();
    return cell;
}

int NodeListView::numberOfSectionsInTableView(platform::TableView&) {
    return 1;
}

int NodeListView::numberOfRowsInSection(platform::TableView&, int) {
    return rowCount();
}

std::optional<std::string> NodeListView::titleForHeaderInSection(platform::TableView&, int) {
    return title_;
}

std::shared_ptr<platform::TableViewCell> NodeListView::cellForRowAtIndexPath(
    platform::TableView&, const platform::IndexPath& indexPath) {
    return makeCell(indexPath);
}

int NodeListView::numberOfRowsInSection(int) {
    return rowCount();
}

std::shared_ptr<platform::TableViewCell> NodeListView::cellForRowAtIndexPath(
    const platform::IndexPath& indexPath) {
    return makeCell(indexPath);
}

}  // namespace nodeloom
