#pragma once

#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/ImageAlign.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/Style.h"

namespace nodeloom {

namespace platform {
class ImageSurface;
}
class Canvas;
class TableNode;
class XmlContext;
class XmlElement;

// What a table cell adopts: a kind of cell can make a new cell of its own kind, with every
// default, as its constructor without arguments does.
class CellProtocol {
public:
    virtual ~CellProtocol() = default;
    virtual std::shared_ptr<CellProtocol> makeDefault() const = 0;

protected:
    CellProtocol() = default;
    CellProtocol(const CellProtocol&) = default;
    CellProtocol& operator=(const CellProtocol&) = default;
};

// One cell of a table: its text, fill, image and font, and how many columns and rows it covers.
// A copy shares the brush, the text colour and the image of its source: changing a component of
// the colour changes both cells.
class Cell : public CellProtocol {
public:
    Cell() = default;
    Cell(const Cell& source) = default;
    Cell& operator=(const Cell& source) = default;
    ~Cell() override = default;

    // A new cell with the defaults, not a copy of this one.
    std::shared_ptr<CellProtocol> makeDefault() const override { return std::make_shared<Cell>(); }

    // Draws the cell into rect (node-local coordinates) with the table's stroke, font and text
    // colour wherever the cell sets none of its own.
    virtual void draw(Canvas& canvas, const Rect& rect, const TableNode& parent);

    // A value the reader cannot use leaves the default; spans missing from the element read as 0.
    virtual void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context);
    virtual void saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context);
    virtual void saveTextToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context);

    const std::string& text() const { return text_; }
    void setText(std::string text) { text_ = std::move(text); }
    VerticalAlignment verticalTextAlignment() const { return verticalTextAlignment_; }
    void setVerticalTextAlignment(VerticalAlignment alignment) {
        verticalTextAlignment_ = alignment;
    }
    HorizontalAlignment horizontalTextAlignment() const { return horizontalTextAlignment_; }
    void setHorizontalTextAlignment(HorizontalAlignment alignment) {
        horizontalTextAlignment_ = alignment;
    }
    const std::shared_ptr<platform::ImageSurface>& image() const { return image_; }
    void setImage(std::shared_ptr<platform::ImageSurface> image) { image_ = std::move(image); }
    ImageAlign imageAlign() const { return imageAlign_; }
    void setImageAlign(ImageAlign align) { imageAlign_ = align; }
    // The columns and rows the cell covers, itself included.
    int columnSpan() const { return columnSpan_; }
    void setColumnSpan(int span) { columnSpan_ = span; }
    int rowSpan() const { return rowSpan_; }
    void setRowSpan(int span) { rowSpan_ = span; }
    // Empty: the table's font.
    const std::string& fontName() const { return fontName_; }
    void setFontName(std::string name) { fontName_ = std::move(name); }
    // A size that is not a finite number is refused.
    double fontSize() const { return fontSize_; }
    void setFontSize(double size) {
        if (std::isfinite(size)) fontSize_ = size;
    }
    // Null: no fill.
    const std::shared_ptr<Brush>& brush() const { return brush_; }
    void setBrush(std::shared_ptr<Brush> brush) { brush_ = std::move(brush); }
    // Null: the table's text colour.
    const std::shared_ptr<Color>& textColor() const { return textColor_; }
    void setTextColor(std::shared_ptr<Color> color) { textColor_ = std::move(color); }

private:
    std::string text_;
    VerticalAlignment verticalTextAlignment_ = VerticalAlignment::center;
    HorizontalAlignment horizontalTextAlignment_ = HorizontalAlignment::left;
    std::shared_ptr<platform::ImageSurface> image_;
    ImageAlign imageAlign_ = ImageAlign::fit;
    int columnSpan_ = 1;
    int rowSpan_ = 1;
    std::string fontName_;
    double fontSize_ = 10.0;
    std::shared_ptr<Brush> brush_;
    std::shared_ptr<Color> textColor_;
};

}  // namespace nodeloom
