#include "Nodeloom/composite/ScrollBar.h"
#include "Nodeloom/composite/TableNode.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/ScrollNodeCommand.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramItemState.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/Scrollable.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

namespace {

// The track's outline, whatever backgroundStroke says.
const Color kTrackStroke(228.0 / 255, 228.0 / 255, 228.0 / 255);

double nodeHeight(const std::shared_ptr<DiagramItem>& item) {
    return item ? item->getBounds().height : 0.0;
}

// A drag of the bar as one step, with the links of the node as they were before and after it.
// Scrolling to a position puts every link end on its row, so an end that was elsewhere (left
// beside its row by a layout, say) would not come back by the position alone.
class ScrollRecord : public ScrollNodeCommand {
public:
    ScrollRecord(const std::shared_ptr<Diagram>& diagram, const std::shared_ptr<Scrollable>& node,
                 double oldPos, const std::vector<std::shared_ptr<DiagramLink>>& links)
        : ScrollNodeCommand(diagram, node, oldPos), before_(take(links)) {}

    void execute() override {
        ScrollNodeCommand::execute();
        std::vector<std::shared_ptr<DiagramLink>> links;
        for (const auto& kept : before_)
            if (const auto link = kept.link.lock()) links.push_back(link);
        after_ = take(links);
    }
    void undo() override {
        ScrollNodeCommand::undo();
        keepRow(oldPos());
        put(before_);
    }
    void redo() override {
        ScrollNodeCommand::redo();
        keepRow(newPos());
        put(after_);
    }

private:
    // A table scrolled to its row count (rows deleted under it) is put back there, which a
    // scroll to a position never goes past the last row.
    void keepRow(double pos) const {
        const auto table = std::dynamic_pointer_cast<TableNode>(node());
        if (!table || !std::isfinite(pos) || table->getCurrentScrollPos() == pos) return;
        if (pos >= 0 && pos <= static_cast<double>(table->rows().size()))
            table->setCurrentScrollRow(static_cast<int>(pos));
    }

    struct Kept {
        std::weak_ptr<DiagramLink> link;
        std::shared_ptr<DiagramItemState> state;
        Point origin;
        Point destination;
    };

    static std::vector<Kept> take(const std::vector<std::shared_ptr<DiagramLink>>& links) {
        std::vector<Kept> kept;
        kept.reserve(links.size());
        for (const auto& link : links) {
            if (!link) continue;
            kept.push_back({link, link->saveState(), link->originConnection()->relativePosition(),
                            link->destinationConnection()->relativePosition()});
        }
        return kept;
    }
    // Only the places: a link that left the document, or was changed otherwise since, keeps the
    // rest of what it has.
    static void put(const std::vector<Kept>& kept) {
        for (const auto& k : kept) {
            const std::shared_ptr<DiagramLink> link = k.link.lock();
            if (!link || !k.state) continue;
            link->restoreLocation(*k.state);
            link->originConnection()->setRelativePosition(k.origin);
            link->destinationConnection()->setRelativePosition(k.destination);
        }
    }

    std::vector<Kept> before_;
    std::vector<Kept> after_;
};

bool usable(double value) {
    return std::isfinite(value) && value != 0.0;
}

// A row count that came out of floating-point arithmetic a hair away from a whole number is
// that number: the node truncates positions to rows.
double snapToWhole(double value) {
    const double whole = std::round(value);
    return std::abs(value - whole) < 1e-9 * std::max(1.0, std::abs(whole)) ? whole : value;
}

}  // namespace

std::shared_ptr<ScrollBar> ScrollBar::createForRows(std::weak_ptr<DiagramItem> item) {
    const auto grey = [](double level) {
        return std::make_shared<Color>(level / 255, level / 255, level / 255);
    };
    auto bar = std::make_shared<ScrollBar>(std::move(item));
    auto track = std::make_shared<LinearGradientBrush>();
    track->setPositions({0.0, 0.45, 1.0});
    track->setColors({grey(240), grey(252), grey(252)});
    track->setAngle(180);
    bar->setBackgroundBrush(track);
    bar->setScrollOnMouseOutBrush(std::make_shared<SolidColorBrush>(grey(202)));
    bar->setScrollOnMouseOverBrush(std::make_shared<SolidColorBrush>(grey(99)));
    return bar;
}

