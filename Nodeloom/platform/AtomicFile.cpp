#include "Nodeloom/platform/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace nodeloom::platform {

namespace {

bool writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

bool writeFileAtomically(const std::filesystem::path& target, std::string_view content) {
    return writeFileAtomically(target, [content](const ContentSink& sink) { return sink(content); });
}

bool writeFileAtomically(const std::filesystem::path& target,
                         const std::function<bool(const ContentSink&)>& produce) {
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") return false;
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = target.parent_path() / ("." + name + "." + std::to_string(::getpid()) + "." +
                                            std::to_string(counter++) + ".tmp");
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool written = false;
    try {
        written = produce([fd](std::string_view piece) { return writeAll(fd, piece); }) &&
                  ::fsync(fd) == 0;
    } catch (...) {
        // Out of memory while making the content: the target keeps what it had.
    }
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace nodeloom::platform
