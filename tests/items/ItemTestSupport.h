#pragma once

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/items/DiagramItem.h"

namespace nodeloom::test {

struct Marker : Object {};

// An item with a box: it contains the points of its box, or those within the tolerance of it.
class BoxItem : public DiagramItem {
public:
    explicit BoxItem(Rect box) : box(box) {}
    Rect getBoundingRect() override { return box; }
    Rect getBounds() override { return box; }
    bool containsPoint(Point p) override {
        ++plainTests;
        return p.x >= box.x && p.x <= box.x + box.width && p.y >= box.y &&
               p.y <= box.y + box.height;
    }
    bool containsPoint(Point p, double tolerance) override {
        ++toleranceTests;
        return p.x >= box.x - tolerance && p.x <= box.x + box.width + tolerance &&
               p.y >= box.y - tolerance && p.y <= box.y + box.height + tolerance;
    }

    Rect box;
    int plainTests = 0;
    int toleranceTests = 0;
};

// An item that keeps cached crossings, as links do.
class CrossingLink : public BoxItem {
public:
    explicit CrossingLink(Rect box) : BoxItem(box) { reset(); }
    void reset() { runtimeData()[RuntimeDataKey::linkCrossings] = std::make_shared<Marker>(); }
    bool hasCrossings() const { return runtimeData().count(RuntimeDataKey::linkCrossings) != 0; }

protected:
    bool cachesLinkCrossings() const override { return true; }
};

// Records every repaint request of a document: the area, or nothing for the whole document.
struct RepaintLog {
    explicit RepaintLog(Diagram& diagram) {
        diagram.repaint() +=
            [this](Object&, RepaintEventArgs& a) { rects.push_back(a.invalidRect()); };
    }
    std::vector<std::optional<Rect>> rects;
};

// Replaces the process-wide default theme for one test with a theme that sets nothing an item
// looks up, and puts the old one back afterwards.
class ScopedDefaultTheme {
public:
    ScopedDefaultTheme() : saved_(ThemeStatic::defaultStyles()) {
        auto bare = std::make_shared<Theme>();
        bare->styles()["Unrelated"] = std::make_shared<Style>();
        ThemeStatic::setDefaultStyles(bare);
    }
    ~ScopedDefaultTheme() { ThemeStatic::setDefaultStyles(saved_); }

private:
    std::shared_ptr<Theme> saved_;
};

// The twenty properties an item's state carries, by object identity where the state shares.
inline auto snapshot(const DiagramItem& i) {
    return std::make_tuple(i.zIndex(), i.tag(), i.text(), i.textColor(), i.fontName(), i.fontSize(),
                           i.fontUnit(), i.ignoreLayout(), i.brush(), i.stroke(),
                           i.strokeDashStyle(), i.strokeThickness(), i.selected(), i.visible(),
                           i.locked(), i.style(), i.horizontalTextAlignment(),
                           i.verticalTextAlignment(), i.handlesStyle(), i.attachedNodes());
}

// Colours are whole multiples of 1/255, which the file form keeps exactly.
inline void fillWithDistinctValues(DiagramItem& item) {
    item.setZIndex(4);
    item.setTag("tag");
    item.setText("text");
    item.setTextColor(Color::fromRGB(51, 102, 153));
    item.setFontName("Serif");
    item.setFontSize(12.5);
    item.setFontUnit(MeasureUnit::Millimeter());
    item.setIgnoreLayout(true);
    item.setBrush(std::make_shared<SolidColorBrush>(Color::fromRGB(0, 128, 255)));
    item.setStroke(Color::fromRGB(255, 0, 128));
    item.setStrokeDashStyle(DashStyle::dashDot);
    item.setStrokeThickness(2.5);
    item.setSelected(true);
    item.setVisible(false);
    item.setLocked(true);
    item.setStyle(std::make_shared<Style>());
    item.setHorizontalTextAlignment(HorizontalAlignment::right);
    item.setVerticalTextAlignment(VerticalAlignment::bottom);
    item.setHandlesStyle(HandlesStyle::invisible);
}

}  // namespace nodeloom::test
