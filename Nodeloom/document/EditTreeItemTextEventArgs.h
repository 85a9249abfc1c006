#pragma once

#include <memory>
#include <string>
#include <utility>

namespace nodeloom {

class TreeViewItem;

// The text of a tree view item is being, or has been, edited.
// Handlers are told that the edit happens; the arguments carry no data they can read.
class EditTreeItemTextEventArgs {
public:
    EditTreeItemTextEventArgs(std::shared_ptr<TreeViewItem> treeItem, std::string oldText,
                              std::string newText)
        : treeItem_(std::move(treeItem)),
          oldText_(std::move(oldText)),
          newText_(std::move(newText)) {}
    virtual ~EditTreeItemTextEventArgs() = default;

private:
    std::shared_ptr<TreeViewItem> treeItem_;
    std::string oldText_;
    std::string newText_;
};

}  // namespace nodeloom
