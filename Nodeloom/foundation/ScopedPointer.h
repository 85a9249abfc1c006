#pragma once

namespace nodeloom {

// Points a slot at data that lives only while the guard is in scope, and clears it after.
template <typename T>
class ScopedPointer {
public:
    ScopedPointer(T*& slot, T* value) : slot_(slot) { slot_ = value; }
    ~ScopedPointer() { slot_ = nullptr; }
    ScopedPointer(const ScopedPointer&) = delete;
    ScopedPointer& operator=(const ScopedPointer&) = delete;

private:
    T*& slot_;
};

}  // namespace nodeloom
