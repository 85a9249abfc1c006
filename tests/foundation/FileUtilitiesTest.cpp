#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Nodeloom/foundation/FileUtilities.h"
#include "Nodeloom/platform/AtomicFile.h"
#include "Nodeloom/platform/Directories.h"

using nodeloom::Directories;
using nodeloom::FileUtilities;
namespace platform = nodeloom::platform;
namespace fs = std::filesystem;

namespace {

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

std::size_t entriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Sets the umask for the life of the object.
class Umask {
public:
    explicit Umask(mode_t mask) : old_(::umask(mask)) {}
    ~Umask() { ::umask(old_); }

private:
    mode_t old_;
};

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

// A file replaced by a save keeps its mode, whatever the umask; a new file gets the mode the
// umask gives, as any file the process makes.
TEST_F(FileUtilitiesTest, ASaveKeepsTheModeOfTheFileItReplaces) {
    const fs::path docs = root_ / "docs";
    const Umask mask(022);
    for (const mode_t mode : std::vector<mode_t>{0600, 0640, 0604, 0755, 0400}) {
        SCOPED_TRACE(mode);
        const fs::path path = docs / "kept.txt";
        std::ofstream(path) << "old";
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        ASSERT_TRUE(platform::writeFileAtomically(path, "new"));
        EXPECT_EQ(contentOf(path), "new");
        EXPECT_EQ(modeOf(path), mode);
        fs::remove(path);
    }
    for (const mode_t umask : std::vector<mode_t>{022, 077, 027}) {
        SCOPED_TRACE(umask);
        const Umask inner(umask);
        const fs::path path = docs / ("new-" + std::to_string(umask) + ".txt");
        FileUtilities::createFile(path, "fresh");
        EXPECT_EQ(contentOf(path), "fresh");
        EXPECT_EQ(modeOf(path), static_cast<mode_t>(0666 & ~umask));
    }
    EXPECT_EQ(entriesIn(docs), 3u);
}

// A save to a symbolic link writes the file the link leads to, through any chain of links and
// relative to each link's own folder, and leaves the links as they were.
TEST_F(FileUtilitiesTest, ASaveThroughALinkWritesItsFileAndKeepsTheLink) {
    const fs::path docs = root_ / "docs";
    const fs::path lib = root_ / "lib";
    std::ofstream(lib / "real.txt") << "old";
    ASSERT_EQ(::chmod((lib / "real.txt").c_str(), 0600), 0);
    fs::create_symlink("../lib/real.txt", docs / "relative.txt");
    fs::create_symlink(docs / "relative.txt", root_ / "tmp" / "chained.txt");

    ASSERT_TRUE(platform::writeFileAtomically(docs / "relative.txt", "first"));
    EXPECT_TRUE(fs::is_symlink(docs / "relative.txt"));
    EXPECT_EQ(contentOf(lib / "real.txt"), "first");
    EXPECT_EQ(modeOf(lib / "real.txt"), 0600u);

    FileUtilities::createFile(root_ / "tmp" / "chained.txt", "second");
    EXPECT_TRUE(fs::is_symlink(root_ / "tmp" / "chained.txt"));
    EXPECT_TRUE(fs::is_symlink(docs / "relative.txt"));
    EXPECT_EQ(contentOf(lib / "real.txt"), "second");
    EXPECT_EQ(modeOf(lib / "real.txt"), 0600u);

    // A dangling link makes the file it names.
    const Umask mask(022);
    fs::create_symlink("made.txt", docs / "dangling.txt");
    ASSERT_TRUE(platform::writeFileAtomically(docs / "dangling.txt", "made"));
    EXPECT_TRUE(fs::is_symlink(docs / "dangling.txt"));
    EXPECT_EQ(contentOf(docs / "made.txt"), "made");
    EXPECT_EQ(modeOf(docs / "made.txt"), 0644u);

    // Links that lead round in a circle lead to no file: nothing is written.
    fs::create_symlink("round-b.txt", docs / "round-a.txt");
    fs::create_symlink("round-a.txt", docs / "round-b.txt");
    EXPECT_FALSE(platform::writeFileAtomically(docs / "round-a.txt", "lost"));
    EXPECT_TRUE(fs::is_symlink(docs / "round-a.txt"));

    // No temporary file is left anywhere.
    EXPECT_EQ(entriesIn(docs), 5u);
    EXPECT_EQ(entriesIn(lib), 1u);
    EXPECT_EQ(entriesIn(root_ / "tmp"), 1u);
}

// Only a regular file is replaced, or a name not taken yet: a pipe, a device or a directory,
// named or led to by a link, stays as it is and the save answers false. A pipe is never opened,
// which would block the save.
TEST_F(FileUtilitiesTest, ASaveReplacesNothingButARegularFile) {
    const fs::path docs = root_ / "docs";
    ASSERT_EQ(::mkfifo((docs / "pipe").c_str(), 0644), 0);
    fs::create_symlink("pipe", docs / "to-pipe");
    fs::create_directories(docs / "folder");
    fs::create_symlink("folder", docs / "to-folder");
    for (const char* name : {"pipe", "to-pipe", "folder", "to-folder"}) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(platform::writeFileAtomically(docs / name, "lost"));
    }
    FileUtilities::chageDirectory(Directories::documents);
    FileUtilities::createFile("pipe", "lost");
    FileUtilities::createFile(docs / "to-folder", "lost");
    EXPECT_TRUE(fs::is_fifo(docs / "pipe"));
    EXPECT_TRUE(fs::is_symlink(docs / "to-pipe"));
    EXPECT_TRUE(fs::is_directory(docs / "folder"));
    EXPECT_TRUE(fs::is_symlink(docs / "to-folder"));
    EXPECT_EQ(entriesIn(docs / "folder"), 0u);

