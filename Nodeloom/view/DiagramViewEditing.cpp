// In-place text editing of DiagramView: choosing what to edit, the text view laid over it, the
// move clear of the keyboard, the commit and the cancel.

#include "Nodeloom/view/DiagramView.h"

#include <algorithm>
#include <cstddef>

#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/composite/TreeViewItemEditor.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/document/ChangeItemCommand.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/InplaceEditable.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"
#include "Nodeloom/platform/Animation.h"
#include "Nodeloom/platform/NotificationCenter.h"
#include "Nodeloom/platform/TextView.h"
#include "Nodeloom/platform/Toolbar.h"
#include "Nodeloom/platform/Window.h"
#include "Nodeloom/view/CellEditor.h"

namespace nodeloom {

namespace {

// The cell under a document point, found as the table draws itself: the rows from the first one
// shown, under the caption, and the last column reaching the node's right edge. Null in the
// caption, below the rows or outside the columns.
std::shared_ptr<CellEditor> cellEditorAt(const std::shared_ptr<TableNode>& table, const Point& p) {
    const Rect b = table->bounds();
    const auto& columns = table->columns();
    const int columnCount = static_cast<int>(columns.size());
    int column = -1;
    double left = b.x;
    double width = 0.0;
    for (int i = 0; i < columnCount; ++i) {
        const double own = columns[static_cast<std::size_t>(i)].width;
        width = i == columnCount - 1 ? b.right() - left : own;
        // A point on the border of two columns belongs to the right-hand one.
        if (p.x >= left && p.x < left + width) {
            column = i;
            break;
        }
        left += own;
    }
    if (column < 0) return nullptr;

    const int row = table->rowFromPoint(p);
    if (row < 0) return nullptr;
    const auto& rows = table->rows();
    const int first = std::clamp(table->currentScrollRow(), 0, static_cast<int>(rows.size()));
    double top = b.y + table->captionHeight();
    for (int j = first; j < row; ++j)
        top += Row::heightOf(rows[static_cast<std::size_t>(j)]);

    std::shared_ptr<Cell> cell = table->cell(column, row);
    if (auto spanning = table->cellSpanningRow(row, column)) cell = std::move(spanning);
    if (auto spanning = table->cellSpanningColumn(row, column)) cell = std::move(spanning);
    return std::make_shared<CellEditor>(
        std::move(cell), table, row, column,
        Rect(left, top, width, Row::heightOf(rows[static_cast<std::size_t>(row)])));
}

bool holds(const Rect& r, const Point& p) {
    return p.x >= r.x && p.x <= r.right() && p.y >= r.y && p.y <= r.bottom();
}

// The first row shown that holds the point, edges included. Rows scrolled out of the row area
// keep their places above or below it, under the caption among others: they are not hit there.
std::shared_ptr<TreeViewItemEditor> treeItemEditorAt(const std::shared_ptr<TreeViewNode>& tree,
                                                     const Point& p) {
    const Rect b = tree->bounds();
    const Point local(p.x - b.x, p.y - b.y);
    if (!holds(tree->clipRect(), local)) return nullptr;
    for (const auto& item : tree->getVisibleItems()) {
        if (holds(item->bounds(), local)) return std::make_shared<TreeViewItemEditor>(item, tree);
    }
    return nullptr;
}

}  // namespace

void DiagramView::beginEdit(const std::shared_ptr<DiagramItem>& item, const Point& point) {
    const auto node = std::dynamic_pointer_cast<DiagramNode>(item);
    const auto link = node ? nullptr : std::dynamic_pointer_cast<DiagramLink>(item);
    if (!node && !link) return;
    // One edit at a time: the open one is kept rather than left behind without a view.
    if (elementToEdit_ || editTextField_) endEdit();

    if (const auto table = std::dynamic_pointer_cast<TableNode>(node)) {
        if (auto editor = cellEditorAt(table, point))
            openEdit(editor, nullptr, point);
        else
            openEdit(table, nullptr, Point(0, 0));
    } else if (const auto tree = std::dynamic_pointer_cast<TreeViewNode>(node)) {
        if (auto editor = treeItemEditorAt(tree, point))
            openEdit(editor, nullptr, point);
        else
            openEdit(tree, nullptr, Point(0, 0));
    } else if (node) {
        openEdit(node, nullptr, point);
    } else if (auto label = link->labelFromPoint(point)) {
        openEdit(label, link, point);
    } else {
        openEdit(link, nullptr, point);
    }
}

void DiagramView::openEdit(const std::shared_ptr<InplaceEditable>& editable,
                           const std::shared_ptr<DiagramItem>& owner, const Point& point) {
    elementToEdit_ = editable;
    editGeneration_ = diagram_ ? diagram_->contentGeneration() : 0;
    const Rect rect = editable->getEditRect(owner, point);
    createEditTextView(rect, editable->getTextToEdit());
    const std::shared_ptr<platform::TextView> field = editTextField_;
    if (!field) return;
    editing_ = true;
    editable->raiseItemTextEditing(editable->getTextToEdit(), field->text());
    // A handler may have closed the edit, or opened another.
    if (elementToEdit_ != editable || editTextField_ != field) return;
    addSubview(field);
    // Only a view in a window can take the keyboard.
    field->becomeFirstResponder();
    setNeedsDisplay();
    computeKeyboardOffset(rect);
    moveForKeyboard(true);
}

void DiagramView::createEditTextView(const Rect& rect, const std::string& text) {
    Rect c = docToClientRect(rect);
    // Room for a few letters of a thin item.
    if (c.width < 50) {
        c.x -= 5;
        c.width += 10;
    }
    if (c.height < 30) {
        c.y -= 5;
        c.height += 10;
    }
    auto field = platform::TextView::create(c);
    field->setText(text);

    // A view in no window still gets a toolbar, as wide as itself.
    const std::shared_ptr<platform::Window> w = window();
    const double width = w ? w->frame().width : frame().width;
    auto toolbar = platform::Toolbar::create(Rect(0, 0, width, 50));
    const std::weak_ptr<DiagramView> weak = weakSelf();
    using Item = platform::BarButtonItem;
    toolbar->setItems({std::make_shared<Item>("Done", Item::Style::done,
                                              [weak] {
                                                  if (auto view = weak.lock())
                                                      view->OKButtonPressed();
                                              }),
                       std::make_shared<Item>("Cancel", Item::Style::done,
                                              [weak] {
                                                  if (auto view = weak.lock())
                                                      view->CancelButtonPressed();
                                              })},
                      true);
    for (const auto& item : toolbar->items())
        item->setTintColor(std::make_shared<Color>(0.0, 0.0, 0.0));

    // Copied, so that nobody recolours the shared named colour through the text view.
    const Color& black = *Colors::Black();
    field->setBorderWidth(1.0);
    field->setBorderColor(
        std::make_shared<Color>(black.alpha(), black.red(), black.green(), black.blue()));
    field->setFont(platform::Font("Arial", std::clamp(13.5 * zoomLevel_ / 100, 7.0, 20.0)));
    field->setInputAccessoryView(std::move(toolbar));
    field->setBackgroundColor(std::make_shared<Color>(1.0, 1.0, 1.0, 1.0));
    editTextField_ = std::move(field);
}

void DiagramView::keyboardDidShow(const platform::Notification& notification) {
    if (keyboardRect_ != Rect()) return;
    const Rect* frame =
        notification.value<Rect>(platform::NotificationCenter::keyboardFrameBeginUserInfoKey);
    if (frame != nullptr && frame->isFinite()) keyboardRect_ = *frame;
}

void DiagramView::computeKeyboardOffset(const Rect& rect) {
    // A rectangle clear of the keyboard, or with no extent to place, needs no move, whatever
    // an earlier edit needed.
    offset_ = 0;
    const Rect c = docToClientRect(rect);
    if (c == Rect()) return;
    if (keyboardRect_ == Rect()) return;
    // The keyboard's frame is in window coordinates, the rectangle in the view's.
    const Point origin = convertPointFromWindow(Point(keyboardRect_.x, keyboardRect_.y));
    const Rect keyboard(origin.x, origin.y, keyboardRect_.width, keyboardRect_.height);
    const Rect i = c.intersect(keyboard);
    if (i.height == 0 && i.y == 0) return;
    offset_ = keyboard.y > c.y ? i.height : c.y + c.height - keyboard.y;
    offset_ += 10;
}

void DiagramView::moveForKeyboard(bool up) {
    const double shift = up ? offset_ : -movedUp_;
    movedUp_ = up ? movedUp_ + offset_ : 0.0;
    const std::weak_ptr<DiagramView> weak = weakSelf();
    platform::animate(
        0.3,
        [this, shift] {
            Rect f = frame();
            f.y -= shift;
            f.height += shift;
            setFrame(f);
        },
        [weak](bool) {
            if (auto view = weak.lock()) view->setNeedsDisplay();
        });
}

void DiagramView::endEdit() {
    // Taken now: the edited event may open the next edit.
    const std::shared_ptr<InplaceEditable> element = std::move(elementToEdit_);
    if (!element) return;
    const std::shared_ptr<platform::TextView> field = std::move(editTextField_);
    const std::shared_ptr<Diagram> diagram = diagram_;

    const std::shared_ptr<DiagramItem> item = element->getEditedItem();
    const std::uint64_t generation = editGeneration_;
    // Whether the document still shows the edited item as it did when the edit began.
    const auto shown = [&item, &diagram, generation] {
        return diagram && diagram->contains(*item) && diagram->contentGeneration() == generation;
    };
    // An item that left the document shown (a load, a new document, a handler's removal) would
    // take the text where nobody sees it, with an undo step that changes nothing.
    if (item && !shown()) {
        elementToEdit_ = element;
        editTextField_ = field;
        cancelEdit();
        return;
    }
    std::shared_ptr<ChangeItemCommand> command;
    if (item && diagram && diagram->undoManager())
        command = std::make_shared<ChangeItemCommand>(diagram, item, item->saveState());
    const std::string oldText = element->getTextToEdit();
    const std::string newText = field ? field->text() : oldText;
    element->setEditedText(newText);

    if (field) field->resignFirstResponder();
    moveForKeyboard(false);
    if (field) field->removeFromSuperview();
    editing_ = false;
    element->raiseItemTextEdited(oldText, newText);

    // The handlers of the text change may have emptied the document or read it anew: the step
    // would then land in the history of other content, and undoing it would write into an item
    // nobody sees.
    if (command && shown()) {
        if (const std::shared_ptr<UndoManager> manager = diagram->undoManager())
            manager->executeCommand(command);
    }
    if (diagram) diagram->invalidate();
    setNeedsDisplay();
}

void DiagramView::cancelEdit() {
    // Nothing open: the view is where it belongs and stays there.
    if (!elementToEdit_ && !editTextField_) return;
    const std::shared_ptr<platform::TextView> field = std::move(editTextField_);
    if (field) field->resignFirstResponder();
    moveForKeyboard(false);
    elementToEdit_.reset();
    if (field) field->removeFromSuperview();
    editing_ = false;
}

void DiagramView::OKButtonPressed() {
    endEdit();
}

void DiagramView::CancelButtonPressed() {
    cancelEdit();
}

}  // namespace nodeloom
