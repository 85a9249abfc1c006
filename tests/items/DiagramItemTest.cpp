#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "ItemTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramItemState.h"

using namespace nodeloom;
using namespace nodeloom::test;

TEST(DiagramItem, NewItemSetsItsOwnStrokeAndLeavesTheRestToStyles) {
    DiagramItem item;
    EXPECT_TRUE(item.textColor()->isEmpty());
    EXPECT_EQ(item.fontSize(), -1.0);
    EXPECT_EQ(item.fontUnit(), nullptr);
    EXPECT_EQ(item.brush(), nullptr);
    EXPECT_EQ(item.stroke(), Colors::Black());
    EXPECT_EQ(item.strokeThickness(), 1.0);
    EXPECT_TRUE(item.visible());
    EXPECT_TRUE(item.standalone());
    EXPECT_EQ(item.getClassType().name(), "std:DiagramItem");
    EXPECT_NE(item.getClassType().getInstance(), nullptr);
}

TEST(DiagramItem, EffectiveValuesOfAPlainItemComeFromTheDefaultTheme) {
    DiagramItem item;
    EXPECT_EQ(item.getEffectiveFontName(), "ArialMT");
    EXPECT_EQ(item.getEffectiveFontSize(), 10.0);
    EXPECT_EQ(item.getEffectiveFontUnit(), MeasureUnit::Point());
    EXPECT_EQ(*item.getEffectiveTextColor(), *Colors::Black());
    // The item's own stroke and thickness are set from the start.
    EXPECT_EQ(item.getEffectiveStroke(), item.stroke());
    EXPECT_EQ(item.getEffectiveStrokeThickness(), 1.0);
}

TEST(DiagramItem, FixedValuesWhenNoStyleSetsAnything) {
    ScopedDefaultTheme bare;  // a default theme with nothing the item looks up
    DiagramItem item;
    EXPECT_EQ(item.getEffectiveFontName(), "ArialMT");
    EXPECT_EQ(item.getEffectiveFontSize(), 10.0);
    EXPECT_EQ(item.getEffectiveFontUnit(), MeasureUnit::Point());
    EXPECT_EQ(item.getEffectiveTextColor(), Colors::Black());
    item.setStroke(Colors::Empty());
    EXPECT_EQ(item.getEffectiveStroke(), Colors::White());
    item.setStrokeThickness(-1);
    EXPECT_EQ(item.getEffectiveStrokeThickness(), 0.0);
    auto first = item.getEffectiveBrush();
    auto second = item.getEffectiveBrush();
    EXPECT_NE(first, second);
    EXPECT_EQ(first->toColor(), Colors::White());
}

TEST(DiagramItem, StyleChainOrder) {
    auto diagram = std::make_shared<Diagram>();
    auto item = std::make_shared<DiagramItem>();
    item->setDiagram(diagram);

    auto themed = std::make_shared<Theme>();
    auto fromDiagramKey = std::make_shared<Style>();
    fromDiagramKey->setFontSize(11);
    fromDiagramKey->setFontName("Theme Diagram");
    auto fromItemKey = std::make_shared<Style>();
    fromItemKey->setFontSize(12);
    themed->styles()["Diagram"] = fromDiagramKey;
    themed->styles()["DiagramItem"] = fromItemKey;
    diagram->setTheme(themed);
    // "DiagramItem" is asked before "Diagram"; a style that lacks the value is passed over.
    EXPECT_EQ(item->getEffectiveFontSize(), 12.0);
    EXPECT_EQ(item->getEffectiveFontName(), "Theme Diagram");

    auto documentStyle = std::make_shared<Style>();
    documentStyle->setFontSize(13);
    diagram->setStyle(documentStyle);
    EXPECT_EQ(item->getEffectiveFontSize(), 13.0);

    auto own = std::make_shared<Style>();
    own->setFontSize(14);
    item->setStyle(own);
    EXPECT_EQ(item->getEffectiveFontSize(), 14.0);

    item->setFontSize(15);
    EXPECT_EQ(item->getEffectiveFontSize(), 15.0);
}

