#include "Nodeloom/document/DiagramMediator.h"

#include <cmath>
#include <deque>
#include <utility>

#include "Nodeloom/document/AttachedFollowsMasterRule.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/ItemFollowsContainerRule.h"
#include "Nodeloom/document/LinkFollowsNodesRule.h"
#include "Nodeloom/document/NodeFollowsSelectionRule.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/DiagramNodeState.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: document holds its links

namespace nodeloom {

DiagramMediator::DiagramMediator(const std::shared_ptr<DiagramItem>& item)
    : DiagramMediator(item, defaultRules()) {}

DiagramMediator::DiagramMediator(const std::shared_ptr<DiagramItem>& item, RuleList rules)
    : modifiedItem_(item) {
    setRules(std::move(rules));
    if (!item) return;
    append(item);
    collectDependents();
    originalStates_.reserve(items_.size());
    for (const auto& collected : items_)
        originalStates_[collected] = collected->saveLocation();
}

const DiagramMediator::RuleList& DiagramMediator::defaultRules() {
    static const RuleList rules{std::make_shared<NodeFollowsSelectionRule>(),
                                std::make_shared<ItemFollowsContainerRule>(),
                                std::make_shared<AttachedFollowsMasterRule>(), linkRules().front()};
    return rules;
}

const DiagramMediator::RuleList& DiagramMediator::linkRules() {
    static const RuleList rules{std::make_shared<LinkFollowsNodesRule>()};
    return rules;
}

void DiagramMediator::setItems(ItemList items) {
    items_.clear();
    index_.clear();
    for (const auto& item : items) {
        if (item && indexOf(item.get()) == npos) append(item);
    }
}

void DiagramMediator::setRules(RuleList rules) {
    rules_.clear();
    for (auto& rule : rules) {
        if (rule) rules_.push_back(std::move(rule));
    }
}

std::size_t DiagramMediator::indexOf(const DiagramItem* item) const {
    const auto it = index_.find(item);
    return it == index_.end() ? npos : it->second;
}

void DiagramMediator::append(const std::shared_ptr<DiagramItem>& item) {
    index_.emplace(item.get(), items_.size());
    items_.push_back(item);
}

void DiagramMediator::collectDependents() {
    // Held here: a host rule could replace the list while it is asked.
    const RuleList rules = rules_;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const std::shared_ptr<DiagramItem> item = items_[i];
        for (const auto& rule : rules) {
            for (const auto& dependent : rule->dependents(item)) {
                if (dependent && indexOf(dependent.get()) == npos) append(dependent);
            }
        }
    }
}

void DiagramMediator::updateDependents() {
    const RuleList rules = rules_;
    const ItemList items = items_;
    const std::size_t count = items.size();

    // The queue holds positions in items; each listed item is queued at most once at a time,
    // so one flag per item answers "still in the queue" at once.
    std::deque<std::size_t> queue;
    std::vector<char> queued(count, 0);
    for (std::size_t i = 1; i < count; ++i) {
        queue.push_back(i);
        queued[i] = 1;
    }
    const auto pending = [&](const std::shared_ptr<DiagramItem>& master) {
        const std::size_t at = master ? indexOf(master.get()) : npos;
        return at != npos && at < count && queued[at] != 0;
    };
    const auto done = [&](const std::shared_ptr<DiagramItem>& master) {
        const std::size_t at = master ? indexOf(master.get()) : npos;
        return at != npos && at < count && queued[at] == 0;
    };

    struct Claim {
        DependencyRule* rule;
        std::size_t position;
        ItemList masters;
    };
    std::vector<Claim> claims;
    std::size_t passEnd = count > 1 ? count - 1 : npos;
    std::size_t relaxed = 0;

    while (!queue.empty()) {
        const std::size_t i = queue.front();
        queue.pop_front();
        queued[i] = 0;
        const std::shared_ptr<DiagramItem>& item = items[i];

        claims.clear();
        bool wait = false;
        for (std::size_t k = 0; k < rules.size(); ++k) {
            if (!rules[k]->isDependent(item)) continue;
            Claim claim{rules[k].get(), k, rules[k]->masters(item)};
            if (k >= relaxed && !wait) {
                for (const auto& master : claim.masters) {
                    if (pending(master)) {
                        wait = true;
                        break;
                    }
                }
            }
            claims.push_back(std::move(claim));
        }

        if (wait) {
            queue.push_back(i);
            queued[i] = 1;
        } else if (!leftItsDocument(*item)) {
            for (const Claim& claim : claims) {
                for (const auto& master : claim.masters) {
                    if (done(master)) {
                        claim.rule->updateDependent(item, originalStates_, ist_);
                        break;
                    }
                }
            }
        }

        if (passEnd != npos && i == passEnd) {
            ++relaxed;
            passEnd = queue.empty() ? npos : queue.back();
        }
    }

    if (ist_ == nullptr || !ist_->angleDelta()) translateLinks();
}

