#pragma once

#include <memory>
#include <optional>
#include <string>
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
struct ItemSnapshot {
    explicit ItemSnapshot(const DiagramItem& i)
        : zIndex(i.zIndex()),
          tag(i.tag()),
          text(i.text()),
          textColor(i.textColor()),
          fontName(i.fontName()),
          fontSize(i.fontSize()),
          fontUnit(i.fontUnit()),
          ignoreLayout(i.ignoreLayout()),
          brush(i.brush()),
          stroke(i.stroke()),
          dash(i.strokeDashStyle()),
          thickness(i.strokeThickness()),
          selected(i.selected()),
          visible(i.visible()),
          locked(i.locked()),
          style(i.style()),
          horizontal(i.horizontalTextAlignment()),
          vertical(i.verticalTextAlignment()),
          handles(i.handlesStyle()),
          attached(i.attachedNodes()) {}
    bool operator==(const ItemSnapshot&) const = default;

    int zIndex;
    std::string tag, text;
    std::shared_ptr<Color> textColor;
    std::string fontName;
    double fontSize;
    std::shared_ptr<MeasureUnit> fontUnit;
    bool ignoreLayout;
    std::shared_ptr<Brush> brush;
    std::shared_ptr<Color> stroke;
    DashStyle dash;
    double thickness;
    bool selected, visible, locked;
    std::shared_ptr<Style> style;
    HorizontalAlignment horizontal;
    VerticalAlignment vertical;
    HandlesStyle handles;
    std::vector<std::shared_ptr<DiagramNode>> attached;
};

inline void fillWithDistinctValues(DiagramItem& item) {
    item.setZIndex(4);
    item.setTag("tag");
    item.setText("text");
    item.setTextColor(std::make_shared<Color>(0.2, 0.4, 0.6));
    item.setFontName("Serif");
    item.setFontSize(12.5);
    item.setFontUnit(MeasureUnit::Millimeter());
    item.setIgnoreLayout(true);
    item.setBrush(std::make_shared<SolidColorBrush>(std::make_shared<Color>(0.0, 0.5, 1.0)));
    item.setStroke(std::make_shared<Color>(1.0, 0.0, 0.5));
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

inline void fillWithOtherValues(DiagramItem& item) {
    item.setZIndex(9);
    item.setTag("other");
    item.setText("other");
    item.setTextColor(Colors::Red());
    item.setFontName("Mono");
    item.setFontSize(7);
    item.setFontUnit(nullptr);
    item.setIgnoreLayout(false);
    item.setBrush(nullptr);
    item.setStroke(Colors::Green());
    item.setStrokeDashStyle(DashStyle::solid);
    item.setStrokeThickness(0.5);
    item.setSelected(false);
    item.setVisible(true);
    item.setLocked(false);
    item.setStyle(nullptr);
    item.setHorizontalTextAlignment(HorizontalAlignment::left);
    item.setVerticalTextAlignment(VerticalAlignment::top);
    item.setHandlesStyle(HandlesStyle::squareHandles);
}

}  // namespace nodeloom::test
