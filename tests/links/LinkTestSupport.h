#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom::test {

// Parses document text the way a file is read, so that values sit in text nodes as they do in
// every loaded document.
inline std::shared_ptr<XmlElement> parseXml(const std::string& text) {
    const auto path = std::filesystem::path(::testing::TempDir()) / "nodeloom_link.xml";
    std::ofstream(path) << text;
    XmlDomBuilder builder;
    const bool whole = builder.parseFile(path);
    std::filesystem::remove(path);
    return whole ? builder.root() : nullptr;
}

inline std::vector<std::string> childNames(const XmlElement& element) {
    std::vector<std::string> names;
    for (const auto& child : element.children())
        names.push_back(child->name());
    return names;
}

inline std::shared_ptr<DiagramNode> nodeAt(const Rect& bounds) {
    auto node = std::make_shared<DiagramNode>();
    node->_setBounds(bounds);
    return node;
}

inline std::shared_ptr<DiagramLink> linkThrough(std::vector<Point> points,
                                                LinkShape shape = LinkShape::polyline) {
    auto link = std::make_shared<DiagramLink>();
    link->setShape(shape);
    link->setControlPoints(std::move(points));
    return link;
}

// A measuring canvas that notes the rectangles and text a label draws.
class LabelCanvas : public Canvas {
public:
    struct Text {
        std::string text;
        Rect rect;
        HorizontalAlignment ha;
        VerticalAlignment va;
        bool bold;
    };

    LabelCanvas() : Canvas(MeasureUnit::Millimeter()) {}

    using Canvas::drawRect;
    using Canvas::drawText;

    void drawRect(double x, double y, double width, double height) override {
        drawn.push_back(Rect(x, y, width, height));
    }
    void fillRect(const Rect& rect) override { filled.push_back(rect); }
    void setBrush(std::shared_ptr<Brush> brush) override {
        brushes.push_back(brush);
        Canvas::setBrush(std::move(brush));
    }
    void setTextColor(std::shared_ptr<Color> color) override {
        textColors.push_back(color);
        Canvas::setTextColor(std::move(color));
    }
    void drawText(const std::string& text, const Rect& rect, HorizontalAlignment ha,
                  VerticalAlignment va, bool bold, bool, bool) override {
        texts.push_back(Text{text, rect, ha, va, bold});
    }

    std::vector<Rect> drawn;
    std::vector<Rect> filled;
    std::vector<std::shared_ptr<Brush>> brushes;
    std::vector<std::shared_ptr<Color>> textColors;
    std::vector<Text> texts;
};

}  // namespace nodeloom::test
