#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "DocumentTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/items/DiagramItem.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

struct Repaints {
    explicit Repaints(Diagram& d) {
        d.repaint() += [this](Object&, RepaintEventArgs& a) { rects.push_back(a.invalidRect()); };
    }
    std::vector<std::optional<Rect>> rects;
};

}  // namespace

TEST(Diagram, NewDocumentDefaults) {
    auto d = std::make_shared<Diagram>();
    EXPECT_EQ(d->bounds(), Rect(0, 0, 210, 297));
    EXPECT_EQ(d->measureUnit(), MeasureUnit::Millimeter());
    EXPECT_EQ(std::make_tuple(d->gridSizeX(), d->gridSizeY(), d->showGrid(), d->alignToGrid()),
              std::make_tuple(4.0, 4.0, false, true));
    EXPECT_EQ(*d->gridColor(), Color(1.0, 140.0 / 255, 140.0 / 255, 150.0 / 255));
    EXPECT_EQ(std::make_tuple(d->routeMargin(), d->adjustmentHandlesSize(), d->touchThreshold(),
                              d->activeLayer(), d->linkSegments()),
              std::make_tuple(8.0, 2.0, 19.0, -1, 1));
    EXPECT_EQ(d->showAnchors(), ShowAnchors::never);
    EXPECT_TRUE(d->allowSelfLoops());
    EXPECT_FALSE(d->allowUnconnectedLinks());
    EXPECT_FALSE(d->undoEnabled());
    EXPECT_EQ(d->contextMenuCreated().handlers().size(), 1u);
}

TEST(Diagram, EveryNewDocumentReloadsTheSharedShapeLibrary) {
    auto bare = std::make_shared<ShapeLibrary>();
    Diagram::setDefaultShapes(bare);
    auto d = std::make_shared<Diagram>();
    EXPECT_NE(bare->shapeFromId("Ellipse"), nullptr);
    Diagram::setDefaultShapes(nullptr);  // a removed library is made anew and filled
    auto e = std::make_shared<Diagram>();
    EXPECT_NE(Diagram::defaultShapes()->shapeFromId("Ellipse"), nullptr);
}

TEST(Diagram, InvalidateRaisesRepaintForTheWholeDocumentOrOneArea) {
    auto d = std::make_shared<Diagram>();
    Repaints log(*d);
    Object* sender = nullptr;
    d->repaint() += [&](Object& s, RepaintEventArgs&) { sender = &s; };
    d->invalidate();
    d->invalidate(Rect(1, 2, 3, 4));
    d->invalidate(Rect(0, std::numeric_limits<double>::quiet_NaN(), 1, 1));
    ASSERT_EQ(log.rects.size(), 3u);
    EXPECT_FALSE(log.rects[0].has_value());
    EXPECT_EQ(log.rects[1], std::optional<Rect>(Rect(1, 2, 3, 4)));
    EXPECT_FALSE(log.rects[2].has_value());  // a bad area redraws everything
    EXPECT_EQ(sender, d.get());
}

