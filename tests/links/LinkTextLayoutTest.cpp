#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/TextEngine.h"

using namespace nodeloom;

// A label's text (and a link's own) is laid out once per change: measuring it for its place
// keeps the layout that drawing it then uses. What is drawn is what a new document with the same
// content draws.
namespace {

using Change = std::function<void(DiagramLink&, LinkLabel&)>;

struct Scene {
    std::shared_ptr<Diagram> d = std::make_shared<Diagram>();
    std::shared_ptr<DiagramLink> link = std::make_shared<DiagramLink>();
    std::shared_ptr<LinkLabel> label;

    explicit Scene(const Change& setup = nullptr) {
        d->setBounds(Rect(0, 0, 90, 60));
        auto node = std::make_shared<ShapeNode>();
        node->setBounds(Rect(30, 10, 20, 15));
        d->addItem(node);
        link->setControlPoints({Point(5, 30), Point(85, 30)});
        link->setText("link");
        d->addItem(link);
        label = std::make_shared<LinkLabel>(link, "label");
        label->setAutoArrange(true);
        link->addLabel(label);
        if (setup) setup(*link, *label);
    }

    // Places the labels and draws the document; its pixels, and how many layouts that took.
    std::vector<std::uint8_t> draw(std::uint64_t* layouts = nullptr) {
        auto& engine = platform::TextEngine::shared();
        const std::uint64_t before = engine.layoutCount();
        d->arrangeLinkLabels(d->bounds());
        const auto image = d->createImage();
        if (layouts) *layouts = engine.layoutCount() - before;
        if (!image) return {};
        cairo_surface_t* s = image->surface();
        const unsigned char* data = cairo_image_surface_get_data(s);
        const auto size = static_cast<std::size_t>(cairo_image_surface_get_stride(s)) *
                          static_cast<std::size_t>(cairo_image_surface_get_height(s));
        return std::vector<std::uint8_t>(data, data + size);
    }
};

// Applies the change to a drawn scene: it is laid out `expected` times, drawn as a new scene
// with it draws, and drawn again without a layout.
void expectChange(Scene& scene, const Change& change, std::uint64_t expected) {
    change(*scene.link, *scene.label);
    std::uint64_t layouts = 0;
    const auto changed = scene.draw(&layouts);
    EXPECT_EQ(layouts, expected);
    EXPECT_FALSE(changed.empty());
    EXPECT_TRUE(changed == Scene(change).draw());
    EXPECT_TRUE(scene.draw(&layouts) == changed);
    EXPECT_EQ(layouts, 0u);
}

}  // namespace

TEST(LinkTextLayout, ALabelIsLaidOutOncePerChangeOfTextFontOrWidth) {
    Scene scene;
    (void)scene.draw();
    const Change text = [](DiagramLink&, LinkLabel& l) { l.setText("a longer label\nin two lines"); };
    expectChange(scene, text, 1);

    const Change font = [text](DiagramLink& k, LinkLabel& l) {
        text(k, l);
        l.setFontSize(9);
        l.setFontBold(true);
    };
    expectChange(scene, font, 1);

    // A wrapping width the text fits in.
    const Change wide = [font](DiagramLink& k, LinkLabel& l) {
        font(k, l);
        l.setEnableWrap(true);
        l.setMaxWidth(70);
    };
    expectChange(scene, wide, 1);

    // Underlining changes no measure: only the drawing lays the text out again.
    const Change underlined = [wide](DiagramLink& k, LinkLabel& l) {
        wide(k, l);
        l.setFontUnderline(true);
    };
    expectChange(scene, underlined, 1);

    // A width that wraps it: the lines break where a new document breaks them.
    const Change narrow = [underlined](DiagramLink& k, LinkLabel& l) {
        underlined(k, l);
        l.setMaxWidth(15);
    };
    narrow(*scene.link, *scene.label);
    std::uint64_t layouts = 0;
    EXPECT_TRUE(scene.draw(&layouts) == Scene(narrow).draw());
    EXPECT_GE(layouts, 1u);
    EXPECT_LE(layouts, 2u);
    (void)scene.draw(&layouts);
    EXPECT_EQ(layouts, 0u);
}

TEST(LinkTextLayout, AHitTestMeasuresTheLabelForTheNextDraw) {
    Scene scene;
    (void)scene.draw();
    scene.label->setAutoArrange(false);
    const auto before = platform::TextEngine::shared().layoutCount();
    scene.label->setText("hit me");
    const auto rect = scene.label->getLayoutRect();
    ASSERT_TRUE(rect);
    EXPECT_EQ(scene.link->labelFromPoint(rect->center()), scene.label);
    (void)scene.draw();
    EXPECT_EQ(platform::TextEngine::shared().layoutCount() - before, 1u);
}

TEST(LinkTextLayout, ALinkTextIsLaidOutOncePerChange) {
    Scene scene;
    (void)scene.draw();
    const Change text = [](DiagramLink& k, LinkLabel&) { k.setText("another link text"); };
    expectChange(scene, text, 1);
    const Change font = [text](DiagramLink& k, LinkLabel& l) {
        text(k, l);
        k.setFontSize(5);
    };
    expectChange(scene, font, 1);

    // Longer than the link, so wrapped at its length: drawn as a new document draws it.
    const Change wrapped = [font](DiagramLink& k, LinkLabel& l) {
        font(k, l);
        k.setText("a link text much longer than the link that carries it, wrapped");
    };
    wrapped(*scene.link, *scene.label);
    std::uint64_t layouts = 0;
    EXPECT_TRUE(scene.draw(&layouts) == Scene(wrapped).draw());
    EXPECT_LE(layouts, 2u);
    (void)scene.draw(&layouts);
    EXPECT_EQ(layouts, 0u);
}
