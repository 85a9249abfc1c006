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
    return std::dynamic_pointer_cast<ContainerNode>(d.nodes().at(index));
}

void replace(std::string& text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

}  // namespace

TEST(ContainerXml, NestedAndFoldedContainersComeBackAsTheyWentOut) {
    auto d = std::make_shared<Diagram>();
    auto outer = container(d, Rect(0, 0, 200, 150));
    auto folded = container(d, Rect(20, 20, 80, 80));
    auto open = container(d, Rect(110, 20, 80, 80));
    auto hidden = shape(d, Rect(30, 40, 20, 20));
    auto shown = shape(d, Rect(120, 40, 20, 20));
    auto outside = shape(d, Rect(300, 40, 20, 20));
    outer->add(folded);
    outer->add(open);
    folded->add(hidden);
    open->add(shown);
    outer->setText("Outer");
    outer->setCaptionHeight(7.5);
    open->setMargin(4);
    open->setClipChildren(false);
    link(d, hidden, shown);
    link(d, hidden, outside);
    link(d, shown, outside);
    folded->setFolded(true);

    const std::string first = d->saveToXmlString();
    auto again = loaded(first);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->saveToXmlString(), first);
    auto third = loaded(again->saveToXmlString());
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->saveToXmlString(), first);

    // Read back: the settings, but neither membership nor the fold.
    const auto outerRead = containerAt(*again, 0);
    const auto foldedRead = containerAt(*again, 1);
    const auto openRead = containerAt(*again, 2);
    ASSERT_TRUE(outerRead && foldedRead && openRead);
    EXPECT_EQ(outerRead->text(), "Outer");
    EXPECT_EQ(outerRead->captionHeight(), 7.5);
    EXPECT_EQ(openRead->margin(), 4);
    EXPECT_FALSE(openRead->clipChildren());
    EXPECT_TRUE(outerRead->children().empty());
    EXPECT_EQ(again->nodes().at(3)->container(), nullptr);
    EXPECT_FALSE(foldedRead->folded());
    EXPECT_EQ(foldedRead->bounds(), Rect(20, 20, 50, 5));
    EXPECT_EQ(foldedRead->unfoldedSize(), Size(100, 100));
}

TEST(ContainerXml, OlderContentReadsWithTheLoadDefaults) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(0, 0, 100, 80));
    c->setMargin(6);
    std::string text = d->saveToXmlString();
    replace(text, "<CaptionHeight>5.0</CaptionHeight>", "");
    replace(text, "<Text/>", "<Caption>Old caption</Caption>");

    auto read = loaded(text);
    ASSERT_NE(read, nullptr);
    const auto back = containerAt(*read, 0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->captionHeight(), 0.0);
    EXPECT_EQ(back->text(), "Old caption");
    EXPECT_EQ(back->margin(), 6.0);
    EXPECT_NE(back->folder(), nullptr);
}
