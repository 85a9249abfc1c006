#include "Nodeloom/document/XmlContext.h"

#include <any>
#include <limits>
#include <string>

#include "Nodeloom/composite/ContainerNode.h"  // Hook: factory creates every item kind
#include "Nodeloom/composite/TableNode.h"  // Hook: factory creates every item kind
#include "Nodeloom/composite/TreeViewNode.h"  // Hook: factory creates every item kind
#include "Nodeloom/document/ClassDescriptor.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Metatype.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/AnchorPoint.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: factory creates every item kind

namespace nodeloom {

namespace {

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

XmlContext::XmlContext() = default;

XmlContext::XmlContext(std::shared_ptr<XmlDomBuilder> document, int fileVersion)
    : XmlValueContext(std::move(document), fileVersion) {}

XmlContext::~XmlContext() = default;

// --- Styles --------------------------------------------------------------------------------------

std::shared_ptr<XmlElement> XmlContext::writeStyle(const std::shared_ptr<Style>& style,
                                                   const std::string& name,
                                                   const std::shared_ptr<XmlElement>& parent) {
    if (!style || !parent) return nullptr;
    auto element = addChildElement(name, parent);
    if (inplaceResources()) {
        writeStyleClassAttributes(style, element);
        return element;
    }
    const auto found = wroteStyles_.find(style);
    const int index =
        found != wroteStyles_.end() ? found->second : static_cast<int>(wroteStyles_.size());
    if (found == wroteStyles_.end()) wroteStyles_.emplace(style, index);
    element->attributes()["Id"] = std::to_string(index);
    return element;
}

void XmlContext::writeStyleClassAttributes(const std::shared_ptr<Style>& style,
                                           const std::shared_ptr<XmlElement>& element) {
    if (!style || !element) return;
    const Metatype<Object> styleType([] { return std::make_shared<Style>(); }, "Style");
    if (const auto descriptor = ClassDescriptor::find(styleType)) {
        element->attributes()["Class"] = descriptor->_classId();
        element->attributes()["Version"] = std::to_string(descriptor->_classVersion());
    }
    // The content is written whether or not the class is registered: an in-place style has no
    // other place where its values could be found again.
    style->saveToXml(element);
}

// --- Items ---------------------------------------------------------------------------------------

std::shared_ptr<DiagramItem> XmlContext::readItemReference(
    const std::string& name, const std::shared_ptr<XmlElement>& parent) {
    if (!parent) return nullptr;
    return readItemReference(parent->getChild(name));
}

std::shared_ptr<DiagramItem> XmlContext::readItemReference(
    const std::shared_ptr<XmlElement>& element) {
    const auto id = intAttribute(element, "Id");
    if (!id) return nullptr;
    if (const auto it = readItems_.find(*id); it != readItems_.end()) return it->second;
    // A reference to an item further on in the file can name its class, so that the item is
    // made now and read into when its own element comes.
    const auto classId = element->attributes().find("ClassId");
    if (classId == element->attributes().end()) return nullptr;
    std::shared_ptr<DiagramItem> item = instantiateItem(classId->second);
    if (item) readItems_[*id] = item;
    return item;
}

std::shared_ptr<DiagramItem> XmlContext::instantiateItem(
    const std::optional<std::string>& classId) {
    if (!classId) return nullptr;
    std::shared_ptr<DiagramItem> item;
    if (*classId == "std:ShapeNode") {
        item = std::make_shared<ShapeNode>();
    } else if (*classId == "std:ContainerNode") {
        item = std::make_shared<ContainerNode>();
    } else if (*classId == "std:TableNode") {
        item = std::make_shared<TableNode>();
    } else if (*classId == "std:TreeViewNode") {
        item = std::make_shared<TreeViewNode>();
    } else if (*classId == "std:DiagramLink") {
        item = std::make_shared<DiagramLink>();
    } else {
        return nullptr;
    }
    item->setDiagram(diagram_);
    return item;
}

std::shared_ptr<DiagramItem> XmlContext::readItem(const std::shared_ptr<XmlElement>& element) {
    // Items are found by their number, so an element without one cannot become an item.
    const auto id = intAttribute(element, "Id");
    if (!id) return nullptr;
    std::shared_ptr<DiagramItem> item;
    if (const auto it = readItems_.find(*id); it != readItems_.end()) {
        item = it->second;
    } else {
        const auto classId = element->attributes().find("Class");
        if (classId == element->attributes().end()) return nullptr;
        item = instantiateItem(classId->second);
        if (!item) return nullptr;
        readItems_[*id] = item;
    }
    // The version only tells an item's reader which older form it may meet; the first one is
    // the safe guess.
    classVersion_ = intAttribute(element, "Version").value_or(1);
    item->loadFromXml(element, *this);
    item->setRuntimeIndex(*id);
    return item;
}

std::shared_ptr<XmlElement> XmlContext::writeItemReference(
    const std::shared_ptr<DiagramItem>& item, const std::string& name,
    const std::shared_ptr<XmlElement>& parent) {
    if (!item || !parent) return nullptr;
    auto element = addChildElement(name, parent);
    if (element) element->attributes()["Id"] = std::to_string(item->runtimeIndex());
    return element;
}

void XmlContext::writeItemClassAttributes(const std::shared_ptr<DiagramItem>& item,
                                          const std::shared_ptr<XmlElement>& element,
                                          const std::string& attributeName) {
    if (!item || !element) return;
    const Metatype<Object> type(item->getClassType());
    if (const auto descriptor = ClassDescriptor::find(type)) {
        element->attributes()[attributeName] = descriptor->_classId();
        element->attributes()["Version"] = std::to_string(descriptor->_classVersion());
    } else {
        element->attributes()[attributeName] = type.name();
        // A literal here trips a false -Wrestrict report of g++ 12 at -O2.
        element->attributes()["Version"] = std::to_string(1);
    }
}

// --- Anchor patterns -----------------------------------------------------------------------------

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
