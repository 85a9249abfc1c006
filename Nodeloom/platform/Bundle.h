#pragma once

#include <string>
#include <string_view>

namespace nodeloom::platform {

// The library's bundled resources (the shape library, icons). They are looked up in the folder
// named by the environment variable NODELOOM_RESOURCES when it is set, else in the source tree
// the library was built from, else in the installed data directory.
class Bundle {
public:
    Bundle() = delete;

    // The path of the resource file "<name>.<type>" (just "<name>" for an empty type), or the
    // empty string when there is no such file.
    static std::string pathForResource(std::string_view name, std::string_view type);
};

}  // namespace nodeloom::platform
