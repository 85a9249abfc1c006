#include "Nodeloom/foundation/Theme.h"

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/foundation/XmlValueContext.h"

namespace nodeloom {

Theme::Theme() = default;

Theme::~Theme() = default;

void Theme::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlValueContext& context) {
    if (!element) return;
    for (const auto& child : element->children()) {
        if (!child) continue;
        const auto& attributes = child->attributes();
        const auto target = attributes.find("TargetType");
        // Without a target type the style could be filed under no item type at all.
        if (target == attributes.end()) continue;
        styles_[target->second] = context.readStyleContent(child);
    }
}

void Theme::saveToXml(const std::shared_ptr<XmlElement>& element) const {
    if (!element) return;
    for (const auto& [targetType, style] : styles_) {
        if (!style) continue;
        auto child = element->addChild("Style");
        child->attributes()["TargetType"] = targetType;
        style->saveToXml(child);
    }
}

std::shared_ptr<Theme> Theme::defaultTheme() {
    auto theme = ThemeStatic::defaultStyles();
    if (!theme->styles_.empty()) return theme;

    Style base;
    base.setBrush(std::make_shared<SolidColorBrush>(Colors::White()));
    base.setStroke(Colors::Black());
    base.setStrokeThickness(0.0);
    base.setTextColor(Colors::Black());
    base.setFontName("ArialMT");
    base.setFontSize(10.0);
    base.setFontUnit(MeasureUnit::Point());

    const auto copy = [&base](std::shared_ptr<Brush> ownBrush = nullptr) {
        auto style = std::make_shared<Style>(base);
        if (ownBrush) style->setBrush(std::move(ownBrush));
        return style;
    };
    auto& styles = theme->styles_;
    styles["DiagramLink"] = copy();
    styles["DiagramNode"] = copy();
    styles["ContainerNode"] = copy();
    styles["ShapeNode"] =
        copy(std::make_shared<SolidColorBrush>(Color::fromBytes(255, 220, 220, 255)));
    styles["TableNode"] =
        copy(std::make_shared<SolidColorBrush>(Color::fromBytes(255, 180, 160, 160)));
    styles["TreeViewNode"] = copy();
    styles["Diagram"] = copy();
    return theme;
}

std::shared_ptr<Theme>& ThemeStatic::slot() {
    static std::shared_ptr<Theme> theme = std::make_shared<Theme>();
    return theme;
}

const std::shared_ptr<Theme>& ThemeStatic::defaultStyles() {
    return slot();
}

void ThemeStatic::setDefaultStyles(std::shared_ptr<Theme> theme) {
    slot() = theme ? std::move(theme) : std::make_shared<Theme>();
}

}  // namespace nodeloom
