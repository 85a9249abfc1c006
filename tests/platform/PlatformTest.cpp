#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/platform/Directories.h"

using nodeloom::platform::Bundle;
using nodeloom::platform::Directories;

namespace {

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace

TEST(Bundle, FindsResourcesByNameAndTypeInTheChosenFolder) {
    const std::string folder = std::string(NODELOOM_TEST_DATA_DIR) + "/xml/resources";
    ScopedEnvironment resources("NODELOOM_RESOURCES", folder.c_str());
    EXPECT_EQ(Bundle::library().pathForResource("shapes", "xml"), folder + "/shapes.xml");
    EXPECT_EQ(Bundle::library().pathForResource("shapes.xml", ""), folder + "/shapes.xml");
    EXPECT_EQ(Bundle::library().pathForResource("shapes", "png"), "");
    EXPECT_EQ(Bundle::library().pathForResource("", "xml"), "");
    EXPECT_EQ(Bundle::library().pathForResource("../resources/shapes", "xml"), "");
    EXPECT_EQ(Bundle::library().pathForResource("..", ""), "");

    // The application's bundle is the program's own directory unless the host names one.
    EXPECT_NE(Bundle::main(), Bundle::library());
    EXPECT_NE(Bundle::main().pathForResource("test_platform", ""), "");
    EXPECT_EQ(Bundle::main().pathForResource("shapes", "xml"), "");
    Bundle::setMainDirectory(folder);
    EXPECT_EQ(Bundle::main().pathForResource("shapes", "xml"), folder + "/shapes.xml");
    Bundle::setMainDirectory("");
    EXPECT_EQ(Bundle::main().pathForResource("shapes", "xml"), "");
}

TEST(Directories, FollowTheEnvironmentUnlessRedirected) {
    ScopedEnvironment home("HOME", "/home/someone/");
    ScopedEnvironment data("XDG_DATA_HOME", nullptr);
    ScopedEnvironment temp("TMPDIR", "relative");
    EXPECT_EQ(Directories::documentsDirectory(), "/home/someone/Documents");
    EXPECT_EQ(Directories::libraryDirectory(), "/home/someone/.local/share");
    EXPECT_EQ(Directories::temporaryDirectory(), "/tmp/");

    Directories::setDocumentsDirectory("/elsewhere/docs/");
    Directories::setTemporaryDirectory("/elsewhere/tmp");
    EXPECT_EQ(Directories::documentsDirectory(), "/elsewhere/docs");
    EXPECT_EQ(Directories::temporaryDirectory(), "/elsewhere/tmp/");
    Directories::setDocumentsDirectory("");
    Directories::setTemporaryDirectory("");
    EXPECT_EQ(Directories::documentsDirectory(), "/home/someone/Documents");
}
