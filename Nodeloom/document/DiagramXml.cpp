#include "Nodeloom/document/Diagram.h"

#include <cairo.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "Nodeloom/document/AddItemCommand.h"
#include "Nodeloom/document/ChangeItemCommand.h"
#include "Nodeloom/document/ClassDescriptor.h"
#include "Nodeloom/document/Command.h"
#include "Nodeloom/document/CompositeCommand.h"
#include "Nodeloom/document/DiagramStatic.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/document/RemoveItemCommand.h"
#include "Nodeloom/document/Selection.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/foundation/Typecast.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/composite/TableNode.h"  // Hook: factory creates every item kind
#include "Nodeloom/links/DiagramLink.h"  // Hook: document holds its links
#include "Nodeloom/platform/AtomicFile.h"
#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/Jpeg.h"

namespace nodeloom {

// --- Documents ----------------------------------------------------------------------------------

namespace {

namespace fs = std::filesystem;

enum class ItemKind { node, link };

// Whether an item element may be read in the section of the given kind. It is decided before
// the element is read, since reading an item can already tie it to the items it refers to.
bool belongsToSection(const XmlContext& context, const XmlElement& element, int id, ItemKind kind) {
    const auto known = context.readItems().find(id);
    if (known != context.readItems().end()) {
        const bool isLink = dynamic_cast<const DiagramLink*>(known->second.get()) != nullptr;
        const bool isNode = dynamic_cast<const DiagramNode*>(known->second.get()) != nullptr;
        return kind == ItemKind::link ? isLink : isNode;
    }
    const auto classId = element.attributes().find("Class");
    if (classId == element.attributes().end()) return false;
    const bool linkClass = classId->second == "std:DiagramLink";
    return kind == ItemKind::link ? linkClass : !linkClass;
}

// The numbers of the items read so far: one check and one insertion per item, with no
// allocation per number.
using IdSet = FlatHashSet<int>;

}  // namespace

bool Diagram::loadFromXml(const std::string& resourceName) {
    // A resource is named, never reached by a path.
    const std::size_t dot = resourceName.rfind('.');
    if (dot == std::string::npos || resourceName.find('/') != std::string::npos) return false;
    const std::string path =
        platform::Bundle::main().pathForResource(
            std::string_view(resourceName).substr(0, dot),
            std::string_view(resourceName).substr(dot + 1));
    if (path.empty()) return false;
    return loadFromXml(fs::path(path));
}

bool Diagram::loadFromXml(const char* resourceName) {
    return resourceName != nullptr && loadFromXml(std::string(resourceName));
}

bool Diagram::loadFromXml(const fs::path& url) {
    // Item elements are many and each is read once, so they are made whole one at a time.
    // The builder keeps what it built before a fault; only a whole, well-formed file may
    // replace the document.
    XmlDomBuilder builder;
    if (!builder.parseFileKeeping(url, {"Nodes", "Links"})) return false;
    const std::shared_ptr<XmlElement> root = std::move(builder.root());
    return loadTree(root, &builder);
}

bool Diagram::loadFromXml(const std::shared_ptr<XmlElement>& root) {
    return loadTree(root, nullptr);
}

bool Diagram::loadTree(const std::shared_ptr<XmlElement>& root, XmlDomBuilder* keeping) {
    // Everything that can refuse the document is decided here; from here on every flaw is met
    // with a default or by skipping the element, so the load either runs through or never began.
    if (!root || root->name() != "Diagram") return false;
    if (const std::shared_ptr<XmlElement> nodes = root->getChild("Nodes")) {
        for (const auto& element : nodes->children()) {
            if (!element) continue;
            const auto classId = element->attributes().find("Class");
            if (classId == element->attributes().end() || classId->second != "std:TableNode")
                continue;
            if (!TableNode::fitsCellLimit(*element)) return false;
        }
    }

    // Handlers run once the whole file is read and the fresh history is in place: one raised
    // half way would meet links not yet entered on their nodes, or edit content about to go.
    const HeldRepaints held(*this);
    const bool hadUndo = undoManager_ != nullptr;
    undoManager_ = nullptr;
    updateUndoState();

    for (const auto& node : nodes_.vector()) {
        if (auto& collapsed = node->collapsedSet()) collapsed->clear();
    }

    brush_ = nullptr;
    theme_ = nullptr;
    style_ = nullptr;
    bounds_ = Rect(0.0, 0.0, 0.0, 0.0);
    nodes_.clear();
    links_.clear();
    autoRoutedCountValid_ = false;
    roundedLinks_ = false;
    roundedLinksRadius_ = 0.0;
    crossingRadius_ = 0.0;
    linkCrossings_ = LinkCrossings::straight;
    zOrder_.clear();
    dropHitIndex();

    XmlContext context;
    const std::shared_ptr<Diagram> self = weak_from_this().lock();
    context.setDiagram(self);
    // A document without a readable version is read in the current form.
    if (!context.readVersion(root)) context.setFileVersion(XmlContext::latestVersion());

    if (const std::shared_ptr<XmlElement> resources = root->getChild("Resources")) {
        context.readBrushes(resources);
        context.readImages(resources);
        context.readStyles(resources);
    }

    if (const std::shared_ptr<XmlElement> properties = root->getChild("Properties")) {
        readDiagramProperties(properties, context);
    }

    IdSet ids;
    const auto readSection = [&](const char* sectionName, ItemKind kind) {
        const std::shared_ptr<XmlElement> section = root->getChild(sectionName);
        if (!section) return;
        XmlElement::Children& entries = section->children();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            // A tree read for this load alone gives each item's elements back once the item is
            // read, so that the whole tree and the items made from it are never held together.
            const std::shared_ptr<XmlElement> element =
                keeping != nullptr ? std::move(entries[i]) : entries[i];
            if (!element) continue;
            const std::optional<int> id = XmlContext::intAttribute(element, "Id");
            // Every item needs its own number: references find items by it.
            if (!id || ids.contains(*id)) continue;
            if (!belongsToSection(context, *element, *id, kind)) continue;
            const std::shared_ptr<DiagramItem> item = context.readItem(element);
            if (!item) continue;
            ids.insert(*id);
            if (kind == ItemKind::node) {
                auto node = std::dynamic_pointer_cast<DiagramNode>(item);
                if (!node || zOrder_.contains(node.get())) continue;
                nodes_.push_back(node);
                zOrder_.push_back(node);
            } else {
                auto link = std::dynamic_pointer_cast<DiagramLink>(item);
                if (!link || zOrder_.contains(link.get())) continue;
                links_.push_back(link);
                zOrder_.push_back(link);
            }
        }
    };
    // Items report each property they read; one repaint of the whole document follows instead.
    struct Loading {
        explicit Loading(bool& flag) : flag_(flag) { flag_ = true; }
        ~Loading() { flag_ = false; }
        bool& flag_;
    };
    std::optional<Loading> loading(std::in_place, loading_);
    readSection("Nodes", ItemKind::node);
    readSection("Links", ItemKind::link);

