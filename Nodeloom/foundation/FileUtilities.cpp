#include "Nodeloom/foundation/FileUtilities.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <system_error>

#include "Nodeloom/platform/AtomicFile.h"
#include "Nodeloom/platform/Directories.h"

namespace nodeloom {

namespace fs = std::filesystem;

template <>
std::optional<Directories> fromRaw<Directories>(int raw) {
    switch (raw) {
        case 0:
            return Directories::documents;
        case 1:
            return Directories::library;
        case 2:
            return Directories::temp;
        case 3:
            return Directories::saves;
        default:
            return std::nullopt;
    }
}

namespace {

std::string& basePath() {
    static std::string path = platform::Directories::temporaryDirectory();
    return path;
}

std::string filePath(std::string_view fileName) {
    std::string path = basePath();
    if (path.empty() || path.back() != '/') path += '/';
    path += fileName;
    return path;
}

// A name as a directory listing could give it: one path component, no parent or self link.
bool isPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t count = 0;
        char32_t value = 0;
        char32_t minimum = 0;
        if ((lead & 0xE0) == 0xC0) {
            count = 2;
            value = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            count = 3;
            value = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            count = 4;
            value = lead & 0x07;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (i + count > text.size()) return false;
        for (std::size_t k = 1; k < count; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            value = (value << 6) | (next & 0x3F);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += count;
    }
    return true;
}

std::string readWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::string();
    std::string content;
    char buffer[64 * 1024];
    bool failed = false;
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            failed = true;
            break;
        }
        if (count == 0) break;
        content.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(fd);
    if (failed || !isValidUtf8(content)) return std::string();
    return content;
}

}  // namespace

std::string FileUtilities::getDirectoryPath() {
    return basePath();
}

void FileUtilities::chageDirectory(Directories directory) {
    switch (directory) {
        case Directories::documents:
            basePath() = platform::Directories::documentsDirectory();
            return;
        case Directories::library:
            basePath() = platform::Directories::libraryDirectory();
            return;
        case Directories::temp:
            basePath() = platform::Directories::temporaryDirectory();
            return;
        case Directories::saves: {
            std::string saves = platform::Directories::documentsDirectory();
            if (saves.empty() || saves.back() != '/') saves += '/';
            saves += "Saves";
            std::error_code error;
            fs::create_directories(saves, error);
            basePath() = fs::is_directory(saves, error)
                             ? saves
                             : platform::Directories::temporaryDirectory();
            return;
        }
    }
}

void FileUtilities::createFile(std::string_view fileName, std::string_view fileContent) {
    if (fileName.empty() || fileName.find('\0') != std::string_view::npos) return;
    createFile(fs::path(filePath(fileName)), fileContent);
}

void FileUtilities::createFile(const std::string& fileName, std::string_view fileContent) {
    createFile(std::string_view(fileName), fileContent);
}

void FileUtilities::createFile(const char* fileName, std::string_view fileContent) {
    if (fileName != nullptr) createFile(std::string_view(fileName), fileContent);
}

void FileUtilities::createFile(const fs::path& url, std::string_view fileContent) {
    // The helpers report nothing; a failed write leaves any earlier file whole.
    static_cast<void>(platform::writeFileAtomically(url, fileContent));
}

std::vector<std::string> FileUtilities::enumerateTempDirectory() {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator entries(basePath(), error);
    if (error) return {};
    for (const fs::directory_iterator end; entries != end; entries.increment(error)) {
        if (error) return {};
        names.push_back(entries->path().filename().string());
    }
    if (error) return {};
    return names;
}

bool FileUtilities::isFileExists(std::string_view fileName) {
    if (!isPlainName(fileName)) return false;
    // Most questions are answered by one lookup; only a hit is confirmed against the listing,
    // since a case-folding file system also finds a name spelt in other letter case.
    std::error_code error;
    const fs::file_status status = fs::symlink_status(filePath(fileName), error);
    if (status.type() == fs::file_type::not_found) return false;
    const std::vector<std::string> names = enumerateTempDirectory();
    return std::find(names.begin(), names.end(), fileName) != names.end();
}

std::string FileUtilities::readFileContent(std::string_view fileName) {
    if (!isFileExists(fileName)) return std::string();
    return readWholeFile(filePath(fileName));
}

void FileUtilities::deleteFile(std::string_view fileName) {
    if (!isFileExists(fileName)) return;
    std::error_code error;
    fs::remove_all(filePath(fileName), error);
}

}  // namespace nodeloom
