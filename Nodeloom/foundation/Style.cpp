#include "Nodeloom/foundation/Style.h"

#include <climits>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/foundation/XmlValueContext.h"

namespace nodeloom {

namespace {

const std::shared_ptr<Color>& orEmpty(const std::shared_ptr<Color>& color) {
    return color ? color : Colors::Empty();
}

}  // namespace

Style::Style()
    : stroke_(Colors::Empty()), textColor_(Colors::Empty()), headStroke_(Colors::Empty()) {}

Style::~Style() = default;

bool Style::hasStroke() const {
    return !stroke_->isEmpty();
}

bool Style::hasTextColor() const {
    return !textColor_->isEmpty();
}

bool Style::hasHeadStroke() const {
    return !headStroke_->isEmpty();
}

void Style::setStroke(std::shared_ptr<Color> value) {
    stroke_ = orEmpty(value);
}

void Style::setTextColor(std::shared_ptr<Color> value) {
    textColor_ = orEmpty(value);
}

void Style::setHeadStroke(std::shared_ptr<Color> value) {
    headStroke_ = orEmpty(value);
}

void Style::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlValueContext& context) {
    brush_ = nullptr;
    backBrush_ = nullptr;
    if (!element) return;

    for (const auto& property : element->children()) {
        if (!property) continue;
        const auto& attributes = property->attributes();
        const auto nameIt = attributes.find("Name");
        if (nameIt == attributes.end()) continue;
        const std::string& name = nameIt->second;
        const auto value = property->getChild("Value");

        if (name == "Brush") {
            brush_ = context.readBrush("Brush", value);
        } else if (name == "BackBrush") {
            backBrush_ = context.readBrush("Brush", value);
        } else if (name == "Stroke") {
            // A reference that does not resolve leaves the colour as it was.
            if (const auto brush = context.readBrush("Brush", value)) stroke_ = brush->toColor();
        } else if (name == "TextBrush") {
            if (const auto brush = context.readBrush("Brush", value)) textColor_ = brush->toColor();
        } else if (name == "StrokeThickness") {
            strokeThickness_ = property->readDouble("Value", 0.0);
        } else if (name == "FontFamily") {
            fontName_ = property->readString("Value", "");
        } else if (name == "FontSize") {
            fontSize_ = property->readDouble("Value", 0.0);
        } else if (name == "FontUnit") {
            const auto id = property->readInteger("Value", 0);
            fontUnit_ =
                id < INT_MIN || id > INT_MAX ? nullptr : MeasureUnit::fromId(static_cast<int>(id));
        }
    }
}

void Style::saveToXml(const std::shared_ptr<XmlElement>& element) const {
    if (!element) return;
    // A style stands alone here, outside any document's resource tables, so its brushes and
    // colours are written in place.
    XmlValueContext context;
    context.setInplaceResources(true);
    const auto property = [&](const char* name) {
        auto child = context.addChildElement("Property", element);
        child->attributes()["Name"] = name;
        return child;
    };
    const auto value = [&](const char* name) {
        return context.addChildElement("Value", property(name));
    };

    if (hasBrush()) context.writeBrush(brush_, "Brush", value("Brush"));
    if (hasBackBrush()) context.writeBrush(backBrush_, "Brush", value("BackBrush"));
    if (hasStroke())
        context.writeBrush(std::make_shared<SolidColorBrush>(stroke_), "Brush", value("Stroke"));
    if (hasStrokeThickness())
        context.writeDouble(strokeThickness_, "Value", property("StrokeThickness"));
    if (hasTextColor())
        context.writeBrush(std::make_shared<SolidColorBrush>(textColor_), "Brush",
                           value("TextBrush"));
    if (hasFontName()) context.writeString(fontName_, "Value", property("FontFamily"));
    if (hasFontSize()) context.writeDouble(fontSize_, "Value", property("FontSize"));
    if (hasFontUnit()) context.writeInt(fontUnit_->id(), "Value", property("FontUnit"));
}

}  // namespace nodeloom