TEST(DiagramItem, OwnStrokeWinsUntilUnset) {
    auto diagram = std::make_shared<Diagram>();
    auto style = std::make_shared<Style>();
    style->setStrokeThickness(5);
    style->setStroke(Colors::Red());
    diagram->setStyle(style);
    auto item = std::make_shared<DiagramItem>();
    item->setDiagram(diagram);
    EXPECT_EQ(item->getEffectiveStrokeThickness(), 1.0);
    EXPECT_EQ(item->getEffectiveStroke(), Colors::Black());
    item->setStrokeThickness(-1);
    item->setStroke(std::make_shared<Color>(-1.0, -1.0, -1.0, -1.0));
    EXPECT_EQ(item->getEffectiveStrokeThickness(), 5.0);
    EXPECT_EQ(item->getEffectiveStroke(), Colors::Red());
}

TEST(DiagramItem, EffectiveAlignmentsIgnoreEveryStyle) {
    DiagramItem item;
    auto style = std::make_shared<Style>();
    style->setVerticalTextAlignment(VerticalAlignment::bottom);
    style->setHorizontalTextAlignment(HorizontalAlignment::right);
    item.setStyle(style);
    item.setVerticalTextAlignment(VerticalAlignment::top);
    EXPECT_EQ(item.getEffectiveVerticalTextAlignment(), VerticalAlignment::top);
    EXPECT_EQ(item.getEffectiveHorizontalTextAlignment(), HorizontalAlignment::center);
}

TEST(DiagramItem, RepaintRectangleWithAndWithoutADocument) {
    auto item = std::make_shared<BoxItem>(Rect(10, 10, 20, 20));
    EXPECT_EQ(item->getRepaintRect(), Rect(9, 9, 22, 22));
    auto diagram = std::make_shared<Diagram>();
    item->setDiagram(diagram);
    EXPECT_EQ(item->getRepaintRect(), Rect(7, 7, 26, 26));
}

TEST(DiagramItem, AppearanceSettersRepaintTheAreaAfterStoring) {
    auto diagram = std::make_shared<Diagram>();
    RepaintLog log(*diagram);
    auto item = std::make_shared<BoxItem>(Rect(10, 10, 20, 20));
    item->setDiagram(diagram);

    item->setStrokeThickness(3);  // the wider stroke widens the area already
    ASSERT_EQ(log.rects.size(), 1u);
    EXPECT_EQ(log.rects[0], std::optional<Rect>(Rect(5, 5, 30, 30)));

    item->setText("a");
    item->setText("a");  // no comparison with the old value
    item->setTextColor(Colors::Red());
    item->setFontName("x");
    item->setFontSize(3);
    item->setFontUnit(MeasureUnit::Inch());
    item->setVerticalTextAlignment(VerticalAlignment::top);
    item->setHorizontalTextAlignment(HorizontalAlignment::left);
    item->setVisible(true);
    item->setHandlesStyle(HandlesStyle::invisible);
    item->setStroke(Colors::Blue());
    item->setStrokeDashStyle(DashStyle::dot);
    item->setBrush(nullptr);
    item->setStyle(nullptr);
    item->repaint();
    EXPECT_EQ(log.rects.size(), 16u);
    EXPECT_FALSE(diagram->zOrderInvalid());
}

TEST(DiagramItem, FlagsOnlyStore) {
    auto diagram = std::make_shared<Diagram>();
    RepaintLog log(*diagram);
    auto item = std::make_shared<DiagramItem>();
    item->setDiagram(diagram);
    item->setSelected(true);
    item->setLocked(true);
    item->setTag("t");
    item->setStandalone(false);
    item->setIgnoreLayout(true);
    EXPECT_TRUE(log.rects.empty());
    EXPECT_TRUE(item->selected());
    EXPECT_EQ(item->tag(), "t");

    DiagramItem loose;
    loose.setText("no document");  // stores, nothing else
    EXPECT_EQ(loose.text(), "no document");
}

