#pragma once

#include <memory>
#include <optional>

#include "Nodeloom/foundation/Graph.h"
#include "Nodeloom/foundation/RawValue.h"
#include "Nodeloom/items/AnchorPoint.h"

namespace nodeloom {

// The direction in which the levels or layers of a layout follow each other.
enum class LayoutDirection {
    topToBottom = 0,
    leftToRight = 1,
    bottomToTop = 2,
    rightToLeft = 3,
};

template <>
std::optional<LayoutDirection> fromRaw<LayoutDirection>(int raw);

// How the connected components of an arranged graph are put next to each other: one below the
// other with their left edges aligned, or side by side with their top edges aligned.
enum class MultipleGraphsPlacement {
    vertical,
    horizontal,
};

// What finding a node's layout root can answer instead of a root. It is a value, never thrown.
enum class LayoutError {
    // The container or attachment relations run into a cycle that holds a node that takes no
    // part in layouts (ignored or invisible).
    cycleWithIgnoredNodes,
};

// The base of the automatic layouts. A layout only arranges an abstract graph: on entry each
// vertex holds the top-left corner and the size of the node or block it stands for, on exit its
// centre, and edges may carry point lists. Everything that reads or writes the document is done
// by the driver (LayoutUtils), which asks the hooks below how to treat the layout's result.
//
// A layout object holds its options (and some layouts the working state of their last run); it
// may arrange several containers one after the other, but not two at once.
class Layout {
public:
    Layout() = default;
    virtual ~Layout() = default;

    // Arranges one graph in place. False tells the driver to leave that component as it was.
    // Here: true, changing nothing.
    virtual bool arrangeGraph(const std::shared_ptr<Graph>& graph);

    // --- Options ---------------------------------------------------------------------------

    // What happens to the links' anchor indexes after the layout.
    virtual Anchoring anchoring() const { return anchoring_; }
    virtual void setAnchoring(Anchoring anchoring) { anchoring_ = anchoring; }
    // A node and the nodes attached to it (recursively) move as one block.
    virtual bool keepGroupLayout() const { return keepGroupLayout_; }
    virtual void setKeepGroupLayout(bool keep) { keepGroupLayout_ = keep; }
    // How the connected components are placed relative to each other.
    virtual MultipleGraphsPlacement multipleGraphsPlacement() const {
        return multipleGraphsPlacement_;
    }
    virtual void setMultipleGraphsPlacement(MultipleGraphsPlacement placement) {
        multipleGraphsPlacement_ = placement;
    }
    // The offset of the first component from the container's origin and the gap between
    // components, in document units. A number that is not finite is refused.
    virtual double margins() const { return margins_; }
    virtual void setMargins(double margins);

    // Whether the driver splits the graph into connected components and arranges each alone.
    bool requiresConnectedGraph() const { return requiresConnectedGraph_; }

    // --- Hooks the driver asks ---------------------------------------------------------------

    // Each laid-out link takes its edge's point list. When false, every link of the container
    // becomes a straight two-point polyline instead.
    virtual bool appliesLinkPoints() const { return true; }
    // The edge point lists already begin and end on the node outlines; they are not clipped.
    virtual bool computesLinkEnds() const { return false; }
    // Self-loops and further links between the same two blocks are kept out of the graph and
    // repaired after the layout.
    virtual bool mergesRepeatingLinks() const { return true; }
    // Every laid-out link takes the cascading shape before its points are applied.
    virtual bool usesCascadingLinks() const { return false; }
    // Components stay where the layout put them instead of going to their placement origin.
    virtual bool keepsComponentPosition() const { return false; }

protected:
    Layout(const Layout&) = default;
    Layout& operator=(const Layout&) = default;

    void setRequiresConnectedGraph(bool required) { requiresConnectedGraph_ = required; }

private:
    Anchoring anchoring_ = Anchoring::ignore;
    bool keepGroupLayout_ = false;
    MultipleGraphsPlacement multipleGraphsPlacement_ = MultipleGraphsPlacement::horizontal;
    double margins_ = 10.0;
    bool requiresConnectedGraph_ = true;
};

}  // namespace nodeloom
