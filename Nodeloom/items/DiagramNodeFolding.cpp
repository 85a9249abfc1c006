#include "Nodeloom/items/DiagramNode.h"

#include "Nodeloom/composite/NodeExpander.h"  // Hook: node container
#include "Nodeloom/document/Diagram.h"  // Hook: item reaches its document
#include "Nodeloom/document/NodeEventArgs.h"  // Hook: item reaches its document
#include "Nodeloom/foundation/Weak.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: nodes and links name each other

namespace nodeloom {

// --- Expanded state ------------------------------------------------------------------------

void DiagramNode::setExpanded(bool expanded) {
    expanded_ = expanded;
    if (expanded) collapsedSet_.reset();
}

// --- Folding ---------------------------------------------------------------------------------

void DiagramNode::setExpandable(bool expandable) {
    const bool changed = expandable != expandable_;
    expandable_ = expandable;
    if (!changed) return;
    expander_ = expandable ? std::make_shared<NodeExpander>(weak_from_this()) : nullptr;
    repaint();
}

void DiagramNode::raiseCollapsed() {
    const std::shared_ptr<Diagram> d = diagram();
    if (!d) return;
    NodeValidationEventArgs args(self());
    d->nodeCollapsed().raise(*d, args);
}

void DiagramNode::raiseExpanded() {
    const std::shared_ptr<Diagram> d = diagram();
    if (!d) return;
    NodeValidationEventArgs args(self());
    d->nodeExpanded().raise(*d, args);
}

void DiagramNode::collapse(std::optional<CollapsedSet>& set) {
    // Keeps the node alive while event handlers run.
    const std::shared_ptr<DiagramNode> me = self();
    if (!set) {
        collapsedSet_ = CollapsedSet{Weak<DiagramItem>(me)};
        setExpanded(false);
        collapseLinks(collapsedSet_);
        if (&set != &collapsedSet_) set = collapsedSet_;
        return;
    }
    if (!set->insert(Weak<DiagramItem>(me)).second) return;
    setVisible(false);
    if (selected() && diagram()) setSelected(false);
    if (!expanded()) {
        // What hangs off a folded node is hidden already.
        raiseCollapsed();
        return;
    }
    collapseLinks(set);
}

void DiagramNode::collapseLinks(std::optional<CollapsedSet>& set) {
    raiseCollapsed();
    const std::shared_ptr<Diagram> d = diagram();
    const LinkList links =
        d && d->expandOnIncoming() ? getAllIncomingLinks() : getAllOutgoingLinks();
    for (const auto& link : links) {
        if (!link) continue;
        const std::shared_ptr<Diagram> linkDiagram = link->diagram();
        const std::shared_ptr<DiagramNode> other =
            linkDiagram && linkDiagram->expandOnIncoming() ? link->origin() : link->destination();
        // An event handler may have unfolded the node that started the walk.
        if (!set) return;
        if (other) other->collapse(set);
        if (!set) return;
        set->insert(Weak<DiagramItem>(std::static_pointer_cast<DiagramItem>(link)));
        link->setVisible(false);
        if (link->selected()) link->setSelected(false);
    }
}

void DiagramNode::expand() {
    const std::shared_ptr<DiagramNode> me = self();
    const std::optional<CollapsedSet> set = std::move(collapsedSet_);
    collapsedSet_.reset();
    setExpanded(true);
    if (set) {
        for (const auto& entry : *set) {
            const std::shared_ptr<DiagramItem> item = entry.value();
            if (!item) continue;
            item->setVisible(true);
            if (auto* node = dynamic_cast<DiagramNode*>(item.get())) node->raiseExpanded();
        }
    } else {
        const std::shared_ptr<Diagram> d = diagram();
        const bool incoming = d && d->expandOnIncoming();
        const LinkList links = incoming ? getAllIncomingLinks() : getAllOutgoingLinks();
        for (const auto& link : links) {
            if (!link) continue;
            const std::shared_ptr<DiagramNode> other =
                incoming ? link->origin() : link->destination();
            link->setVisible(true);
            if (!other) continue;
            other->setVisible(true);
            if (other->expander()) {
                other->setExpanded(false);
                other->raiseExpanded();
            }
        }
    }
    raiseExpanded();
}

}  // namespace nodeloom
