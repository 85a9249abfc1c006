#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/composite/Folder.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/layout/TreeLayout.h"
#include "layout/LayoutTestSupport.h"

namespace nodeloom {
namespace {

using test::addLink;
using test::addNode;

bool inside(const Rect& inner, const Rect& outer) {
    return outer.x <= inner.x && inner.right() <= outer.right() && outer.y <= inner.y &&
           inner.bottom() <= outer.bottom();
}

// What the document's text leaves out of a folded container: the fold, the size to restore and
// the children with their places.
struct ContainerFacts {
    bool folded;
    Rect bounds;
    Size unfolded;
    std::vector<Rect> children;
    bool operator==(const ContainerFacts&) const = default;
};

ContainerFacts factsOf(const ContainerNode& c) {
    ContainerFacts facts{c.folded(), c.bounds(), c.unfoldedSize(), {}};
    for (const auto& child : c.children()) facts.children.push_back(child->bounds());
    return facts;
}

}  // namespace

TEST(ContainerArrange, ChildrenInJoinOrderBelowTheCaptionAndTheContainerFitsThemExactly) {
    // Outside any document, children joined in the order b, a: unlinked, each is a component of
    // its own, placed side by side from the left edge plus the margins and below the caption.
    auto container = std::make_shared<ContainerNode>();
    container->_setBounds(Rect(100, 100, 400, 300));
    container->setCaptionHeight(20);
    auto a = std::make_shared<ShapeNode>();
    a->_setBounds(Rect(400, 300, 40, 20));
    auto b = std::make_shared<ShapeNode>();
    b->_setBounds(Rect(150, 350, 30, 50));
    container->add(b);
    container->add(a);

    container->arrange(std::make_shared<TreeLayout>());
    EXPECT_EQ(b->bounds(), Rect(110, 130, 30, 50));
    EXPECT_EQ(a->bounds(), Rect(150, 130, 40, 20));
    // The container shrinks to the children with the layout's margins and its caption.
    EXPECT_EQ(container->bounds(), Rect(100, 100, 100, 90));
    // The new places are the children's offsets from the container.
    container->setBounds(Rect(200, 100, 100, 90));
    EXPECT_EQ(b->bounds(), Rect(210, 130, 30, 50));
}

TEST(ContainerArrange, AFoldedContainerStaysAFoldedStripAndUnfoldsAtItsNewPlace) {
    auto d = test::makeDiagram(true);
    auto container = d->factory()->createContainerNode(300, 300, 200, 150);
    container->setCaptionHeight(20);
    auto x = addNode(*d, 320, 340);
    auto y = addNode(*d, 400, 400);
    container->add(x);
    container->add(y);
    addLink(*d, x, y);
    auto outside = addNode(*d, 0, 0);
    auto across = addLink(*d, outside, x);
    addLink(*d, addNode(*d, 50, 50), outside);
    container->setFolded(true);
    const Rect strip = container->bounds();
    const Point xOffset(x->bounds().x - strip.x, x->bounds().y - strip.y);
    const std::string before = d->saveToXmlString();
    const ContainerFacts beforeFacts = factsOf(*container);

    d->arrange(std::make_shared<TreeLayout>());
    EXPECT_TRUE(container->folded());
    const Rect moved = container->bounds();
    EXPECT_NE(Point(moved.x, moved.y), Point(strip.x, strip.y));
    EXPECT_EQ(moved.width, strip.width);
    EXPECT_EQ(moved.height, strip.height);
    EXPECT_EQ(container->unfoldedSize(), Size(200, 150));
    // The hidden children travelled with the strip; the link to one of them ends on the strip.
    EXPECT_NEAR(x->bounds().x - moved.x, xOffset.x, 1e-9);
    EXPECT_NEAR(x->bounds().y - moved.y, xOffset.y, 1e-9);
    Rect around = moved;
    around.inflate(1e-6, 1e-6);
    EXPECT_TRUE(around.containsPoint(across->endPoint()));
    const std::string arranged = d->saveToXmlString();
    const ContainerFacts arrangedFacts = factsOf(*container);

    d->undo();
    EXPECT_EQ(d->saveToXmlString(), before);
    EXPECT_EQ(factsOf(*container), beforeFacts);
    d->redo();
    EXPECT_EQ(d->saveToXmlString(), arranged);
    EXPECT_EQ(factsOf(*container), arrangedFacts);

    // Unfolding gives the unfolded size at the new place, around the children.
    container->folder()->onClick(Point());
    EXPECT_FALSE(container->folded());
    EXPECT_EQ(container->bounds(), Rect(moved.x, moved.y, 200, 150));
    EXPECT_TRUE(inside(x->bounds(), container->bounds()));
    EXPECT_TRUE(inside(y->bounds(), container->bounds()));
    const std::string unfolded = d->saveToXmlString();
    const ContainerFacts unfoldedFacts = factsOf(*container);
    d->undo();
    EXPECT_EQ(d->saveToXmlString(), arranged);
    EXPECT_EQ(factsOf(*container), arrangedFacts);
    d->redo();
    EXPECT_EQ(d->saveToXmlString(), unfolded);
    EXPECT_EQ(factsOf(*container), unfoldedFacts);
}

TEST(ContainerArrange, AFoldedContainerArrangedItselfKeepsItsStripAndUnfoldsAroundTheChildren) {
    auto d = test::makeDiagram();
    auto container = d->factory()->createContainerNode(100, 100, 300, 200);
    container->setCaptionHeight(20);
    auto a = addNode(*d, 300, 250, 40, 20);
    auto b = addNode(*d, 150, 130, 30, 50);
    container->add(a);
    container->add(b);
    container->setFolded(true);
    const Rect strip = container->bounds();

    container->arrange(std::make_shared<TreeLayout>());
    EXPECT_TRUE(container->folded());
    EXPECT_EQ(container->bounds(), strip);
    EXPECT_EQ(a->bounds(), Rect(110, 130, 40, 20));
    EXPECT_EQ(b->bounds(), Rect(160, 130, 30, 50));
    EXPECT_EQ(container->unfoldedSize(), Size(100, 90));
    container->setFolded(false);
    EXPECT_EQ(container->bounds(), Rect(100, 100, 100, 90));
}

}  // namespace nodeloom
