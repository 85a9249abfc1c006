#include "Nodeloom/items/AnchorPattern.h"

#include <cmath>
#include <limits>
#include <string>
#include <unordered_map>

#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/XmlElement.h"

namespace nodeloom {

namespace {

std::unordered_map<std::string, std::shared_ptr<AnchorPattern>>& registry() {
    static std::unordered_map<std::string, std::shared_ptr<AnchorPattern>> patterns;
    return patterns;
}

std::shared_ptr<AnchorPoint> incoming(double x, double y) {
    return std::make_shared<AnchorPoint>(x, y, true, false, MarkStyle::circle, Colors::Blue());
}

std::shared_ptr<AnchorPoint> outgoing(double x, double y, const std::shared_ptr<Color>& color) {
    return std::make_shared<AnchorPoint>(x, y, false, true, MarkStyle::rectangle, color);
}

std::shared_ptr<AnchorPattern> predefined(std::vector<std::shared_ptr<AnchorPoint>> points,
                                          int regIndex, const std::string& name) {
    auto pattern = std::make_shared<AnchorPattern>(std::move(points));
    pattern->setRegIndex(regIndex);
    pattern->registerPattern(name);
    return pattern;
}

// Host data has a file form only when it is text.
std::string textOf(const std::any& value) {
    if (const auto* s = std::any_cast<std::string>(&value)) return *s;
    if (const auto* c = std::any_cast<const char*>(&value)) return *c ? *c : "";
    return "";
}

double finiteOr0(double value) {
    return std::isfinite(value) ? value : 0.0;
}

std::shared_ptr<AnchorPoint> readAnchorPoint(const XmlElement& element) {
    auto point = std::make_shared<AnchorPoint>(finiteOr0(element.readDouble("X", 0)),
                                               finiteOr0(element.readDouble("Y", 0)));
    point->setAllowIncoming(element.readBool("AllowIncoming", true));
    point->setAllowOutgoing(element.readBool("AllowOutgoing", true));
    point->setColor(element.readColor("Color", Colors::Black()));
    const auto column = element.readInteger("Column", -1);
    if (column >= std::numeric_limits<int>::min() && column <= std::numeric_limits<int>::max())
        point->setCol(static_cast<int>(column));
    const auto style = element.readInteger("MarkStyle", static_cast<int>(MarkStyle::x));
    if (style >= std::numeric_limits<int>::min() && style <= std::numeric_limits<int>::max()) {
        if (auto markStyle = fromRaw<MarkStyle>(static_cast<int>(style)))
            point->setMarkStyle(*markStyle);
    }
    auto toolTip = element.readString("Tooltip", "");
    if (!toolTip.empty()) point->setToolTip(std::move(toolTip));
    return point;
}

}  // namespace

AnchorPattern::AnchorPattern(std::vector<std::shared_ptr<AnchorPoint>> points)
    : points_(std::move(points)) {}

std::shared_ptr<AnchorPattern> AnchorPattern::create(const std::string& id) {
    auto pattern = std::make_shared<AnchorPattern>();
    pattern->registerPattern(id);
    return pattern;
}

std::shared_ptr<AnchorPattern> AnchorPattern::create(
    std::vector<std::shared_ptr<AnchorPoint>> points, const std::string& id) {
    auto pattern = std::make_shared<AnchorPattern>(std::move(points));
    pattern->registerPattern(id);
    return pattern;
}

void AnchorPattern::registerPattern(const std::string& name) {
    auto& patterns = registry();
    if (patterns.count(name) != 0) return;
    auto self = weak_from_this().lock();
    if (!self) return;
    patternId_ = name;
    patterns.emplace(name, std::move(self));
}

std::shared_ptr<AnchorPattern> AnchorPattern::fromId(const std::string& name) {
    auto& patterns = registry();
    if (patterns.count(name) == 0) {
        topInBottomOut();
        leftInRightOut();
        decision1In3Out();
        decision2In2Out();
    }
    const auto it = patterns.find(name);
    return it == patterns.end() ? nullptr : it->second;
}

std::shared_ptr<AnchorPattern> AnchorPattern::topInBottomOut() {
    return predefined({incoming(50, 0), outgoing(50, 100, Colors::Green())}, -5, "TopInBottomOut");
}

std::shared_ptr<AnchorPattern> AnchorPattern::leftInRightOut() {
    return predefined({incoming(0, 50), outgoing(100, 50, Colors::Green())}, -4, "LeftInRightOut");
}

std::shared_ptr<AnchorPattern> AnchorPattern::decision1In3Out() {
    return predefined({incoming(50, 0), outgoing(0, 50, Colors::Red()),
                       outgoing(50, 100, Colors::Green()), outgoing(100, 50, Colors::Red())},
                      -3, "Decision1In3Out");
}

std::shared_ptr<AnchorPattern> AnchorPattern::decision2In2Out() {
    return predefined({incoming(50, 0), incoming(0, 50), outgoing(50, 100, Colors::Green()),
                       outgoing(100, 50, Colors::Red())},
                      -2, "Decision2In2Out");
}

std::shared_ptr<XmlElement> XmlContext::writeAnchorPattern(
    const std::shared_ptr<AnchorPattern>& pattern, const std::string& name,
    const std::shared_ptr<XmlElement>& parent) {
    if (!pattern) return nullptr;
    auto element = addChildElement(name, parent);
    if (!element) return nullptr;
    element->attributes()["Id"] = pattern->patternId();
    // A registered pattern is found again by its name; only an unnamed one travels in full.
    if (!pattern->patternId().empty()) return element;

    auto points = addChildElement("Points", element);
    points->attributes()["Count"] = std::to_string(pattern->points().size());
    for (const auto& point : pattern->points()) {
        if (!point) continue;
        auto p = addChildElement("AnchorPoint", points);
        writeBool(point->allowIncoming(), "AllowIncoming", p);
        writeBool(point->allowOutgoing(), "AllowOutgoing", p);
        writeColor(point->color(), "Color", p);
        writeInt(point->col(), "Column", p);
        writeEnum(point->markStyle(), "MarkStyle", p);
        writeString(textOf(point->tag()), "Tag", p);
        writeString(textOf(point->toolTip()), "Tooltip", p);
        writeDouble(point->x(), "X", p);
        writeDouble(point->y(), "Y", p);
    }
    return element;
}

std::shared_ptr<AnchorPattern> XmlContext::readAnchorPattern(
    const std::string& name, const std::shared_ptr<XmlElement>& parent, bool standalone) {
    if (!parent) return nullptr;
    const auto element = parent->getChild(name);
    if (!element) return nullptr;

    const auto id = element->attributes().find("Id");
    if (!standalone && id != element->attributes().end() && !id->second.empty())
        return AnchorPattern::fromId(id->second);

    auto pattern = std::make_shared<AnchorPattern>();
    if (const auto points = element->getChild("Points")) {
        for (const auto& p : points->getAllChildren("AnchorPoint")) {
            if (p) pattern->points().push_back(readAnchorPoint(*p));
        }
    }
    return pattern;
}

}  // namespace nodeloom
