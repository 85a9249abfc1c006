#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Nodeloom/composite/Cell.h"
#include "Nodeloom/composite/Column.h"
#include "Nodeloom/composite/Row.h"
#include "Nodeloom/foundation/Grid.h"
#include "Nodeloom/foundation/RawValue.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/Scrollable.h"

namespace nodeloom {

class ScrollBar;

// Whether every cell of a table gets an outline.
enum class CellFrameStyle { none = 0, simple = 1 };

template <>
inline std::optional<CellFrameStyle> fromRaw<CellFrameStyle>(int raw) {
    if (raw < 0 || raw > 1) return std::nullopt;
    return static_cast<CellFrameStyle>(raw);
}

// A node that shows a grid of cells under a caption strip. Its rows scroll by whole rows inside
// the node, and a link can end on a single row instead of the whole node: such an end is a
// TableConnectionPoint, and the row lists the link instead of the node.
//
// Invariants: the table is columns().size() wide and rows().size() high, and after every
// structure change and every load the grid holds a cell at each of those positions. A span never
// removes the cells it covers. Every link end on a row names a row the table has and is listed by
// that row; an end whose row goes away becomes an end on the node itself, where it is.
//
// The structure operations record no undo step, repaint nothing and raise no event: the caller
// does that.
class TableNode : public DiagramNode, public Scrollable {
public:
    using CellGrid = Grid<std::shared_ptr<Cell>>;
    using RowList = std::vector<std::shared_ptr<Row>>;
    using ColumnList = std::vector<Column>;

    TableNode();
    ~TableNode() override;

    // --- Cells and spans -----------------------------------------------------------------

    // The cell at (column, row); null outside the table.
    std::shared_ptr<Cell> operator()(int column, int row) const { return cell(column, row); }
    std::shared_ptr<Cell> cell(int column, int row) const { return cells_.getItem(column, row); }
    // The cell whose column span (row span) covers the position, looking left (up) from it and
    // starting at the position itself; null when none does.
    virtual std::shared_ptr<Cell> cellSpanningColumn(int row, int column) const;
    virtual std::shared_ptr<Cell> cellSpanningRow(int row, int column) const;

    // --- Structure -----------------------------------------------------------------------

    // An index equal to the count appends; an index outside 0 to the count does nothing.
    // Every change of size is refused, leaving the table as it was, when the table would have
    // more rows, columns or cells than maxLoadedCells, or more than the memory holds.
    virtual void insertRow(int index);
    // Removes the links that end on the row from the document, each once.
    virtual void deleteRow(int index);
    virtual void insertColumn(int index);
    virtual void deleteColumn(int index);
    // Rebuilds the table with default columns, rows and cells; negative counts count as 0. Link
    // ends on the old rows become ends on the node.
    virtual void redimTable(int columns, int rows);

    // --- Geometry --------------------------------------------------------------------------

    // The row under a document point (only its y counts), or -1 in the caption, outside the
    // node or below the last row.
    virtual int rowFromPoint(Point point) const;
    // The row's rectangle in document coordinates, as wide as the node. A row scrolled out above
    // lies flat on the node's top edge, one whose middle is below the node on its bottom edge.
    // An index outside the table gives the node's bounds.
    virtual Rect getRowRect(int row) const;

    // --- Scrolling ---------------------------------------------------------------------------

    // The sum of all row heights.
    double getMaxScrollPos() override;
    double getCurrentScrollPos() override;
    // Shows the rows from the position (truncated, kept between 0 and the row count) and moves
    // the links on the rows; a position that is not a finite number is ignored.
    void setCurrentScrollPos(double pos) override;
    double getCaptionHeight() override;
    // Always true: the table scrolls by whole rows.
    bool integralScrollMode() override;
    // How many rows from the first shown one fit completely below the caption (a row that does
    // not fit is skipped and later ones still tried).
    double getHeightOfCompletelyVisibleItems() override;
    // How many rows, counted back from the last one, at least start inside the rows area.
    int getNumberOfLastVisibleItems() override;
    int getItemsNumber() override;
    // Puts the ends of every link of the table where their rows now are, rerouting the links
    // that route themselves.
    virtual void updateLinksAfterScroll();

    // --- Links to rows -----------------------------------------------------------------------

    // Once per row and list; an index outside the table is ignored.
    virtual void addIncomingLinkToRow(int row, const std::shared_ptr<DiagramLink>& link);
    virtual void addOutgoingLinkToRow(int row, const std::shared_ptr<DiagramLink>& link);
    // Tells each link end on a row which row lists it now.
    virtual void updateLinkRowIndexes();

    // A row end at the row under the point; a plain node end elsewhere.
    std::shared_ptr<ConnectionPoint> createConnectionPoint(const std::shared_ptr<DiagramLink>& link,
                                                           Point point, bool incoming) override;
    // The node's own links and those of every row, each once.
    LinkList getAllLinks() override;
    LinkList getAllIncomingLinks() override;
    LinkList getAllOutgoingLinks() override;
    bool connectsToRows() const override;

    // --- Properties --------------------------------------------------------------------------

