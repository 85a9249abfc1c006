#include "Nodeloom/platform/Directories.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace nodeloom::platform {

namespace {

struct Overrides {
    std::string documents;
    std::string library;
    std::string temporary;
};

Overrides& overrides() {
    static Overrides instance;
    return instance;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

bool isAbsolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

std::string homeDirectory() {
    std::string home = environment("HOME");
    if (isAbsolute(home)) return home;
    // Services and containers may run without HOME; the password database still knows.
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && isAbsolute(found->pw_dir)) {
        return found->pw_dir;
    }
    return std::string();
}

std::string withoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

std::string Directories::documentsDirectory() {
    if (!overrides().documents.empty()) return overrides().documents;
    const std::string home = homeDirectory();
    if (home.empty()) return withoutTrailingSeparators(temporaryDirectory());
    return withoutTrailingSeparators(home) + "/Documents";
}

std::string Directories::libraryDirectory() {
    if (!overrides().library.empty()) return overrides().library;
    const std::string data = environment("XDG_DATA_HOME");
    if (isAbsolute(data)) return withoutTrailingSeparators(data);
    const std::string home = homeDirectory();
    if (home.empty()) return withoutTrailingSeparators(temporaryDirectory());
    return withoutTrailingSeparators(home) + "/.local/share";
}

std::string Directories::temporaryDirectory() {
    std::string path = overrides().temporary;
    if (path.empty()) {
        path = environment("TMPDIR");
        if (!isAbsolute(path)) path = "/tmp";
    }
    if (path.back() != '/') path += '/';
    return path;
}

void Directories::setDocumentsDirectory(std::string path) {
    overrides().documents = withoutTrailingSeparators(std::move(path));
}

void Directories::setLibraryDirectory(std::string path) {
    overrides().library = withoutTrailingSeparators(std::move(path));
}

void Directories::setTemporaryDirectory(std::string path) {
    overrides().temporary = std::move(path);
}

}  // namespace nodeloom::platform
