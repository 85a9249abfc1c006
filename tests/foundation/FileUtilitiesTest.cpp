#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Nodeloom/foundation/FileUtilities.h"
#include "Nodeloom/platform/Directories.h"

using nodeloom::Directories;
using nodeloom::FileUtilities;
namespace platform = nodeloom::platform;
namespace fs = std::filesystem;

namespace {

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Points the standard directories into a fresh folder, so that no test writes into the real
// home directory.
class FileUtilitiesTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("nodeloom-files-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        for (const char* sub : {"tmp", "docs", "lib"})
            fs::create_directories(root_ / sub);
        platform::Directories::setTemporaryDirectory((root_ / "tmp").string());
        platform::Directories::setDocumentsDirectory((root_ / "docs").string());
        platform::Directories::setLibraryDirectory((root_ / "lib").string());
    }
    void TearDown() override {
        FileUtilities::chageDirectory(Directories::temp);
        platform::Directories::setTemporaryDirectory("");
        platform::Directories::setDocumentsDirectory("");
        platform::Directories::setLibraryDirectory("");
        fs::remove_all(root_);
    }
    fs::path root_;
};

}  // namespace

// The helpers start in the temporary directory, as a process that has not used them yet shows:
// the checks run in a fresh copy of the test program.
TEST_F(FileUtilitiesTest, StartsInTheTemporaryDirectory) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool fresh = FileUtilities::getDirectoryPath() == (root_ / "tmp").string() + "/";
            FileUtilities::createFile("a.txt", "alpha");
            const bool written = contentOf(root_ / "tmp" / "a.txt") == "alpha";
            fs::remove_all(root_);
            std::exit(fresh && written ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(FileUtilitiesTest, ChangesBetweenTheStandardDirectories) {
    FileUtilities::chageDirectory(Directories::documents);
    EXPECT_EQ(FileUtilities::getDirectoryPath(), (root_ / "docs").string());
    FileUtilities::createFile(std::string("d.txt"), "doc");
    EXPECT_EQ(contentOf(root_ / "docs" / "d.txt"), "doc");
    EXPECT_TRUE(FileUtilities::isFileExists("d.txt"));

    FileUtilities::chageDirectory(Directories::library);
    EXPECT_EQ(FileUtilities::getDirectoryPath(), (root_ / "lib").string());
    EXPECT_FALSE(FileUtilities::isFileExists("d.txt"));

    FileUtilities::chageDirectory(Directories::saves);
    EXPECT_EQ(FileUtilities::getDirectoryPath(), (root_ / "docs" / "Saves").string());
    EXPECT_TRUE(fs::is_directory(root_ / "docs" / "Saves"));

    // A Saves folder that cannot be made falls back to the temporary directory.
    platform::Directories::setDocumentsDirectory((root_ / "docs" / "d.txt").string());
    FileUtilities::chageDirectory(Directories::saves);
    EXPECT_EQ(FileUtilities::getDirectoryPath(), (root_ / "tmp").string() + "/");
}

TEST_F(FileUtilitiesTest, ReadsListsAndDeletesByExactName) {
    FileUtilities::chageDirectory(Directories::temp);
    FileUtilities::createFile("Notes.txt", "first \u00E9");
    FileUtilities::createFile("Notes.txt", "second \u00E9");
    fs::create_directories(root_ / "tmp" / "sub");
    std::ofstream(root_ / "tmp" / "sub" / "inner.txt") << "x";

    auto names = FileUtilities::enumerateTempDirectory();
    std::sort(names.begin(), names.end());
    // Replacing a file leaves no temporary file behind.
    EXPECT_EQ(names, (std::vector<std::string>{"Notes.txt", "sub"}));

    EXPECT_EQ(FileUtilities::readFileContent("Notes.txt"), "second \u00E9");
    EXPECT_FALSE(FileUtilities::isFileExists("notes.txt"));
    EXPECT_FALSE(FileUtilities::isFileExists("sub/inner.txt"));
    EXPECT_FALSE(FileUtilities::isFileExists(""));
    EXPECT_FALSE(FileUtilities::isFileExists(".."));
    EXPECT_EQ(FileUtilities::readFileContent("sub/inner.txt"), "");
    EXPECT_EQ(FileUtilities::readFileContent("missing.txt"), "");

    FileUtilities::deleteFile("notes.txt");
    FileUtilities::deleteFile("sub/inner.txt");
    EXPECT_TRUE(fs::exists(root_ / "tmp" / "Notes.txt"));
    EXPECT_TRUE(fs::exists(root_ / "tmp" / "sub" / "inner.txt"));
    FileUtilities::deleteFile("Notes.txt");
    EXPECT_FALSE(fs::exists(root_ / "tmp" / "Notes.txt"));
}

TEST_F(FileUtilitiesTest, FailuresGiveEmptyResults) {
    FileUtilities::chageDirectory(Directories::temp);
    std::ofstream(root_ / "tmp" / "bad.txt", std::ios::binary) << "ok\xFF\xFE";
    EXPECT_EQ(FileUtilities::readFileContent("bad.txt"), "");
    EXPECT_EQ(FileUtilities::readFileContent("."), "");

    // A base directory that is gone lists nothing and writes nothing.
    FileUtilities::chageDirectory(Directories::library);
    fs::remove_all(root_ / "lib");
    FileUtilities::createFile("x.txt", "x");
    EXPECT_TRUE(FileUtilities::enumerateTempDirectory().empty());
    EXPECT_FALSE(FileUtilities::isFileExists("x.txt"));
    EXPECT_FALSE(fs::exists(root_ / "lib"));
}

TEST_F(FileUtilitiesTest, WritesToAnyUrl) {
    FileUtilities::createFile(root_ / "docs" / "any.txt", "anywhere");
    EXPECT_EQ(contentOf(root_ / "docs" / "any.txt"), "anywhere");
}
