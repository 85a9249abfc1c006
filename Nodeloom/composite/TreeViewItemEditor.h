#pragma once

#include <memory>
#include <string>
#include <utility>

#include "Nodeloom/items/InplaceEditable.h"

namespace nodeloom {

class TreeViewItem;
class TreeViewNode;

// Edits the label of one tree item in place for the view: it reads and writes the label and
// raises the document's tree item events, with the node as the edited item. A node in no
// document is edited all the same, without events.
class TreeViewItemEditor : public InplaceEditable {
public:
    TreeViewItemEditor(std::shared_ptr<TreeViewItem> item, std::shared_ptr<TreeViewNode> node);

    // A null item reads as empty text and takes no text.
    std::string getTextToEdit() override;
    void setEditedText(const std::string& text) override;
    // The item's row of the last drawing, in document coordinates.
    Rect getEditRect(const std::shared_ptr<DiagramItem>& item, Point pointerPosition) override;
    void raiseItemTextEditing(const std::string& oldText, const std::string& newText) override;
    void raiseItemTextEdited(const std::string& oldText, const std::string& newText) override;
    std::shared_ptr<DiagramItem> getEditedItem() override;

    virtual const std::shared_ptr<TreeViewItem>& item() const { return item_; }
    virtual void setItem(std::shared_ptr<TreeViewItem> item) { item_ = std::move(item); }
    virtual const std::shared_ptr<TreeViewNode>& node() const { return node_; }
    virtual void setNode(std::shared_ptr<TreeViewNode> node) { node_ = std::move(node); }

private:
    std::shared_ptr<TreeViewItem> item_;
    std::shared_ptr<TreeViewNode> node_;
};

}  // namespace nodeloom
