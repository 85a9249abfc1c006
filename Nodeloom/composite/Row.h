#pragma once

#include <memory>
#include <utility>
#include <vector>

namespace nodeloom {

class DiagramLink;

// One row of a table: its height and header flag and the links that end on it. Rows are shared
// by the table and by the undo states saved from it, so a change made to a row in place is seen
// by both.
class Row {
public:
    using LinkList = std::vector<std::shared_ptr<DiagramLink>>;

    static constexpr double defaultHeight = 6.0;

    Row() = default;

    // The height of an entry of a table's rows: a null entry counts as a default row, which
    // holds no links.
    static double heightOf(const std::shared_ptr<Row>& row) {
        return row ? row->height() : defaultHeight;
    }

    // The links whose destination end sits on this row.
    const LinkList& incomingLinks() const { return incomingLinks_; }
    LinkList& incomingLinks() { return incomingLinks_; }
    void setIncomingLinks(LinkList links) { incomingLinks_ = std::move(links); }
    // The links whose origin end sits on this row.
    const LinkList& outgoingLinks() const { return outgoingLinks_; }
    LinkList& outgoingLinks() { return outgoingLinks_; }
    void setOutgoingLinks(LinkList links) { outgoingLinks_ = std::move(links); }
    bool header() const { return header_; }
    void setHeader(bool header) { header_ = header; }
    double height() const { return height_; }
    // A height that is not a finite number is refused.
    void setHeight(double height);

private:
    LinkList incomingLinks_;
    LinkList outgoingLinks_;
    bool header_ = false;
    double height_ = defaultHeight;
};

}  // namespace nodeloom
