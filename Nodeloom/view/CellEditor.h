#pragma once

#include <memory>
#include <string>
#include <utility>

#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/items/InplaceEditable.h"

namespace nodeloom {

class Cell;
class TableNode;

// Edits the text of one table cell in place for the view: it reads and writes the cell's text
// and raises the document's cell editing events, with the table as the edited item. A table in
// no document is edited all the same, without events.
class CellEditor : public InplaceEditable {
public:
    CellEditor(std::shared_ptr<Cell> cell, std::shared_ptr<TableNode> table, int row, int column,
               const Rect& cellBounds);

    // A null cell reads as empty text and takes no text.
    std::string getTextToEdit() override;
    void setEditedText(const std::string& text) override;
    // The cell's rectangle in document coordinates.
    Rect getEditRect(const std::shared_ptr<DiagramItem>& item, Point pointerPosition) override;
    void raiseItemTextEditing(const std::string& oldText, const std::string& newText) override;
    void raiseItemTextEdited(const std::string& oldText, const std::string& newText) override;
    std::shared_ptr<DiagramItem> getEditedItem() override;

    virtual const std::shared_ptr<Cell>& cell() const { return cell_; }
    virtual void setCell(std::shared_ptr<Cell> cell) { cell_ = std::move(cell); }
    virtual const std::shared_ptr<TableNode>& table() const { return table_; }
    virtual void setTable(std::shared_ptr<TableNode> table) { table_ = std::move(table); }
    virtual int row() const { return row_; }
    virtual void setRow(int row) { row_ = row; }
    virtual int column() const { return column_; }
    virtual void setColumn(int column) { column_ = column; }
    virtual const Rect& cellBounds() const { return cellBounds_; }
    virtual void setCellBounds(const Rect& bounds) { cellBounds_ = bounds; }

private:
    std::shared_ptr<Cell> cell_;
    std::shared_ptr<TableNode> table_;
    int row_;
    int column_;
    Rect cellBounds_;
};

}  // namespace nodeloom
