#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "LinkTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// The link's own elements, from "Origin" on.
std::vector<std::string> linkContent(const XmlElement& element) {
    std::vector<std::string> names = childNames(element);
    const auto origin = std::find(names.begin(), names.end(), "Origin");
    return std::vector<std::string>(origin, names.end());
}

// Loads a link element given as text, in a file of that version, with no nodes read before it.
std::shared_ptr<DiagramLink> loadLink(const std::string& content, int version = 16) {
    // The shape library that arrowheads are looked up in comes with the first document.
    std::make_shared<Diagram>();
    auto link = std::make_shared<DiagramLink>();
    XmlContext context;
    context.setFileVersion(version);
    link->loadFromXml(parseXml("<Link>" + content + "</Link>"), context);
    return link;
}

}  // namespace

TEST(LinkXml, ContentAndOrder) {
    auto diagram = std::make_shared<Diagram>();
    auto a = std::make_shared<ShapeNode>();
    auto b = std::make_shared<ShapeNode>();
    a->_setBounds(Rect(0, 0, 20, 20));
    b->_setBounds(Rect(60, 0, 20, 20));
    diagram->addItem(a);
    diagram->addItem(b);
    auto link = linkThrough({Point(20, 10), Point(40, 30), Point(60, 10)});
    link->connectEnd(a, false, Point(20, 10), false);
    link->connectEnd(b, true, Point(60, 10), false);
    diagram->addItem(link);
    diagram->updateRuntimeIndices();

    XmlContext context(nullptr, XmlContext::latestVersion());
    auto element = std::make_shared<XmlElement>("Link");
    link->saveToXml(element, context);
    // Between shape nodes there are no rows; absent shapes and labels write nothing.
    EXPECT_EQ(linkContent(*element),
              (std::vector<std::string>{"Origin", "OriginAnchor", "Destination",
                                        "DestinationAnchor", "SegmentCount",
                                        "CascadeStartHorizontal", "Points", "Shape", "AutoRoute",
                                        "BaseShapeSize", "IntermediateShapeSize", "HeadShape",
                                        "HeadShapeSize", "HeadStroke", "HeadStrokeThickness"}));
    EXPECT_EQ(element->getChild("Origin")->attributes().at("Id"),
              std::to_string(a->runtimeIndex()));
    EXPECT_EQ(element->getChild("Destination")->attributes().at("Id"),
              std::to_string(b->runtimeIndex()));
    EXPECT_EQ(element->getChild("SegmentCount")->text(), "2");
    EXPECT_EQ(element->getChild("Shape")->text(), "1");
    EXPECT_EQ(element->getChild("Points")->children().size(), 3u);
    EXPECT_EQ(element->getChild("HeadShape")->attributes().at("Id"), "Arrow");

    // Labels follow everything else, one element each, in order.
    link->setBaseShape(Shape::fromId("Rect"));
    link->labels().push_back(std::make_shared<LinkLabel>(link, "first"));
    link->labels().push_back(std::make_shared<LinkLabel>(link, "second"));
    auto withLabels = std::make_shared<XmlElement>("Link");
    link->saveToXml(withLabels, context);
    const auto names = linkContent(*withLabels);
    EXPECT_EQ(names[9], "BaseShape");
    EXPECT_EQ(names.back(), "Labels");
    const auto labels = withLabels->getChild("Labels");
    ASSERT_EQ(labels->children().size(), 2u);
    EXPECT_EQ(labels->children()[1]->name(), "Label");
    EXPECT_EQ(labels->children()[1]->getChild("Text")->text(), "second");
}

