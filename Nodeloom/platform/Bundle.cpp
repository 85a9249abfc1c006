#include "Nodeloom/platform/Bundle.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#ifndef NODELOOM_BUILD_RESOURCE_DIR
#define NODELOOM_BUILD_RESOURCE_DIR ""
#endif
#ifndef NODELOOM_INSTALL_RESOURCE_DIR
#define NODELOOM_INSTALL_RESOURCE_DIR ""
#endif

namespace nodeloom::platform {

namespace {

bool isDirectory(const std::filesystem::path& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

std::string libraryDirectory() {
    const char* chosen = std::getenv("NODELOOM_RESOURCES");
    if (chosen != nullptr && *chosen != '\0') return chosen;
    // A build used in place finds the resources of its own source tree; an installed one
    // finds the copies installed beside it.
    if (isDirectory(NODELOOM_BUILD_RESOURCE_DIR)) return NODELOOM_BUILD_RESOURCE_DIR;
    return NODELOOM_INSTALL_RESOURCE_DIR;
}

std::string& mainDirectory() {
    static std::string directory;
    return directory;
}

std::string programDirectory() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.parent_path().string();
}

}  // namespace

const Bundle& Bundle::library() {
    static const Bundle bundle(Kind::library);
    return bundle;
}

const Bundle& Bundle::main() {
    static const Bundle bundle(Kind::main);
    return bundle;
}

void Bundle::setMainDirectory(std::string directory) {
    mainDirectory() = std::move(directory);
}

std::string Bundle::resourcePath() const {
    if (kind_ == Kind::library) return libraryDirectory();
    return mainDirectory().empty() ? programDirectory() : mainDirectory();
}

std::string Bundle::pathForResource(std::string_view name, std::string_view type) const {
    // A resource is a file directly in the folder; names that could reach outside it are not
    // resources.
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos || type.find('/') != std::string_view::npos ||
        type.find('\0') != std::string_view::npos) {
        return std::string();
    }
    const std::string directory = resourcePath();
    if (directory.empty()) return std::string();
    std::string fileName(name);
    if (!type.empty()) {
        fileName += '.';
        fileName += type;
    }
    const std::filesystem::path path = std::filesystem::path(directory) / fileName;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::string();
    return path.string();
}

}  // namespace nodeloom::platform