    virtual CellFrameStyle cellFrameStyle() const { return cellFrameStyle_; }
    virtual void setCellFrameStyle(CellFrameStyle style) { cellFrameStyle_ = style; }
    virtual const CellGrid& cells() const { return cells_; }
    virtual CellGrid& cells() { return cells_; }
    virtual void setCells(CellGrid cells) { cells_ = std::move(cells); }
    // A null entry counts as a default row that holds no links: it is drawn, hit and saved as
    // one, and a link end on it is an end on the node.
    virtual const RowList& rows() const { return rows_; }
    virtual RowList& rows() { return rows_; }
    virtual void setRows(RowList rows) { rows_ = std::move(rows); }
    virtual const ColumnList& columns() const { return columns_; }
    virtual ColumnList& columns() { return columns_; }
    // A list with a width that is not a finite number is refused.
    virtual void setColumns(ColumnList columns);
    // 0 means no caption. A value that is not a finite number is refused.
    virtual double captionHeight() const { return captionHeight_; }
    virtual void setCaptionHeight(double height);
    // The first row shown under the caption. Setting it only stores it: the links follow at the
    // next scroll or structure change. Readers keep it between 0 and the row count.
    virtual int currentScrollRow() const { return currentScrollRow_; }
    virtual void setCurrentScrollRow(int row) { currentScrollRow_ = row; }
    // Made with the node; null once the host drops it.
    virtual const std::shared_ptr<ScrollBar>& scrollBar() const;
    virtual void setScrollBar(std::shared_ptr<ScrollBar> bar);
    // Null: the caption is not filled.
    virtual const std::shared_ptr<Brush>& captionBackBrush() const { return captionBackBrush_; }
    virtual void setCaptionBackBrush(std::shared_ptr<Brush> brush) {
        captionBackBrush_ = std::move(brush);
    }
    // Whether the scroll bar is shown and takes the finger.
    virtual bool scrollable() const { return scrollable_; }
    virtual void setScrollable(bool scrollable) { scrollable_ = scrollable; }
    // Cleared by every structure change; nothing else reads it.
    virtual bool hasHeaderRows() const { return hasHeaderRows_; }
    virtual void setHasHeaderRows(bool value) { hasHeaderRows_ = value; }
    // The total height of the rows that fit completely, as of the last change of the node's
    // height.
    double heightOfCompleteVisibleItems() const { return heightOfCompleteVisibleItems_; }

    // --- Item overrides ------------------------------------------------------------------------

    // The scroll bar while the table is scrollable, else the node's own manipulators.
    std::shared_ptr<Manipulator> hitTestManipulators(Point point) override;
    std::optional<Rect> getHitArea() override;
    std::shared_ptr<DiagramItemState> createState() override;
    // Besides the table values the state keeps the values of every cell, so that an edit made
    // to a cell in place is undone too. Rows are shared with the state.
    std::shared_ptr<DiagramItemState> saveState() override;
    // Link ends on rows are then renumbered for the rows brought back; they are not moved.
    void restoreState(const DiagramItemState& state) override;
    void saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) override;
    // A malformed table element loads what it can: missing row or column lists load none,
    // missing cells load as default cells. Only "Row" and "Column" elements make rows and
    // columns; a table beyond maxLoadedCells loads with none.
    void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) override;
    // The most cells (rows times columns) a table read from a file may have. A few bytes of
    // file can ask for a row or a column, so a file could otherwise ask for far more memory than
    // it holds; a document with a larger table is refused as malformed. The structure operations
    // refuse a larger table too.
    static constexpr std::int64_t maxLoadedCells = 1'000'000;
    // Whether the "Row" and "Column" elements of a table element make at most maxLoadedCells.
    static bool fitsCellLimit(const XmlElement& element);
    // Puts the ends of the links read with the document on the rows they name.
    void onLoad() override;
    std::string getClassId() const override;
    Metatype<DiagramItem> getClassType() const override;
    std::shared_ptr<Style> resolveInheritedStyle(
        const StylePredicate& predicate, const std::shared_ptr<Theme>& theme) const override;
    // The caption, the rows from currentScrollRow with their spans, and the scroll bar.
    void drawLocal(Canvas& canvas, const RenderOptions& options) override;
    // The caption strip.
    Rect getEditRect(const std::shared_ptr<DiagramItem>& item, Point pointerPosition) override;
    // Every store of the bounds passes here: a change of height recomputes
    // heightOfCompleteVisibleItems.
    void _setBounds(const Rect& rect) override;

private:
    struct VisibleRows {
        int count = 0;
        double height = 0.0;
    };
    // The rows, from the first shown one, that fit completely below the caption.
    VisibleRows visibleRows() const;
    // currentScrollRow kept between 0 and the row count.
    int firstRow() const;
    // Brings currentScrollRow back between 0 and the row count.
    void clampScrollRow();
    // The distance from the node's top to the bottom of the row, for a row at or after the first
    // shown one.
    double rowBottom(int row) const;

    // The one rebuild behind every structure change: new columns, rows and cells, with the
    // content that survives copied over by the index mapping of an insertion or a deletion.
    void resizeTableGrid(int newColumns, int newRows, bool keepContent, int columnIndex,
                         int rowIndex, bool insert, int columnCount, int rowCount);
    // Makes every link end on the table agree with the rows it has now: an end listed by row i
    // reports row i (and leaves the node's own lists), and an end listed only by one of the
    // previous rows becomes an end on the node itself, where it is.
    void reattachRowLinks(const RowList& previousRows);
    std::shared_ptr<TableNode> selfTable();
    void drawRows(Canvas& canvas);

    CellFrameStyle cellFrameStyle_ = CellFrameStyle::simple;
    CellGrid cells_;
    RowList rows_;
    ColumnList columns_;
    double captionHeight_ = 5.0;
    int currentScrollRow_ = 0;
    mutable std::shared_ptr<ScrollBar> scrollBar_;
    mutable bool scrollBarMade_ = false;
    double heightOfCompleteVisibleItems_ = 0.0;
    std::shared_ptr<Brush> captionBackBrush_;
    bool scrollable_ = false;
    bool hasHeaderRows_ = false;
    // While links are re-placed: the bottom of each shown row, so that placing every link end
    // costs no more than looking it up.
    mutable const std::vector<double>* rowBottoms_ = nullptr;
};

}  // namespace nodeloom
