#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace nodeloom {

// A box around a weak reference that can be kept in a hashed set. The box never prolongs its
// object's life: value() answers null once the object is gone.
//
// Equality and hashing follow the object the box was made with, not what value() answers now.
// A set decides membership by hash and equality at insertion; if a dying object turned its box
// into "empty", the box would sit in the wrong bucket and compare equal to every other emptied
// box, and the set would lose or duplicate entries. The identity is the object's address together
// with its ownership block: the block outlives the object while the box refers to it, so a new
// object that reuses the address never passes for the old one.
template <typename T>
class Weak {
public:
    Weak() = default;
    explicit Weak(const std::shared_ptr<T>& value) { setValue(value); }

    std::shared_ptr<T> value() const { return value_.lock(); }
    void setValue(const std::shared_ptr<T>& value) {
        value_ = value;
        identity_ = value.get();
    }

    // The hash of the identity; one fixed value for a box made empty.
    std::size_t hashValue() const {
        if (identity_ == nullptr) return 0x5bd1e995u;
        return std::hash<const void*>()(identity_);
    }

    friend bool operator==(const Weak& a, const Weak& b) {
        if (a.identity_ != b.identity_) return false;
        if (a.identity_ == nullptr) return true;
        return !a.value_.owner_before(b.value_) && !b.value_.owner_before(a.value_);
    }

private:
    std::weak_ptr<T> value_;
    const void* identity_ = nullptr;
};

}  // namespace nodeloom

template <typename T>
struct std::hash<nodeloom::Weak<T>> {
    std::size_t operator()(const nodeloom::Weak<T>& w) const noexcept { return w.hashValue(); }
};
