#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/RuntimeDataKey.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/CrossingsData.h"
#include "Nodeloom/links/DiagramLink.h"

using namespace nodeloom;

namespace {

using Points = std::vector<Point>;
using List = std::vector<Crossing>;

std::shared_ptr<Diagram> document(LinkCrossings mode, double radius = 2.0) {
    auto d = std::make_shared<Diagram>();
    d->setLinkCrossings(mode);
    d->setCrossingRadius(radius);
    return d;
}

// Added on top of the drawing order, with its points set afterwards so that adding does not
// respace them.
std::shared_ptr<DiagramLink> addLink(Diagram& d, Points points,
                                     LinkShape shape = LinkShape::polyline) {
    auto link = std::make_shared<DiagramLink>();
    d.addItem(link);
    link->setShape(shape);
    link->setControlPoints(std::move(points));
    link->setStrokeThickness(0);
    return link;
}

List segment(DiagramLink& link, std::size_t i) {
    return link.computeCrossings()->segmentCrossings().at(i);
}

bool cached(DiagramLink& link) {
    return link.runtimeData().count(RuntimeDataKey::linkCrossings) != 0;
}

void drawOnce(Diagram& d) {
    Canvas canvas(d.measureUnit());
    d.draw(canvas, d.bounds());
}

}  // namespace

TEST(LinkCrossings, ArcsDecorateTheUpperLinkAndCutsTheLowerOne) {
    auto arc = document(LinkCrossings::arc);
    auto lower = addLink(*arc, {Point(0, 50), Point(100, 50)});
    auto upper = addLink(*arc, {Point(50, 0), Point(50, 100)});
    EXPECT_EQ(
        segment(*upper, 0),
        (List{{Point(50, 0), 0}, {Point(50, 48), 2}, {Point(50, 52), 2}, {Point(50, 100), 0}}));
    EXPECT_EQ(segment(*lower, 0), (List{{Point(0, 50), 0}, {Point(100, 50), 0}}));

    auto cut = document(LinkCrossings::cut);
    lower = addLink(*cut, {Point(0, 50), Point(100, 50)});
    upper = addLink(*cut, {Point(50, 0), Point(50, 100)});
    EXPECT_EQ(
        segment(*lower, 0),
        (List{{Point(0, 50), 0}, {Point(48, 50), 2}, {Point(52, 50), 2}, {Point(100, 50), 0}}));
    EXPECT_EQ(segment(*upper, 0).size(), 2u);

    // A link drawn outside the item list lies above everything: nothing is above it to cut it.
    auto loose = std::make_shared<DiagramLink>();
    loose->setControlPoints({Point(0, 60), Point(100, 60)});
    loose->setDiagram(cut);
    EXPECT_EQ(segment(*loose, 0).size(), 2u);
}

TEST(LinkCrossings, WhichCrossingsCount) {
    auto d = document(LinkCrossings::arc);
    // Too near the start of the segment for a bridge of radius 2.
    addLink(*d, {Point(1, 0), Point(1, 100)});
    // A Bézier link is passed over; a spline is tested along its control points.
    addLink(*d, {Point(20, 0), Point(20, 40), Point(30, 60), Point(20, 100)}, LinkShape::bezier);
    addLink(*d, {Point(40, 0), Point(40, 100)}, LinkShape::spline);
    auto hidden = addLink(*d, {Point(60, 0), Point(60, 100)});
    hidden->setVisible(false);
    // Parallel and degenerate segments cross nothing.
    addLink(*d, {Point(0, 30), Point(100, 30)});
    auto top = addLink(*d, {Point(0, 30), Point(100, 30), Point(100, 30), Point(80, 90)});

    const auto& lists = top->computeCrossings()->segmentCrossings();
    ASSERT_EQ(lists.size(), 3u);
    EXPECT_EQ(
        lists[0],
        (List{{Point(0, 30), 0}, {Point(38, 30), 2}, {Point(42, 30), 2}, {Point(100, 30), 0}}));
    EXPECT_TRUE(lists[1].empty());
    EXPECT_EQ(lists[2].size(), 2u);
}

TEST(LinkCrossings, ShortCrossingsAndPiecesAreMerged) {
    // Radius 0.2: each crossing is 0.4 long, below half a millimetre.
    auto d = document(LinkCrossings::arc, 0.2);
    for (double x : {10.0, 20.0, 20.3})
        addLink(*d, {Point(x, 0), Point(x, 100)});
    auto top = addLink(*d, {Point(0, 50), Point(100, 50)});
    // The first crossing goes; the piece between the other two is out of order, which joins them.
    const List list = segment(*top, 0);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_NEAR(list[1].location.x, 19.8, 1e-9);
    EXPECT_NEAR(list[2].location.x, 20.5, 1e-9);

    // A radius of 0 leaves crossings of no length, which are merged away rather than drawn.
    auto flat = document(LinkCrossings::arc, 0.0);
    addLink(*flat, {Point(50, 0), Point(50, 100)});
    auto over = addLink(*flat, {Point(0, 50), Point(100, 50)});
    EXPECT_EQ(segment(*over, 0), (List{{Point(0, 50), 0}, {Point(100, 50), 0}}));
}

