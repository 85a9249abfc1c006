#include "Nodeloom/platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <optional>
#include <string>
#include <vector>

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

// The contents of a symbolic link, or nothing when the path is no link.
std::optional<std::filesystem::path> linkContents(const std::filesystem::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return std::nullopt;
    std::vector<char> buffer(status.st_size > 0 ? static_cast<std::size_t>(status.st_size) + 1
                                                : 256);
    for (;;) {
        const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0) return std::nullopt;
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::filesystem::path(std::string(buffer.data(), static_cast<std::size_t>(length)));
        buffer.resize(buffer.size() * 2);
    }
}

// The file a save to `target` replaces: a symbolic link is followed, through any chain of
// links, to the file it names (which need not exist yet), so that the link stays a link and
// its file gets the content. Nothing for a chain that loops or runs too long.
std::optional<std::filesystem::path> fileToReplace(std::filesystem::path target) {
    for (int hops = 0; hops < 40; ++hops) {
        const std::optional<std::filesystem::path> next = linkContents(target);
        if (!next) return target;
        target = next->is_absolute() ? *next : target.parent_path() / *next;
    }
    return std::nullopt;
}

// Whether a save may put a file at `target`: only a regular file is replaced, or a name not
// taken yet. The rename would as readily put a plain file in place of a pipe or a device (as
// root, even of /dev/null), which is never what a save means. The target is only looked at,
// never opened, so a pipe cannot block the save.
bool mayReplace(const std::filesystem::path& target, struct stat& status, bool& exists) {
    exists = ::lstat(target.c_str(), &status) == 0;
    return exists ? S_ISREG(status.st_mode) : errno == ENOENT;
}

}  // namespace

bool writeFileAtomically(const std::filesystem::path& target, std::string_view content) {
    return writeFileAtomically(target, [content](const ContentSink& sink) { return sink(content); });
}

bool writeFileAtomically(const std::filesystem::path& link,
                         const std::function<bool(const ContentSink&)>& produce) {
    const std::optional<std::filesystem::path> resolved = fileToReplace(link);
    if (!resolved) return false;
    const std::filesystem::path& target = *resolved;
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") return false;
    struct stat old {};
    bool replacing = false;
    if (!mayReplace(target, old, replacing)) return false;
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = target.parent_path() / ("." + name + "." + std::to_string(::getpid()) + "." +
                                            std::to_string(counter++) + ".tmp");
        // A new file is made with the mode the umask gives, as any other new file.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    // The file replaced keeps its owner where the process may give it, and its mode (set after
    // the owner, which clears the set-id bits).
    bool kept = true;
    if (replacing) {
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
            ::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Not allowed to give the file away: it stays the process's own.
        }
        kept = ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    bool written = false;
    try {
        written = kept &&
                  produce([fd](std::string_view piece) { return writeAll(fd, piece); }) &&
                  ::fsync(fd) == 0;
    } catch (...) {
        // Out of memory while making the content: the target keeps what it had.
    }
    const bool closed = ::close(fd) == 0;
    // Asked again: a long write leaves time for something else to take the name.
    struct stat now {};
    bool stillReplacing = false;
    if (!written || !closed || !mayReplace(target, now, stillReplacing) ||
        ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace nodeloom::platform