    setStyle(context.readStyle("Style", root));
    setTheme(loadTheme(root, "Theme", context));

    zOrderInvalid_ = false;
    const std::vector<std::shared_ptr<DiagramItem>> loaded = zOrder_.vector();
    for (const auto& item : loaded) {
        // Taken out again by a handler while an item before it finished loading.
        if (!zOrder_.contains(item.get())) continue;
        item->setStandalone(false);
        item->setDiagram(self);
        item->onLoad();
    }
    // The numbers read from the file break ties, so the drawing order is the one saved. What is
    // sorted is what the document holds now: a handler of an event raised by an item's onLoad
    // may have removed items or added some.
    std::vector<std::shared_ptr<DiagramItem>> sorted = zOrder_.vector();
    std::stable_sort(
        sorted.begin(), sorted.end(),
        [this](const std::shared_ptr<DiagramItem>& a, const std::shared_ptr<DiagramItem>& b) {
            return zOrderPrecedes(*a, *b);
        });
    zOrder_.clear();
    for (auto& item : sorted)
        zOrder_.push_back(std::move(item));
    dropHitIndex();
    loading.reset();
    ++contentGeneration_;
    invalidate();

    if (itemCounter_ == 0) itemCounter_ = zOrder_.size();
    setUndoEnabled(hadUndo);
    return true;
}

