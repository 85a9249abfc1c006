#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace nodeloom::platform {

// Writes the content beside the target and renames it over the target, so that a reader never
// sees a half-written file and a failed write leaves the old content in place. True when the
// target now holds the whole content. A target that is a symbolic link stays one: the file it
// leads to is written (made when it does not exist yet). A replaced file keeps its mode, and its
// owner where the process may set it; a new one gets the mode the umask gives. Only a regular
// file or a name not taken yet is written: a directory, a pipe, a device or a socket, named or
// led to by links, gives false and stays as it is.
[[nodiscard]] bool writeFileAtomically(const std::filesystem::path& target,
                                       std::string_view content);

// Takes one piece of content after another; false when the write failed.
using ContentSink = std::function<bool(std::string_view)>;
// The same for content made piece by piece, so that it need never be held whole: `produce`
// hands the pieces in order to the sink it is given and answers whether it made all of them.
[[nodiscard]] bool writeFileAtomically(const std::filesystem::path& target,
                                       const std::function<bool(const ContentSink&)>& produce);

}  // namespace nodeloom::platform