TEST(DiagramItem, ZIndexAndLayerReorderTheWholeDocument) {
    auto diagram = std::make_shared<Diagram>();
    RepaintLog log(*diagram);
    auto item = std::make_shared<DiagramItem>();
    item->setDiagram(diagram);
    item->setZIndex(item->zIndex());  // unchanged, still effective
    EXPECT_TRUE(diagram->zOrderInvalid());
    ASSERT_EQ(log.rects.size(), 1u);
    EXPECT_FALSE(log.rects[0].has_value());
    diagram->setZOrderInvalid(false);
    item->setLayerIndex(0);
    EXPECT_TRUE(diagram->zOrderInvalid());
    EXPECT_EQ(log.rects.size(), 2u);
}

TEST(DiagramItem, NonFiniteNumbersAndMissingColoursKeepTheItemSound) {
    DiagramItem item;
    item.setStrokeThickness(std::numeric_limits<double>::quiet_NaN());
    item.setFontSize(std::numeric_limits<double>::infinity());
    EXPECT_EQ(item.strokeThickness(), 1.0);
    EXPECT_EQ(item.fontSize(), -1.0);
    item.setTextColor(nullptr);
    item.setStroke(nullptr);
    EXPECT_TRUE(item.textColor()->isEmpty());
    EXPECT_TRUE(item.stroke()->isEmpty());
    EXPECT_EQ(*item.getEffectiveTextColor(), *Colors::Black());
}

TEST(DiagramItemHitTest, FilterIsAskedOnlyForAnItemThatContainsThePoint) {
    auto item = std::make_shared<BoxItem>(Rect(0, 0, 10, 10));
    int asked = 0;
    auto yes = [&](DiagramItem&) {
        ++asked;
        return true;
    };
    EXPECT_EQ(item->hitTest(Point(20, 20), yes), nullptr);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(item->hitTest(Point(5, 5), yes), item);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(item->hitTest(Point(5, 5), [](DiagramItem&) { return false; }), nullptr);
}

TEST(DiagramItemHitTest, VisibilityAndInteractivityComeFromTheDocument) {
    auto diagram = std::make_shared<Diagram>();
    auto item = std::make_shared<BoxItem>(Rect(0, 0, 10, 10));
    item->setDiagram(diagram);
    item->setLocked(true);
    EXPECT_EQ(item->hitTest(Point(5, 5), 0, false, true), nullptr);
    EXPECT_EQ(item->hitTest(Point(5, 5), 0, true, false), item);  // onlyNodes is the caller's
    diagram->layers().push_back(std::make_shared<Layer>());
    diagram->layers()[0]->setVisible(false);
    item->setLayerIndex(0);
    EXPECT_EQ(item->hitTest(Point(5, 5), 0, false, false), nullptr);
    EXPECT_EQ(item->hitTest(Point(5, 5), nullptr), nullptr);
    // Without a document nothing hides the item.
    item->setDiagram(nullptr);
    EXPECT_EQ(item->hitTest(Point(5, 5), nullptr), item);
}

TEST(DiagramItemHitTest, ThresholdChoosesTheContainmentTest) {
    auto item = std::make_shared<BoxItem>(Rect(0, 0, 10, 10));
    EXPECT_EQ(item->hitTest(Point(12, 5), 0, false, false), nullptr);
    EXPECT_EQ(item->plainTests, 1);
    EXPECT_EQ(item->hitTest(Point(12, 5), 3, false, false), item);
    EXPECT_EQ(item->toleranceTests, 1);
    EXPECT_EQ(item->hitTest(Point(12, 5), -1, false, false), nullptr);
    EXPECT_EQ(item->plainTests, 2);
}

TEST(DiagramItemState, SaveChangeRestoreGivesEveryPropertyBack) {
    auto diagram = std::make_shared<Diagram>();
    auto item = std::make_shared<DiagramItem>();
    item->setDiagram(diagram);
    fillWithDistinctValues(*item);
    item->setLayerIndex(3);
    const auto before = snapshot(*item);

    auto state = item->saveState();
    EXPECT_EQ(state->brush(), item->brush());  // the objects themselves, not copies
    EXPECT_EQ(state->bounds(), Rect());

    item->restoreState(*DiagramItem().saveState());  // every value differs from the filled ones
    item->setLayerIndex(5);
    EXPECT_NE(snapshot(*item), before);

    diagram->setZOrderInvalid(false);
    item->restoreState(*state);
    EXPECT_EQ(snapshot(*item), before);
    EXPECT_EQ(item->layerIndex(), 5);  // not part of the snapshot
    EXPECT_TRUE(diagram->zOrderInvalid());

    auto location = item->saveLocation();
    ASSERT_NE(location, nullptr);
    item->restoreLocation(*location);
    EXPECT_EQ(snapshot(*item), before);
}