void Diagram::readDiagramProperties(const std::shared_ptr<XmlElement>& element,
                                    XmlContext& context) {
    const XmlElement& properties = *element;
    itemCounter_ = properties.readUInt("ItemCounter", 0);
    const std::int64_t unitId = properties.readInteger("MeasureUnit", 0);
    if (unitId >= INT_MIN && unitId <= INT_MAX) {
        setMeasureUnit(MeasureUnit::fromId(static_cast<int>(unitId)));
    }
    if (properties.getChild("Bounds")) {
        setBounds(Rect::fromString(properties.readString("Bounds", std::string())));
    }
    setBrush(context.readBrush("Brush", element));
    setAlignToGrid(properties.readBool("AlignToGrid", true));
    setShowGrid(properties.readBool("ShowGrid", false));
    const std::int64_t gridStyle = properties.readInteger("GridStyle", 0);
    if (gridStyle >= INT_MIN && gridStyle <= INT_MAX) {
        if (const auto style = fromRaw<GridStyle>(static_cast<int>(gridStyle))) {
            setGridStyle(*style);
        }
    }
    setGridColor(properties.readColor("GridColor", gridColor_));
    setGridSizeX(properties.readDouble("GridSizeX", gridSizeX_));
    setGridSizeY(properties.readDouble("GridSizeY", gridSizeY_));
    setGridOffsetX(properties.readDoubleOpt("GridOffsetX"));
    setGridOffsetY(properties.readDoubleOpt("GridOffsetY"));
    setExpandOnIncoming(properties.readBool("ExpandOnIncoming", false));
    setAllowUnconnectedLinks(properties.readBool("AllowUnconnectedLinks", false));
    setAllowSelfLoops(properties.readBool("AllowSelfLoops", true));
}

bool Diagram::saveToXml(const fs::path& url) {
    // The text goes to the file in pieces of about this size, so that a save holds little more
    // than one item's element besides the document.
    constexpr std::size_t pieceSize = 256 * 1024;
    return platform::writeFileAtomically(url, [this](const platform::ContentSink& sink) {
        std::string piece;
        piece.reserve(2 * pieceSize);
        return streamXml(piece, [&sink](std::string& text) {
            if (text.size() < pieceSize) return true;
            const bool written = sink(text);
            text.clear();
            return written;
        }) && sink(piece);
    });
}

void Diagram::saveToXml(const std::shared_ptr<XmlDomBuilder>& builder) {
    if (!builder) return;
    const std::shared_ptr<XmlElement> root = builder->createElement("Diagram");
    root->attributes()["Version"] = std::to_string(XmlContext::latestVersion());
    builder->addChild(root);
    Diagram::writeDiagramContent(builder, root);
}

