#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
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

// What a link draws by itself on a 100 by 100 pixel surface.
struct Drawn {
    explicit Drawn(DiagramLink& link, const RenderOptions& options = RenderOptions()) {
        Canvas canvas(pixels.cr());
        link.draw(canvas, options);
    }
    bool at(int x, int y) const { return pixels.alpha(x, y) > 60; }
    Pixels pixels{100, 100};
};

// The picture of a document measured in points (one pixel per unit) on white.
struct Picture {
    explicit Picture(Diagram& d) : image(d.createImage()) {}
    int red(int x, int y) const {
        const unsigned char* row = cairo_image_surface_get_data(image->surface()) +
                                   y * cairo_image_surface_get_stride(image->surface());
        return row[x * 4 + 2];
    }
    bool blank(int x, int y) const { return red(x, y) > 220; }
    // Ink on the pixel or next to it.
    bool inkNear(int x, int y) const {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (red(x + dx, y + dy) < 160) return true;
        return false;
    }
    std::shared_ptr<platform::ImageSurface> image;
};

std::shared_ptr<Diagram> pointDocument(LinkCrossings mode, double thickness,
                                       const std::vector<Points>& links) {
    auto d = std::make_shared<Diagram>();
    d->setMeasureUnit(MeasureUnit::Point());
    d->setBounds(Rect(0, 0, 100, 100));
    d->setLinkCrossings(mode);
    d->setCrossingRadius(6);
    for (const Points& points : links) {
        auto link = std::make_shared<DiagramLink>();
        d->addItem(link);
        link->setControlPoints(points);
        link->setHeadShape(nullptr);
        link->setStrokeThickness(thickness);
    }
    return d;
}

}  // namespace

TEST(LinkDrawing, ArrowheadsPointAlongTheirSegment) {
    // The tip sits on the end and the head hangs back along the link.
    auto right = looseLink({Point(10, 50), Point(90, 50)});
    EXPECT_TRUE(Drawn(*right).at(75, 45));
    EXPECT_FALSE(Drawn(*right).at(85, 42));
    EXPECT_FALSE(Drawn(*right).at(95, 50));
    auto up = looseLink({Point(50, 90), Point(50, 10)});
    EXPECT_TRUE(Drawn(*up).at(45, 25));
    EXPECT_FALSE(Drawn(*up).at(42, 15));
    // The direction comes from the last point that differs from the end.
    EXPECT_TRUE(Drawn(*looseLink({Point(10, 50), Point(90, 50), Point(90, 50)})).at(75, 45));

    // The pivot plays no part.
    Pixels a(60, 60), b(60, 60);
    Canvas ca(a.cr()), cb(b.cr());
    const auto head = arrow();
    ASSERT_NE(head, nullptr);
    DiagramLink::drawArrowhead(ca, head, Point(0, 0), Point(30, 30), Point(0, 0), 20);
    DiagramLink::drawArrowhead(cb, head, Point(500, -7), Point(30, 30), Point(0, 0), 20);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(a.at(x, y), b.at(x, y));
}

TEST(LinkDrawing, IntermediateShapesSitHalfwayAlongEachSegment) {
    for (LinkShape shape : {LinkShape::polyline, LinkShape::bezier, LinkShape::spline}) {
        auto link = looseLink({Point(0, 50), Point(100, 50)});
        link->setShape(shape);
        link->setHeadShape(nullptr);
        link->setStrokeThickness(0);
        link->setIntermediateShape(arrow());
        link->setIntermediateShapeSize(20);
        const Drawn drawn(*link);
        // Its tip at (50, 50), pointing along the link.
        EXPECT_TRUE(drawn.at(40, 47)) << static_cast<int>(shape);
        EXPECT_FALSE(drawn.at(55, 47)) << static_cast<int>(shape);
    }
}

