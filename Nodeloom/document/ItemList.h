#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/FlatHashMap.h"

namespace nodeloom {

// An ordered list of shared items, as the document keeps its nodes, links and drawing order: it
// appends at the end and takes out the first entry of an item, and both cost constant amortised
// time however long the list is. An item may be listed more than once.
//
// A removed entry leaves an empty slot (the item itself is released at once); the list closes
// the gaps the next time it is read as a whole, or once the gaps outnumber the entries, so that
// removing items one by one never shifts the rest of the list each time. Reading the list
// therefore always shows the items that remain, in their order.
//
// Likewise items put in at rising positions (as an undo puts back what was taken out from the
// end down) wait beside the list and join it in one pass when it is next read or changed
// otherwise, rather than each moving all the entries after it.
//
// Readers outside the document take a Snapshot: the entries as they are when it is taken, shared
// with the list rather than copied. A change made while a snapshot is held gives the list its own
// copy first (once: later changes find the copy unshared), so that a walk over a snapshot visits
// exactly the items present when it began, whatever the walk adds or removes.
template <typename T>
class ItemList {
public:
    using List = std::vector<std::shared_ptr<T>>;

    // The entries of the list when the snapshot was taken, in order; the items stay alive while
    // the snapshot is held.
    class Snapshot {
    public:
        using value_type = std::shared_ptr<T>;
        using size_type = std::size_t;
        using const_reference = const value_type&;
        using reference = const_reference;
        using const_iterator = typename List::const_iterator;
        using iterator = const_iterator;
        using const_reverse_iterator = typename List::const_reverse_iterator;
        using reverse_iterator = const_reverse_iterator;

        const_iterator begin() const { return list_->begin(); }
        const_iterator end() const { return list_->end(); }
        const_reverse_iterator rbegin() const { return list_->rbegin(); }
        const_reverse_iterator rend() const { return list_->rend(); }
        std::size_t size() const { return list_->size(); }
        bool empty() const { return list_->empty(); }
        const value_type& operator[](std::size_t i) const { return (*list_)[i]; }
        const value_type& front() const { return list_->front(); }
        const value_type& back() const { return list_->back(); }
        // Valid while this snapshot is held.
        const List& vector() const { return *list_; }
        // A copy of the entries, for callers that keep a list of their own.
        operator List() const { return *list_; }

        friend bool operator==(const Snapshot& a, const List& b) { return *a.list_ == b; }
        friend bool operator==(const Snapshot& a, const Snapshot& b) {
            return *a.list_ == *b.list_;
        }

    private:
        friend class ItemList;
        explicit Snapshot(std::shared_ptr<const List> list) : list_(std::move(list)) {}

        std::shared_ptr<const List> list_;
    };

    ItemList() : slots_(std::make_shared<List>()) {}

    // The remaining entries in order, for the document's own walks that change no list while
    // they run; valid until the list next changes.
    const List& vector() const {
        compact();
        return *slots_;
    }

    Snapshot snapshot() const {
        compact();
        return Snapshot(slots_);
    }

    std::size_t size() const { return slots_->size() - holes_ + pending_.size(); }
    bool empty() const { return size() == 0; }
    bool contains(const T* item) const { return item != nullptr && index_.find(item) != nullptr; }
    // The position of the item's first entry in vector(); -1 when it is not listed.
    long firstPosition(const T* item) const {
        if (item == nullptr) return -1;
        compact();
        const std::size_t* first = index_.find(item);
        return first ? static_cast<long>(*first) : -1;
    }
    // The position of the item's last entry in vector(); -1 when it is not listed.
    long lastPosition(const T* item) const {
        if (item == nullptr) return -1;
        compact();
        const std::size_t* first = index_.find(item);
        if (!first) return -1;
        if (!more_.empty()) {
            const auto extra = more_.find(item);
            if (extra != more_.end() && !extra->second.empty())
                return static_cast<long>(extra->second.back());
        }
        return static_cast<long>(*first);
    }

    void push_back(std::shared_ptr<T> item) {
        if (!item) return;
        if (!pending_.empty()) compact();
        own();
        const std::size_t pos = slots_->size();
        if (index_.find(item.get())) {
            more_[item.get()].push_back(pos);
        } else {
            index_.insert(item.get(), pos);
        }
        slots_->push_back(std::move(item));
    }

    // Puts the item in before the entry at the position, or at the end for a position past it.
    // The later entries move, which costs time in their number: for putting an item back where
    // it was, not for building a list.
    void insert(std::size_t position, std::shared_ptr<T> item) {
        if (!item) return;
        if (pending_.empty()) compact();
        position = std::min(position, size());
        if (pending_.empty() && position == slots_->size()) {
            push_back(std::move(item));
            return;
        }
        if (!index_.find(item.get()) && (pending_.empty() || position > pending_.back().first)) {
            own();
            index_.insert(item.get(), kPendingSlot);
            pending_.emplace_back(position, std::move(item));
            return;
        }
        compact();
        own();
        slots_->insert(slots_->begin() + static_cast<std::ptrdiff_t>(position), std::move(item));
        reindex();
    }

    // The position of the item's first entry among the remaining entries; none when it is not
    // listed.
    std::optional<std::size_t> positionOf(const T* item) const {
        if (item == nullptr) return std::nullopt;
        if (pending_.empty()) {
            const std::size_t* slot = index_.find(item);
            if (!slot) return std::nullopt;
            // With no gap before it, an entry's slot is its position; the list stays as it is.
            if (*slot < firstHole_) return *slot;
        }
        compact();
        const std::size_t* first = index_.find(item);
        if (!first) return std::nullopt;
        return *first;
    }