std::string Diagram::saveToXmlString() {
    std::string text;
    try {
        if (streamXml(text, [](std::string&) { return true; })) return text;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    // A text too large to hold is answered with nothing, as the element writer answers.
    return std::string();
}

bool Diagram::streamXml(std::string& out, const std::function<bool(std::string&)>& drain) {
    // The same steps as the whole tree's writer, in the same order, so that the items number
    // their brushes and images alike.
    updateZOrder();
    updateRuntimeIndices();
    XmlContext context(std::make_shared<XmlDomBuilder>(), XmlContext::latestVersion());
    XmlStreamWriter writer(out);
    XmlElement root("Diagram");
    root.attributes()["Version"] = std::to_string(XmlContext::latestVersion());
    writer.open(root);

    const auto writeItems = [&](const char* sectionName, const char* itemName, const auto& items) {
        writer.open(XmlElement(sectionName));
        for (std::size_t i = 0; i < items.size(); ++i) {
            const auto item = items[i];
            if (!item) continue;
            const auto element = std::make_shared<XmlElement>(itemName);
            context.writeItemClassAttributes(item, element, "Class");
            element->attributes()["Id"] = std::to_string(item->runtimeIndex());
            item->saveToXml(element, context);
            writer.write(*element);
            if (!drain(out)) return false;
        }
        writer.close();
        return true;
    };
    if (!writeItems("Nodes", "Node", nodes_.vector())) return false;
    if (!writeItems("Links", "Link", links_.vector())) return false;

    // The properties and the resource tables are small: they are made whole and written.
    const auto rest = std::make_shared<XmlElement>("Diagram");
    Diagram::writeDiagramProperties("Properties", rest, context);
    const std::shared_ptr<XmlElement> resources = context.addChildElement("Resources", rest);
    context.writeBrushes(resources);
    context.writeImages(resources);
    for (const auto& child : std::as_const(*rest).children())
        writer.write(*child);
    writer.close();
    return drain(out);
}

void Diagram::writeDiagramContent(const std::shared_ptr<XmlDomBuilder>& builder,
                                  const std::shared_ptr<XmlElement>& root) {
    if (!builder || !root) return;
    // Items are numbered by their place in the drawing order, which a load restores from the
    // numbers; an order still waiting to be sorted would be saved as it was never drawn.
    updateZOrder();
    updateRuntimeIndices();
    XmlContext context(builder, XmlContext::latestVersion());

    const auto writeItems = [&](const char* sectionName, const char* itemName, const auto& items) {
        const std::shared_ptr<XmlElement> section = context.addChildElement(sectionName, root);
        for (std::size_t i = 0; i < items.size(); ++i) {
            const auto item = items[i];
            if (!item) continue;
            const std::shared_ptr<XmlElement> element = builder->createElement(itemName);
            section->addChild(element);
            context.writeItemClassAttributes(item, element, "Class");
            element->attributes()["Id"] = std::to_string(item->runtimeIndex());
            item->saveToXml(element, context);
        }
    };
    writeItems("Nodes", "Node", nodes_.vector());
    writeItems("Links", "Link", links_.vector());

    Diagram::writeDiagramProperties("Properties", root, context);

    const std::shared_ptr<XmlElement> resources = context.addChildElement("Resources", root);
    context.writeBrushes(resources);
    context.writeImages(resources);
}

void Diagram::writeDiagramProperties(const std::string& name,
                                     const std::shared_ptr<XmlElement>& parent,
                                     XmlContext& context) {
    const std::shared_ptr<XmlElement> properties = context.addChildElement(name, parent);
    if (!properties) return;
    context.writeUInt(itemCounter_, "ItemCounter", properties);
    context.writeBool(allowUnconnectedLinks_, "AllowUnconnectedLinks", properties);
    context.writeBool(allowSelfLoops_, "AllowSelfLoops", properties);
    context.writeBool(alignToGrid_, "AlignToGrid", properties);
    context.writeBool(showGrid_, "ShowGrid", properties);
    context.writeEnum(gridStyle_, "GridStyle", properties);
    context.writeColor(gridColor_, "GridColor", properties);
    context.writeDouble(gridSizeX_, "GridSizeX", properties);
    context.writeDouble(gridSizeY_, "GridSizeY", properties);
    context.writeDoubleOpt(gridOffsetX_, "GridOffsetX", properties);
    context.writeDoubleOpt(gridOffsetY_, "GridOffsetY", properties);
    context.writeRectangle(bounds_, "Bounds", properties);
    context.writeBrush(brush_, "Brush", properties);
    context.writeInt(measureUnit_ ? measureUnit_->id() : 0, "MeasureUnit", properties);
    context.writeBool(roundedLinks_, "RoundedLinks", properties);
    context.writeDouble(roundedLinksRadius_, "RoundedLinksRadius", properties);
    context.writeBool(expandOnIncoming_, "ExpandOnIncoming", properties);
    context.writeDouble(adjustmentHandlesSize_, "AdjustmentHandlesSize", properties);
}


}  // namespace nodeloom
