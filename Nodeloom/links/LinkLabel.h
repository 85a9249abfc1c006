#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class DiagramLink;

// An extra text of a link, placed relative to it. The link finds its labels by their layout
// rectangles.
class LinkLabel {
public:
    LinkLabel() = default;
    explicit LinkLabel(const std::shared_ptr<DiagramLink>& link) : link_(link) {}
    virtual ~LinkLabel() = default;

    LinkLabel(const LinkLabel&) = delete;
    LinkLabel& operator=(const LinkLabel&) = delete;

    std::shared_ptr<DiagramLink> link() const { return link_.lock(); }
    void setLink(const std::shared_ptr<DiagramLink>& link) { link_ = link; }
    const std::string& text() const { return text_; }
    void setText(std::string text) { text_ = std::move(text); }
    // A rectangle fixed by the document's label arrangement; an empty one counts as none.
    const std::optional<Rect>& cachedLayoutRect() const { return cachedLayoutRect_; }
    void setCachedLayoutRect(std::optional<Rect> rect) { cachedLayoutRect_ = rect; }

    // Where the label lies; nothing when it has no place. So far only a fixed rectangle gives
    // one: measuring the text in place of it comes with the label's drawing.
    virtual std::optional<Rect> getLayoutRect();

private:
    std::weak_ptr<DiagramLink> link_;
    std::string text_;
    std::optional<Rect> cachedLayoutRect_;
};

}  // namespace nodeloom
