#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/RenderOptions.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "foundation/Pixels.h"

using namespace nodeloom;

namespace {

using Points = std::vector<Point>;

// The bundled shape library, which every new document loads.
std::shared_ptr<Shape> arrow() {
    static const auto loaded = std::make_shared<Diagram>();
    return Shape::fromId("Arrow");
}

// A link outside any document, drawn in points: one point is one pixel.
std::shared_ptr<DiagramLink> looseLink(Points points) {
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints(std::move(points));
    link->setHeadShape(arrow());
    link->setHeadShapeSize(20);
    link->setBrush(std::make_shared<SolidColorBrush>(Colors::Black()));
    return link;
}

bool painted(const Pixels& pixels, int x, int y) {
    return pixels.alpha(x, y) > 60;
}

// A document measured in points, so that its picture has one pixel per unit, holding a
// horizontal link below a vertical one that crosses it at (50, 50).
struct Crossed {
    explicit Crossed(LinkCrossings mode, double thickness = 1.0) {
        d->setMeasureUnit(MeasureUnit::Point());
        d->setBounds(Rect(0, 0, 100, 100));
        d->setLinkCrossings(mode);
        d->setCrossingRadius(6);
        for (const Points& points :
             {Points{Point(0, 50), Point(100, 50)}, Points{Point(50, 0), Point(50, 100)}}) {
            auto link = std::make_shared<DiagramLink>();
            d->addItem(link);
            link->setControlPoints(points);
            link->setHeadShape(nullptr);
            link->setStrokeThickness(thickness);
        }
    }
    int red(int x, int y) {
        if (!image) image = d->createImage();
        const unsigned char* row = cairo_image_surface_get_data(image->surface()) +
                                   y * cairo_image_surface_get_stride(image->surface());
        return row[x * 4 + 2];
    }
    // Ink within a pixel of the place; none on the pixel itself.
    bool inkNear(int x, int y) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx)
                if (red(x + dx, y + dy) < 160) return true;
        }
        return false;
    }
    bool blank(int x, int y) { return red(x, y) > 220; }
    std::shared_ptr<Diagram> d = std::make_shared<Diagram>();
    std::shared_ptr<platform::ImageSurface> image;
};

}  // namespace

TEST(LinkDrawing, ArrowheadsPointAlongTheirSegment) {
    Pixels right(100, 100);
    Canvas canvas(right.cr());
    looseLink({Point(10, 50), Point(90, 50)})->draw(canvas);
    // The tip sits on the end and the head hangs back along the link.
    EXPECT_TRUE(painted(right, 75, 45));
    EXPECT_FALSE(painted(right, 85, 42));
    EXPECT_FALSE(painted(right, 95, 50));

    Pixels up(100, 100);
    Canvas upCanvas(up.cr());
    looseLink({Point(50, 90), Point(50, 10)})->draw(upCanvas);
    EXPECT_TRUE(painted(up, 45, 25));
    EXPECT_FALSE(painted(up, 42, 15));

    // The direction comes from the last point that differs from the end.
    Pixels repeated(100, 100);
    Canvas repeatedCanvas(repeated.cr());
    looseLink({Point(10, 50), Point(90, 50), Point(90, 50)})->draw(repeatedCanvas);
    EXPECT_TRUE(painted(repeated, 75, 45));

    // The pivot plays no part.
    Pixels a(60, 60), b(60, 60);
    Canvas ca(a.cr()), cb(b.cr());
    const auto head = arrow();
    ASSERT_NE(head, nullptr);
    DiagramLink::drawArrowhead(ca, head, Point(0, 0), Point(30, 30), Point(0, 0), 20);
    DiagramLink::drawArrowhead(cb, head, Point(500, -7), Point(30, 30), Point(0, 0), 20);
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(a.at(x, y), b.at(x, y));
    }
}

TEST(LinkDrawing, FullCustomDrawingLeavesOnlyTheLabels) {
    auto link = looseLink({Point(0, 50), Point(100, 50)});
    link->setText("middle");
    auto label = std::make_shared<LinkLabel>(link, "label");
    label->setLinkLengthPosition(0.2);
    link->labels().push_back(label);
    link->setCustomDraw(CustomDraw::full);

    Pixels pixels(100, 100);
    Canvas canvas(pixels.cr());
    link->draw(canvas);
    EXPECT_FALSE(painted(pixels, 60, 50));
    EXPECT_FALSE(painted(pixels, 95, 50));
    EXPECT_TRUE(painted(pixels, 20, 50));
    EXPECT_EQ(link->textLayout(), nullptr);

    link->setCustomDraw(CustomDraw::additional);
    link->draw(canvas);
    EXPECT_TRUE(painted(pixels, 60, 50));
    ASSERT_NE(link->textLayout(), nullptr);
    EXPECT_EQ(link->textLayout()->strings, std::vector<std::string>{"middle"});
}

