#pragma once

#include <memory>

namespace nodeloom::platform {

// Releases a handle of a C library (Cairo, Pango, GObject) through that library's own release
// function, so that a std::unique_ptr can own the handle.
template <auto Release>
struct HandleDeleter {
    template <typename T>
    void operator()(T* handle) const {
        Release(handle);
    }
};

// A handle owned by one holder and released with `Release` when the holder lets it go.
template <typename T, auto Release>
using Handle = std::unique_ptr<T, HandleDeleter<Release>>;

}  // namespace nodeloom::platform
