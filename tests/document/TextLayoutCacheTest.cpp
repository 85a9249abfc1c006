#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"
#include "Nodeloom/platform/TextEngine.h"

using namespace nodeloom;

// Texts are laid out once per change: a redraw of an unchanged document lays out nothing, and
// what it draws is what a document drawn for the first time draws.
namespace {

namespace fs = std::filesystem;

struct Picture {
    std::shared_ptr<Diagram> d = std::make_shared<Diagram>();
    std::shared_ptr<ShapeNode> node = std::make_shared<ShapeNode>();
    std::shared_ptr<DiagramLink> link = std::make_shared<DiagramLink>();
    std::shared_ptr<LinkLabel> label;

    explicit Picture(const std::string& nodeText) {
        d->setBounds(Rect(0, 0, 80, 60));
        node->setBounds(Rect(5, 5, 40, 20));
        node->setText(nodeText);
        d->addItem(node);
        link->setControlPoints({Point(5, 45), Point(75, 45)});
        link->setText("link text");
        d->addItem(link);
        label = std::make_shared<LinkLabel>(link, "label");
        link->addLabel(label);
    }

    // The document as PNG bytes, and how many texts drawing it laid out.
    std::string draw(std::uint64_t* layouts = nullptr) {
        auto& engine = platform::TextEngine::shared();
        const std::uint64_t before = engine.layoutCount();
        const fs::path path = fs::temp_directory_path() /
                              ("nodeloom-text-cache-" + std::to_string(::getpid()) + ".png");
        EXPECT_TRUE(d->exportImage(path, "public.png"));
        if (layouts) *layouts = engine.layoutCount() - before;
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        fs::remove(path);
        return bytes;
    }
};

}  // namespace

TEST(TextLayoutCache, ARedrawLaysOutNothingAndDrawsTheSame) {
    Picture picture("first");
    std::uint64_t first = 0, again = 0;
    const std::string drawn = picture.draw(&first);
    EXPECT_GE(first, 3u);
    EXPECT_EQ(picture.draw(&again), drawn);
    EXPECT_EQ(again, 0u);
}

TEST(TextLayoutCache, AChangedTextIsLaidOutOnceAndDrawnAsNew) {
    Picture picture("first");
    (void)picture.draw();
    picture.node->setText("second");
    std::uint64_t layouts = 0;
    const std::string changed = picture.draw(&layouts);
    EXPECT_EQ(layouts, 1u);
    EXPECT_EQ(changed, Picture("second").draw());

    // A label's text is measured for its place in the layout it is then drawn from.
    picture.label->setText("other label");
    EXPECT_EQ(picture.draw(&layouts), [] {
        Picture fresh("second");
        fresh.label->setText("other label");
        return fresh.draw();
    }());
    EXPECT_EQ(layouts, 1u);

    // A new font size lays the text out again, and so does going back to the earlier one.
    const std::string withLabel = picture.draw();
    picture.node->setFontSize(12);
    EXPECT_NE(picture.draw(&layouts), withLabel);
    EXPECT_EQ(layouts, 1u);
    picture.node->setFontSize(-1);
    EXPECT_EQ(picture.draw(&layouts), withLabel);
    EXPECT_EQ(layouts, 1u);
}
