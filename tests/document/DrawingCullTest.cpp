#include <gtest/gtest.h>

#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"
#include "document/DocumentTestSupport.h"
#include "foundation/Pixels.h"

using namespace nodeloom;

namespace {

class CountingNode : public ShapeNode {
public:
    void draw(Canvas& canvas, const RenderOptions& options) override {
        ++draws;
        ShapeNode::draw(canvas, options);
    }
    int draws = 0;
};

std::shared_ptr<DiagramLink> connect(Diagram& d, const std::shared_ptr<DiagramNode>& from,
                                     const std::shared_ptr<DiagramNode>& to) {
    auto link = test::makeLink(from, to);
    d.addItem(link);
    link->clipEndsToOutlines();
    return link;
}

// A point document with a grid of nodes that carry text, some with expanders and anchor marks
// outside their bounds, linked with arrowheads, labels, link text, a spline and crossings.
struct Document {
    std::shared_ptr<Diagram> d = std::make_shared<Diagram>();
    std::vector<std::shared_ptr<CountingNode>> nodes;

    Document() {
        d->setMeasureUnit(MeasureUnit::Point());
        d->setBounds(Rect(0, 0, 400, 400));
        d->setLinkCrossings(LinkCrossings::arc);
        d->setCrossingRadius(4);
        d->setShowAnchors(ShowAnchors::always);
        for (int i = 0; i < 64; ++i) {
            auto node = std::make_shared<CountingNode>();
            node->_setBounds(Rect(10 + (i % 8) * 48, 10 + (i / 8) * 48, 26, 18));
            node->setText("n" + std::to_string(i));
            if (i % 5 == 0) node->setExpandable(true);
            if (i % 7 == 0) node->setAnchorPattern(AnchorPattern::leftInRightOut());
            d->addItem(node);
            nodes.push_back(node);
        }
        for (int i = 0; i + 9 < 64; i += 3) {
            auto link = connect(*d, nodes[i], nodes[i + 9]);
            auto label = std::make_shared<LinkLabel>(link, "label " + std::to_string(i));
            // Arranged labels are placed anew for each area drawn, culled or not.
            label->setAutoArrange(false);
            link->addLabel(label);
            if (i % 4 == 0) link->setText("text");
            if (i % 6 == 0) link->setShape(LinkShape::spline);
        }
        for (int i = 1; i + 7 < 64; i += 8)
            connect(*d, nodes[i], nodes[i + 7]);
        nodes[20]->setSelected(true);
    }

    // Everything, or only what can reach the area, under the same clip: a clip changes how
    // edges are smoothed along it, so only drawings under one clip compare pixel for pixel.
    void draw(Pixels& px, const Rect& area, bool all) {
        Canvas canvas(px.cr());
        canvas.clip(area);
        d->draw(canvas, all ? d->bounds() : area);
    }
};

}  // namespace

TEST(DrawingCull, APartialRepaintDrawsLessWithTheSamePixelsInsideItsRectangle) {
    Document doc;
    for (const Rect& area : {Rect(60, 60, 40, 40), Rect(0, 0, 400, 20), Rect(150, 190, 33, 71),
                             Rect(47, 100, 3, 200), Rect(250, 250, 150, 150)}) {
        Pixels whole(400, 400);
        doc.draw(whole, area, true);
        Pixels part(400, 400);
        doc.draw(part, area, false);
        int differing = 0;
        for (int y = static_cast<int>(area.y); y < area.bottom(); ++y) {
            for (int x = static_cast<int>(area.x); x < area.right(); ++x)
                differing += whole.at(x, y) != part.at(x, y);
        }
        EXPECT_EQ(differing, 0) << area.x << "," << area.y;
    }
    // The five partial drawings together drew fewer nodes than one whole drawing.
    int drawn = -5 * static_cast<int>(doc.nodes.size());
    for (const auto& node : doc.nodes)
        drawn += node->draws;
    EXPECT_LT(drawn, static_cast<int>(doc.nodes.size()));
}
