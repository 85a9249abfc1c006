#pragma once

#include <any>
#include <memory>
#include <optional>

#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/RawValue.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class Canvas;

// The shape of the small mark that shows an anchor point.
enum class MarkStyle {
    node = 0,
    cross = 1,
    x = 2,
    circle = 3,
    rectangle = 4,
    custom = 5,
};

// When a document shows the anchor marks of its nodes. There is no case with the raw value 3.
enum class ShowAnchors {
    always = 0,
    never = 1,
    auto_ = 2,
    selected = 4,
};

// How an automatic layout treats the anchors of link ends.
enum class Anchoring {
    ignore,
    keep,
    reassign,
};

template <>
std::optional<MarkStyle> fromRaw<MarkStyle>(int raw);
template <>
std::optional<ShowAnchors> fromRaw<ShowAnchors>(int raw);

// A place on a node where link ends may attach, relative to the node's box. Points are shared by
// the patterns that hold them; changing a point repaints nothing.
class AnchorPoint {
public:
    AnchorPoint(double x, double y);
    AnchorPoint(double x, double y, bool allowIncoming, bool allowOutgoing);
    AnchorPoint(double x, double y, bool allowIncoming, bool allowOutgoing, MarkStyle markStyle);
    AnchorPoint(double x, double y, bool allowIncoming, bool allowOutgoing, MarkStyle markStyle,
                std::shared_ptr<Color> color);
    AnchorPoint(double x, double y, bool allowIncoming, bool allowOutgoing,
                std::shared_ptr<Color> color, int col);
    AnchorPoint(double x, double y, bool allowIncoming, bool allowOutgoing,
                std::shared_ptr<Color> color, int col, std::any tag);
    virtual ~AnchorPoint() = default;

    // Draws the mark centred on the point's place in the node bounds, turned with the node about
    // the pivot; the mark itself stays axis-aligned and is one device pixel wide.
    virtual void draw(Canvas& canvas, const Rect& nodeBounds, const Point& pivot, double angle,
                      double markSize) const;

    // A coordinate that is not finite is refused.
    double x() const { return x_; }
    void setX(double x) {
        if (isFinite(x)) x_ = x;
    }
    double y() const { return y_; }
    void setY(double y) {
        if (isFinite(y)) y_ = y;
    }
    bool allowIncoming() const { return allowIncoming_; }
    void setAllowIncoming(bool value) { allowIncoming_ = value; }
    bool allowOutgoing() const { return allowOutgoing_; }
    void setAllowOutgoing(bool value) { allowOutgoing_ = value; }
    MarkStyle markStyle() const { return markStyle_; }
    void setMarkStyle(MarkStyle style) { markStyle_ = style; }
    // Never null.
    const std::shared_ptr<Color>& color() const { return color_; }
    // A null colour is ignored.
    void setColor(std::shared_ptr<Color> color);
    int col() const { return col_; }
    void setCol(int col) { col_ = col; }
    // Host data of any type; empty when none. A string travels with documents.
    const std::any& tag() const { return tag_; }
    void setTag(std::any tag) { tag_ = std::move(tag); }
    const std::any& toolTip() const { return toolTip_; }
    void setToolTip(std::any toolTip) { toolTip_ = std::move(toolTip); }
    UnitType xUnit() const { return xUnit_; }
    void setXUnit(UnitType unit) { xUnit_ = unit; }
    UnitType yUnit() const { return yUnit_; }
    void setYUnit(UnitType unit) { yUnit_ = unit; }

private:
    double x_;
    double y_;
    bool allowIncoming_ = true;
    bool allowOutgoing_ = true;
    MarkStyle markStyle_ = MarkStyle::x;
    std::shared_ptr<Color> color_;
    int col_ = -1;
    std::any tag_;
    std::any toolTip_;
    UnitType xUnit_ = UnitType::percentage;
    UnitType yUnit_ = UnitType::percentage;
};

}  // namespace nodeloom
