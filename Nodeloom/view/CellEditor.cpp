#include "Nodeloom/view/CellEditor.h"

#include "Nodeloom/composite/Cell.h"
#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/EditCellTextEventArgs.h"

namespace nodeloom {

namespace {

// One arguments object for every handler, as the document raises its other editing events.
void raise(Event<EditCellTextEventArgs>& (Diagram::*event)(), const std::shared_ptr<TableNode>& table,
           const std::shared_ptr<Cell>& cell, const std::string& oldText,
           const std::string& newText) {
    const std::shared_ptr<Diagram> d = table ? table->diagram() : nullptr;
    if (!d) return;
    EditCellTextEventArgs args(cell, oldText, newText);
    ((*d).*event)().raise(*d, args);
}

}  // namespace

CellEditor::CellEditor(std::shared_ptr<Cell> cell, std::shared_ptr<TableNode> table, int row,
                       int column, const Rect& cellBounds)
    : cell_(std::move(cell)),
      table_(std::move(table)),
      row_(row),
      column_(column),
      cellBounds_(cellBounds) {}

std::string CellEditor::getTextToEdit() {
    return cell_ ? cell_->text() : std::string();
}

void CellEditor::setEditedText(const std::string& text) {
    if (cell_) cell_->setText(text);
}

Rect CellEditor::getEditRect(const std::shared_ptr<DiagramItem>&, Point) {
    return cellBounds_;
}

void CellEditor::raiseItemTextEditing(const std::string& oldText, const std::string& newText) {
    raise(&Diagram::cellTextEditing, table_, cell_, oldText, newText);
}

void CellEditor::raiseItemTextEdited(const std::string& oldText, const std::string& newText) {
    raise(&Diagram::cellTextEdited, table_, cell_, oldText, newText);
}

std::shared_ptr<DiagramItem> CellEditor::getEditedItem() {
    return table_;
}

}  // namespace nodeloom
