#include <gtest/gtest.h>

#include <cairo.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ItemTestSupport.h"
#include "NodeTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/DiagramStatic.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/RenderOptions.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/DragState.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/items/ShapeNodeState.h"
#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "foundation/Pixels.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

std::shared_ptr<XmlElement> parseFile(const std::string& path) {
    XmlDomBuilder builder;
    if (!builder.parseFile(path)) return nullptr;
    return builder.root();
}

std::shared_ptr<XmlElement> parse(const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("nodeloom-shape-node-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path) << text;
    auto root = parseFile(path.string());
    std::filesystem::remove(path);
    return root;
}

// The bundled shapes in the shared library, as every new document will have them.
const ShapeLibrary& bundledShapes() {
    static const bool loaded = [] {
        XmlContext context;
        DiagramStatic::defaultShapes()->loadFromXml(
            parseFile(platform::Bundle::library().pathForResource("shapes", "xml")), context);
        return true;
    }();
    (void)loaded;
    return *DiagramStatic::defaultShapes();
}

// Squares of orange (1, 0.6, 0) and (0, 0.6, 0), or of pale yellow and white.
std::shared_ptr<platform::ImageSurface> checker(int size, bool pale = false) {
    auto image = platform::ImageSurface::create(size, size);
    cairo_t* cr = cairo_create(image->surface());
    for (int y = 0; y < size; y += 2)
        for (int x = 0; x < size; x += 2) {
            const bool odd = (x + y) % 4 != 0;
            if (pale)
                cairo_set_source_rgb(cr, 1, 1, odd ? 1 : 0.6);
            else
                cairo_set_source_rgb(cr, odd ? 0 : 1, 0.6, 0);
            cairo_rectangle(cr, x, y, 2, 2);
            cairo_fill(cr);
        }
    cairo_destroy(cr);
    return image;
}

bool insidePolygon(const std::vector<Point>& polygon, const Point& p) {
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point& a = polygon[i];
        const Point& b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

double distanceToPolygon(const std::vector<Point>& polygon, const Point& p) {
    double best = 1e300;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point a = polygon[j], b = polygon[i];
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double len = dx * dx + dy * dy;
        double t = len > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len : 0;
        t = std::max(0.0, std::min(1.0, t));
        best = std::min(best, std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy)));
    }
    return best;
}

std::vector<Point> corners(const Rect& r) {
    return {Point(r.x, r.y), Point(r.x + r.width, r.y), Point(r.x + r.width, r.y + r.height),
            Point(r.x, r.y + r.height)};
}

}  // namespace

TEST(ShapeNode, NewNodeHasTheLibraryRectangle) {
    ShapeNode node;
    EXPECT_EQ(node.bounds(), Rect(0, 0, 50, 50));
    ASSERT_TRUE(node.shape());
    EXPECT_EQ(node.shape()->id(), "Rect");
    EXPECT_TRUE(std::dynamic_pointer_cast<ShapeNode>(node.getClassType().getInstance()));
}

TEST(ShapeNode, OutlineIsTheShapeInTheBoundsMirroredAsAsked) {
    bundledShapes();
    auto node = std::make_shared<ShapeNode>();
    node->_setBounds(Rect(10, 20, 100, 50));
    node->setShape(Shape::fromId("RightTriangle"));
    ASSERT_TRUE(node->shape());
    const auto plain = node->getOutline();
    ASSERT_GE(plain.size(), 3u);

    node->setFlipX(true);
    const auto mirrored = node->getOutline();
    ASSERT_EQ(mirrored.size(), plain.size());
    for (std::size_t i = 0; i < plain.size(); ++i) {
        EXPECT_NEAR(mirrored[i].x, 120 - plain[i].x, 1e-9);
        EXPECT_NEAR(mirrored[i].y, plain[i].y, 1e-9);
    }
    node->setFlipY(true);
    const auto both = node->getOutline();
    for (std::size_t i = 0; i < plain.size(); ++i) {
        EXPECT_NEAR(both[i].x, 120 - plain[i].x, 1e-9);
        EXPECT_NEAR(both[i].y, 90 - plain[i].y, 1e-9);
    }
    // Rotation is applied where the outline is used, not here.
    node->setRotationAngle(30);
    EXPECT_EQ(node->getOutline(), both);
}

TEST(ShapeNode, NodeWithoutAShapeKeepsTheOutlineOfItsBounds) {
    bundledShapes();
    auto node = std::make_shared<ShapeNode>();
    node->_setBounds(Rect(0, 0, 40, 20));
    XmlContext context;
    node->loadFromXml(
        parse("<Node><Bounds>0, 0, 40, 20</Bounds><Shape Id=\"NoSuchShape\"/></Node>"), context);
    EXPECT_FALSE(node->shape());
    EXPECT_EQ(node->getOutline(), corners(Rect(0, 0, 40, 20)));
    // A link end clipped to the node lands on its border, not at its centre.
    const Point clipped = node->getIntersection(Point(20, 10), Point(100, 10));
    EXPECT_NEAR(clipped.x, 40, 1e-9);
    EXPECT_NEAR(clipped.y, 10, 1e-9);
    EXPECT_TRUE(node->intersects(Rect(-5, 5, 6, 2)));

    // An empty id or an image alignment that names no case keeps what the node had.
    node->setImageAlign(ImageAlign::tile);
    node->loadFromXml(parse("<Node><Shape Id=\"\"/><ImageAlign>16</ImageAlign></Node>"), context);
    EXPECT_FALSE(node->shape());
    EXPECT_EQ(node->imageAlign(), ImageAlign::tile);
}

