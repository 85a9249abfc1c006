#pragma once

#include <cstddef>
#include <memory>

namespace nodeloom {

class DiagramLink;
class DiagramNode;

// A node's links as one read-only sequence: incoming links first, then outgoing ones, both in
// list order. It is a live view, not a copy: every access reads the node's lists as they are
// now, so a link whose two ends are the node appears twice.
class CompositeLinkArray {
public:
    class Sentinel {};

    // Walks by position; it stops as soon as the position is no longer below the live count.
    class Iterator {
    public:
        Iterator(const CompositeLinkArray* array, std::size_t position)
            : array_(array), position_(position) {}
        std::shared_ptr<DiagramLink> operator*() const { return (*array_)[position_]; }
        Iterator& operator++() {
            ++position_;
            return *this;
        }
        bool operator==(const Sentinel&) const { return position_ >= array_->count(); }
        bool operator!=(const Sentinel& s) const { return !(*this == s); }

    private:
        const CompositeLinkArray* array_;
        std::size_t position_;
    };

    // The node owns its array, so the plain reference back never outlives it.
    explicit CompositeLinkArray(const DiagramNode* node) : node_(node) {}

    std::size_t count() const;
    // Null for an index outside 0 to count - 1.
    std::shared_ptr<DiagramLink> operator[](std::size_t index) const;

    Iterator begin() const { return Iterator(this, 0); }
    Sentinel end() const { return Sentinel(); }

    const DiagramNode* node() const { return node_; }

private:
    const DiagramNode* node_;
};

}  // namespace nodeloom
