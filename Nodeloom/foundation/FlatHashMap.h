#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

namespace nodeloom {

// How a flat table hashes a key, and which key marks a free cell. Addresses, integers,
// coordinates and names are what the library's tables hold.
template <typename Key>
struct FlatHashKey;

template <typename T>
struct FlatHashKey<T*> {
    static constexpr T* kFree = nullptr;
    // The low bits of an address carry no information.
    static std::uint64_t bits(const T* key) {
        return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(key)) >> 4;
    }
};

template <>
struct FlatHashKey<int> {
    static constexpr int kFree = INT_MIN;
    static std::uint64_t bits(int key) {
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(key));
    }
};

// Numbers that compare equal are one key (-0 is 0); a NaN equals no key, so each one entered is
// an entry of its own and is never found, as in the standard containers.
template <>
struct FlatHashKey<double> {
    static constexpr double kFree = -std::numeric_limits<double>::infinity();
    static std::uint64_t bits(double key) {
        if (key == 0.0) key = 0.0;
        std::uint64_t b;
        std::memcpy(&b, &key, sizeof b);
        // Fibonacci hashing reads the high bits of the product, which the low bits of the
        // fraction barely reach: fold them in first.
        return b ^ (b >> 32);
    }
};

// Names viewed where they are held; the holder keeps them unchanged and alive while the table
// is used. The empty name is the key that marks a free cell, and is held like any other.
template <>
struct FlatHashKey<std::string_view> {
    static constexpr std::string_view kFree{};
    // Eight bytes at a time, the last word overlapping the one before: a name of any length is
    // spread by all of its bytes, so that names alike but for a few letters in the middle still
    // find cells of their own, while a short word costs one or two loads.
    static std::uint64_t bits(std::string_view key) {
        const char* at = key.data();
        std::size_t left = key.size();
        std::uint64_t h = left;
        if (left >= 8) {
            for (; left > 8; at += 8, left -= 8)
                h = mix(h, load<std::uint64_t>(at));
            return mix(h, load<std::uint64_t>(at + left - 8));
        }
        if (left >= 4)
            return mix(h, load<std::uint32_t>(at) |
                              std::uint64_t{load<std::uint32_t>(at + left - 4)} << 32);
        if (left == 0) return h;
        const auto byte = [at](std::size_t i) {
            return std::uint64_t{static_cast<unsigned char>(at[i])};
        };
        return mix(h, byte(0) | byte(left / 2) << 8 | byte(left - 1) << 16);
    }

private:
    template <typename Word>
    static Word load(const char* at) {
        Word word;
        std::memcpy(&word, at, sizeof word);
        return word;
    }
    static std::uint64_t mix(std::uint64_t h, std::uint64_t word) {
        h = (h ^ word) * 0x9E3779B97F4A7C15ull;
        return h ^ (h >> 29);
    }
};

// A hash map in one flat array: open addressing with linear probing, a power-of-two size at most
// half full, and Fibonacci hashing of the key. A lookup is one probe run in memory order and an
// entry costs no allocation of its own. Removal moves the later cells of a run back into the
// gap, so that no marker of removed cells ever lengthens a lookup. clear() keeps the capacity,
// which suits a table filled afresh again and again at about the same size.
//
// The key that marks a free cell (null, the least int, minus infinity, the empty name) is a key
// like any other: it lives beside the array.
//
// Values are default-constructible and copyable; pointers to them hold until the next insertion
// or removal.
template <typename Key, typename Value>
class FlatHashMap {
public:
    std::size_t size() const { return count_ + (hasFreeKey_ ? 1 : 0); }
    bool empty() const { return size() == 0; }
    bool contains(const Key& key) const { return find(key) != nullptr; }

    Value* find(const Key& key) {
        if (key == Traits::kFree) return hasFreeKey_ ? &freeKeyValue_ : nullptr;
        if (count_ == 0) return nullptr;
        for (std::size_t i = home(key);; i = next(i)) {
            if (cells_[i].key == key) return &cells_[i].value;
            if (cells_[i].key == Traits::kFree) return nullptr;
        }
    }
    const Value* find(const Key& key) const { return const_cast<FlatHashMap*>(this)->find(key); }