TEST(LinkXml, ShapesAndStrokesOfEachVersion) {
    // Current files take "Shape" and the head stroke; "Style" and "HeadPen" are ignored.
    auto current = loadLink(
        "<Points><Point>0, 0</Point><Point>10, 0</Point></Points><Shape>3</Shape><Style>2</Style>"
        "<HeadStroke>#FF00FF00</HeadStroke><HeadStrokeThickness>2.5</HeadStrokeThickness>"
        "<HeadPen><Color>#FFFF0000</Color><Width>9</Width></HeadPen>");
    EXPECT_EQ(current->shape(), LinkShape::spline);
    EXPECT_EQ(*current->headStroke(), Color(1, 0, 1, 0));
    EXPECT_EQ(current->headStrokeThickness(), 2.5);

    // Version 15 and older: "Style" (where 3 is no shape) and the "HeadPen".
    auto older = loadLink(
        "<Points><Point>0, 0</Point><Point>10, 0</Point><Point>10, 10</Point></Points>"
        "<Style>2</Style><Shape>0</Shape><HeadPen><Color>#FFFF0000</Color><Width>3</Width>"
        "</HeadPen><HeadStroke>#FF00FF00</HeadStroke>",
        15);
    EXPECT_EQ(older->shape(), LinkShape::cascading);
    EXPECT_EQ(*older->headStroke(), Color(1, 1, 0, 0));
    EXPECT_EQ(older->headStrokeThickness(), 3);
    EXPECT_EQ(loadLink("<Style>3</Style>", 15)->shape(), LinkShape::polyline);
    EXPECT_EQ(loadLink("<Shape>9</Shape>")->shape(), LinkShape::polyline);
    // Without a "HeadPen" an old file keeps the stroke the link had.
    auto plain = loadLink("<Style>1</Style>", 15);
    EXPECT_EQ(plain->headStroke(), Colors::Black());
    EXPECT_EQ(plain->headStrokeThickness(), 1.0);

    // Missing elements give the reader's defaults: a bezier link with no arrowheads of size 0.
    auto bare = loadLink("<Points><Point>0, 0</Point><Point>30, 0</Point></Points>");
    EXPECT_EQ(bare->shape(), LinkShape::bezier);
    EXPECT_EQ(bare->controlPoints().size(), 4u);
    EXPECT_FALSE(bare->headShape());
    EXPECT_EQ(bare->headShapeSize(), 0.0);
    EXPECT_EQ(bare->baseShapeSize(), 0.0);
    EXPECT_FALSE(bare->autoRoute());
    EXPECT_TRUE(bare->labels().empty());
    // A shape the library knows is found by its id.
    const auto arrow = loadLink("<BaseShape Id=\"Arrow\"/>")->baseShape();
    ASSERT_TRUE(arrow);
    EXPECT_EQ(arrow->id(), "Arrow");
    // An integer that is no integer keeps the value the link had.
    EXPECT_EQ(loadLink("<Shape>two</Shape>")->shape(), LinkShape::polyline);
}

TEST(LinkXml, LooseEndsAndShortPointLists) {
    // No node to refer to: a virtual end placed at (0, 0) relative to it.
    auto loose = loadLink(
        "<Destination Id=\"42\"/><DestinationAnchor>3</DestinationAnchor>"
        "<Points><Point>0, 0</Point><Point>10, 5</Point></Points><Shape>1</Shape>");
    EXPECT_EQ(loose->destination(), VirtualNode::instance());
    EXPECT_EQ(loose->origin(), VirtualNode::instance());
    EXPECT_EQ(loose->destinationConnection()->relativePosition(), Point(0, 0));
    EXPECT_EQ(loose->destinationConnection()->anchor(), 3);
    EXPECT_EQ(loose->endPoint(), Point(10, 5));

    // Without points, or with one, the link still has two ends.
    auto none = loadLink("<Shape>1</Shape>");
    EXPECT_EQ(none->controlPoints().size(), 2u);
    auto one = loadLink("<Points><Point>7, 8</Point></Points><Shape>1</Shape>");
    EXPECT_EQ(one->controlPoints(), (std::vector<Point>{Point(7, 8), Point(7, 8)}));
    auto bezier = loadLink("<Points><Point>7, 8</Point></Points><Shape>0</Shape>");
    EXPECT_EQ(bezier->controlPoints().size(), 4u);

    // Labels are read in order; text between them is no label.
    auto labelled = loadLink(
        "<Points><Point>0, 0</Point><Point>10, 0</Point></Points><Shape>1</Shape>"
        "<Labels><Label><Text>one</Text></Label><Label><Text>two</Text></Label>stray</Labels>");
    ASSERT_EQ(labelled->labels().size(), 2u);
    EXPECT_EQ(labelled->labels()[0]->text(), "one");
    EXPECT_EQ(labelled->labels()[1]->text(), "two");
    EXPECT_EQ(labelled->labels()[1]->link(), labelled);
}

