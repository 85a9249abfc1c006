#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace nodeloom {

// An ordered list of shared items, as the document keeps its nodes, links and drawing order: it
// appends at the end and takes out the first entry of an item, and both cost constant amortised
// time however long the list is. An item may be listed more than once.
//
// A removed entry leaves an empty slot (the item itself is released at once); the list closes
// the gaps the next time it is read as a whole, or once the gaps outnumber the entries, so that
// removing items one by one never shifts the rest of the list each time. Reading the list
// therefore always shows the items that remain, in their order.
template <typename T>
class ItemList {
public:
    using List = std::vector<std::shared_ptr<T>>;

    // The remaining entries in order.
    const List& vector() const {
        compact();
        return slots_;
    }

    std::size_t size() const { return slots_.size() - holes_; }
    bool empty() const { return size() == 0; }
    bool contains(const T* item) const { return item != nullptr && where_.count(item) != 0; }

    void push_back(std::shared_ptr<T> item) {
        if (!item) return;
        const std::size_t pos = slots_.size();
        auto [it, inserted] = where_.try_emplace(item.get());
        if (inserted) {
            it->second.first = pos;
        } else {
            it->second.more.push_back(pos);
        }
        slots_.push_back(std::move(item));
    }

    // Takes out the first entry of the item; false when the item is not listed.
    bool eraseFirst(const T* item) {
        const auto it = where_.find(item);
        if (it == where_.end()) return false;
        Positions& positions = it->second;
        const std::size_t pos = positions.first;
        if (positions.more.empty()) {
            where_.erase(it);
        } else {
            positions.first = positions.more.front();
            positions.more.erase(positions.more.begin());
        }
        slots_[pos].reset();
        ++holes_;
        // Bounds the memory of a list that loses many items between two reads.
        if (holes_ > kMinHolesToCompact && holes_ > size()) compact();
        return true;
    }

    void clear() {
        slots_.clear();
        where_.clear();
        holes_ = 0;
    }

    // Sorts the entries by a key taken once from each entry, which spares
    // the sort from visiting the items themselves at every comparison.
    template <typename KeyOf>
    void sortByKey(KeyOf keyOf) {
        compact();
        using Key = decltype(keyOf(*slots_.front()));
        std::vector<std::pair<Key, std::size_t>> keys;
        keys.reserve(slots_.size());
        for (std::size_t i = 0; i < slots_.size(); ++i)
            keys.emplace_back(keyOf(*slots_[i]), i);
        std::sort(keys.begin(), keys.end());
        List sorted;
        sorted.reserve(slots_.size());
        for (const auto& key : keys)
            sorted.push_back(std::move(slots_[key.second]));
        slots_ = std::move(sorted);
        reindex();
    }

private:
    static constexpr std::size_t kMinHolesToCompact = 64;

    // The positions of one item's entries, ascending; almost every item has exactly one.
    struct Positions {
        std::size_t first = 0;
        std::vector<std::size_t> more;
    };

    void reindex() {
        where_.clear();
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            auto [it, inserted] = where_.try_emplace(slots_[i].get());
            if (inserted) {
                it->second.first = i;
            } else {
                it->second.more.push_back(i);
            }
        }
    }

    void compact() const {
        if (holes_ == 0) return;
        std::size_t to = 0;
        for (std::size_t from = 0; from < slots_.size(); ++from) {
            if (!slots_[from]) continue;
            if (to != from) {
                Positions& positions = where_.find(slots_[from].get())->second;
                if (positions.first == from) {
                    positions.first = to;
                } else {
                    *std::find(positions.more.begin(), positions.more.end(), from) = to;
                }
                slots_[to] = std::move(slots_[from]);
            }
            ++to;
        }
        slots_.resize(to);
        holes_ = 0;
    }

    // Mutable so that reading the list can close its gaps.
    mutable List slots_;
    mutable std::size_t holes_ = 0;
    mutable std::unordered_map<const T*, Positions> where_;
};

}  // namespace nodeloom