    // Enters the key with the value unless it is present; answers its value and whether it was
    // entered now.
    std::pair<Value*, bool> insert(const Key& key, Value value = Value()) {
        if (key == Traits::kFree) {
            const bool added = !hasFreeKey_;
            if (added) freeKeyValue_ = std::move(value);
            hasFreeKey_ = true;
            return {&freeKeyValue_, added};
        }
        if ((count_ + 1) * 2 > cells_.size()) grow((count_ + 1) * 2);
        std::size_t i = home(key);
        for (; cells_[i].key != Traits::kFree; i = next(i)) {
            if (cells_[i].key == key) return {&cells_[i].value, false};
        }
        cells_[i].key = key;
        cells_[i].value = std::move(value);
        ++count_;
        return {&cells_[i].value, true};
    }

    // False when the key is not present.
    bool erase(const Key& key) {
        if (key == Traits::kFree) {
            const bool had = hasFreeKey_;
            hasFreeKey_ = false;
            freeKeyValue_ = Value();
            return had;
        }
        if (count_ == 0) return false;
        std::size_t gap = home(key);
        for (; cells_[gap].key != key; gap = next(gap)) {
            if (cells_[gap].key == Traits::kFree) return false;
        }
        for (std::size_t i = next(gap); cells_[i].key != Traits::kFree; i = next(i)) {
            const std::size_t h = home(cells_[i].key);
            // The cell may fill the gap when its home does not lie after the gap in its run.
            const bool movable = gap <= i ? (h <= gap || h > i) : (h <= gap && h > i);
            if (movable) {
                cells_[gap] = std::move(cells_[i]);
                gap = i;
            }
        }
        cells_[gap] = Cell();
        --count_;
        return true;
    }

    // Forgets every entry and keeps the capacity.
    void clear() {
        if (count_ != 0) std::fill(cells_.begin(), cells_.end(), Cell());
        count_ = 0;
        hasFreeKey_ = false;
        freeKeyValue_ = Value();
    }

    // Room for `count` entries without growing.
    void reserve(std::size_t count) {
        if (count * 2 > cells_.size()) grow(count * 2);
    }

    // Calls visit(key, value) for every entry, in no particular order.
    template <typename Visit>
    void forEach(Visit&& visit) const {
        if (hasFreeKey_) visit(Key(Traits::kFree), freeKeyValue_);
        for (const Cell& cell : cells_) {
            if (cell.key != Traits::kFree) visit(cell.key, cell.value);
        }
    }

private:
    using Traits = FlatHashKey<Key>;

    struct Cell {
        Key key = Traits::kFree;
        // A set's empty value takes no room.
        [[no_unique_address]] Value value = Value();
    };

    std::size_t home(const Key& key) const {
        return static_cast<std::size_t>((Traits::bits(key) * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    std::size_t next(std::size_t i) const { return (i + 1) & (cells_.size() - 1); }

    // At least `cells` cells, rounded up to a power of two.
    void grow(std::size_t cells) {
        std::size_t capacity = 16;
        int shift = 60;
        while (capacity < cells) {
            capacity *= 2;
            --shift;
        }
        std::vector<Cell> old(capacity);
        old.swap(cells_);
        shift_ = shift;
        count_ = 0;
        for (Cell& cell : old) {
            if (cell.key == Traits::kFree) continue;
            std::size_t i = home(cell.key);
            while (cells_[i].key != Traits::kFree)
                i = next(i);
            cells_[i] = std::move(cell);
            ++count_;
        }
    }

    std::vector<Cell> cells_;
    std::size_t count_ = 0;
    int shift_ = 60;
    bool hasFreeKey_ = false;
    Value freeKeyValue_ = Value();
};

// A set of keys in the same flat table.
template <typename Key>
class FlatHashSet {
public:
    std::size_t size() const { return map_.size(); }
    bool empty() const { return map_.empty(); }
    bool contains(const Key& key) const { return map_.contains(key); }
    // True when the key was not present.
    bool insert(const Key& key) { return map_.insert(key).second; }
    bool erase(const Key& key) { return map_.erase(key); }
    void clear() { map_.clear(); }
    void reserve(std::size_t count) { map_.reserve(count); }
    template <typename Visit>
    void forEach(Visit&& visit) const {
        map_.forEach([&](const Key& key, Nothing) { visit(key); });
    }

private:
    struct Nothing {};
    FlatHashMap<Key, Nothing> map_;
};

}  // namespace nodeloom
