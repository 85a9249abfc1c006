#pragma once

#include <cstddef>
#include <vector>

#include "Nodeloom/composite/TreeViewItem.h"

namespace nodeloom {

// What a tree walk does after visiting an item.
enum class TreeStep { descend, skip, stop };

// Depth-first, parent before children, siblings in list order, on an explicit stack so that a
// tree of any depth is walked in constant native stack. enter(item, depth) decides whether the
// walk goes below the item; leave(item, depth) runs after the item's subtree (or right after
// enter when the walk does not go below it). With shownOnly, children of a collapsed item are
// not visited. Depth counts from 0 at the start items. Nobody may change a list while it is
// being walked, except an item's own children inside its enter.
template <typename Enter, typename Leave>
void walkTree(const TreeViewItem::ItemList* roots, TreeViewItem* single, bool shownOnly,
              Enter&& enter, Leave&& leave) {
    struct Frame {
        const TreeViewItem::ItemList* list;
        TreeViewItem* owner;
        std::size_t next;
    };
    std::vector<Frame> stack;
    if (roots) stack.push_back({roots, nullptr, 0});
    const auto visit = [&](TreeViewItem& item, int depth) {
        const TreeStep step = enter(item, depth);
        if (step == TreeStep::stop) return false;
        if (step == TreeStep::descend && !item.children().empty() &&
            (!shownOnly || item.expanded())) {
            stack.push_back({&item.children(), &item, 0});
        } else {
            leave(item, depth);
        }
        return true;
    };
    if (single && !visit(*single, 0)) return;
    const int base = single ? 0 : -1;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.list->size()) {
            TreeViewItem* owner = frame.owner;
            stack.pop_back();
            if (owner) leave(*owner, static_cast<int>(stack.size()) + base);
            continue;
        }
        TreeViewItem* item = (*frame.list)[frame.next++].get();
        if (item && !visit(*item, static_cast<int>(stack.size()) + base)) return;
    }
}

template <typename Enter>
void walkTree(const TreeViewItem::ItemList* roots, TreeViewItem* single, bool shownOnly,
              Enter&& enter) {
    walkTree(roots, single, shownOnly, enter, [](TreeViewItem&, int) {});
}

// The row rectangles of a walk that lays rows out from y, each as wide as node: a shown item
// gets its own row, an item inside a collapsed subtree the row of its outermost collapsed
// ancestor, and every item of a walk that starts hidden the row hiddenRow. f(item, row) returns
// false to stop. Returns the height of the rows laid out.
template <typename F>
double walkRowRects(const TreeViewItem::ItemList* roots, TreeViewItem* single, const Rect& node,
                    const Rect* hiddenRow, double y, F&& f) {
    double cur = y;
    int collapsedDepth = -1;
    Rect collapsedRow;
    walkTree(
        roots, single, false,
        [&](TreeViewItem& item, int depth) {
            Rect row;
            if (hiddenRow) {
                row = *hiddenRow;
            } else if (collapsedDepth >= 0) {
                row = collapsedRow;
            } else {
                row = Rect(node.x, cur, node.width, item.height());
                cur += item.height();
                if (!item.expanded() && !item.children().empty()) {
                    collapsedDepth = depth;
                    collapsedRow = row;
                }
            }
            return f(item, row) ? TreeStep::descend : TreeStep::stop;
        },
        [&](TreeViewItem&, int depth) {
            if (depth == collapsedDepth) collapsedDepth = -1;
        });
    return hiddenRow && single ? single->height() : cur - y;
}

}  // namespace nodeloom