TEST(LinkDrawing, CustomDrawingTextAndHandles) {
    auto link = looseLink({Point(0, 50), Point(100, 50)});
    auto label = std::make_shared<LinkLabel>(link, "label");
    label->setLinkLengthPosition(0.2);
    link->addLabel(label);
    // Without text there is nothing to lay out.
    Drawn{*link};
    EXPECT_EQ(link->textLayout(), nullptr);

    // Full custom drawing leaves the labels alone: no line, no head, no text.
    link->setText("middle");
    link->setCustomDraw(CustomDraw::full);
    const Drawn full(*link);
    EXPECT_FALSE(full.at(60, 50));
    EXPECT_FALSE(full.at(80, 50));
    EXPECT_TRUE(full.at(20, 50));
    EXPECT_EQ(link->textLayout(), nullptr);
    RenderOptions noText;
    noText.setEnableText(false);
    link->setCustomDraw(CustomDraw::additional);
    EXPECT_TRUE(Drawn(*link, noText).at(60, 50));
    EXPECT_EQ(link->textLayout(), nullptr);

    // The text is laid out afresh on every draw, centred between the ends.
    Drawn{*link};
    Drawn{*link};
    ASSERT_NE(link->textLayout(), nullptr);
    ASSERT_EQ(link->textLayout()->strings, std::vector<std::string>{"middle"});
    EXPECT_NEAR(link->textLayout()->rectangles[0].center().x, 50, 1e-9);

    Pixels square(100, 100), none(100, 100);
    Canvas squareCanvas(square.cr()), noneCanvas(none.cr());
    link->drawHandles(squareCanvas);
    EXPECT_GT(square.alpha(99, 50), 0);
    EXPECT_EQ(square.alpha(50, 50), 0);
    link->setHandlesStyle(HandlesStyle::invisible);
    link->drawHandles(noneCanvas);
    EXPECT_EQ(none.ink().count, 0);
}

TEST(LinkDrawing, BridgesAndGapsWhereLinksCross) {
    // A horizontal link below a vertical one; thin lines are drawn piece by piece, thick ones as
    // one path.
    const std::vector<Points> crossing{{Point(0, 50), Point(100, 50)},
                                       {Point(50, 0), Point(50, 100)}};
    for (double thickness : {1.0, 3.0}) {
        // The upper link bridges the lower one on its right (a vertical segment's upper side);
        // the lower one runs on unbroken.
        const Picture arc(*pointDocument(LinkCrossings::arc, thickness, crossing));
        EXPECT_TRUE(arc.inkNear(56, 50)) << thickness;
        EXPECT_TRUE(arc.blank(50, 47)) << thickness;
        EXPECT_TRUE(arc.inkNear(50, 30)) << thickness;
        EXPECT_TRUE(arc.inkNear(46, 50)) << thickness;

        // The lower link is cut where the upper one passes over it.
        const Picture cut(*pointDocument(LinkCrossings::cut, thickness, crossing));
        EXPECT_TRUE(cut.blank(46, 50)) << thickness;
        EXPECT_TRUE(cut.blank(53, 50)) << thickness;
        EXPECT_TRUE(cut.inkNear(30, 50)) << thickness;
        EXPECT_TRUE(cut.inkNear(70, 50)) << thickness;
        EXPECT_TRUE(cut.inkNear(50, 47)) << thickness;

        const Picture plain(*pointDocument(LinkCrossings::straight, thickness, crossing));
        EXPECT_TRUE(plain.inkNear(46, 50)) << thickness;
        EXPECT_TRUE(plain.blank(56, 45)) << thickness;
    }
}

TEST(LinkDrawing, RoundedCornersBendBeforeTheVertex) {
    for (LinkCrossings mode : {LinkCrossings::straight, LinkCrossings::arc}) {
        auto d = pointDocument(mode, 2, {{Point(10, 10), Point(90, 10), Point(90, 90)}});
        d->setRoundedLinks(true);
        d->setRoundedLinksRadius(20);
        // A corner reaches at most 10 along each side: the arc runs from (80, 10) to (90, 20)
        // around (80, 20).
        const Picture picture(*d);
        EXPECT_TRUE(picture.inkNear(40, 10));
        EXPECT_TRUE(picture.inkNear(87, 13));
        EXPECT_TRUE(picture.blank(89, 11));
        EXPECT_TRUE(picture.blank(84, 16));
        EXPECT_TRUE(picture.inkNear(90, 60));
    }
}

TEST(LinkDrawing, MalformedLinksDrawWithoutHarmingTheRest) {
    const double nan = std::nan("");
    auto d = pointDocument(LinkCrossings::arc, 1,
                           {{Point(0, 50), Point(100, 50)},
                            {Point(50, 0), Point(nan, 40), Point(50, 100)},
                            {Point(20, 20)},
                            {},
                            {Point(50, 0), Point(50, 100)}});
    d->setRoundedLinks(true);
    d->setRoundedLinksRadius(5);
    for (const auto& link : d->links()) {
        link->addLabel(std::make_shared<LinkLabel>(link, "label"));
        link->labels().back()->setLinkLengthPosition(0.1);
        link->setIntermediateShape(arrow());
    }
    const Picture picture(*d);
    ASSERT_NE(picture.image, nullptr);
    // The sound links still cross with a bridge.
    EXPECT_TRUE(picture.inkNear(56, 50));
    EXPECT_TRUE(picture.inkNear(70, 50));
}