namespace {

// What a saved link should keep, in a form two documents can compare.
struct LinkFacts {
    LinkShape shape;
    std::vector<Point> points;
    int origin, destination;  // positions in the document's node list, -1 for a loose end
    int originAnchor, destinationAnchor;
    bool cascadeStartHorizontal, autoRoute;
    std::string head, base, intermediate;
    double headSize, baseSize, intermediateSize, headStrokeThickness;
    std::string headStroke;
    std::vector<std::string> labels;

    bool operator==(const LinkFacts&) const = default;
};

std::string idOf(const std::shared_ptr<Shape>& shape) {
    return shape ? shape->id() : "none";
}

std::vector<LinkFacts> factsOf(const Diagram& diagram) {
    const auto& nodes = diagram.nodes();
    const auto position = [&](const std::shared_ptr<DiagramNode>& node) {
        const auto it = std::find(nodes.begin(), nodes.end(), node);
        return it == nodes.end() ? -1 : static_cast<int>(it - nodes.begin());
    };
    std::vector<LinkFacts> facts;
    for (const auto& link : diagram.links()) {
        LinkFacts f{link->shape(),
                    link->controlPoints(),
                    position(link->origin()),
                    position(link->destination()),
                    link->originAnchor(),
                    link->destinationAnchor(),
                    link->cascadeStartHorizontal(),
                    link->autoRoute(),
                    idOf(link->headShape()),
                    idOf(link->baseShape()),
                    idOf(link->intermediateShape()),
                    link->headShapeSize(),
                    link->baseShapeSize(),
                    link->intermediateShapeSize(),
                    link->headStrokeThickness(),
                    link->headStroke()->toString(),
                    {}};
        for (const auto& label : link->labels()) {
            f.labels.push_back(label->text() + "|" + std::to_string(label->relativeTo()) + "|" +
                               std::to_string(label->index()) + "|" +
                               std::to_string(label->horizontalOffset()) + "|" +
                               std::to_string(label->verticalOffset()) + "|" +
                               std::to_string(static_cast<int>(label->horizontalAlign())) + "|" +
                               label->fontName() + "|" + std::to_string(label->fontSize()));
        }
        // Each end's node lists the link on the proper side.
        const auto& out = link->origin()->outgoingLinks();
        const auto& in = link->destination()->incomingLinks();
        if (link->origin()->isRealNode()) {
            EXPECT_NE(std::find(out.begin(), out.end(), link), out.end());
        }
        if (link->destination()->isRealNode()) {
            EXPECT_NE(std::find(in.begin(), in.end(), link), in.end());
        }
        facts.push_back(std::move(f));
    }
    return facts;
}

}  // namespace