ScrollBar::ScrollBar(std::weak_ptr<DiagramItem> item)
    : Manipulator(std::move(item)),
      backgroundBrush_(std::make_shared<LinearGradientBrush>()),
      scrollOnMouseOverBrush_(std::make_shared<SolidColorBrush>(std::make_shared<Color>())),
      scrollOnMouseOutBrush_(std::make_shared<SolidColorBrush>(std::make_shared<Color>())),
      backgroundStroke_(Colors::Transparent()),
      scrollStroke_(Colors::Transparent()) {}

ScrollBar::ScrollBar(std::weak_ptr<DiagramItem> item, std::optional<Point>, double, double,
                     std::shared_ptr<Brush> backgroundBrush,
                     std::shared_ptr<Brush> scrollOnMouseOverBrush,
                     std::shared_ptr<Brush> scrollOnMouseOutBrush,
                     std::shared_ptr<Color> backgroundStroke, std::shared_ptr<Color> scrollStroke)
    : Manipulator(std::move(item)),
      backgroundBrush_(std::move(backgroundBrush)),
      scrollOnMouseOverBrush_(std::move(scrollOnMouseOverBrush)),
      scrollOnMouseOutBrush_(std::move(scrollOnMouseOutBrush)),
      backgroundStroke_(backgroundStroke ? std::move(backgroundStroke) : Colors::Transparent()),
      scrollStroke_(scrollStroke ? std::move(scrollStroke) : Colors::Transparent()),
      yScrollPosition_(0.0) {}

// ---------------------------------------------------------------------------------------------
// Properties

void ScrollBar::setBackgroundBrush(std::shared_ptr<Brush> brush) {
    backgroundBrush_ = std::move(brush);
}

void ScrollBar::setScrollOnMouseOverBrush(std::shared_ptr<Brush> brush) {
    scrollOnMouseOverBrush_ = std::move(brush);
}

void ScrollBar::setScrollOnMouseOutBrush(std::shared_ptr<Brush> brush) {
    scrollOnMouseOutBrush_ = std::move(brush);
}

void ScrollBar::setBackgroundStroke(std::shared_ptr<Color> color) {
    if (color) backgroundStroke_ = std::move(color);
}

void ScrollBar::setScrollStroke(std::shared_ptr<Color> color) {
    if (color) scrollStroke_ = std::move(color);
}

void ScrollBar::setYScrollPosition(double position) {
    if (std::isfinite(position)) yScrollPosition_ = position;
}

std::shared_ptr<Scrollable> ScrollBar::scrollable() const {
    return std::dynamic_pointer_cast<Scrollable>(item());
}

// ---------------------------------------------------------------------------------------------
// Geometry

double ScrollBar::width() const {
    const std::shared_ptr<DiagramItem> owner = item();
    const std::shared_ptr<Diagram> diagram = owner ? owner->diagram() : nullptr;
    if (!diagram) return 2.5;
    return MeasureUnit::Millimeter()->convert(2.5, diagram->measureUnit());
}

double ScrollBar::height() const {
    const std::shared_ptr<DiagramItem> owner = item();
    const auto node = std::dynamic_pointer_cast<Scrollable>(owner);
    if (!node) return 0.0;
    return owner->getBounds().height - node->getCaptionHeight();
}

double ScrollBar::scrollHeight() const {
    const std::shared_ptr<DiagramItem> owner = item();
    const auto node = std::dynamic_pointer_cast<Scrollable>(owner);
    if (!node) return 0.0;
    if (node->integralScrollMode()) {
        const double steps = static_cast<double>(node->getItemsNumber()) -
                             static_cast<double>(node->getNumberOfLastVisibleItems()) + 1.0;
        return (height() - diameter()) / steps;
    }
    return height() * nodeHeight(owner) / node->getMaxScrollPos() - diameter();
}

