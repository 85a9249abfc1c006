#include "Nodeloom/composite/TreeViewItemEditor.h"

#include "Nodeloom/composite/TreeViewItem.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/EditTreeItemTextEventArgs.h"

namespace nodeloom {

namespace {

// One arguments object for every handler, as the document raises its other editing events.
void raise(Event<EditTreeItemTextEventArgs>& (Diagram::*event)(),
           const std::shared_ptr<TreeViewNode>& node, const std::shared_ptr<TreeViewItem>& item,
           const std::string& oldText, const std::string& newText) {
    const std::shared_ptr<Diagram> d = node ? node->diagram() : nullptr;
    if (!d) return;
    EditTreeItemTextEventArgs args(item, oldText, newText);
    ((*d).*event)().raise(*d, args);
}

}  // namespace

TreeViewItemEditor::TreeViewItemEditor(std::shared_ptr<TreeViewItem> item,
                                       std::shared_ptr<TreeViewNode> node)
    : item_(std::move(item)), node_(std::move(node)) {}

std::string TreeViewItemEditor::getTextToEdit() {
    return item_ ? item_->label() : std::string();
}

void TreeViewItemEditor::setEditedText(const std::string& text) {
    if (item_) item_->setLabel(text);
}

Rect TreeViewItemEditor::getEditRect(const std::shared_ptr<DiagramItem>&, Point) {
    if (!item_) return Rect();
    Rect r = item_->bounds();
    if (node_) {
        const Rect b = node_->bounds();
        r.x += b.x;
        r.y += b.y;
    }
    return r;
}

void TreeViewItemEditor::raiseItemTextEditing(const std::string& oldText,
                                              const std::string& newText) {
    raise(&Diagram::treeItemEditing, node_, item_, oldText, newText);
}

void TreeViewItemEditor::raiseItemTextEdited(const std::string& oldText,
                                             const std::string& newText) {
    raise(&Diagram::treeItemEdited, node_, item_, oldText, newText);
}

std::shared_ptr<DiagramItem> TreeViewItemEditor::getEditedItem() {
    return node_;
}

}  // namespace nodeloom