TEST(LinkXml, DocumentOfLinksRoundTrips) {
    auto diagram = std::make_shared<Diagram>();
    std::vector<std::shared_ptr<ShapeNode>> nodes;
    for (int i = 0; i < 4; ++i) {
        auto node = std::make_shared<ShapeNode>();
        node->_setBounds(Rect(i * 60.0, (i % 2) * 50.0, 30, 20));
        node->setAnchorPattern(AnchorPattern::decision2In2Out());
        diagram->addItem(node);
        nodes.push_back(node);
    }
    const LinkShape shapes[] = {LinkShape::bezier, LinkShape::polyline, LinkShape::cascading,
                                LinkShape::spline};
    for (int i = 0; i < 4; ++i) {
        auto link = std::make_shared<DiagramLink>();
        link->connectEnd(nodes[i], false, std::nullopt, false);
        link->connectEnd(nodes[(i + 1) % 4], true, std::nullopt, false);
        link->clipEndsToOutlines();
        link->setShape(shapes[i]);
        link->setSegmentCount(i + 2);
        link->setOriginAnchor(i % 2);
        link->setDestinationAnchor(2 + i % 2);
        link->setBaseShape(Shape::fromId("Rect"));
        link->setBaseShapeSize(3 + i);
        link->setIntermediateShape(Shape::fromId("Arrow"));
        link->setHeadStroke(Colors::Red());
        link->setHeadStrokeThickness(0.5 * i);
        link->setAutoRoute(i % 2 == 1);
        auto label = std::make_shared<LinkLabel>(link, "link " + std::to_string(i));
        label->setSegmentPosition(-1, 1.25, -2);
        label->setHorizontalAlign(Align::far);
        label->setFontSize(9);
        auto second = std::make_shared<LinkLabel>(link, "second\nline");
        second->setLinkLengthPosition(0.75);
        link->labels() = {label, second};
        diagram->addItem(link);
    }
    // A loose link without labels or arrowheads.
    auto loose = std::make_shared<DiagramLink>();
    loose->setControlPoints({Point(5, 90), Point(45, 95)});
    loose->setHeadShape(nullptr);
    diagram->addItem(loose);

    const std::string text = diagram->saveToXmlString();
    auto copy = std::make_shared<Diagram>();
    ASSERT_TRUE(copy->loadFromXml(parseXml(text)));
    ASSERT_EQ(copy->links().size(), 5u);
    EXPECT_EQ(factsOf(*copy), factsOf(*diagram));
    EXPECT_EQ(copy->links()[2]->shape(), LinkShape::cascading);
    EXPECT_EQ(copy->links()[0]->labels()[0]->link(), copy->links()[0]);
    // Saving the loaded document again writes the same text.
    EXPECT_EQ(copy->saveToXmlString(), text);
}

TEST(LinkXml, LinkWithoutPointsInADocumentEndsOnItsNodes) {
    auto diagram = std::make_shared<Diagram>();
    auto a = std::make_shared<ShapeNode>();
    auto b = std::make_shared<ShapeNode>();
    a->_setBounds(Rect(0, 0, 20, 20));
    b->_setBounds(Rect(60, 0, 20, 20));
    diagram->addItem(a);
    diagram->addItem(b);
    auto link = std::make_shared<DiagramLink>();
    link->connectEnd(a, false, std::nullopt, false);
    link->connectEnd(b, true, std::nullopt, false);
    link->clipEndsToOutlines();
    diagram->addItem(link);
    std::string text = diagram->saveToXmlString();
    const auto from = text.find("<Points>");
    const auto to = text.find("</Points>");
    ASSERT_NE(from, std::string::npos);

    // No points at all: the ends come from the nodes' outlines.
    auto copy = std::make_shared<Diagram>();
    ASSERT_TRUE(copy->loadFromXml(
        parseXml(text.substr(0, from) + text.substr(to + std::string("</Points>").size()))));
    ASSERT_EQ(copy->links().size(), 1u);
    auto loaded = copy->links()[0];
    EXPECT_EQ(loaded->controlPoints(), (std::vector<Point>{Point(20, 10), Point(60, 10)}));
    EXPECT_EQ(loaded->origin(), copy->nodes()[0]);
    EXPECT_EQ(copy->nodes()[1]->incomingLinks().size(), 1u);

    // One point only: the same.
    text.replace(from, to - from, "<Points><Point>500, 500</Point>");
    ASSERT_TRUE(copy->loadFromXml(parseXml(text)));
    EXPECT_EQ(copy->links()[0]->controlPoints(),
              (std::vector<Point>{Point(20, 10), Point(60, 10)}));
}
