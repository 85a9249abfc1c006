#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/DiagramStatic.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/GraphicsPath.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/platform/Bundle.h"
#include "Pixels.h"

using namespace nodeloom;

namespace {

std::shared_ptr<XmlElement> parseFile(const std::string& path) {
    XmlDomBuilder builder;
    if (!builder.parseFile(path)) return nullptr;
    return builder.root();
}

std::shared_ptr<XmlElement> testLibrary() {
    return parseFile(std::string(NODELOOM_TEST_DATA_DIR) + "/shape/library.xml");
}

std::shared_ptr<XmlElement> bundledLibrary() {
    return parseFile(platform::Bundle::library().pathForResource("shapes", "xml"));
}

}  // namespace

TEST(ShapeLibrary, StartsWithTheBuiltInRectOnly) {
    ShapeLibrary library;
    ASSERT_EQ(library.shapes().size(), 1u);
    const auto rect = library.shapeFromId("Rect");
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->id(), "Rect");
    GraphicsPath outline;
    for (const auto& segment : rect->outline())
        segment->addToPath(outline);
    EXPECT_EQ(outline.getPoints(), (std::vector<Point>{Point(0, 0), Point(100, 0), Point(100, 100),
                                                       Point(0, 100), Point(0, 0)}));
    EXPECT_TRUE(rect->decorations().empty() && rect->filledDecorations().empty());
    ASSERT_EQ(rect->brushes().size(), 1u);
    const auto green = std::dynamic_pointer_cast<SolidColorBrush>(rect->brushes()[0]);
    ASSERT_TRUE(green);
    EXPECT_TRUE(*green->color() == *Colors::Green());
    EXPECT_EQ(rect->linkSegmentInset(), 100.0);

    EXPECT_FALSE(library.shapeFromId("rect"));
    EXPECT_FALSE(library.shapeFromId("Ellipse"));
    EXPECT_FALSE(library.shapeFromId(""));
    // Every library has a rectangle of its own.
    EXPECT_NE(ShapeLibrary().shapeFromId("Rect"), rect);
}

TEST(ShapeLibrary, LoadingReplacesByIdKeepsTheLastAndSkipsShapesWithoutId) {
    ShapeLibrary library;
    const auto builtIn = library.shapeFromId("Rect");
    library.shapes()["Kept"] = builtIn;
    XmlContext context;
    library.loadFromXml(testLibrary(), context);

    EXPECT_EQ(library.shapes().size(), 3u);
    EXPECT_FALSE(library.shapes().count(""));
    EXPECT_EQ(library.shapeFromId("Kept"), builtIn);
    const auto rect = library.shapeFromId("Rect");
    ASSERT_TRUE(rect);
    EXPECT_NE(rect, builtIn);
    EXPECT_TRUE(rect->brushes().empty());
    const auto twice = library.shapeFromId("Twice");
    ASSERT_TRUE(twice);
    EXPECT_EQ(twice->outline().size(), 2u);

    // Reading the same file again gives the same ids with new shape objects.
    library.loadFromXml(testLibrary(), context);
    EXPECT_EQ(library.shapes().size(), 3u);
    EXPECT_NE(library.shapeFromId("Twice"), twice);

    library.loadFromXml(nullptr, context);
    EXPECT_EQ(library.shapes().size(), 3u);
}

TEST(ShapeLibrary, TheSharedLibraryServesFromIdAndCanBeReplaced) {
    const auto shared = DiagramStatic::defaultShapes();
    ASSERT_TRUE(shared);
    EXPECT_EQ(DiagramStatic::defaultShapes(), shared);
    ASSERT_TRUE(Shape::fromId("Rect"));
    EXPECT_EQ(Shape::fromId("Rect"), shared->shapeFromId("Rect"));
    EXPECT_FALSE(Shape::fromId("NoSuchShape"));

    auto other = std::make_shared<ShapeLibrary>();
    DiagramStatic::setDefaultShapes(other);
    EXPECT_EQ(Shape::fromId("Rect"), other->shapeFromId("Rect"));
    DiagramStatic::setDefaultShapes(nullptr);
    EXPECT_FALSE(DiagramStatic::defaultShapes());
    EXPECT_FALSE(Shape::fromId("Rect"));
    DiagramStatic::setDefaultShapes(shared);
}

