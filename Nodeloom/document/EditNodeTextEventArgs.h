#pragma once

#include <memory>
#include <string>
#include <utility>

namespace nodeloom {

class DiagramNode;

// The text of a node is being, or has been, edited in place. The arguments keep the node alive.
class EditNodeTextEventArgs {
public:
    EditNodeTextEventArgs(std::shared_ptr<DiagramNode> node, std::string oldText,
                          std::string newText)
        : node_(std::move(node)), oldText_(std::move(oldText)), newText_(std::move(newText)) {}
    virtual ~EditNodeTextEventArgs() = default;

    const std::shared_ptr<DiagramNode>& node() const { return node_; }
    void setNode(std::shared_ptr<DiagramNode> node) { node_ = std::move(node); }
    const std::string& oldText() const { return oldText_; }
    void setOldText(std::string text) { oldText_ = std::move(text); }
    const std::string& newText() const { return newText_; }
    void setNewText(std::string text) { newText_ = std::move(text); }

private:
    std::shared_ptr<DiagramNode> node_;
    std::string oldText_;
    std::string newText_;
};

}  // namespace nodeloom