TEST(ShapeNode, DrawsShapeImageAndTextTransparencyDropsOnlyTheShape) {
    auto node = std::make_shared<ShapeNode>();
    node->_setBounds(Rect(10, 10, 80, 60));
    node->setBrush(std::make_shared<SolidColorBrush>(Color::fromRGB(0, 0, 255)));
    node->setStroke(Colors::Black());
    node->setStrokeThickness(0);
    node->setImage(checker(10));
    node->setImageAlign(ImageAlign::topLeft);
    node->setText("W");
    node->setFontSize(20);
    node->setTextColor(Color::fromRGB(0, 255, 0));
    {
        Pixels px(100, 80);
        Canvas canvas(px.cr());
        node->draw(canvas, RenderOptions());
        EXPECT_EQ(px.blue(70, 20), 255);  // the fill
        // A thickness of 0 is a one-pixel line, half of it outside the fill.
        EXPECT_GT(px.alpha(9, 40), 0);
        EXPECT_EQ(px.alpha(8, 40), 0);
        // "top" placements land at the bottom of the box on the canvas.
        EXPECT_EQ(px.green(11, 68), 153);
        EXPECT_EQ(px.alpha(95, 40), 0);
    }
    node->setTransparent(true);
    {
        Pixels px(100, 80);
        Canvas canvas(px.cr());
        node->draw(canvas, RenderOptions());
        EXPECT_EQ(px.alpha(70, 20), 0);
        EXPECT_EQ(px.alpha(9, 40), 0);
        EXPECT_EQ(px.green(11, 68), 153);
        // Some of the text's green remains in the middle of the box.
        int green = 0;
        for (int y = 25; y < 55; ++y)
            for (int x = 35; x < 65; ++x)
                green += px.green(x, y) > 100 && px.blue(x, y) == 0;
        EXPECT_GT(green, 10);
    }
}

TEST(ShapeNode, ResizeToFitTextMeasuresInTheDocumentsUnit) {
    auto node = std::make_shared<ShapeNode>();
    node->_setBounds(Rect(5, 6, 50, 50));
    node->setText("A longer line of text");
    node->resizeToFitText();
    EXPECT_EQ(node->bounds(), Rect(5, 6, 50, 50));

    auto diagram = std::make_shared<Diagram>();
    diagram->attachItem(node, true);
    node->resizeToFitText();
    const Rect fitted = node->bounds();
    EXPECT_EQ(fitted.x, 5);
    EXPECT_EQ(fitted.y, 6);
    // Ten points of text in millimetres: a few millimetres high, several centimetres wide.
    EXPECT_GT(fitted.width, 20);
    EXPECT_LT(fitted.width, 100);
    EXPECT_GT(fitted.height, 2);
    EXPECT_LT(fitted.height, 10);

    node->setText("");
    node->resizeToFitText();
    EXPECT_EQ(node->bounds(), fitted);
}

TEST(ShapeNode, ResizeFlipsRelativeToTheStartOfTheDrag) {
    auto node = std::make_shared<ShapeNode>();
    node->setFlipY(true);
    DragState drag(node, nullptr);
    drag.originalStates()[node] = node->saveState();
    NodeAdjustmentHandle right(node, NodeHandleType::resizeRight);
    NodeAdjustmentHandle move(node, NodeHandleType::move);

    node->updateFlipOnResize(Rect(), Rect(0, 0, -10, 50), right, drag);
    EXPECT_FALSE(node->flipX());
    node->setAllowFlip(true);
    node->updateFlipOnResize(Rect(), Rect(0, 0, -10, 50), move, drag);
    EXPECT_FALSE(node->flipX());
    node->updateFlipOnResize(Rect(), Rect(0, 0, -10, 50), right, drag);
    EXPECT_TRUE(node->flipX());
    EXPECT_TRUE(node->flipY());
    node->updateFlipOnResize(Rect(), Rect(0, 0, -10, -1), right, drag);
    EXPECT_FALSE(node->flipY());
    // Dragging back restores the orientation the drag began with; zero is not negative.
    node->updateFlipOnResize(Rect(), Rect(0, 0, 0, 5), right, drag);
    EXPECT_FALSE(node->flipX());
    EXPECT_TRUE(node->flipY());

    // Without a saved state nothing changes.
    DragState other(node, nullptr);
    node->updateFlipOnResize(Rect(), Rect(0, 0, -10, -10), right, other);
    EXPECT_FALSE(node->flipX());
}

