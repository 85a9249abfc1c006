#include "Nodeloom/composite/TableNode.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Nodeloom/composite/LinkGatherer.h"
#include "Nodeloom/composite/ScrollBar.h"
#include "Nodeloom/composite/TableConnectionPoint.h"
#include "Nodeloom/composite/TableNodeState.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/ScopedPointer.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

namespace {

// Where position i of the new list comes from in the old one: the same place before the edited
// range, shifted by the count after it. Nothing for a place an insertion creates.
std::optional<int> sourceIndex(int i, int index, int count, bool insert) {
    if (!insert) return i >= index ? i + count : i;
    if (i >= index && i < index + count) return std::nullopt;
    return i >= index + count ? i - count : i;
}


}  // namespace

TableNode::TableNode() = default;

TableNode::~TableNode() = default;

std::shared_ptr<TableNode> TableNode::selfTable() {
    return std::static_pointer_cast<TableNode>(weak_from_this().lock());
}

// The bar refers back to the node, which cannot hand out a reference to itself while it is being
// constructed; the bar is therefore made on first use.
const std::shared_ptr<ScrollBar>& TableNode::scrollBar() const {
    if (!scrollBarMade_) {
        const auto self = std::const_pointer_cast<DiagramItem>(weak_from_this().lock());
        if (self) {
            auto bar = ScrollBar::createForRows(std::weak_ptr<DiagramItem>(self));
            scrollBar_ = std::move(bar);
            scrollBarMade_ = true;
        }
    }
    return scrollBar_;
}

void TableNode::setScrollBar(std::shared_ptr<ScrollBar> bar) {
    scrollBar_ = std::move(bar);
    scrollBarMade_ = true;
}

void TableNode::setColumns(ColumnList columns) {
    for (const Column& column : columns)
        if (!std::isfinite(column.width)) return;
    columns_ = std::move(columns);
}

void TableNode::setCaptionHeight(double height) {
    if (std::isfinite(height)) captionHeight_ = height;
}

// --- Cells and spans -----------------------------------------------------------------------

std::shared_ptr<Cell> TableNode::cellSpanningColumn(int row, int column) const {
    const int columns = static_cast<int>(columns_.size());
    if (row < 0 || column < 0 || column >= columns) return nullptr;
    for (int k = column; k >= 0; --k) {
        const std::shared_ptr<Cell> c = cell(k, row);
        if (c && c->columnSpan() > 1 &&
            static_cast<std::int64_t>(k) + c->columnSpan() - 1 >= column)
            return c;
    }
    return nullptr;
}

std::shared_ptr<Cell> TableNode::cellSpanningRow(int row, int column) const {
    const int rows = static_cast<int>(rows_.size());
    if (column < 0 || row < 0 || row >= rows) return nullptr;
    for (int k = row; k >= 0; --k) {
        const std::shared_ptr<Cell> c = cell(column, k);
        if (c && c->rowSpan() > 1 && static_cast<std::int64_t>(k) + c->rowSpan() - 1 >= row)
            return c;
    }
    return nullptr;
}

// --- Structure -----------------------------------------------------------------------------

void TableNode::insertRow(int index) {
    const int columns = static_cast<int>(columns_.size());
    const int rows = static_cast<int>(rows_.size());
    if (index < 0 || index > rows) return;
    resizeTableGrid(columns, rows + 1, true, columns, index, true, 0, 1);
}

void TableNode::deleteRow(int index) {
    const int columns = static_cast<int>(columns_.size());
    const int rows = static_cast<int>(rows_.size());
    if (rows <= 0 || index < 0 || index >= rows) return;
    resizeTableGrid(columns, rows - 1, true, columns, index, false, 0, 1);
}

void TableNode::insertColumn(int index) {
    const int columns = static_cast<int>(columns_.size());
    const int rows = static_cast<int>(rows_.size());
    if (index < 0 || index > columns) return;
    resizeTableGrid(columns + 1, rows, true, index, rows, true, 1, 0);
}