TEST(LinkDrawing, TextIsLaidOutOnlyWhenThereIsTextToShow) {
    Pixels pixels(100, 100);
    Canvas canvas(pixels.cr());
    auto link = looseLink({Point(0, 50), Point(100, 50)});
    link->draw(canvas);
    EXPECT_EQ(link->textLayout(), nullptr);

    link->setText("text");
    RenderOptions noText;
    noText.setEnableText(false);
    link->draw(canvas, noText);
    EXPECT_EQ(link->textLayout(), nullptr);

    link->draw(canvas);
    ASSERT_NE(link->textLayout(), nullptr);
    ASSERT_EQ(link->textLayout()->rectangles.size(), 1u);
    const Rect first = link->textLayout()->rectangles[0];
    EXPECT_NEAR(first.center().x, 50, 1e-9);
    // Drawn again, the layout is rebuilt, not extended.
    link->draw(canvas);
    EXPECT_EQ(link->textLayout()->rectangles, std::vector<Rect>{first});
}

TEST(LinkDrawing, HandlesFollowTheHandlesStyle) {
    auto link = looseLink({Point(10, 10), Point(50, 50), Point(90, 10)});
    Pixels square(100, 100);
    Canvas squareCanvas(square.cr());
    link->drawHandles(squareCanvas);
    EXPECT_TRUE(painted(square, 50, 50));
    EXPECT_TRUE(painted(square, 90, 10));
    EXPECT_FALSE(painted(square, 30, 30));

    link->setHandlesStyle(HandlesStyle::invisible);
    Pixels none(100, 100);
    Canvas noneCanvas(none.cr());
    link->drawHandles(noneCanvas);
    EXPECT_EQ(none.ink().count, 0);
}

TEST(LinkDrawing, BridgesAndGapsWhereLinksCross) {
    // Thin lines are drawn piece by piece, thick ones as one path.
    for (double thickness : {1.0, 3.0}) {
        // The upper, vertical link bridges the lower one on its right (the upper side of a
        // vertical segment), while the lower link runs on unbroken.
        Crossed arc(LinkCrossings::arc, thickness);
        EXPECT_TRUE(arc.inkNear(56, 50)) << thickness;
        EXPECT_TRUE(arc.blank(50, 47)) << thickness;
        EXPECT_TRUE(arc.inkNear(50, 30)) << thickness;
        EXPECT_TRUE(arc.inkNear(46, 50)) << thickness;

        // The lower link is cut where the upper one passes over it.
        Crossed cut(LinkCrossings::cut, thickness);
        EXPECT_TRUE(cut.blank(46, 50)) << thickness;
        EXPECT_TRUE(cut.blank(53, 50)) << thickness;
        EXPECT_TRUE(cut.inkNear(30, 50)) << thickness;
        EXPECT_TRUE(cut.inkNear(70, 50)) << thickness;
        EXPECT_TRUE(cut.inkNear(50, 47)) << thickness;

        Crossed plain(LinkCrossings::straight, thickness);
        EXPECT_TRUE(plain.inkNear(46, 50)) << thickness;
        EXPECT_TRUE(plain.inkNear(50, 47)) << thickness;
        EXPECT_TRUE(plain.blank(56, 45)) << thickness;
    }
}

TEST(LinkDrawing, RoundedCornersBendBeforeTheVertex) {
    for (LinkCrossings mode : {LinkCrossings::straight, LinkCrossings::arc}) {
        auto d = std::make_shared<Diagram>();
        d->setMeasureUnit(MeasureUnit::Point());
        d->setBounds(Rect(0, 0, 100, 100));
        d->setLinkCrossings(mode);
        d->setRoundedLinks(true);
        d->setRoundedLinksRadius(20);
        auto link = std::make_shared<DiagramLink>();
        d->addItem(link);
        link->setControlPoints({Point(10, 10), Point(90, 10), Point(90, 90)});
        link->setHeadShape(nullptr);
        link->setStrokeThickness(2);
        const auto image = d->createImage();
        ASSERT_NE(image, nullptr);
        const auto dark = [&](int x, int y) {
            const unsigned char* row = cairo_image_surface_get_data(image->surface()) +
                                       y * cairo_image_surface_get_stride(image->surface());
            return row[x * 4 + 2] < 160;
        };
        const auto darkNear = [&](int x, int y) {
            return dark(x, y) || dark(x + 1, y) || dark(x, y + 1) || dark(x - 1, y) ||
                   dark(x, y - 1);
        };
        // A corner reaches at most 10 along each side: the arc runs from (80, 10) to (90, 20)
        // around (80, 20).
        EXPECT_TRUE(dark(40, 10));
        EXPECT_TRUE(darkNear(87, 13));
        EXPECT_FALSE(dark(89, 11));
        EXPECT_FALSE(dark(84, 16));
        EXPECT_TRUE(dark(90, 60));
    }
}

TEST(LinkDrawing, IntermediateShapesSitHalfwayAlongEachSegment) {
    for (LinkShape shape : {LinkShape::polyline, LinkShape::bezier, LinkShape::spline}) {
        auto link = looseLink({Point(0, 50), Point(100, 50)});
        link->setShape(shape);
        link->setHeadShape(nullptr);
        link->setStrokeThickness(0);
        link->setIntermediateShape(arrow());
        link->setIntermediateShapeSize(20);
        Pixels pixels(100, 100);
        Canvas canvas(pixels.cr());
        link->draw(canvas);
        // Its tip at (50, 50), pointing along the link.
        EXPECT_TRUE(painted(pixels, 40, 47)) << static_cast<int>(shape);
        EXPECT_FALSE(painted(pixels, 55, 47)) << static_cast<int>(shape);
    }
}