    // A device, made here where the process may make one, then the one every system has.
    const bool madeDevice = ::mknod((docs / "null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
    if (madeDevice) {
        ASSERT_FALSE(platform::writeFileAtomically(docs / "null", "lost"));
        EXPECT_TRUE(fs::is_character_file(docs / "null"));
    }
    EXPECT_FALSE(platform::writeFileAtomically("/dev/null", "lost"));
    FileUtilities::createFile(fs::path("/dev/null"), "lost");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(entriesIn(docs), madeDevice ? 5u : 4u);

    // A missing name in the same folder is made.
    ASSERT_TRUE(platform::writeFileAtomically(docs / "new.txt", "made"));
    EXPECT_EQ(contentOf(docs / "new.txt"), "made");
}

// A save replaces the file's own name: the file's other hard links keep the old text, and a
// read-only file is replaced where its folder allows.
TEST_F(FileUtilitiesTest, ASaveLeavesTheOtherHardLinksWithTheOldText) {
    const fs::path docs = root_ / "docs";
    std::ofstream(docs / "saved.txt") << "old";
    ASSERT_EQ(::chmod((docs / "saved.txt").c_str(), 0444), 0);
    fs::create_hard_link(docs / "saved.txt", root_ / "lib" / "other.txt");
    ASSERT_TRUE(platform::writeFileAtomically(docs / "saved.txt", "new"));
    EXPECT_EQ(contentOf(docs / "saved.txt"), "new");
    EXPECT_EQ(modeOf(docs / "saved.txt"), 0444u);
    EXPECT_EQ(contentOf(root_ / "lib" / "other.txt"), "old");
    EXPECT_EQ(fs::hard_link_count(docs / "saved.txt"), 1u);
}

// A save that fails leaves the file, its mode and a link to it as they were.
TEST_F(FileUtilitiesTest, AFailedSaveLeavesTheOldFileWhole) {
    const fs::path docs = root_ / "docs";
    std::ofstream(docs / "whole.txt") << "old content";
    ASSERT_EQ(::chmod((docs / "whole.txt").c_str(), 0640), 0);
    fs::create_symlink("whole.txt", docs / "link.txt");
    for (const fs::path& path : {docs / "whole.txt", docs / "link.txt"}) {
        EXPECT_FALSE(platform::writeFileAtomically(path, [](const platform::ContentSink& sink) {
            return sink("partial") && false;
        }));
        EXPECT_EQ(contentOf(docs / "whole.txt"), "old content");
        EXPECT_EQ(modeOf(docs / "whole.txt"), 0640u);
        EXPECT_TRUE(fs::is_symlink(docs / "link.txt"));
    }
    EXPECT_EQ(entriesIn(docs), 2u);
}
