#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/ShapeLibrary.h"

namespace nodeloom {
namespace {

namespace fs = std::filesystem;

// A folder of its own, named after the test and the process.
fs::path scratchFolder() {
    const fs::path folder = fs::temp_directory_path() /
                            ("nodeloom-failures-" + std::to_string(::getpid()) + "-" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder);
    return folder;
}

// A new document reads the bundled shape library into the shared one; a file cut short there
// changes nothing, where it once replaced the shapes it held before the cut. The shared library
// and the resource folder are process-wide, so the checks run in a fresh copy of the program.
TEST(FailureResult, AShapeLibraryCutShortLeavesTheSharedOneAsItWas) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const fs::path folder = scratchFolder();
            std::ofstream(folder / "shapes.xml")
                << "<shapes><shape id=\"Rect\"><outline>"
                   "<line><point x=\"0\" y=\"0\"/><point x=\"50\" y=\"0\"/></line>"
                   "</outline></shape><shape id=\"Half\"><outline>";
            ::setenv("NODELOOM_RESOURCES", folder.c_str(), 1);
            const auto library = Diagram::defaultShapes();
            const auto rect = library->shapeFromId("Rect");
            const std::size_t count = library->shapes().size();
            auto d = std::make_shared<Diagram>();
            const bool kept = Diagram::defaultShapes() == library &&
                              library->shapeFromId("Rect") == rect &&
                              library->shapes().size() == count;
            fs::remove_all(folder);
            std::exit(kept && rect ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// A resource is named, never reached through a path: a name with a "/" or without a type is
// refused even when a file of that name lies below the resource folder.
TEST(FailureResult, AResourceNameWithAPathOrWithoutATypeIsRefused) {
    const fs::path folder = scratchFolder();
    fs::create_directories(folder / "sub");
    const std::string text =
        "<Diagram Version=\"16\"><Nodes/><Links/><Properties><Bounds>0, 0, 10, 10</Bounds>"
        "</Properties></Diagram>";
    std::ofstream(folder / "doc.xml") << text;
    std::ofstream(folder / "sub" / "doc.xml") << text;
    std::ofstream(folder / "doc") << text;

    // Resource documents are read from the application's own bundle.
    platform::Bundle::setMainDirectory((folder / "sub").string());
    auto d = std::make_shared<Diagram>();
    const bool byName = d->loadFromXml("doc.xml");
    const bool up = d->loadFromXml("../doc.xml");
    platform::Bundle::setMainDirectory(folder.string());
    const bool down = d->loadFromXml("sub/doc.xml");
    const bool dotInFolder = d->loadFromXml("sub.d/doc");
    const bool noType = d->loadFromXml("doc");
    platform::Bundle::setMainDirectory("");
    fs::remove_all(folder);

    EXPECT_TRUE(byName);
    EXPECT_FALSE(up);
    EXPECT_FALSE(down);
    EXPECT_FALSE(dotInFolder);
    EXPECT_FALSE(noType);
}

}  // namespace
}  // namespace nodeloom
