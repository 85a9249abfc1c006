#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/DashStyle.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/items/HandlesStyle.h"

namespace nodeloom {

class DiagramNode;

// A snapshot of the properties every item shares, taken for undo. It holds the item's colour,
// brush, style and unit objects themselves, not copies. Each item kind derives its own state
// class and fills its own fields after the common ones.
class DiagramItemState {
public:
    DiagramItemState();
    virtual ~DiagramItemState();

    DiagramItemState(const DiagramItemState&) = delete;
    DiagramItemState& operator=(const DiagramItemState&) = delete;

    const Rect& bounds() const { return bounds_; }
    void setBounds(const Rect& bounds) { bounds_ = bounds; }
    int zIndex() const { return zIndex_; }
    void setZIndex(int zIndex) { zIndex_ = zIndex; }
    const std::string& tag() const { return tag_; }
    void setTag(std::string tag) { tag_ = std::move(tag); }
    const std::string& text() const { return text_; }
    void setText(std::string text) { text_ = std::move(text); }
    const std::shared_ptr<Color>& textColor() const { return textColor_; }
    void setTextColor(std::shared_ptr<Color> color) { textColor_ = std::move(color); }
    const std::string& fontName() const { return fontName_; }
    void setFontName(std::string name) { fontName_ = std::move(name); }
    double fontSize() const { return fontSize_; }
    void setFontSize(double size) { fontSize_ = size; }
    const std::shared_ptr<MeasureUnit>& fontUnit() const { return fontUnit_; }
    void setFontUnit(std::shared_ptr<MeasureUnit> unit) { fontUnit_ = std::move(unit); }
    bool ignoreLayout() const { return ignoreLayout_; }
    void setIgnoreLayout(bool ignore) { ignoreLayout_ = ignore; }
    const std::shared_ptr<Brush>& brush() const { return brush_; }
    void setBrush(std::shared_ptr<Brush> brush) { brush_ = std::move(brush); }
    const std::shared_ptr<Color>& stroke() const { return stroke_; }
    void setStroke(std::shared_ptr<Color> color) { stroke_ = std::move(color); }
    DashStyle strokeDashStyle() const { return strokeDashStyle_; }
    void setStrokeDashStyle(DashStyle style) { strokeDashStyle_ = style; }
    double strokeThickness() const { return strokeThickness_; }
    void setStrokeThickness(double thickness) { strokeThickness_ = thickness; }
    bool selected() const { return selected_; }
    void setSelected(bool selected) { selected_ = selected; }
    bool visible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }
    bool locked() const { return locked_; }
    void setLocked(bool locked) { locked_ = locked; }
    const std::shared_ptr<Style>& style() const { return style_; }
    void setStyle(std::shared_ptr<Style> style) { style_ = std::move(style); }
    VerticalAlignment verticalTextAlignment() const { return verticalTextAlignment_; }
    void setVerticalTextAlignment(VerticalAlignment a) { verticalTextAlignment_ = a; }
    HorizontalAlignment horizontalTextAlignment() const { return horizontalTextAlignment_; }
    void setHorizontalTextAlignment(HorizontalAlignment a) { horizontalTextAlignment_ = a; }
    HandlesStyle handlesStyle() const { return handlesStyle_; }
    void setHandlesStyle(HandlesStyle style) { handlesStyle_ = style; }
    const std::vector<std::shared_ptr<DiagramNode>>& attachedNodes() const {
        return attachedNodes_;
    }
    void setAttachedNodes(std::vector<std::shared_ptr<DiagramNode>> nodes) {
        attachedNodes_ = std::move(nodes);
    }

private:
    Rect bounds_;
    int zIndex_ = -1;
    std::string tag_;
    std::string text_;
    std::shared_ptr<Color> textColor_;
    std::string fontName_;
    double fontSize_ = 0.0;
    std::shared_ptr<MeasureUnit> fontUnit_;
    bool ignoreLayout_ = false;
    std::shared_ptr<Brush> brush_;
    std::shared_ptr<Color> stroke_;
    DashStyle strokeDashStyle_ = DashStyle::solid;
    double strokeThickness_ = 0.0;
    bool selected_ = false;
    bool visible_ = true;
    bool locked_ = false;
    std::shared_ptr<Style> style_;
    VerticalAlignment verticalTextAlignment_ = VerticalAlignment::center;
    HorizontalAlignment horizontalTextAlignment_ = HorizontalAlignment::center;
    HandlesStyle handlesStyle_ = HandlesStyle::squareHandles;
    std::vector<std::shared_ptr<DiagramNode>> attachedNodes_;
};

}  // namespace nodeloom
