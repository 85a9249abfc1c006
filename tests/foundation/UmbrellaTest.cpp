#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Nodeloom/Nodeloom.h"

// The umbrella header must name every public header, so that an application that includes it
// sees the whole library.
TEST(Umbrella, IncludesEveryPublicHeader) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(NODELOOM_TEST_DATA_DIR).parent_path().parent_path();
    std::ifstream in(root / "Nodeloom" / "Nodeloom.h");
    std::stringstream text;
    text << in.rdbuf();
    const std::string umbrella = text.str();
    ASSERT_FALSE(umbrella.empty());
    for (const auto& entry : fs::recursive_directory_iterator(root / "Nodeloom")) {
        if (entry.path().extension() != ".h" || entry.path().filename() == "Nodeloom.h") continue;
        const std::string rel = fs::relative(entry.path(), root).generic_string();
        EXPECT_NE(umbrella.find("#include \"" + rel + "\""), std::string::npos) << rel;
    }
}
