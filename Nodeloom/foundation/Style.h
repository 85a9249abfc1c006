#pragma once

#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/RawValue.h"

namespace nodeloom {

class Brush;
class Color;
class MeasureUnit;
class XmlValueContext;
class XmlElement;

enum class VerticalAlignment { top = 0, center = 1, bottom = 2 };
enum class HorizontalAlignment { left = 0, center = 1, right = 2 };
// Alignment of link labels along and across their anchor.
enum class Align { near = 0, center = 1, far = 2 };
enum class Orientation { auto_ = 0, horizontal = 1, vertical = 2 };
// How the document draws its alignment grid.
enum class GridStyle { points = 0, lines = 1 };

template <>
inline std::optional<VerticalAlignment> fromRaw<VerticalAlignment>(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<VerticalAlignment>(raw);
}
template <>
inline std::optional<HorizontalAlignment> fromRaw<HorizontalAlignment>(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<HorizontalAlignment>(raw);
}
template <>
inline std::optional<Align> fromRaw<Align>(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<Align>(raw);
}
template <>
inline std::optional<Orientation> fromRaw<Orientation>(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<Orientation>(raw);
}
template <>
inline std::optional<GridStyle> fromRaw<GridStyle>(int raw) {
    if (raw < 0 || raw > 1) return std::nullopt;
    return static_cast<GridStyle>(raw);
}

// A bundle of optional appearance values. Each value has an unset marker (a null brush or unit,
// the empty colour, -1, the empty string) so that an item can ask every style on its fallback
// chain whether it decides that value; the two text alignments always count as set.
//
// Styles are shared by reference and compare by identity: two styles with equal values are
// different objects. Copying a style (the copy constructor) is shallow: the copy refers to the
// same brush, colour and unit objects as its prototype.
class Style : public Object {
public:
    Style();
    Style(const Style& prototype) = default;
    Style& operator=(const Style&) = delete;
    ~Style() override;

    // Reads the property elements of a style element. The two brushes are cleared first, even
    // when there is no element; every value the element does not name keeps its value, and a
    // colour whose brush reference does not resolve is left as it was.
    virtual void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlValueContext& context);
    // Writes the set values as the property elements that loadFromXml reads, with brushes and
    // colours written inline, so that a style stands on its own outside a document.
    virtual void saveToXml(const std::shared_ptr<XmlElement>& element) const;

    bool hasBrush() const { return brush_ != nullptr; }
    bool hasBackBrush() const { return backBrush_ != nullptr; }
    bool hasStroke() const;
    bool hasStrokeThickness() const { return strokeThickness_ != -1.0; }
    bool hasTextColor() const;
    bool hasFontName() const { return !fontName_.empty(); }
    bool hasFontSize() const { return fontSize_ != -1.0; }
    bool hasFontUnit() const { return fontUnit_ != nullptr; }
    bool hasVerticalTextAlignment() const { return true; }
    bool hasHorizontalTextAlignment() const { return true; }
    bool hasHeadStroke() const;
    bool hasHeadStrokeThickness() const { return headStrokeThickness_ != -1.0; }

    const std::shared_ptr<Brush>& brush() const { return brush_; }
    void setBrush(std::shared_ptr<Brush> value) { brush_ = std::move(value); }
    const std::shared_ptr<Brush>& backBrush() const { return backBrush_; }
    void setBackBrush(std::shared_ptr<Brush> value) { backBrush_ = std::move(value); }
    // The colour setters take null as "unset" and store the shared empty colour, so that a
    // colour getter never answers null.
    const std::shared_ptr<Color>& stroke() const { return stroke_; }
    void setStroke(std::shared_ptr<Color> value);
    double strokeThickness() const { return strokeThickness_; }
    // Numbers that are not finite are refused.
    void setStrokeThickness(double value) {
        if (std::isfinite(value)) strokeThickness_ = value;
    }
    const std::shared_ptr<Color>& textColor() const { return textColor_; }
    void setTextColor(std::shared_ptr<Color> value);
    const std::string& fontName() const { return fontName_; }
    void setFontName(std::string value) { fontName_ = std::move(value); }
    double fontSize() const { return fontSize_; }
    void setFontSize(double value) {
        if (std::isfinite(value)) fontSize_ = value;
    }
    const std::shared_ptr<MeasureUnit>& fontUnit() const { return fontUnit_; }
    void setFontUnit(std::shared_ptr<MeasureUnit> value) { fontUnit_ = std::move(value); }
    VerticalAlignment verticalTextAlignment() const { return verticalTextAlignment_; }
    void setVerticalTextAlignment(VerticalAlignment value) { verticalTextAlignment_ = value; }
    HorizontalAlignment horizontalTextAlignment() const { return horizontalTextAlignment_; }
    void setHorizontalTextAlignment(HorizontalAlignment value) { horizontalTextAlignment_ = value; }
    const std::shared_ptr<Color>& headStroke() const { return headStroke_; }
    void setHeadStroke(std::shared_ptr<Color> value);
    double headStrokeThickness() const { return headStrokeThickness_; }
    void setHeadStrokeThickness(double value) {
        if (std::isfinite(value)) headStrokeThickness_ = value;
    }

private:
    std::shared_ptr<Brush> brush_;
    std::shared_ptr<Brush> backBrush_;
    std::shared_ptr<Color> stroke_;
    double strokeThickness_ = -1.0;
    std::shared_ptr<Color> textColor_;
    std::string fontName_;
    double fontSize_ = -1.0;
    std::shared_ptr<MeasureUnit> fontUnit_;
    VerticalAlignment verticalTextAlignment_ = VerticalAlignment::center;
    HorizontalAlignment horizontalTextAlignment_ = HorizontalAlignment::center;
    std::shared_ptr<Color> headStroke_;
    double headStrokeThickness_ = -1.0;
};

}  // namespace nodeloom