TEST(ShapeNodeXml, WrittenAndReadBackGivesAnEqualNode) {
    bundledShapes();
    auto node = std::make_shared<ShapeNode>();
    node->_setBounds(Rect(12, 34, 56, 78));
    node->setShape(Shape::fromId("Decision"));
    node->setImage(checker(6));
    node->setImageAlign(ImageAlign::bottomRight);
    node->setTransparent(true);
    node->setFlipX(true);
    node->setAllowFlip(true);
    node->setRotationAngle(20);
    node->setText("decide");

    XmlContext writer;
    auto root = std::make_shared<XmlElement>("Diagram");
    auto element = root->addChild("Node");
    node->saveToXml(element, writer);
    writer.writeImages(root->addChild("Resources"));
    auto read = parse(root->getXmlAsString(0));
    ASSERT_TRUE(read);
    auto shape = read->getChild("Node")->getChild("Shape");
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->attributes().at("Id"), "Decision");

    XmlContext reader;
    reader.readImages(read->getChild("Resources"));
    auto copy = std::make_shared<ShapeNode>();
    copy->loadFromXml(read->getChild("Node"), reader);
    EXPECT_EQ(copy->bounds(), node->bounds());
    EXPECT_EQ(copy->shape(), node->shape());
    EXPECT_EQ(copy->imageAlign(), ImageAlign::bottomRight);
    EXPECT_TRUE(copy->transparent());
    EXPECT_EQ(copy->rotationAngle(), 20);
    EXPECT_EQ(copy->text(), "decide");
    ASSERT_TRUE(copy->image());
    EXPECT_EQ(copy->image()->pngData(), node->image()->pngData());
    // Flips are not part of the file.
    EXPECT_FALSE(copy->flipX());
    EXPECT_FALSE(copy->allowFlip());
}

// Every shape of the bundled library, turned and mirrored, with a text and an image, drawn into
// one picture (kept in the build tree for a look), painted inside each outline and nowhere
// outside it.
TEST(ShapeNodeDrawing, EveryLibraryShapeFillsItsOutlineTurnedAndMirrored) {
    const auto& shapes = bundledShapes().shapes();
    ASSERT_GT(shapes.size(), 40u);
    constexpr int cell = 120, columns = 8;
    const int rows = static_cast<int>((shapes.size() + columns - 1) / columns);
    Pixels px(cell * columns, cell * rows);
    const auto image = checker(14, true);

    struct Drawn {
        std::string id;
        std::vector<Point> outline;  // turned, in canvas pixels
        Rect box;
        Point centre;
    };
    std::vector<Drawn> drawn;
    int index = 0;
    for (const auto& [id, shape] : shapes) {
        auto node = std::make_shared<ShapeNode>();
        const double x = (index % columns) * cell + 20, y = (index / columns) * cell + 30;
        node->_setBounds(Rect(x, y, 80, 60));
        node->setShape(shape);
        node->setRotationAngle(25.0 * (index % 4));
        node->setFlipX(index % 2 == 1);
        node->setFlipY(index % 3 == 1);
        node->setBrush(std::make_shared<SolidColorBrush>(Color::fromRGB(120, 170, 230)));
        node->setStrokeThickness(0.5);
        node->setText(id.substr(0, 3));
        node->setFontSize(8);
        node->setImage(image);
        node->setImageAlign(ImageAlign::center);
        {
            Canvas canvas(px.cr());
            node->draw(canvas, RenderOptions());
        }
        Drawn d{id, node->getOutline(), node->bounds(), node->bounds().center()};
        for (Point& p : d.outline)
            p = DiagramNode::rotatePointAt(p, d.centre, node->rotationAngle());
        drawn.push_back(d);
        ++index;
    }
    const auto png = std::filesystem::temp_directory_path() / "nodeloom-shape-nodes.png";
    EXPECT_EQ(cairo_surface_write_to_png(cairo_get_target(px.cr()), png.c_str()),
              CAIRO_STATUS_SUCCESS);

    for (std::size_t i = 0; i < drawn.size(); ++i) {
        const Drawn& d = drawn[i];
        const int cx0 = static_cast<int>(i % columns) * cell;
        const int cy0 = static_cast<int>(i / columns) * cell;
        int insideChecked = 0, outsideChecked = 0, insideBlank = 0, outsidePainted = 0;
        for (int py = cy0 + 1; py < cy0 + cell - 1; py += 2) {
            for (int pxl = cx0 + 1; pxl < cx0 + cell - 1; pxl += 2) {
                const Point p(pxl + 0.5, py + 0.5);
                const double edge = distanceToPolygon(d.outline, p);
                if (edge < 2.5) continue;
                if (insidePolygon(d.outline, p)) {
                    ++insideChecked;
                    insideBlank += px.alpha(pxl, py) != 255;
                } else if (std::hypot(p.x - d.centre.x, p.y - d.centre.y) > 12) {
                    ++outsideChecked;
                    outsidePainted += px.alpha(pxl, py) != 0;
                }
            }
        }
        EXPECT_GT(insideChecked, 30) << d.id;
        EXPECT_GT(outsideChecked, 100) << d.id;
        EXPECT_EQ(insideBlank, 0) << d.id;
        EXPECT_EQ(outsidePainted, 0) << d.id;
    }
}
