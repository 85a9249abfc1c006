#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Nodeloom/foundation/RawValue.h"

namespace nodeloom {

// The folders that FileUtilities can work in.
enum class Directories { documents = 0, library = 1, temp = 2, saves = 3 };

template <>
std::optional<Directories> fromRaw<Directories>(int raw);

// Plain UTF-8 text files in one current base directory, for the host application. The base
// directory starts as the temporary directory and lasts for the process. No operation reports
// an error: a failed write leaves no trace, an unreadable file reads as the empty string.
class FileUtilities {
public:
    FileUtilities() = delete;

    static std::string getDirectoryPath();
    // "saves" is the folder Saves in the documents directory, created on demand; when it cannot
    // be created the temporary directory is used instead.
    static void chageDirectory(Directories directory);

    // Writes the content atomically to the named file in the base directory, creating or
    // replacing it.
    static void createFile(std::string_view fileName, std::string_view fileContent);
    static void createFile(const std::string& fileName, std::string_view fileContent);
    static void createFile(const char* fileName, std::string_view fileContent);
    // The same, to a file anywhere.
    static void createFile(const std::filesystem::path& url, std::string_view fileContent);

    // The names of the entries of the base directory.
    static std::vector<std::string> enumerateTempDirectory();
    // Whether the base directory has an entry of exactly this name.
    static bool isFileExists(std::string_view fileName);
    static std::string readFileContent(std::string_view fileName);
    static void deleteFile(std::string_view fileName);
};

}  // namespace nodeloom
