#include "Nodeloom/platform/TableView.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/platform/Coder.h"
#include "Nodeloom/platform/GraphicsContext.h"
#include "Nodeloom/platform/PanGestureRecognizer.h"

namespace nodeloom::platform {

int TableViewDataSource::numberOfSectionsInTableView(TableView&) {
    return 1;
}

std::optional<std::string> TableViewDataSource::titleForHeaderInSection(TableView&, int) {
    return std::nullopt;
}

TableView::TableView(Passkey key, const Rect& frame, TableViewStyle style)
    : View(key, frame),
      style_(style),
      panGestureRecognizer_(std::make_shared<PanGestureRecognizer>()) {}

TableView::~TableView() = default;

std::shared_ptr<TableView> TableView::create(const Rect& frame, TableViewStyle style) {
    auto table = std::make_shared<TableView>(Passkey(), frame, style);
    table->setUp();
    return table;
}

std::shared_ptr<TableView> TableView::create(const Coder& coder) {
    if (!coder.frame()) return nullptr;
    return create(*coder.frame(), TableViewStyle::plain);
}

void TableView::setUp() {
    panGestureRecognizer_->addTarget(std::static_pointer_cast<TableView>(shared_from_this()),
                                     &TableView::scroll);
    addGestureRecognizer(panGestureRecognizer_);
}

void TableView::setDataSource(std::weak_ptr<TableViewDataSource> dataSource) {
    dataSource_ = std::move(dataSource);
    recycleAll();
    loaded_ = false;
    setNeedsLayout();
}

// ---------------------------------------------------------------------------------------------
// Cells

void TableView::registerClass(const std::string& identifier, CellFactory factory) {
    if (factory) {
        factories_[identifier] = std::move(factory);
    } else {
        factories_.erase(identifier);
    }
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCell(const std::string& identifier) {
    const auto waiting = reusable_.find(identifier);
    if (waiting != reusable_.end() && !waiting->second.empty()) {
        auto cell = std::move(waiting->second.back());
        waiting->second.pop_back();
        return cell;
    }
    const auto factory = factories_.find(identifier);
    if (factory == factories_.end()) return nullptr;
    // A copy: the factory may register again while it runs.
    const CellFactory make = factory->second;
    return make(identifier);
}

void TableView::recycle(const std::shared_ptr<TableViewCell>& cell) {
    cell->removeFromSuperview();
    // A cell without an identifier cannot be asked for again.
    if (!cell->reuseIdentifier().empty()) reusable_[cell->reuseIdentifier()].push_back(cell);
}

void TableView::recycleAll() {
    auto shown = std::move(visible_);
    visible_.clear();
    for (const auto& [path, cell] : shown)
        recycle(cell);
}

// ---------------------------------------------------------------------------------------------
// Content

void TableView::reloadData() {
    recycleAll();
    load();
    setNeedsLayout();
}

void TableView::ensureLoaded() {
    if (!loaded_) load();
}

void TableView::load() {
    // Marked first, so that a data source that asks the table while it answers gets what is
    // loaded so far instead of starting the load again.
    loaded_ = true;
    sections_.clear();
    contentHeight_ = 0;
    const auto source = dataSource();
    if (!source) return;
    const int count = source->numberOfSectionsInTableView(*this);
    std::vector<Section> sections;
    double y = 0;
    for (int s = 0; s < count; ++s) {
        Section section;
        section.rows = std::max(source->numberOfRowsInSection(*this, s), 0);
        section.title = source->titleForHeaderInSection(*this, s);
        section.top = y;
        section.header = section.title ? kHeaderHeight : 0.0;
        y += section.header + section.rows * kRowHeight;
        sections.push_back(std::move(section));
    }
    sections_ = std::move(sections);
    contentHeight_ = y;
}

int TableView::numberOfSections() {
    ensureLoaded();
    return static_cast<int>(sections_.size());
}

int TableView::numberOfRowsInSection(int section) {
    ensureLoaded();
    if (section < 0 || section >= static_cast<int>(sections_.size())) return 0;
    return sections_[static_cast<std::size_t>(section)].rows;
}

std::optional<std::string> TableView::headerTitle(int section) {
    ensureLoaded();
    if (section < 0 || section >= static_cast<int>(sections_.size())) return std::nullopt;
    return sections_[static_cast<std::size_t>(section)].title;
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(const IndexPath& indexPath) {
    const auto found = visible_.find(indexPath);
    return found == visible_.end() ? nullptr : found->second;
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() const {
    std::vector<std::shared_ptr<TableViewCell>> cells;
    cells.reserve(visible_.size());
    for (const auto& [path, cell] : visible_)
        cells.push_back(cell);
    return cells;
}

Rect TableView::rectForRowAtIndexPath(const IndexPath& indexPath) {
    // The loaded counts, not the overridable answer: the rectangle is where the row is shown.
    ensureLoaded();
    if (indexPath.section < 0 || indexPath.section >= static_cast<int>(sections_.size())) {
        return Rect();
    }
    const Section& section = sections_[static_cast<std::size_t>(indexPath.section)];
    if (indexPath.row < 0 || indexPath.row >= section.rows) return Rect();
    return Rect(0, section.top + section.header + indexPath.row * kRowHeight, bounds().width,
                kRowHeight);
}

double TableView::contentHeight() {
    ensureLoaded();
    return contentHeight_;
}

void TableView::setContentOffset(const Point& offset) {
    if (!offset.isFinite()) return;
    const Rect b = bounds();
    setBounds(Rect(offset.x, offset.y, b.width, b.height));
    setNeedsLayout();
}

void TableView::scroll(GestureRecognizer&) {
    const auto& pan = *panGestureRecognizer_;
    if (pan.state() == GestureRecognizerState::began) panStart_ = contentOffset().y;
    if (pan.state() != GestureRecognizerState::began &&
        pan.state() != GestureRecognizerState::changed) {
        return;
    }
    const double end = std::max(contentHeight() - bounds().height, 0.0);
    const double y = std::clamp(panStart_ - pan.translationIn(this).y, 0.0, end);
    setContentOffset(Point(contentOffset().x, y));
}

// ---------------------------------------------------------------------------------------------
// Layout and drawing

void TableView::layoutSubviews() {
    ensureLoaded();
    const auto source = dataSource();
    const Rect b = bounds();
    const double top = b.y;
    const double bottom = b.y + b.height;

    // Only the rows in view are visited: each section's range follows from its top.
    std::map<IndexPath, std::shared_ptr<TableViewCell>> shown;
    auto previous = std::move(visible_);
    visible_.clear();
    const auto sections = sections_;
    for (int s = 0; s < static_cast<int>(sections.size()); ++s) {
        const Section& section = sections[static_cast<std::size_t>(s)];
        const double rowsTop = section.top + section.header;
        if (section.rows == 0 || rowsTop >= bottom ||
            rowsTop + section.rows * kRowHeight <= top) {
            continue;
        }
        const double first = std::max(std::floor((top - rowsTop) / kRowHeight), 0.0);
        const double last =
            std::min(std::ceil((bottom - rowsTop) / kRowHeight), static_cast<double>(section.rows));
        for (auto r = static_cast<int>(first); r < static_cast<int>(last); ++r) {
            const IndexPath path(s, r);
            const Rect frame(0, rowsTop + r * kRowHeight, b.width, kRowHeight);
            std::shared_ptr<TableViewCell> cell;
            if (const auto kept = previous.find(path); kept != previous.end()) {
                cell = std::move(kept->second);
                previous.erase(kept);
            } else if (source) {
                cell = source->cellForRowAtIndexPath(*this, path);
            }
            if (!cell) continue;
            cell->setFrame(frame);
            if (cell->superview().get() != this) insertSubview(cell, 0);
            shown[path] = std::move(cell);
        }
    }
    for (const auto& entry : previous) {
        const std::shared_ptr<TableViewCell>& cell = entry.second;
        // A cell the data source gave again for another row stays with that row.
        const bool reused = std::any_of(shown.begin(), shown.end(),
                                        [&cell](const auto& kept) { return kept.second == cell; });
        if (!reused) recycle(cell);
    }
    visible_ = std::move(shown);
}

void TableView::draw(const Rect& rect) {
    Canvas* canvas = GraphicsContext::current();
    if (canvas == nullptr) return;
    const double width = bounds().width;
    for (const Section& section : sections_) {
        if (!section.title || section.header <= 0) continue;
        const Rect band(0, section.top, width, section.header);
        if (band.y >= rect.y + rect.height || band.y + band.height <= rect.y) continue;
        canvas->setBrush(std::make_shared<SolidColorBrush>(
            std::make_shared<Color>(0.97, 0.97, 0.97)));
        canvas->fillRect(band);
        canvas->setFont("Helvetica", 15, MeasureUnit::Point());
        canvas->setTextColor(std::make_shared<Color>(0.3, 0.3, 0.3));
        canvas->drawText(*section.title, Rect(15, band.y, std::max(width - 30, 0.0), band.height),
                         HorizontalAlignment::left, VerticalAlignment::center, true, false,
                         false);
    }
}

}  // namespace nodeloom::platform
