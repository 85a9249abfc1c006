#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <limits>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Nodeloom/composite/Cell.h"
#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/composite/TreeViewItem.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/AnchorPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/HandlesVisualStyle.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"
#include "Nodeloom/links/Router.h"

namespace nodeloom {
namespace {

namespace fs = std::filesystem;

fs::path writeFile(const std::string& text) {
    const auto path = fs::temp_directory_path() /
                      ("nodeloom-range-" + std::to_string(::getpid()) + "-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".xml");
    std::ofstream(path) << text;
    return path;
}

std::shared_ptr<XmlElement> parse(const std::string& text) {
    const fs::path path = writeFile(text);
    XmlDomBuilder builder;
    const bool whole = builder.parseFile(path);
    fs::remove(path);
    EXPECT_TRUE(whole);
    return builder.root();
}

// A number too large for a double is an infinity to the readers, and every value read from a
// document refuses it: the item keeps its default, where it once took 0 for it.
TEST(OutOfRangeNumbers, ANodeKeepsItsDefaultBounds) {
    for (const char* bounds : {"1e999, 0.0, 50.0, 50.0", "1e999, 10.0, 60.0, 70.0",
                               "10.0, -1e999, 60.0, 70.0", "10.0, 10.0, 60.0, 1e400"}) {
        const fs::path path = writeFile(
            std::string("<Diagram Version=\"16\"><Nodes>"
                        "<Node Class=\"std:ShapeNode\" Id=\"0\" Version=\"1\"><Bounds>") +
            bounds +
            "</Bounds><RotationAngle>-1e999</RotationAngle></Node></Nodes><Links/></Diagram>");
        auto d = std::make_shared<Diagram>();
        const bool loaded = d->loadFromXml(path);
        fs::remove(path);
        ASSERT_TRUE(loaded);
        ASSERT_EQ(d->nodes().size(), 1u);
        EXPECT_EQ(d->nodes()[0]->bounds(), Rect(0, 0, 50, 50)) << bounds;
        EXPECT_EQ(d->nodes()[0]->rotationAngle(), 0.0);
    }
}

// Styles, handle styles and brushes keep what they had for a number beyond the range.
TEST(OutOfRangeNumbers, StylesAndBrushesRefuseThem) {
    XmlContext context;
    Style style;
    style.loadFromXml(parse("<Style>"
                            "<P Name='StrokeThickness'><Value>0.5</Value></P>"
                            "<P Name='FontSize'><Value>12</Value></P>"
                            "<P Name='StrokeThickness'><Value>1e999</Value></P>"
                            "<P Name='FontSize'><Value>-1e400</Value></P>"
                            "</Style>"),
                      context);
    EXPECT_EQ(style.strokeThickness(), 0.5);
    EXPECT_EQ(style.fontSize(), 12.0);

    HandlesVisualStyle handles;
    handles.setDefHandleStrokeThickness(0.25);
    handles.loadFromXml(parse("<H><StrokeThickness>1e999</StrokeThickness></H>"), context);
    EXPECT_EQ(handles.defHandleStrokeThickness(), 0.25);
    handles.loadFromXml(parse("<H><HandlePen><Width>-1e999</Width></HandlePen></H>"), context);
    EXPECT_EQ(handles.defHandleStrokeThickness(), 0.25);

    const auto twoColours = std::dynamic_pointer_cast<LinearGradientBrush>(context.readBrushContent(
        parse("<Brush Type='Gradient'><Angle>1e999</Angle>"
              "<Color1>#FF000000</Color1><Color2>#FFFFFFFF</Color2></Brush>")));
    ASSERT_TRUE(twoColours);
    EXPECT_EQ(twoColours->angle(), 0.0);

    const auto blend = std::dynamic_pointer_cast<LinearGradientBrush>(context.readBrushContent(
        parse("<Brush Type='Gradient'><Angle>-1e999</Angle><ColorBlend>"
              "<Positions><Pos>0</Pos><Pos>1e999</Pos><Pos>1</Pos></Positions>"
              "<Colors><Color>#FF000000</Color><Color>#FF808080</Color><Color>#FFFFFFFF</Color>"
              "</Colors></ColorBlend></Brush>")));
    ASSERT_TRUE(blend);
    EXPECT_EQ(blend->angle(), 0.0);
    for (double p : blend->positions())
        EXPECT_TRUE(std::isfinite(p));
}

// A value set from the program that is not finite would be saved as a word the readers refuse:
// the setters refuse it in turn, and the value stays what it was.
TEST(OutOfRangeNumbers, SettersRefuseNumbersThatAreNotFinite) {
    for (const double bad : {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()}) {
        Style style;
        style.setStrokeThickness(0.5);
        style.setStrokeThickness(bad);
        style.setFontSize(bad);
        style.setHeadStrokeThickness(bad);
        EXPECT_EQ(style.strokeThickness(), 0.5);
        EXPECT_FALSE(style.hasFontSize());
        EXPECT_FALSE(style.hasHeadStrokeThickness());

        LinearGradientBrush gradient(Colors::Black(), Colors::White(), bad);
        EXPECT_EQ(gradient.angle(), 0.0);
        gradient.setAngle(30);
        gradient.setAngle(bad);
        gradient.setPositions({0.0, bad, 1.0});
        EXPECT_EQ(gradient.angle(), 30.0);
        EXPECT_EQ(gradient.positions(), (std::vector<double>{0.0, 1.0}));

        AnchorPoint point(bad, 40);
        EXPECT_EQ(point.x(), 0.0);
        EXPECT_EQ(point.y(), 40.0);
        point.setX(bad);
        point.setY(bad);
        EXPECT_EQ(point.y(), 40.0);

        auto label = std::make_shared<LinkLabel>();
        label->setMaxWidth(80);
        label->setMaxWidth(bad);
        EXPECT_EQ(label->maxWidth(), 80.0);

        Cell cell;
        const double cellFont = cell.fontSize();
        cell.setFontSize(bad);
        EXPECT_EQ(cell.fontSize(), cellFont);

        auto table = std::make_shared<TableNode>();
        table->redimTable(2, 1);
        auto columns = table->columns();
        columns[0].width = 7;
        columns[1].width = bad;
        table->setColumns(columns);
        EXPECT_EQ(table->columns()[0].width, 18.0);

        auto tree = std::make_shared<TreeViewNode>();
        tree->setCaptionHeight(4);
        tree->setScrollPosition(2);
        tree->setCaptionHeight(bad);
        tree->setScrollPosition(bad);
        EXPECT_EQ(tree->captionHeight(), 4.0);
        EXPECT_EQ(tree->scrollPosition(), 2.0);
        TreeViewItem item;
        item.setHeight(5);
        item.setFontSize(9);
        item.setHeight(bad);
        item.setFontSize(bad);
        EXPECT_EQ(item.height(), 5.0);
        EXPECT_EQ(item.fontSize(), 9.0);
    }
}

// Nodes at both ends of the number range, linked across it and to ordinary nodes: the indexes
// over the document then span more than a double holds, yet drawing with crossings, routing,
// finding the nodes and a round trip through a file all go through, and every node stays put.
TEST(OutOfRangeNumbers, NodesAtBothEndsOfTheRangeAreDrawnRoutedAndKept) {
    constexpr double big = 1.7e308;
    const std::vector<Rect> places{{-big, 0, 40, 30}, {big, 100, 40, 30},  {0, 0, 40, 30},
                                   {100, 60, 40, 30}, {-big, 200, 40, 30}, {big, -100, 0, 0}};
    const auto drawAll = [&](Diagram& d) {
        Canvas canvas(d.measureUnit());
        for (const Rect& area : {d.bounds(), Rect(-big, -big, big, big), Rect(0, 0, big, big),
                                 Rect(-big, -big, 2 * big, 2 * big)})
            d.draw(canvas, area);
    };
    auto d = std::make_shared<Diagram>();
    d->setLinkCrossings(LinkCrossings::arc);
    d->setCrossingRadius(2);
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    for (const Rect& r : places) {
        nodes.push_back(std::make_shared<ShapeNode>());
        nodes.back()->setBounds(r);
        d->addItem(nodes.back());
    }
    std::vector<std::shared_ptr<DiagramLink>> links;
    for (const auto& [from, to] : std::vector<std::pair<int, int>>{
             {0, 1}, {1, 0}, {4, 5}, {2, 3}, {0, 3}, {4, 1}, {2, 1}, {5, 2}}) {
        const Point start = places[from].center(), end = places[to].center();
        auto link = std::make_shared<DiagramLink>();
        link->setControlPoints({start, end});
        link->connectEnd(nodes[from], false, start, false);
        link->connectEnd(nodes[to], true, end, false);
        link->setAutoRoute(true);
        d->addItem(link);
        // Placed among the nodes, which the placement looks up in a grid over the drawn area.
        link->addLabel(std::make_shared<LinkLabel>(link, "far"));
        links.push_back(link);
    }
    drawAll(*d);
    d->linkRouter()->routeLinkSet(links);
    drawAll(*d);
    d->rerouteLinks({places[0], places[1]});
    d->setRouteLinks(true);
    // Moving a far node reroutes its links.
    nodes[0]->setBounds(Rect(-big, 10, 40, 30));
    nodes[0]->setBounds(places[0]);
    drawAll(*d);
    EXPECT_EQ(d->getNodeAt(Point(big + 10, 110), false), nodes[1]);
    EXPECT_EQ(d->getNodeAt(Point(-big + 10, 210), false), nodes[4]);
    EXPECT_EQ(d->getNodeAt(Point(110, 70), false), nodes[3]);

    const fs::path path = writeFile(d->saveToXmlString());
    auto loaded = std::make_shared<Diagram>();
    const bool read = loaded->loadFromXml(path);
    fs::remove(path);
    ASSERT_TRUE(read);
    ASSERT_EQ(loaded->nodes().size(), places.size());
    EXPECT_EQ(loaded->links().size(), links.size());
    for (std::size_t i = 0; i < places.size(); ++i)
        EXPECT_EQ(loaded->nodes()[i]->bounds(), places[i]) << i;
    loaded->setLinkCrossings(LinkCrossings::cut);
    drawAll(*loaded);
    loaded->linkRouter()->routeLinkSet(loaded->links());
    drawAll(*loaded);
    for (std::size_t i = 0; i < places.size(); ++i)
        EXPECT_EQ(loaded->nodes()[i]->bounds(), places[i]) << i;
}

}  // namespace
}  // namespace nodeloom
