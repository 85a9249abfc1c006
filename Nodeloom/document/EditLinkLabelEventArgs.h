#pragma once

#include <memory>
#include <string>
#include <utility>

namespace nodeloom {

class LinkLabel;

// The text of a link label is being, or has been, edited.
// Handlers are told that the edit happens; the arguments carry no data they can read.
class EditLinkLabelEventArgs {
public:
    EditLinkLabelEventArgs(std::shared_ptr<LinkLabel> label, std::string oldText,
                           std::string newText)
        : label_(std::move(label)), oldText_(std::move(oldText)), newText_(std::move(newText)) {}
    virtual ~EditLinkLabelEventArgs() = default;

private:
    std::shared_ptr<LinkLabel> label_;
    std::string oldText_;
    std::string newText_;
};

}  // namespace nodeloom
