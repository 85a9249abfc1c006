#include <charconv>
#include <string>
#include <vector>

#include "Nodeloom/composite/TreeViewConnectionPoint.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/composite/TreeWalk.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

namespace {

// The "Parent" attribute as a decimal integer, or nothing.
std::optional<long long> parentPosition(const XmlElement& element) {
    const auto it = element.attributes().find("Parent");
    if (it == element.attributes().end()) return std::nullopt;
    const std::string& text = it->second;
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

void TreeViewNode::saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    // An end on an item that left the tree would be written with a number another item has.
    releaseEndsOfLeftItems();
    DiagramNode::saveToXml(element, context);
    context.writeDouble(captionHeight_, "CaptionHeight", element);
    context.writeDouble(scrollPosition_, "ScrollPosition", element);
    context.writeImage(image_, "ImageCaption", element);

    // Link ends on rows are written as these numbers, which are the positions of the elements.
    int counter = -1;
    forAllItems([&counter](TreeViewItem& item) { item.setIndex(++counter); });
    saveItemsToXml(rootItems_, context.addChildElement("Items", element), context);
}

void TreeViewNode::saveItemsToXml(const ItemList& items, const std::shared_ptr<XmlElement>& element,
                                  XmlContext& context) {
    if (!element) return;
    // The parent of each item is the element written last before its list began.
    std::vector<long long> parents{static_cast<long long>(element->children().size()) - 1};
    walkTree(
        &items, nullptr, false,
        [&](TreeViewItem& item, int) {
            const auto position = static_cast<long long>(element->children().size());
            const std::shared_ptr<XmlElement> itemElement =
                context.addChildElement("Item", element);
            if (itemElement) {
                itemElement->attributes()["Parent"] = std::to_string(parents.back());
                item.saveToXml(itemElement, context);
            }
            parents.push_back(position);
            return TreeStep::descend;
        },
        [&](TreeViewItem&, int) { parents.pop_back(); });
}

void TreeViewNode::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    DiagramNode::loadFromXml(element, context);
    const XmlElement& e = *element;
    if (text().empty()) setText(e.readString("Caption", ""));
    const double caption = e.readDouble("CaptionHeight", 0.0);
    captionHeight_ = std::isfinite(caption) ? caption : 0.0;
    const double scroll = e.readDouble("ScrollPosition", 0.0);
    scrollPosition_ = std::isfinite(scroll) ? scroll : 0.0;
    image_ = context.readImage(e.getChild("Image") ? "Image" : "ImageCaption", element);
    if (const std::shared_ptr<XmlElement> items = e.getChild("Items"))
        loadItemsFromXml(items, context);
}

void TreeViewNode::onLoad() {
    DiagramNode::onLoad();
    const std::shared_ptr<DiagramItem> self = weak_from_this().lock();
    const auto place = [&self](TreeViewItem& item, const std::shared_ptr<ConnectionPoint>& end) {
        auto* onItem = dynamic_cast<TreeViewConnectionPoint*>(end.get());
        if (onItem != nullptr && onItem->node() == self && onItem->item().get() == &item)
            onItem->takePlaceFromLink();
    };
    forAllItems([&place](TreeViewItem& item) {
        for (const auto& link : item.incomingLinks()) {
            if (link) place(item, link->destinationConnection());
        }
        for (const auto& link : item.outgoingLinks()) {
            if (link) place(item, link->originConnection());
        }
    });
}

// A parent that is missing, unreadable or not an earlier element makes the item a root: the
// item and whatever names it as parent are kept rather than dropped.
void TreeViewNode::loadItemsFromXml(const std::shared_ptr<XmlElement>& element,
                                    XmlContext& context) {
    flatItemList_.clear();
    if (!element) return;
    for (const auto& child : element->children()) {
        // Text between the elements is no item.
        if (!child || child->name().empty()) continue;
        auto item = std::make_shared<TreeViewItem>();
        const std::optional<long long> p = parentPosition(*child);
        if (p && *p >= 0 && *p < static_cast<long long>(flatItemList_.size()))
            flatItemList_[static_cast<std::size_t>(*p)]->children().push_back(item);
        else
            rootItems_.push_back(item);
        // Numbered as read, so that link ends read with the document report their rows.
        item->setIndex(static_cast<int>(flatItemList_.size()));
        flatItemList_.push_back(item);
        item->loadFromXml(child, context);
    }
}

}  // namespace nodeloom