TEST(Diagram, SettingsRepaintOnlyOnChange) {
    auto d = std::make_shared<Diagram>();
    Repaints log(*d);
    d->setBounds(Rect(0, 0, 210, 297));
    d->setMeasureUnit(MeasureUnit::Millimeter());
    d->setStyle(nullptr);
    d->setTheme(nullptr);
    EXPECT_TRUE(log.rects.empty());
    d->setBounds(Rect(0, 0, 210, 300));
    d->setMeasureUnit(MeasureUnit::Inch());
    auto style = std::make_shared<Style>();
    d->setStyle(style);
    d->setStyle(style);
    EXPECT_EQ(log.rects.size(), 3u);

    d->setBounds(Rect(0, 0, std::numeric_limits<double>::infinity(), 1));
    d->setMeasureUnit(nullptr);
    d->setAdjustmentHandlesSize(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(d->bounds(), Rect(0, 0, 210, 300));
    EXPECT_EQ(d->measureUnit(), MeasureUnit::Inch());
    EXPECT_EQ(d->adjustmentHandlesSize(), 2.0);
}

TEST(Diagram, GridAndLinkSettingsRepaintOnlyOnARealChange) {
    auto d = std::make_shared<Diagram>();
    RepaintCounter repaints(*d);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    d->setGridColor(std::make_shared<Color>(1.0, 140.0 / 255, 140.0 / 255, 150.0 / 255));
    d->setGridOffsetX(std::nullopt);
    d->setRoundedLinksRadius(0.0);
    d->setBrush(nullptr);
    d->setGridSizeY(nan);
    d->setGridColor(nullptr);
    EXPECT_EQ(repaints.count, 0);
    EXPECT_EQ(d->gridSizeY(), 4.0);

    d->setGridOffsetX(0.0);  // from "half a cell" to zero is a change
    d->setGridOffsetX(0.0);
    auto brush = std::make_shared<SolidColorBrush>(Colors::Red());
    d->setBrush(brush);
    d->setBrush(brush);
    d->setBrush(std::make_shared<SolidColorBrush>(Colors::Red()));  // another object
    d->setGridStyle(GridStyle::lines);
    d->setAlignToGrid(false);  // stored without a repaint
    EXPECT_EQ(repaints.count, 4);
}

TEST(Diagram, BackgroundBrushFallsBackAlongStyleThemeAndDefaultTheme) {
    auto d = std::make_shared<Diagram>();
    ASSERT_NE(d->getEffectiveBackBrush(), nullptr);
    auto themed = std::make_shared<SolidColorBrush>(Colors::Green());
    d->setTheme(std::make_shared<Theme>());
    d->theme()->styles()["Diagram"] = std::make_shared<Style>();
    d->theme()->styles()["Diagram"]->setBackBrush(themed);
    d->setStyle(std::make_shared<Style>());
    EXPECT_EQ(d->getEffectiveBackBrush(), themed);  // a style without a back brush passes on
    auto styled = std::make_shared<SolidColorBrush>(Colors::Blue());
    d->style()->setBackBrush(styled);
    EXPECT_EQ(d->getEffectiveBackBrush(), styled);
    auto own = std::make_shared<SolidColorBrush>(Colors::Red());
    d->setBrush(own);
    EXPECT_EQ(d->getEffectiveBackBrush(), own);
}

TEST(Diagram, AttachItemAssignsZIndexesAndLayers) {
    auto d = std::make_shared<Diagram>();
    std::vector<std::shared_ptr<DiagramItem>> items;
    for (int i = 0; i < 3; ++i) {
        items.push_back(std::make_shared<DiagramItem>());
        d->attachItem(items.back(), true);
    }
    EXPECT_EQ(items[0]->zIndex(), 0);
    EXPECT_EQ(items[2]->zIndex(), 2);
    EXPECT_FALSE(items[1]->standalone());
    EXPECT_EQ(items[1]->diagram(), d);
    EXPECT_TRUE(d->zOrderInvalid());

    auto kept = std::make_shared<DiagramItem>();
    kept->setZIndex(7);
    d->attachItem(kept, true);
    EXPECT_EQ(kept->zIndex(), 7);
    auto next = std::make_shared<DiagramItem>();
    d->setActiveLayer(0);
    d->attachItem(next, true);
    EXPECT_EQ(next->zIndex(), 4);  // the counter advanced past the kept index
    EXPECT_EQ(next->layerIndex(), 0);
    auto layered = std::make_shared<DiagramItem>();
    layered->setLayerIndex(1);
    d->attachItem(layered, true);
    EXPECT_EQ(layered->layerIndex(), 1);

    d->updateRuntimeIndices();
    EXPECT_EQ(layered->runtimeIndex(), 5);
    EXPECT_EQ(d->items().size(), 6u);

    // A counter read from a file past the range of ranks hands out the largest rank.
    d->setItemCounter(1ull << 40);
    auto late = std::make_shared<DiagramItem>();
    d->attachItem(late, true);
    EXPECT_EQ(late->zIndex(), std::numeric_limits<int>::max());
}

TEST(Diagram, VisibilityInteractivityAndLocking) {
    auto d = std::make_shared<Diagram>();
    DiagramItem item;
    EXPECT_TRUE(d->isItemVisible(item));
    EXPECT_TRUE(d->isItemInteractive(item));
    EXPECT_FALSE(d->isItemLocked(item));

    auto layer = std::make_shared<Layer>();
    d->layers().push_back(layer);
    item.setLayerIndex(0);
    layer->setLocked(true);
    EXPECT_TRUE(d->isItemVisible(item));
    EXPECT_FALSE(d->isItemInteractive(item));
    EXPECT_TRUE(d->isItemLocked(item));
    layer->setLocked(false);
    layer->setVisible(false);
    EXPECT_FALSE(d->isItemVisible(item));
    EXPECT_FALSE(d->isItemInteractive(item));
    EXPECT_FALSE(d->isItemLocked(item));

    item.setLayerIndex(-3);  // an index outside the list counts as no layer
    EXPECT_TRUE(d->isItemVisible(item));
    item.setLocked(true);
    EXPECT_TRUE(d->isItemLocked(item));
    EXPECT_FALSE(d->isItemInteractive(item));
    item.setVisible(false);
    EXPECT_FALSE(d->isItemVisible(item));
}