Point ScrollBar::position() const {
    const std::shared_ptr<DiagramItem> owner = item();
    if (!owner) return Point();
    const Rect bounds = owner->getBounds();
    return Point(bounds.width - width(), bounds.height - height());
}

Rect ScrollBar::localBounds() const {
    const Point p = position();
    return Rect(p.x, p.y, width(), height());
}

Rect ScrollBar::globalBounds() const {
    const std::shared_ptr<DiagramItem> owner = item();
    const Rect local = localBounds();
    if (!owner) return local;
    const Rect bounds = owner->getBounds();
    return Rect(local.x + bounds.x, local.y + bounds.y, local.width, local.height);
}

double ScrollBar::freeTrack() const {
    const double free = height() - scrollHeight() - diameter();
    return std::isfinite(free) ? free : 0.0;
}

// ---------------------------------------------------------------------------------------------
// Scroll position

void ScrollBar::updateScrollPosition() {
    const auto node = scrollable();
    if (!node || node->integralScrollMode()) return;
    const double range =
        node->getMaxScrollPos() - nodeHeight(item()) + node->getCaptionHeight();
    const double free = freeTrack();
    if (!usable(range) || !usable(free)) return;
    setYScrollPosition(node->getCurrentScrollPos() / range * free);
}

std::optional<double> ScrollBar::scrollPositionFor(Scrollable& node, double y,
                                                   bool upwards) const {
    const double free = freeTrack();
    if (!node.integralScrollMode()) {
        const double range =
            node.getMaxScrollPos() - nodeHeight(item()) + node.getCaptionHeight();
        if (!usable(range) || !usable(free)) return std::nullopt;
        const double result = y / free * range;
        if (!std::isfinite(result)) return std::nullopt;
        return result;
    }

    // Row by row: the thumb's stops lie one thumb length apart from the top of the track.
    const double thumb = scrollHeight();
    if (!(std::isfinite(thumb) && thumb > 0) || !(free > 0)) return std::nullopt;
    const double q = (height() - diameter()) / thumb;
    // A stop count beyond any row count the node could hold is no row position.
    if (!std::isfinite(q) || q < 0 || q > 1e12) return std::nullopt;
    const auto k = static_cast<long long>(q);
    const auto stop = [thumb](long long i) { return static_cast<double>(i) * thumb; };

    // Both counts follow from one division; the comparisons decide the stops at the boundary.
    double result = 0.0;
    if (upwards) {
        // The stops 1..k that lie above the thumb's bottom.
        const auto below = [&](long long i) { return stop(i) < thumb + y; };
        long long count = std::clamp(static_cast<long long>(std::floor((thumb + y) / thumb)),
                                     0LL, k);
        while (count < k && below(count + 1))
            ++count;
        while (count > 0 && !below(count))
            --count;
        result = static_cast<double>(count);
    } else {
        // q less the stops 0..k-1 that lie below the thumb's top.
        const auto beyond = [&](long long i) { return stop(i) > y; };
        long long first = std::clamp(static_cast<long long>(std::floor(y / thumb)), 0LL, k);
        while (first > 0 && beyond(first - 1))
            --first;
        while (first < k && !beyond(first))
            ++first;
        result = q - static_cast<double>(k - first);
    }
    // Kept between the first and the last row, whatever a damaged row count says.
    const double last = static_cast<double>(node.getItemsNumber()) - 1.0;
    result = std::clamp(snapToWhole(result), 0.0, std::max(last, 0.0));
    if (!std::isfinite(result)) return std::nullopt;
    return result;
}

// ---------------------------------------------------------------------------------------------
// Drawing

