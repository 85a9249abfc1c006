#include "Nodeloom/items/AnchorPattern.h"

#include <cmath>
#include <limits>
#include <string>
#include <unordered_map>

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

}  // namespace nodeloom
