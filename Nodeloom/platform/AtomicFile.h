#pragma once

#include <filesystem>
#include <string_view>

namespace nodeloom::platform {

// Writes the content beside the target and renames it over the target, so that a reader never
// sees a half-written file and a failed write leaves the old content in place. True when the
// target now holds the whole content.
[[nodiscard]] bool writeFileAtomically(const std::filesystem::path& target,
                                       std::string_view content);

}  // namespace nodeloom::platform
