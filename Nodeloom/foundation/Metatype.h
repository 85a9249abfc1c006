#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "Nodeloom/foundation/Object.h"

namespace nodeloom {

// The record by which a serialisable class describes itself: the class id written into a file
// and a closure that makes a new instance. Records are compared and hashed by name only, so a
// record made afresh finds the registry entry of an equal one.
template <typename T>
class Metatype {
public:
    using Closure = std::function<std::shared_ptr<T>()>;

    Metatype(Closure closure, std::string name)
        : closure_(std::move(closure)), name_(std::move(name)) {}

    // A record of a derived class serves wherever a record of its base is expected (the
    // registry keeps records of any object type).
    template <typename U>
    requires(!std::is_same_v<T, U> && std::is_convertible_v<U*, T*>)
        Metatype(const Metatype<U>& other)
        : closure_(wrap(other.closure())), name_(other.name()) {}

    // A record without a closure makes nothing rather than failing.
    std::shared_ptr<T> getInstance() const { return closure_ ? closure_() : nullptr; }

    const Closure& closure() const { return closure_; }
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    bool operator==(const Metatype& other) const { return name_ == other.name_; }

private:
    template <typename U>
    static Closure wrap(const std::function<std::shared_ptr<U>()>& inner) {
        if (!inner) return nullptr;
        return [inner]() -> std::shared_ptr<T> { return inner(); };
    }

    Closure closure_;
    std::string name_;
};

}  // namespace nodeloom

template <typename T>
struct std::hash<nodeloom::Metatype<T>> {
    std::size_t operator()(const nodeloom::Metatype<T>& type) const noexcept {
        return std::hash<std::string>{}(type.name());
    }
};