void TableNode::deleteColumn(int index) {
    const int columns = static_cast<int>(columns_.size());
    const int rows = static_cast<int>(rows_.size());
    if (columns <= 0 || index < 0 || index >= columns) return;
    resizeTableGrid(columns - 1, rows, true, index, rows, false, 1, 0);
}

void TableNode::redimTable(int columns, int rows) {
    resizeTableGrid(std::max(columns, 0), std::max(rows, 0), false, 0, 0, true, 1, 1);
}

void TableNode::resizeTableGrid(int newColumns, int newRows, bool keepContent, int columnIndex,
                                int rowIndex, bool insert, int columnCount, int rowCount) {
    // A table larger than a file may hold would ask for memory out of all proportion to any
    // document; it is refused before anything changes.
    if (newColumns > maxLoadedCells || newRows > maxLoadedCells ||
        static_cast<std::int64_t>(newColumns) * newRows > maxLoadedCells)
        return;
    hasHeaderRows_ = false;
    const int oldRowCount = static_cast<int>(rows_.size());

    // The links on deleted rows leave the document, each once, even a loop on one row or a link
    // between two deleted rows.
    if (!insert && rowCount != 0 && oldRowCount > 0) {
        LinkGatherer gatherer;
        for (int i = rowIndex; i < rowIndex + rowCount && i < oldRowCount; ++i) {
            const std::shared_ptr<Row>& row = rows_[static_cast<std::size_t>(i)];
            if (!row) continue;
            gatherer.add(row->incomingLinks());
            gatherer.add(row->outgoingLinks());
        }
        for (const auto& link : gatherer.take()) {
            if (const std::shared_ptr<Diagram> d = diagram()) d->removeItem(link);
        }
    }

    // The new structure is built aside, so that a size the memory cannot hold leaves the table
    // as it was.
    ColumnList columns;
    RowList rows;
    std::vector<CellGrid::Column> grid;
    const bool anyCell = newColumns >= 1 && newRows >= 1;
    try {
        columns.assign(static_cast<std::size_t>(newColumns), Column());
        rows.reserve(static_cast<std::size_t>(newRows));
        for (int r = 0; r < newRows; ++r) rows.push_back(std::make_shared<Row>());
        if (anyCell) {
            grid.assign(static_cast<std::size_t>(newColumns),
                        CellGrid::Column(static_cast<std::size_t>(newRows)));
            for (int c = 0; c < newColumns; ++c) {
                for (int r = 0; r < newRows; ++r) {
                    std::shared_ptr<Cell> kept;
                    if (keepContent) {
                        const auto oc = sourceIndex(c, columnIndex, columnCount, insert);
                        const auto orow = sourceIndex(r, rowIndex, rowCount, insert);
                        if (oc && orow) kept = cells_.getItem(*oc, *orow);
                    }
                    grid[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)] =
                        kept ? std::move(kept) : std::make_shared<Cell>();
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return;
    }
    if (keepContent) {
        for (int r = 0; r < newRows; ++r) {
            const auto o = sourceIndex(r, rowIndex, rowCount, insert);
            if (o && *o >= 0 && *o < oldRowCount)
                rows[static_cast<std::size_t>(r)] = rows_[static_cast<std::size_t>(*o)];
        }
        for (int c = 0; c < newColumns; ++c) {
            const auto o = sourceIndex(c, columnIndex, columnCount, insert);
            if (o && *o >= 0 && static_cast<std::size_t>(*o) < columns_.size())
                columns[static_cast<std::size_t>(c)] = columns_[static_cast<std::size_t>(*o)];
        }
    }

    const RowList oldRows = std::exchange(rows_, std::move(rows));
    columns_ = std::move(columns);
    // The same grid object is refilled: whoever holds it sees the new cells.
    cells_.resize(0, 0);
    if (anyCell) {
        cells_.setData(std::move(grid));
        cells_.setColumns(newColumns);
        cells_.setRows(newRows);
    }

    if (rowCount > 0) {
        reattachRowLinks(oldRows);
        clampScrollRow();
        updateLinksAfterScroll();
    }
}

void TableNode::reattachRowLinks(const RowList& previousRows) {
    updateLinkRowIndexes();
    const TableNode* me = this;
    std::unordered_set<const DiagramLink*> onRowsIn;
    std::unordered_set<const DiagramLink*> onRowsOut;
    for (const auto& row : rows_) {
        if (!row) continue;
        for (const auto& link : row->incomingLinks()) onRowsIn.insert(link.get());
        for (const auto& link : row->outgoingLinks()) onRowsOut.insert(link.get());
    }
    // An end that a row lists is not the node's own (a state brought back after a rebuild that
    // had turned it into one).
    const auto leaveOwnList = [](LinkList& list, const std::unordered_set<const DiagramLink*>& on) {
        if (on.empty()) return;
        std::erase_if(list, [&](const std::shared_ptr<DiagramLink>& l) { return on.count(l.get()); });
    };
    leaveOwnList(incomingLinks(), onRowsIn);
    leaveOwnList(outgoingLinks(), onRowsOut);

    const auto toNodeEnd = [me](const std::shared_ptr<ConnectionPoint>& end) {
        if (!end || end->node().get() != me || end->row() < 0) return;
        end->setRow(-1);
        end->addLinkToNode();
        end->saveRelativePosition();
    };
    for (const auto& row : previousRows) {
        if (!row) continue;
        for (const auto& link : row->incomingLinks()) {
            if (link && !onRowsIn.count(link.get())) toNodeEnd(link->destinationConnection());
        }
        for (const auto& link : row->outgoingLinks()) {
            if (link && !onRowsOut.count(link.get())) toNodeEnd(link->originConnection());
        }
    }
}

// --- Geometry ------------------------------------------------------------------------------

int TableNode::firstRow() const {
    return std::clamp(currentScrollRow_, 0, static_cast<int>(rows_.size()));
}

void TableNode::clampScrollRow() {
    setCurrentScrollRow(firstRow());
}

// Both ways add the heights in the same order, so a row's place is the same number whichever
// computes it.
double TableNode::rowBottom(int row) const {
    const int first = firstRow();
    if (rowBottoms_ != nullptr) return (*rowBottoms_)[static_cast<std::size_t>(row - first)];
    double y = captionHeight_;
    for (int i = first; i <= row; ++i) y += Row::heightOf(rows_[static_cast<std::size_t>(i)]);
    return y;
}

int TableNode::rowFromPoint(Point point) const {
    const Rect b = bounds();
    const double ly = point.y - b.y;
    if (ly < captionHeight_ || ly > b.height || rows_.empty()) return -1;
    double y = captionHeight_;
    for (int i = firstRow(); i < static_cast<int>(rows_.size()); ++i) {
        y += Row::heightOf(rows_[static_cast<std::size_t>(i)]);
        if (ly < y) return i;
    }
    return -1;
}

Rect TableNode::getRowRect(int row) const {
    const Rect b = bounds();
    if (row < 0 || row >= static_cast<int>(rows_.size())) return b;
    if (row < firstRow()) return Rect(b.x, b.y, b.width, 0.0);
    const double bottom = b.y + rowBottom(row);
    const double h = Row::heightOf(rows_[static_cast<std::size_t>(row)]);
    if (b.y + b.height <= bottom - h / 2) return Rect(b.x, b.y + b.height, b.width, 0.0);
    return Rect(b.x, bottom - h, b.width, h);
}

TableNode::VisibleRows TableNode::visibleRows() const {
    const double available = _bounds().height - captionHeight_;
    VisibleRows visible;
    for (int i = firstRow(); i < static_cast<int>(rows_.size()); ++i) {
        const double h = Row::heightOf(rows_[static_cast<std::size_t>(i)]);
        if (visible.height + h <= available) {
            ++visible.count;
            visible.height += h;
        }
    }
    return visible;
}

void TableNode::_setBounds(const Rect& rect) {
    const double oldHeight = _bounds().height;
    DiagramNode::_setBounds(rect);
    if (_bounds().height != oldHeight) heightOfCompleteVisibleItems_ = visibleRows().height;
}

// --- Scrolling -----------------------------------------------------------------------------

double TableNode::getMaxScrollPos() {
    double sum = 0.0;
    for (const auto& row : rows_) sum += Row::heightOf(row);
    return sum;
}

double TableNode::getCurrentScrollPos() {
    return currentScrollRow_;
}

void TableNode::setCurrentScrollPos(double pos) {
    if (!std::isfinite(pos)) return;
    // Kept between 0 and the last row, so that no position can leave the rows area empty.
    const double last = rows_.empty() ? 0.0 : static_cast<double>(rows_.size() - 1);
    setCurrentScrollRow(static_cast<int>(std::trunc(std::clamp(pos, 0.0, last))));
    updateLinksAfterScroll();
}

double TableNode::getCaptionHeight() {
    return captionHeight_;
}

bool TableNode::integralScrollMode() {
    return true;
}

double TableNode::getHeightOfCompletelyVisibleItems() {
    return visibleRows().count;
}

int TableNode::getNumberOfLastVisibleItems() {
    const double available = _bounds().height - captionHeight_;
    double acc = 0.0;
    int n = 0;
    for (auto it = rows_.rbegin(); it != rows_.rend(); ++it) {
        if (acc < available) {
            ++n;
            acc += Row::heightOf(*it);
        }
    }
    return n;
}

int TableNode::getItemsNumber() {
    return static_cast<int>(rows_.size());
}

void TableNode::updateLinksAfterScroll() {
    std::vector<double> bottoms;
    bottoms.reserve(rows_.size());
    double y = captionHeight_;
    for (int i = firstRow(); i < static_cast<int>(rows_.size()); ++i) {
        y += Row::heightOf(rows_[static_cast<std::size_t>(i)]);
        bottoms.push_back(y);
    }
    const ScopedPointer<const std::vector<double>> cache(rowBottoms_, &bottoms);

    const std::shared_ptr<Diagram> d = diagram();
    for (const auto& link : getAllLinks())
        LinkGatherer::replaceRowLink(link, d);
}

// --- Links to rows -------------------------------------------------------------------------

void TableNode::addIncomingLinkToRow(int row, const std::shared_ptr<DiagramLink>& link) {
    if (!link || row < 0 || row >= static_cast<int>(rows_.size())) return;
    const std::shared_ptr<Row>& target = rows_[static_cast<std::size_t>(row)];
    if (!target) return;
    auto& list = target->incomingLinks();
    if (std::find(list.begin(), list.end(), link) == list.end()) list.push_back(link);
}

void TableNode::addOutgoingLinkToRow(int row, const std::shared_ptr<DiagramLink>& link) {
    if (!link || row < 0 || row >= static_cast<int>(rows_.size())) return;
    const std::shared_ptr<Row>& target = rows_[static_cast<std::size_t>(row)];
    if (!target) return;
    auto& list = target->outgoingLinks();
    if (std::find(list.begin(), list.end(), link) == list.end()) list.push_back(link);
}

void TableNode::updateLinkRowIndexes() {
    const TableNode* me = this;
    const auto renumber = [me](const std::shared_ptr<ConnectionPoint>& end, int row) {
        if (end && end->node().get() == me) end->setRow(row);
    };
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        const std::shared_ptr<Row>& row = rows_[static_cast<std::size_t>(i)];
        if (!row) continue;
        for (const auto& link : row->incomingLinks()) {
            if (link) renumber(link->destinationConnection(), i);
        }
        for (const auto& link : row->outgoingLinks()) {
            if (link) renumber(link->originConnection(), i);
        }
    }
}

std::shared_ptr<ConnectionPoint> TableNode::createConnectionPoint(
    const std::shared_ptr<DiagramLink>& link, Point point, bool incoming) {
    auto end = std::make_shared<TableConnectionPoint>(selfTable(), link, incoming);
    end->setRow(rowFromPoint(point));
    return end;
}

DiagramNode::LinkList TableNode::getAllLinks() {
    LinkGatherer gatherer;
    gatherer.add(incomingLinks());
    gatherer.add(outgoingLinks());
    for (const auto& row : rows_) {
        if (!row) continue;
        gatherer.add(row->incomingLinks());
        gatherer.add(row->outgoingLinks());
    }
    return gatherer.take();
}

DiagramNode::LinkList TableNode::getAllIncomingLinks() {
    LinkGatherer gatherer;
    gatherer.add(incomingLinks());
    for (const auto& row : rows_)
        if (row) gatherer.add(row->incomingLinks());
    return gatherer.take();
}

DiagramNode::LinkList TableNode::getAllOutgoingLinks() {
    LinkGatherer gatherer;
    gatherer.add(outgoingLinks());
    for (const auto& row : rows_)
        if (row) gatherer.add(row->outgoingLinks());
    return gatherer.take();
}

bool TableNode::connectsToRows() const {
    return true;
}

// --- Item overrides ------------------------------------------------------------------------

std::optional<Rect> TableNode::getHitArea() {
    if (typeid(*this) != typeid(TableNode)) return std::nullopt;
    return bounds();
}

std::shared_ptr<Manipulator> TableNode::hitTestManipulators(Point point) {
    const std::shared_ptr<ScrollBar>& bar = scrollBar();
    if (bar && scrollable_) {
        const Rect r = bar->globalBounds();
        if (r.x <= point.x && point.x <= r.x + r.width && r.y <= point.y &&
            point.y <= r.y + r.height)
            return bar;
    }
    return DiagramNode::hitTestManipulators(point);
}

std::shared_ptr<DiagramItemState> TableNode::createState() {
    return std::make_shared<TableNodeState>();
}

std::shared_ptr<DiagramItemState> TableNode::saveState() {
    std::shared_ptr<DiagramItemState> state = DiagramNode::saveState();
    if (auto* s = dynamic_cast<TableNodeState*>(state.get())) {
        s->captionHeight_ = captionHeight();
        s->captionBackBrush_ = captionBackBrush_;
        s->scrollable_ = scrollable();
        s->cellFrameStyle_ = cellFrameStyle_;
        s->hasHeaderRows_ = hasHeaderRows();
        s->currentScrollRow_ = currentScrollRow();
        s->rows_ = rows();
        s->columns_ = columns();
        s->cells_ = cells();
        s->rowLinks_.clear();
        s->rowLinks_.reserve(rows_.size());
        for (const auto& row : rows_) {
            if (row)
                s->rowLinks_.emplace_back(row->incomingLinks(), row->outgoingLinks());
            else
                s->rowLinks_.emplace_back();
        }
        s->cellValues_.clear();
        for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
            for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
                if (std::shared_ptr<Cell> cell = cells_.getItem(c, r))
                    s->cellValues_.emplace_back(cell, *cell);
            }
        }
    }
    return state;
}