bool DiagramMediator::leftItsDocument(const DiagramItem& item) {
    if (dynamic_cast<const DiagramNode*>(&item) == nullptr &&
        dynamic_cast<const DiagramLink*>(&item) == nullptr) {
        return false;
    }
    const std::shared_ptr<Diagram> diagram = item.diagram();
    return diagram && !diagram->contains(item);
}

void DiagramMediator::translateLinks() {
    const ItemList items = items_;
    for (const auto& item : items) {
        auto* link = dynamic_cast<DiagramLink*>(item.get());
        if (link == nullptr || leftItsDocument(*link)) continue;
        const std::shared_ptr<DiagramNode> origin = link->origin();
        const std::shared_ptr<DiagramNode> destination = link->destination();
        if (!origin || !destination || indexOf(origin.get()) == npos ||
            indexOf(destination.get()) == npos) {
            continue;
        }
        const std::shared_ptr<Vector> offset = getCommonOffset(origin, destination);
        if (!offset) continue;
        const auto it = originalStates_.find(item);
        const auto* saved = it == originalStates_.end()
                                ? nullptr
                                : dynamic_cast<const DiagramLinkState*>(it->second.get());
        if (saved == nullptr) continue;
        link->setControlPoints(translatePoints(saved->controlPoints(), *offset));
        link->updateFromPoints();
    }
}

std::shared_ptr<Vector> DiagramMediator::getCommonOffset(
    const std::shared_ptr<DiagramNode>& origin,
    const std::shared_ptr<DiagramNode>& destination) const {
    if (!origin || !destination) return nullptr;
    const auto savedOf = [this](const std::shared_ptr<DiagramNode>& node) {
        const auto it = originalStates_.find(node);
        return it == originalStates_.end()
                   ? nullptr
                   : dynamic_cast<const DiagramNodeState*>(it->second.get());
    };
    const DiagramNodeState* savedOrigin = savedOf(origin);
    const DiagramNodeState* savedDestination = savedOf(destination);
    if (savedOrigin == nullptr || savedDestination == nullptr) return nullptr;

    const std::shared_ptr<Diagram> diagram = origin->diagram();
    const std::shared_ptr<MeasureUnit> unit =
        diagram && diagram->measureUnit() ? diagram->measureUnit() : MeasureUnit::Millimeter();
    const double tolerance = MeasureUnit::Millimeter()->convert(1.0, unit) / 10000.0;

    const Rect o = origin->bounds();
    const Rect o0 = savedOrigin->bounds();
    const Rect d = destination->bounds();
    const Rect d0 = savedDestination->bounds();
    if (o.width != o0.width || o.height != o0.height || d.width != d0.width ||
        d.height != d0.height) {
        return nullptr;
    }
    const double dox = o.x - o0.x;
    const double doy = o.y - o0.y;
    const double ddx = d.x - d0.x;
    const double ddy = d.y - d0.y;
    if (!(std::fabs(dox - ddx) < tolerance && std::fabs(doy - ddy) < tolerance)) return nullptr;
    return std::make_shared<Vector>(dox, doy);
}

std::vector<Point> DiagramMediator::translatePoints(const std::vector<Point>& points,
                                                    const Vector& offset) {
    std::vector<Point> result;
    result.reserve(points.size());
    for (const Point& p : points)
        result.emplace_back(p.x + offset.x, p.y + offset.y);
    return result;
}

}  // namespace nodeloom