TEST(BundledShapes, HoldTheShapesTheLibraryNamesWithEverySegmentWellFormed) {
    const auto root = bundledLibrary();
    ASSERT_TRUE(root) << "shapes.xml not found";
    ShapeLibrary library;
    XmlContext context;
    library.loadFromXml(root, context);

    for (const char* id :
         {"Rect", "Rectangle", "Ellipse", "RoundRect", "Prysm", "Arrow", "Decision", "Terminator",
          "Document", "Data", "Cylinder", "Triangle", "Hexagon", "Star"}) {
        EXPECT_TRUE(library.shapeFromId(id)) << id;
    }

    std::size_t defined = 0;
    for (const auto& element : root->children()) {
        if (!element || element->name().empty()) continue;
        ++defined;
        const auto id = element->attributes().at("id");
        const auto shape = library.shapeFromId(id);
        ASSERT_TRUE(shape) << id;
        // No segment of the file is dropped as malformed.
        EXPECT_EQ(shape->outline().size(), element->getChild("outline")->children().size()) << id;
        EXPECT_EQ(shape->brushes().size(), shape->filledDecorations().size()) << id;
        for (const auto& brush : shape->brushes())
            EXPECT_TRUE(brush) << id;
    }
    // Every shape of the file and the built-in rectangle.
    EXPECT_EQ(library.shapes().size(), defined + 1);
}

// Draws every bundled shape into a wide and a tall box, each plain and mirrored three ways, and
// checks from the pixels that each painted inside its box and nothing around it, and that the
// mirrored copies are mirror images. The picture is left in the build tree for a look.
TEST(BundledShapes, EachDrawsInsideAnyBoxAndMirrorsBothWays) {
    ShapeLibrary library;
    XmlContext context;
    library.loadFromXml(bundledLibrary(), context);
    ASSERT_GT(library.shapes().size(), 1u);

    constexpr int kLabel = 120, kGap = 14, kPen = 2, kRow = 64 + kGap;
    const Size sizes[] = {Size(96, 56), Size(40, 64)};
    const int width = kLabel + 4 * (96 + 40 + 2 * kGap);
    const int height = kGap + kRow * int(library.shapes().size());
    Pixels px(width, height);
    Canvas canvas(px.cr());
    canvas.setStrokeThickness(1);
    // Round joins keep the pen within half its width of the outline; the mitred tip of a sharp
    // corner would reach out further than the shape.
    cairo_set_line_join(px.cr(), CAIRO_LINE_JOIN_ROUND);
    const auto fill = std::make_shared<SolidColorBrush>(std::make_shared<Color>(0.75, 0.85, 0.95));

    struct Box {
        std::string id;
        Rect r;
        bool flipX, flipY;
    };
    std::vector<Box> boxes;
    for (const auto& [id, shape] : library.shapes()) {
        double x = kLabel;
        const double y = kGap + kRow * double(boxes.size() / 8);
        for (const Size& size : sizes) {
            for (int flips = 0; flips < 4; ++flips, x += size.width + kGap) {
                boxes.push_back({id, Rect(Point(x, y), size), (flips & 1) != 0, (flips & 2) != 0});
                canvas.setBrush(fill);
                shape->draw(canvas, boxes.back().r, boxes.back().flipX, boxes.back().flipY);
            }
        }
    }

    for (const Box& b : boxes) {
        const int left = int(b.r.x), top = int(b.r.y), w = int(b.r.width), h = int(b.r.height);
        int inside = 0, outside = 0;
        // Out to halfway to the next box; the pen may reach kPen beyond the box.
        for (int y = top - kGap / 2; y < top + h + kGap / 2; ++y) {
            for (int x = left - kGap / 2; x < left + w + kGap / 2; ++x) {
                const bool painted = px.alpha(x, y) > 0;
                if (x >= left && x < left + w && y >= top && y < top + h) inside += painted;
                if (x < left - kPen || x >= left + w + kPen || y < top - kPen ||
                    y >= top + h + kPen)
                    outside += painted;
            }
        }
        const std::string where = b.id + " " + b.r.toString() + " flips " +
                                  std::to_string(b.flipX) + std::to_string(b.flipY);
        EXPECT_GT(inside, w * h / 8) << where;
        EXPECT_EQ(outside, 0) << where;

        // Each run of four boxes holds the plain drawing, then flipX, flipY and both.
        const Box& plain = boxes[(&b - boxes.data()) / 4 * 4];
        int differing = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int mx = b.flipX ? w - 1 - x : x, my = b.flipY ? h - 1 - y : y;
                differing += std::abs(px.alpha(left + mx, top + my) -
                                      px.alpha(int(plain.r.x) + x, int(plain.r.y) + y)) > 96;
            }
        }
        EXPECT_LT(differing, w * h / 50) << where;
    }

    cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(sheet);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_surface(cr, cairo_get_target(px.cr()), 0, 0);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (std::size_t i = 0; i < boxes.size(); i += 8) {
        cairo_move_to(cr, 6, boxes[i].r.y + 20);
        cairo_show_text(cr, boxes[i].id.c_str());
    }
    const auto out = std::filesystem::temp_directory_path() / "nodeloom-bundled-shapes.png";
    EXPECT_EQ(cairo_surface_write_to_png(sheet, out.c_str()), CAIRO_STATUS_SUCCESS);
    cairo_destroy(cr);
    cairo_surface_destroy(sheet);
}
