#pragma once

#include <memory>
#include <string>
#include <utility>

namespace nodeloom {

class TreeViewItem;

// The text of a tree view item is being, or has been, edited.
// Handlers read what was edited; they cannot change it.
class EditTreeItemTextEventArgs {
public:
    EditTreeItemTextEventArgs(std::shared_ptr<TreeViewItem> treeItem, std::string oldText,
                              std::string newText)
        : treeItem_(std::move(treeItem)),
          oldText_(std::move(oldText)),
          newText_(std::move(newText)) {}
    virtual ~EditTreeItemTextEventArgs() = default;

    const std::shared_ptr<TreeViewItem>& item() const { return treeItem_; }
    const std::string& oldText() const { return oldText_; }
    const std::string& newText() const { return newText_; }

private:
    std::shared_ptr<TreeViewItem> treeItem_;
    std::string oldText_;
    std::string newText_;
};

}  // namespace nodeloom
