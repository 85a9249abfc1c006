#pragma once

#include <memory>
#include <string>
#include <utility>

namespace nodeloom {

class DiagramLink;
class LinkLabel;

// The text of a link label is being, or has been, edited.
// The arguments are set once, when the event is raised; handlers can read but not change them.
class EditLinkLabelEventArgs {
public:
    EditLinkLabelEventArgs(std::shared_ptr<LinkLabel> label, std::string oldText,
                           std::string newText)
        : label_(std::move(label)), oldText_(std::move(oldText)), newText_(std::move(newText)) {}
    virtual ~EditLinkLabelEventArgs() = default;

    const std::shared_ptr<LinkLabel>& label() const { return label_; }
    // The link the label belongs to; null for a label that has none (any more).
    std::shared_ptr<DiagramLink> link() const;
    const std::string& oldText() const { return oldText_; }
    const std::string& newText() const { return newText_; }

private:
    std::shared_ptr<LinkLabel> label_;
    std::string oldText_;
    std::string newText_;
};

}  // namespace nodeloom