void TableNode::restoreState(const DiagramItemState& state) {
    DiagramNode::restoreState(state);
    const auto* s = dynamic_cast<const TableNodeState*>(&state);
    if (s == nullptr) return;
    const RowList previousRows = rows_;
    setCaptionHeight(s->captionHeight_);
    setScrollable(s->scrollable_);
    setHasHeaderRows(s->hasHeaderRows_);
    setCurrentScrollRow(s->currentScrollRow_);
    setRows(s->rows_);
    setColumns(s->columns_);
    captionBackBrush_ = s->captionBackBrush_;
    cellFrameStyle_ = s->cellFrameStyle_;
    cells_ = s->cells_;
    for (const auto& [cell, values] : s->cellValues_) *cell = values;
    if (s->rowLinks_.size() == rows_.size()) {
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            if (!rows_[i]) continue;
            rows_[i]->setIncomingLinks(s->rowLinks_[i].first);
            rows_[i]->setOutgoingLinks(s->rowLinks_[i].second);
        }
    }
    reattachRowLinks(previousRows);
    clampScrollRow();
    heightOfCompleteVisibleItems_ = visibleRows().height;
}

void TableNode::onLoad() {
    DiagramNode::onLoad();
    // Each row end keeps the point the file has for it, to the last digit, and takes from it its
    // share of the row, so that the document writes as it was read and follows a scroll as the
    // saved one did: an end may lie anywhere a loop or the user put it. Only an end where a table
    // scrolled otherwise would have put it is put back onto its row: an older file, written while
    // the rows were scrolled further, left it on a row edge at the middle of another row, or on
    // the node's top or bottom edge for a row scrolled out of view. Its link follows it as at a
    // scroll, so that a cascading link keeps its first segment straight. The route read with the
    // link stays: routing again could give another one than was saved.
    const Rect b = bounds();
    std::vector<double> middles;
    LinkGatherer moved;
    const auto place = [&](const std::shared_ptr<DiagramLink>& link, bool incoming) {
        if (!link) return;
        const std::shared_ptr<ConnectionPoint> end =
            incoming ? link->destinationConnection() : link->originConnection();
        const Point read = incoming ? link->endPoint() : link->startPoint();
        const Rect r = getRowRect(end->row());
        // Rounding in last digits of the coordinates: a share of them would, far from the
        // origin, span whole rows and take one row's place for another's.
        const double tolerance = 16 * std::numeric_limits<double>::epsilon() *
                                 std::max({1.0, std::fabs(read.x), std::fabs(read.y)});
        const auto near = [tolerance](double u, double v) { return std::fabs(u - v) <= tolerance; };
        const bool onEdge = near(read.x, r.x) || near(read.x, r.x + r.width);
        const bool besideRow = read.y < r.y - tolerance || read.y > r.y + r.height + tolerance;
        bool elsewhere = onEdge && besideRow && (near(read.y, b.y) || near(read.y, b.y + b.height));
        if (onEdge && besideRow && !elsewhere) {
            // Row middles as the rows lie now, reckoned once and only for such an end.
            if (middles.empty()) {
                double y = b.y + captionHeight_;
                for (int i = firstRow(); i < static_cast<int>(rows_.size()); ++i) {
                    const double h = Row::heightOf(rows_[static_cast<std::size_t>(i)]);
                    middles.push_back(y + h / 2);
                    y += h;
                }
            }
            elsewhere = std::any_of(middles.begin(), middles.end(),
                                    [&](double m) { return near(read.y, m); });
        }
        if (!elsewhere) {
            end->saveRelativePosition();
            return;
        }
        end->alignToNode(read);
        moved.add({link});
    };
    for (const auto& row : rows_) {
        if (!row) continue;
        for (const auto& link : row->incomingLinks()) place(link, true);
        for (const auto& link : row->outgoingLinks()) place(link, false);
    }
    for (const auto& link : moved.take()) LinkGatherer::replaceRowLink(link, nullptr);
}

std::string TableNode::getClassId() const {
    return "std:TableNode";
}

Metatype<DiagramItem> TableNode::getClassType() const {
    return Metatype<DiagramItem>([] { return std::make_shared<TableNode>(); }, getClassId());
}

std::shared_ptr<Style> TableNode::resolveInheritedStyle(const StylePredicate& predicate,
                                                        const std::shared_ptr<Theme>& theme) const {
    if (theme && predicate) {
        const auto it = theme->styles().find("TableNode");
        if (it != theme->styles().end() && it->second && predicate(*it->second)) return it->second;
    }
    // Then "DiagramNode", then the item's own lookup.
    return DiagramNode::resolveInheritedStyle(predicate, theme);
}

Rect TableNode::getEditRect(const std::shared_ptr<DiagramItem>&, Point) {
    const Rect b = bounds();
    return Rect(b.x, b.y, b.width, captionHeight_);
}

}  // namespace nodeloom
