#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/XmlElement.h"

namespace nodeloom {

namespace {

double readFiniteOr(const XmlElement& element, std::string_view name, double missing) {
    const double value = element.readDouble(name, missing);
    return std::isfinite(value) ? value : missing;
}

// The children of the list element that have the given name.
std::vector<std::shared_ptr<XmlElement>> namedChildren(const std::shared_ptr<XmlElement>& list,
                                                       std::string_view name) {
    std::vector<std::shared_ptr<XmlElement>> result;
    if (!list) return result;
    for (const auto& child : list->children())
        if (child && child->name() == name) result.push_back(child);
    return result;
}

std::int64_t countNamed(const std::shared_ptr<XmlElement>& list, std::string_view name) {
    std::int64_t n = 0;
    if (!list) return n;
    for (const auto& child : list->children())
        if (child && child->name() == name) ++n;
    return n;
}

}  // namespace

bool TableNode::fitsCellLimit(const XmlElement& element) {
    const std::int64_t rows = countNamed(element.getChild("Rows"), "Row");
    const std::int64_t columns = countNamed(element.getChild("Columns"), "Column");
    // Each count is bounded by the file's size, so the product cannot overflow.
    return rows == 0 || columns == 0 || rows * columns <= maxLoadedCells;
}

void TableNode::saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    DiagramNode::saveToXml(element, context);

    const std::shared_ptr<XmlElement> cellsElement = context.addChildElement("Cells", element);
    const int columns = static_cast<int>(columns_.size());
    const int rows = static_cast<int>(rows_.size());
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const std::shared_ptr<XmlElement> cellElement =
                context.addChildElement("Cell", cellsElement);
            // A hole in the grid is written as a default cell, so that the cells read back
            // where they were.
            std::shared_ptr<Cell> cell = cells_.getItem(c, r);
            if (!cell) cell = std::make_shared<Cell>();
            cell->saveToXml(cellElement, context);
            cell->saveTextToXml(cellElement, context);
        }
    }

    const std::shared_ptr<XmlElement> rowsElement = context.addChildElement("Rows", element);
    for (const auto& row : rows_) {
        const std::shared_ptr<XmlElement> rowElement = context.addChildElement("Row", rowsElement);
        // A null entry is written as a default row, as a hole in the grid is.
        context.writeDouble(Row::heightOf(row), "Height", rowElement);
        context.writeBool(row && row->header(), "Header", rowElement);
    }

    const std::shared_ptr<XmlElement> columnsElement = context.addChildElement("Columns", element);
    for (const Column& column : columns_) {
        const std::shared_ptr<XmlElement> columnElement =
            context.addChildElement("Column", columnsElement);
        context.writeDouble(column.width, "Width", columnElement);
        context.writeInt(static_cast<int>(column.columnStyle), "ColumnStyle", columnElement);
    }

    context.writeDouble(captionHeight_, "CaptionHeight", element);
    context.writeBrush(captionBackBrush_, "CaptionBackBrush", element);
    context.writeBool(scrollable_, "Scrollable", element);
    // The links are saved where the scrolled rows put them: read back unscrolled, the row ends
    // would move. Written only when scrolled, so that other tables are written as before.
    if (currentScrollRow_ != 0) context.writeInt(currentScrollRow_, "CurrentScrollRow", element);
}

void TableNode::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    DiagramNode::loadFromXml(element, context);
    const XmlElement& e = *element;

    rows_.clear();
    columns_.clear();
    const bool fits = fitsCellLimit(e);
    for (const auto& child : fits ? namedChildren(e.getChild("Rows"), "Row")
                                  : std::vector<std::shared_ptr<XmlElement>>()) {
        auto row = std::make_shared<Row>();
        row->setHeight(readFiniteOr(*child, "Height", 0.0));
        row->setHeader(child->readBool("Header", false));
        rows_.push_back(std::move(row));
    }
    for (const auto& child : fits ? namedChildren(e.getChild("Columns"), "Column")
                                  : std::vector<std::shared_ptr<XmlElement>>()) {
        Column column;
        column.width = readFiniteOr(*child, "Width", 0.0);
        const std::int64_t raw = child->readInteger("ColumnStyle", 0);
        const auto style =
            raw >= 0 && raw <= 1 ? fromRaw<ColumnStyle>(static_cast<int>(raw)) : std::nullopt;
        column.columnStyle = style.value_or(ColumnStyle::fixedWidth);
        columns_.push_back(column);
    }

    // Cells are read in order, one per place, row by row; places the element has no cell for
    // get default cells.
    const int columns = static_cast<int>(columns_.size());
    const int rows = static_cast<int>(rows_.size());
    cells_.resize(columns, rows);
    std::vector<std::shared_ptr<XmlElement>> cellElements;
    if (const std::shared_ptr<XmlElement> cellsElement = e.getChild("Cells"))
        cellElements = cellsElement->children();
    std::size_t next = 0;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            auto cell = std::make_shared<Cell>();
            if (next < cellElements.size()) cell->loadFromXml(cellElements[next++], context);
            cells_.setItem(c, r, std::move(cell));
        }
    }

    if (text().empty()) setText(e.readString("Caption", ""));

    setCaptionHeight(readFiniteOr(e, "CaptionHeight", 0.0));
    setCaptionBackBrush(context.readBrush("CaptionBackBrush", element));
    const std::int64_t scrollRow = e.readInteger("CurrentScrollRow", 0);
    setCurrentScrollRow(static_cast<int>(std::clamp<std::int64_t>(scrollRow, 0, rows)));
    setScrollable(e.readBool("Scrollable", false));
    // The node part stored the bounds before there were rows to measure.
    heightOfCompleteVisibleItems_ = visibleRows().height;
}

}  // namespace nodeloom