void ScrollBar::draw(Canvas& canvas) {
    if (!scrollable()) return;
    updateScrollPosition();
    const Point p = position();
    const double w = width();
    const double h = height();

    canvas.setStroke(kTrackStroke);
    const Rect track(p.x, p.y, w - 0.2, h);
    canvas.drawRect(track);
    if (backgroundBrush_) {
        canvas.setBrush(backgroundBrush_);
        canvas.fillRect(track);
    }

    const double thumb = scrollHeight();
    if (!(thumb < h)) return;
    const std::shared_ptr<Brush>& brush = drag_ ? scrollOnMouseOverBrush_ : scrollOnMouseOutBrush_;
    if (!brush) return;
    const double d = diameter();
    const double top = p.y + yScrollPosition_;
    const double x0 = p.x + 0.5;
    canvas.pathStart();
    canvas.pathMoveTo(Point(x0, top + d));
    canvas.pathArcTo(Rect(x0, top + 1.5, w - 1.25, d / 2), 180, 180);
    canvas.pathArcTo(Rect(x0, top + thumb, w - 1.25, d / 2), 0, 180);
    canvas.pathCloseFigure();
    canvas.setStroke(*brush->toColor());
    canvas.setBrush(brush);
    canvas.pathDraw();
}

// ---------------------------------------------------------------------------------------------
// Dragging

bool ScrollBar::needsDragEvents(const Point&) {
    return true;
}

void ScrollBar::onTouchDown(const Point& point) {
    const auto node = scrollable();
    if (!node || !point.isFinite()) return;
    const double dy = point.y - (position().y + yScrollPosition_);
    if (!std::isfinite(dy)) return;
    oldPoint_ = point;
    drag_ = true;
    dy_ = dy;
    startY_ = yScrollPosition_;
    startPos_ = node->getCurrentScrollPos();

    // A drag outside a document that records undo leaves no command behind, so that no
    // earlier drag's command can be recorded a second time.
    undoRecord_.reset();
    const std::shared_ptr<Diagram> diagram = item()->diagram();
    if (diagram && diagram->undoManager()) {
        const auto owner = std::dynamic_pointer_cast<DiagramNode>(item());
        undoRecord_ = std::make_shared<ScrollRecord>(
            diagram, node, node->getCurrentScrollPos(),
            owner ? owner->getAllLinks() : std::vector<std::shared_ptr<DiagramLink>>());
        undoRecord_->setName("CompositeCommand");
    }
}

void ScrollBar::onTouchMove(const Point& point) {
    if (!drag_ || !point.isFinite()) return;
    const auto node = scrollable();
    if (!node) return;
    const double h = height();
    const double thumb = scrollHeight();
    const double d = diameter();
    double y = point.y - position().y - dy_;
    if (thumb + y + d > h) y = h - thumb - d;
    if (y < 0) y = 0;
    if (!std::isfinite(y)) return;

    const std::optional<double> pos = scrollPositionFor(*node, y, point.y < oldPoint_.y);
    if (!pos) return;
    yScrollPosition_ = y;
    node->setCurrentScrollPos(*pos);
}

void ScrollBar::onCancel(const Point&) {
    const bool dragged = drag_;
    drag_ = false;
    dy_ = 0.0;
    if (!dragged) return;
    yScrollPosition_ = startY_;
    // Never recorded: a later release without a drag must not record it either.
    const std::shared_ptr<ScrollNodeCommand> record = std::move(undoRecord_);
    undoRecord_.reset();
    if (record) {
        record->undo();
    } else if (const auto node = scrollable()) {
        if (node->getCurrentScrollPos() != startPos_) node->setCurrentScrollPos(startPos_);
    }
}

void ScrollBar::onTouchUp(const Point&) {
    // A release without a drag (a repeated one, say) records nothing.
    const bool dragged = drag_;
    drag_ = false;
    dy_ = 0.0;
    if (!dragged || !undoRecord_) return;
    const std::shared_ptr<DiagramItem> owner = item();
    const std::shared_ptr<Diagram> diagram = owner ? owner->diagram() : nullptr;
    // Held here: a handler of the step may clear the document, which puts in a new manager.
    if (const std::shared_ptr<UndoManager> manager = diagram ? diagram->undoManager() : nullptr)
        manager->executeCommand(undoRecord_);
}

}  // namespace nodeloom
