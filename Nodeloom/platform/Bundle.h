#pragma once

#include <string>
#include <string_view>

namespace nodeloom::platform {

// A folder of resource files, looked up by name and type. There are two: the library's own
// resources (the shape library, icons), found in the folder named by the environment variable
// NODELOOM_RESOURCES when it is set, else in the source tree the library was built from, else in
// the installed data directory; and the application's, the running program's own directory
// unless the host names another. Bundles are small values that name which of the two they are,
// so a lookup always uses the folder as it is at that moment.
class Bundle {
public:
    static const Bundle& library();
    static const Bundle& main();
    // The application's resource directory; the empty string goes back to the program's own.
    static void setMainDirectory(std::string directory);

    // The path of the resource file "<name>.<type>" (just "<name>" for an empty type), or the
    // empty string when there is no such file.
    std::string pathForResource(std::string_view name, std::string_view type) const;
    // The folder looked in now; empty when it cannot be told.
    std::string resourcePath() const;

    friend bool operator==(const Bundle&, const Bundle&) = default;

private:
    enum class Kind { library, main };
    explicit Bundle(Kind kind) : kind_(kind) {}

    Kind kind_;
};

}  // namespace nodeloom::platform