    // Takes out the first entry of the item; false when the item is not listed.
    bool eraseFirst(const T* item) {
        if (!pending_.empty()) compact();
        std::size_t* first = item ? index_.find(item) : nullptr;
        if (!first) return false;
        own();
        const std::size_t pos = *first;
        const auto extra = more_.empty() ? more_.end() : more_.find(item);
        if (extra == more_.end()) {
            index_.erase(item);
        } else {
            *first = extra->second.front();
            extra->second.erase(extra->second.begin());
            if (extra->second.empty()) more_.erase(extra);
        }
        (*slots_)[pos].reset();
        ++holes_;
        firstHole_ = std::min(firstHole_, pos);
        // Bounds the memory of a list that loses many items between two reads.
        if (holes_ > kMinHolesToCompact && holes_ > size()) compact();
        return true;
    }

    void clear() {
        if (slots_.use_count() > 1) {
            slots_ = std::make_shared<List>();
        } else {
            slots_->clear();
        }
        index_.clear();
        more_.clear();
        pending_.clear();
        holes_ = 0;
        firstHole_ = kNoHole;
    }

    // Sorts the entries by a key taken once from each entry, which spares the sort from visiting
    // the items themselves at every comparison.
    template <typename KeyOf>
    void sortByKey(KeyOf keyOf) {
        compact();
        List& slots = *slots_;
        if (slots.empty()) return;
        using Key = decltype(keyOf(*slots.front()));
        std::vector<std::pair<Key, std::size_t>> keys;
        keys.reserve(slots.size());
        for (std::size_t i = 0; i < slots.size(); ++i)
            keys.emplace_back(keyOf(*slots[i]), i);
        std::sort(keys.begin(), keys.end());
        // Entries a snapshot still shares are copied, not moved out from under it.
        const bool shared = slots_.use_count() > 1;
        List sorted;
        sorted.reserve(slots.size());
        for (const auto& key : keys)
            sorted.push_back(shared ? slots[key.second] : std::move(slots[key.second]));
        if (shared) {
            slots_ = std::make_shared<List>(std::move(sorted));
        } else {
            slots = std::move(sorted);
        }
        reindex();
    }

private:
    // Every entry's position taken again, for a list without gaps.
    void reindex() const {
        index_.clear();
        more_.clear();
        const List& order = *slots_;
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (index_.find(order[i].get())) {
                more_[order[i].get()].push_back(i);
            } else {
                index_.insert(order[i].get(), i);
            }
        }
    }

    static constexpr std::size_t kMinHolesToCompact = 64;
    static constexpr std::size_t kNoHole = static_cast<std::size_t>(-1);
    // The index entry of an item that waits to join the list.
    static constexpr std::size_t kPendingSlot = static_cast<std::size_t>(-1);

    // Before a change: a list whose entries a snapshot shares takes its own copy of them.
    void own() {
        if (slots_.use_count() > 1) slots_ = std::make_shared<List>(*slots_);
    }

    // Only a list that has gaps is changed here, and a list with gaps is never shared: a snapshot
    // is taken after the gaps are closed, and the change that opens the next gap owns its entries.
    // Items wait to join only a list without gaps (their positions count no gap), so the two
    // never meet.
    void compact() const {
        if (!pending_.empty()) {
            joinPending();
            return;
        }
        if (holes_ == 0) return;
        List& slots = *slots_;
        // The entries before the first gap stay where they are.
        std::size_t to = std::min(firstHole_, slots.size());
        for (std::size_t from = to; from < slots.size(); ++from) {
            if (!slots[from]) continue;
            if (to != from) {
                const T* key = slots[from].get();
                std::size_t* first = index_.find(key);
                if (*first == from) {
                    *first = to;
                } else {
                    auto& positions = more_.find(key)->second;
                    *std::find(positions.begin(), positions.end(), from) = to;
                }
                slots[to] = std::move(slots[from]);
            }
            ++to;
        }
        slots.resize(to);
        holes_ = 0;
        firstHole_ = kNoHole;
    }

    // Each waiting item goes in at its position, counted as if those before it had gone in
    // one by one.
    // Out of line: the hot paths only test whether anything waits.
    [[gnu::noinline]] void joinPending() const {
        List& slots = *slots_;
        List joined;
        joined.reserve(slots.size() + pending_.size());
        auto next = pending_.begin();
        for (auto& entry : slots) {
            for (; next != pending_.end() && next->first <= joined.size(); ++next)
                joined.push_back(std::move(next->second));
            joined.push_back(std::move(entry));
        }
        for (; next != pending_.end(); ++next)
            joined.push_back(std::move(next->second));
        slots = std::move(joined);
        pending_.clear();
        reindex();
    }

    // Mutable so that reading the list can close its gaps. Never null.
    mutable std::shared_ptr<List> slots_;
    mutable std::size_t holes_ = 0;
    // The slot of the earliest gap; kNoHole without gaps.
    mutable std::size_t firstHole_ = kNoHole;
    // Items to put in, each with its position, at rising positions.
    mutable std::vector<std::pair<std::size_t, std::shared_ptr<T>>> pending_;
    // The position of each item's first entry.
    mutable FlatHashMap<const T*, std::size_t> index_;
    // The later positions of items listed more than once, ascending.
    mutable std::unordered_map<const T*, std::vector<std::size_t>> more_;
};

}  // namespace nodeloom
