#pragma once

#include <memory>
#include <string>
#include <utility>

namespace nodeloom {

class DiagramLink;

// The text of a link is being, or has been, edited in place. The arguments keep the link alive.
class EditLinkTextEventArgs {
public:
    EditLinkTextEventArgs(std::shared_ptr<DiagramLink> link, std::string oldText,
                          std::string newText)
        : link_(std::move(link)), oldText_(std::move(oldText)), newText_(std::move(newText)) {}
    virtual ~EditLinkTextEventArgs() = default;

    const std::shared_ptr<DiagramLink>& link() const { return link_; }
    void setLink(std::shared_ptr<DiagramLink> link) { link_ = std::move(link); }
    const std::string& oldText() const { return oldText_; }
    void setOldText(std::string text) { oldText_ = std::move(text); }
    const std::string& newText() const { return newText_; }
    void setNewText(std::string text) { newText_ = std::move(text); }

private:
    std::shared_ptr<DiagramLink> link_;
    std::string oldText_;
    std::string newText_;
};

}  // namespace nodeloom
