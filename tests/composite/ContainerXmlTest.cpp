#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "CompositeTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;
namespace fs = std::filesystem;

namespace {

// Loads the text into a new document through a scratch file.
std::shared_ptr<Diagram> loaded(const std::string& text) {
    const fs::path file =
        fs::temp_directory_path() / ("nodeloom-container-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(file) << text;
    auto d = std::make_shared<Diagram>();
    const bool ok = d->loadFromXml(file);
    fs::remove(file);
    return ok ? d : nullptr;
}

std::shared_ptr<ContainerNode> containerAt(const Diagram& d, std::size_t index) {
    return std::dynamic_pointer_cast<ContainerNode>(d.nodes()[index]);
}

}  // namespace

TEST(ContainerXml, NestedAndFoldedContainersComeBackAsTheyWentOut) {
    auto d = std::make_shared<Diagram>();
    auto outer = container(d, Rect(0, 0, 200, 150));
    auto folded = container(d, Rect(20, 20, 80, 80));
    auto open = container(d, Rect(110, 20, 80, 80));
    auto hidden = shape(d, Rect(30, 40, 20, 20));
    auto shown = shape(d, Rect(120, 40, 20, 20));
    outer->add(folded);
    outer->add(open);
    folded->add(hidden);
    open->add(shown);
    outer->setCaptionHeight(7.5);
    open->setMargin(4);
    link(d, hidden, shown);
    link(d, hidden, shape(d, Rect(300, 40, 20, 20)));
    folded->setFolded(true);

    const std::string first = d->saveToXmlString();
    auto again = loaded(first);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->saveToXmlString(), first);

    // Read back: the settings, but neither membership nor the fold.
    ASSERT_TRUE(containerAt(*again, 0) && containerAt(*again, 1) && containerAt(*again, 2));
    EXPECT_EQ(containerAt(*again, 0)->captionHeight(), 7.5);
    EXPECT_EQ(containerAt(*again, 2)->margin(), 4);
    EXPECT_TRUE(containerAt(*again, 0)->children().empty());
    EXPECT_FALSE(containerAt(*again, 1)->folded());
    EXPECT_EQ(containerAt(*again, 1)->bounds(), Rect(20, 20, 50, 5));
    EXPECT_EQ(containerAt(*again, 1)->unfoldedSize(), Size(100, 100));
}

TEST(ContainerXml, OlderContentReadsWithTheLoadDefaults) {
    auto d = std::make_shared<Diagram>();
    container(d, Rect(0, 0, 100, 80));
    std::string text = d->saveToXmlString();
    const std::string caption = "<CaptionHeight>5.0</CaptionHeight>";
    text.replace(text.find(caption), caption.size(), "");
    text.replace(text.find("<Text/>"), 7, "<Caption>Old caption</Caption>");

    auto read = loaded(text);
    ASSERT_NE(read, nullptr);
    ASSERT_NE(containerAt(*read, 0), nullptr);
    EXPECT_EQ(containerAt(*read, 0)->captionHeight(), 0.0);
    EXPECT_EQ(containerAt(*read, 0)->text(), "Old caption");
}
