#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace nodeloom {

// A list that several holders share: they keep the same box (through a std::shared_ptr) and each
// sees every change made through any of them.
template <typename T>
class ArrayRef {
public:
    ArrayRef() = default;
    explicit ArrayRef(std::vector<T> array) : array_(std::move(array)) {}

    std::vector<T>& array() { return array_; }
    const std::vector<T>& array() const { return array_; }
    void setArray(std::vector<T> array) { array_ = std::move(array); }

    int startIndex() const { return 0; }
    int endIndex() const { return count(); }
    int count() const { return static_cast<int>(array_.size()); }

    // The position after i, kept within 0 .. count().
    int index(int i) const {
        const long long j = static_cast<long long>(i) + 1;
        if (j < 0) return 0;
        if (j < count()) return static_cast<int>(j);
        return count();
    }

    // A position outside the list reads as a default element and ignores a write, so a caller's
    // slip never reaches memory it does not own.
    const T& operator[](int i) const {
        if (i < 0 || i >= count()) {
            static const T none{};
            return none;
        }
        return array_[static_cast<std::size_t>(i)];
    }
    void set(int i, T value) {
        if (i < 0 || i >= count()) return;
        array_[static_cast<std::size_t>(i)] = std::move(value);
    }

    auto begin() { return array_.begin(); }
    auto end() { return array_.end(); }
    auto begin() const { return array_.begin(); }
    auto end() const { return array_.end(); }

private:
    std::vector<T> array_;
};

}  // namespace nodeloom
