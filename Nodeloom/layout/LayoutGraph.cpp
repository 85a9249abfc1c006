#include "Nodeloom/layout/LayoutGraph.h"

namespace nodeloom {

void RepeatingLinks::append(const std::shared_ptr<DiagramLink>& representative,
                            const std::shared_ptr<DiagramLink>& link) {
    const auto [it, added] = index_.try_emplace(representative.get(), entries_.size());
    if (added) entries_.push_back({representative, {}});
    entries_[it->second].links.push_back(link);
}

const std::vector<std::shared_ptr<DiagramLink>>* RepeatingLinks::find(
    const DiagramLink* representative) const {
    const auto it = index_.find(representative);
    return it == index_.end() ? nullptr : &entries_[it->second].links;
}

}  // namespace nodeloom