TEST(DiagramItemLinkCrossings, NothingWithoutRectDocumentOrCrossingMode) {
    auto diagram = std::make_shared<Diagram>();
    auto node = std::make_shared<BoxItem>(Rect(0, 0, 10, 10));
    auto link = std::make_shared<CrossingLink>(Rect(0, 0, 10, 10));
    diagram->attachItem(node, true);
    diagram->attachItem(link, true);
    node->runtimeData()[RuntimeDataKey::linkCrossings] = std::make_shared<Marker>();

    node->invalidateLinkCrossings(Rect(0, 0, 10, 10));  // straight mode
    EXPECT_TRUE(link->hasCrossings());
    EXPECT_EQ(node->runtimeData().size(), 1u);
    diagram->setLinkCrossings(LinkCrossings::arc);
    node->invalidateLinkCrossings(std::nullopt);
    EXPECT_TRUE(link->hasCrossings());
    node->invalidateLinkCrossings(Rect(0, 0, 10, 10));
    EXPECT_FALSE(link->hasCrossings());
    EXPECT_TRUE(node->runtimeData().empty());
}

TEST(DiagramItemLinkCrossings, ArcDropsLinksAboveAndCutLinksBelow) {
    auto diagram = std::make_shared<Diagram>();
    auto below = std::make_shared<CrossingLink>(Rect(0, 0, 10, 10));
    auto node = std::make_shared<BoxItem>(Rect(0, 0, 10, 10));
    auto above = std::make_shared<CrossingLink>(Rect(0, 0, 10, 10));
    auto far = std::make_shared<CrossingLink>(Rect(50, 50, 10, 10));
    for (const auto& item : std::vector<std::shared_ptr<DiagramItem>>{below, node, above, far}) {
        diagram->attachItem(item, true);
    }
    diagram->setZOrderInvalid(false);
    node->setRuntimeIndex(-1);  // stale: the item renumbers the document first

    diagram->setLinkCrossings(LinkCrossings::arc);
    node->invalidateLinkCrossings(Rect(10, 10, 5, 5));  // touches the links' corner only
    EXPECT_TRUE(below->hasCrossings());
    EXPECT_FALSE(above->hasCrossings());
    EXPECT_TRUE(far->hasCrossings());
    EXPECT_EQ(node->runtimeIndex(), 1);

    above->reset();
    diagram->setLinkCrossings(LinkCrossings::cut);
    node->invalidateLinkCrossings(Rect(10, 10, 5, 5));
    EXPECT_FALSE(below->hasCrossings());
    EXPECT_TRUE(above->hasCrossings());
}

TEST(DiagramItemLinkCrossings, InvalidOrderOrStandaloneItemsReachEveryLink) {
    auto diagram = std::make_shared<Diagram>();
    auto below = std::make_shared<CrossingLink>(Rect(0, 0, 10, 10));
    auto node = std::make_shared<BoxItem>(Rect(0, 0, 10, 10));
    diagram->attachItem(below, true);
    diagram->attachItem(node, true);
    diagram->setLinkCrossings(LinkCrossings::arc);
    node->invalidateLinkCrossings(Rect(0, 0, 1, 1));  // order not sorted yet
    EXPECT_FALSE(below->hasCrossings());

    below->reset();
    diagram->setZOrderInvalid(false);
    diagram->setLinkCrossings(LinkCrossings::cut);
    auto loose = std::make_shared<BoxItem>(Rect(0, 0, 10, 10));
    loose->setDiagram(diagram);  // standalone: counts as above everything
    loose->invalidateLinkCrossings(Rect(0, 0, 1, 1));
    EXPECT_FALSE(below->hasCrossings());
}
