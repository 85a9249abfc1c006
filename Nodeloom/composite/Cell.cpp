#include "Nodeloom/composite/Cell.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/XmlElement.h"

namespace nodeloom {

namespace {

// The named integer child; `missing` when there is none or its value does not fit an int.
int readIntOr(const XmlElement& element, std::string_view name, int missing) {
    const std::int64_t value = element.readInteger(name, missing);
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return missing;
    return static_cast<int>(value);
}

double readFiniteOr(const XmlElement& element, std::string_view name, double missing) {
    const double value = element.readDouble(name, missing);
    return std::isfinite(value) ? value : missing;
}

// An enumeration from the named child's raw value; nothing for a missing child or a value that
// names no case.
template <typename E>
std::optional<E> readEnum(const XmlElement& element, std::string_view name, int missing) {
    return fromRaw<E>(readIntOr(element, name, missing));
}

}  // namespace

void Cell::draw(Canvas& canvas, const Rect& rect, const TableNode& parent) {
    if (brush_) {
        canvas.setBrush(brush_);
        canvas.fillRect(rect);
    }
    if (image_) canvas.drawImage(image_, rect, imageAlign_);
    if (parent.cellFrameStyle() == CellFrameStyle::simple) canvas.strokeRect(rect);

    if (fontName_.empty())
        canvas.setFont(parent.getEffectiveFontName(), parent.getEffectiveFontSize(),
                       parent.getEffectiveFontUnit());
    else
        canvas.setFont(fontName_, fontSize_, parent.getEffectiveFontUnit());
    canvas.setTextColor(textColor_ && !textColor_->isEmpty() ? textColor_
                                                              : parent.getEffectiveTextColor());
    const double m = MeasureUnit::Millimeter()->convert(1.0, canvas.measureUnit());
    canvas.drawText(text_, Rect(rect.x + m, rect.y, rect.width - 2 * m, rect.height),
                    horizontalTextAlignment_, verticalTextAlignment_, false, false, false);
}

void Cell::saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    context.writeBrush(brush_, "Brush", element);
    context.writeImage(image_, "Image", element);
    context.writeEnum(imageAlign_, "ImageAlign", element);
    context.writeInt(columnSpan_, "ColumnSpan", element);
    context.writeInt(rowSpan_, "RowSpan", element);
}

void Cell::saveTextToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    context.writeString(text_, "Text", element);
    if (textColor_)
        context.writeBrush(std::make_shared<SolidColorBrush>(textColor_), "TextBrush", element);
    context.writeString(fontName_, "FontFamily", element);
    context.writeDouble(fontSize_, "FontSize", element);
    context.writeEnum(horizontalTextAlignment_, "TextAlignment", element);
    context.writeEnum(verticalTextAlignment_, "TextVerticalAlignment", element);
}

void Cell::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    const XmlElement& e = *element;
    brush_ = context.readBrush("Brush", element);
    image_ = context.readImage("Image", element);
    if (const auto align = readEnum<ImageAlign>(e, "ImageAlign", 0)) imageAlign_ = *align;
    text_ = e.readString("Text", "");

    if (e.getChild("TextColor")) {
        textColor_ = e.readColor("TextColor", std::make_shared<Color>(-1.0, -1.0, -1.0, -1.0));
    } else if (const std::shared_ptr<Brush> brush = context.readBrush("TextBrush", element)) {
        textColor_ = brush->toColor();
    }

    columnSpan_ = readIntOr(e, "ColumnSpan", 0);
    rowSpan_ = readIntOr(e, "RowSpan", 0);

    if (const std::shared_ptr<XmlElement> font = e.getChild("Font")) {
        fontName_ = font->readString("Name", "");
        fontSize_ = readFiniteOr(*font, "Size", 0.0);
    } else {
        fontName_ = e.readString("FontFamily", "");
        fontSize_ = readFiniteOr(e, "FontSize", 0.0);
    }

    if (const std::shared_ptr<XmlElement> format = e.getChild("TextFormat")) {
        if (const auto h = readEnum<HorizontalAlignment>(*format, "Alignment", -1))
            horizontalTextAlignment_ = *h;
        if (const auto v = readEnum<VerticalAlignment>(*format, "LineAlignment", -1))
            verticalTextAlignment_ = *v;
    } else {
        if (const auto h = readEnum<HorizontalAlignment>(e, "TextAlignment", 0))
            horizontalTextAlignment_ = *h;
        if (const auto v = readEnum<VerticalAlignment>(e, "TextVerticalAlignment", 0))
            verticalTextAlignment_ = *v;
    }
}

}  // namespace nodeloom