TEST(LinkCrossings, CachedUntilTheLinkOrItsNeighboursChange) {
    auto d = document(LinkCrossings::straight);
    d->setUndoEnabled(true);
    auto lower = addLink(*d, {Point(0, 50), Point(100, 50)});
    auto upper = addLink(*d, {Point(50, 0), Point(50, 100)});
    // Nothing is computed for straight crossings, or for a link that draws none.
    drawOnce(*d);
    EXPECT_FALSE(cached(*upper));
    d->setLinkCrossings(LinkCrossings::arc);
    upper->setDrawCrossings(false);
    drawOnce(*d);
    EXPECT_FALSE(cached(*upper));
    upper->setDrawCrossings(true);
    drawOnce(*d);
    const auto first = upper->computeCrossings();
    EXPECT_EQ(first->segmentCrossings()[0].size(), 4u);
    drawOnce(*d);
    EXPECT_EQ(upper->computeCrossings(), first);

    // The other link moved away by a call that tells nobody, then back by undo: each next draw
    // drops the upper link's data.
    d->startCompositeOperation();
    d->recordItemStates({lower});
    lower->setControlPoints({Point(0, 150), Point(100, 150)});
    d->commitCompositeOperation();
    drawOnce(*d);
    EXPECT_EQ(segment(*upper, 0).size(), 2u);
    d->undo();
    drawOnce(*d);
    EXPECT_EQ(segment(*upper, 0).size(), 4u);

    // The link's own points changed by another count of segments.
    upper->setSegmentCount(2);
    EXPECT_EQ(segment(*upper, 0).size(), 2u);
    EXPECT_EQ(segment(*upper, 1).size(), 2u);
    // A route applied as the router and the layouts apply theirs.
    upper->applyPoints(Points{Point(50, 0), Point(50, 100)}, 0, 0, false, true);
    EXPECT_EQ(segment(*upper, 0).size(), 4u);

    // Removed links take their crossings with them.
    d->removeItem(lower);
    drawOnce(*d);
    EXPECT_EQ(segment(*upper, 0).size(), 2u);

    // A new mode or radius rebuilds the data: in cut mode the lower of the two is cut.
    auto again = addLink(*d, {Point(0, 50), Point(100, 50)});
    d->setLinkCrossings(LinkCrossings::cut);
    drawOnce(*d);
    EXPECT_EQ(segment(*upper, 0).size(), 4u);
    EXPECT_EQ(segment(*again, 0).size(), 2u);
    d->setCrossingRadius(5);
    EXPECT_EQ(segment(*upper, 0)[1].location, Point(50, 45));
}

TEST(LinkCrossings, LinksInDrawingOrder) {
    auto d = document(LinkCrossings::arc);
    auto a = addLink(*d, {Point(0, 0), Point(10, 10)});
    d->addItem(std::make_shared<DiagramNode>());
    auto b = addLink(*d, {Point(20, 0), Point(30, 10)});
    auto c = addLink(*d, {Point(0, 0), Point(10, 10)});
    using Links = std::vector<std::shared_ptr<DiagramLink>>;
    EXPECT_TRUE(d->getLinksInZOrder(true, 0).empty());
    EXPECT_EQ(d->getLinksInZOrder(true, 99), (Links{c, b, a}));
    EXPECT_EQ(d->getLinksInZOrder(false, 0), (Links{b, c}));
    EXPECT_TRUE(d->getLinksInZOrder(false, 3).empty());
    EXPECT_TRUE(d->getLinksInZOrder(false, 99).empty());
    // Through the index: only the links whose bounds meet, edges included.
    EXPECT_EQ(d->getLinksInZOrder(true, 4, Rect(10, 10, 5, 5)), (Links{c, a}));
    EXPECT_EQ(d->getLinksInZOrder(false, -1, Rect(-5, -5, 5, 5)), (Links{a, c}));
}

// The crossings found through the spatial index equal those of the search over every link in
// the drawing order, for every link of a dense random document, in both modes.
TEST(LinkCrossings, IndexedSearchEqualsTheSearchOverEveryLink) {
    for (LinkCrossings mode : {LinkCrossings::arc, LinkCrossings::cut}) {
        auto d = document(mode, 1.5);
        std::mt19937 random(7);
        std::uniform_real_distribution<double> at(0, 400);
        std::uniform_real_distribution<double> step(-60, 60);
        std::vector<std::shared_ptr<DiagramLink>> links;
        for (int i = 0; i < 300; ++i) {
            Points points{Point(at(random), at(random))};
            for (int k = 0; k < 1 + i % 4; ++k)
                points.emplace_back(points.back().x + step(random), points.back().y + step(random));
            const LinkShape shape = i % 7 == 0 ? LinkShape::spline : LinkShape::polyline;
            links.push_back(addLink(*d, points, shape));
            if (i % 11 == 0) links.back()->setVisible(false);
        }
        d->updateRuntimeIndices();
        int withCrossings = 0;
        for (const auto& link : links) {
            const auto fast = link->computeCrossings();
            DiagramLink::CrossingsData literal(link->segmentCount());
            literal.build(*link,
                          d->getLinksInZOrder(mode == LinkCrossings::arc, link->runtimeIndex()),
                          mode, 1.5, 0.5);
            ASSERT_EQ(fast->segmentCrossings(), literal.segmentCrossings());
            for (const auto& list : fast->segmentCrossings())
                withCrossings += list.size() > 2 ? 1 : 0;
        }
        EXPECT_GT(withCrossings, 50);
    }
}
