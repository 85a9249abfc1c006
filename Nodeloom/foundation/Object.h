#pragma once

namespace nodeloom {

// The common root of the objects that are handed around as "any object": the document, its
// items, canvases and views. It carries no state; it only gives those objects a shared,
// polymorphic base so that a sender or a context can be passed without knowing its kind.
class Object {
public:
    virtual ~Object();

protected:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
    Object(Object&&) = default;
    Object& operator=(Object&&) = default;
};

}  // namespace nodeloom
