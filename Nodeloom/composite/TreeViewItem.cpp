#include "Nodeloom/composite/TreeViewItem.h"

#include <cmath>
#include <utility>

#include "Nodeloom/composite/TreeItemExpander.h"
#include "Nodeloom/composite/TreeViewConnectionPoint.h"
#include "Nodeloom/composite/TreeViewItemState.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/composite/TreeWalk.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/ImageAlign.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/platform/ImageSurface.h"

namespace nodeloom {

namespace {

double canvasLength(const std::shared_ptr<MeasureUnit>& unit, double value, Canvas& canvas) {
    return unit->convert(value, canvas.measureUnit(), &canvas);
}

double finiteOr(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}

}  // namespace

TreeViewItem::TreeViewItem() = default;

// Releasing a deep chain through the children lists would nest one destructor call per level;
// the subtree is taken apart here instead, one item at a time.
TreeViewItem::~TreeViewItem() {
    // Ends still entered here: their links are in use, and once this item is gone no tree could
    // tell that they left it.
    if (!incomingLinks_.empty() || !outgoingLinks_.empty()) {
        const std::weak_ptr<TreeViewItem> self = weak_from_this();
        TreeViewConnectionPoint::releaseEndsOfDyingItem(self, incomingLinks_, true);
        TreeViewConnectionPoint::releaseEndsOfDyingItem(self, outgoingLinks_, false);
    }
    ItemList pending = std::move(children_);
    while (!pending.empty()) {
        std::shared_ptr<TreeViewItem> item = std::move(pending.back());
        pending.pop_back();
        if (item && item.use_count() == 1) {
            for (auto& child : item->children_) pending.push_back(std::move(child));
            item->children_.clear();
        }
    }
}

// --- Structure and traversal -------------------------------------------------------------

int TreeViewItem::countItems() const {
    int n = 0;
    walkTree(nullptr, const_cast<TreeViewItem*>(this), true, [&n](TreeViewItem&, int) {
        ++n;
        return TreeStep::descend;
    });
    return n;
}

double TreeViewItem::getSubtreeHeight() const {
    double h = 0.0;
    walkTree(nullptr, const_cast<TreeViewItem*>(this), true, [&h](TreeViewItem& item, int) {
        h += item.height();
        return TreeStep::descend;
    });
    return h;
}

TreeViewItem::ItemList TreeViewItem::appendVisibleItems() {
    ItemList items;
    walkTree(nullptr, this, true, [&items](TreeViewItem& item, int) {
        items.push_back(item.shared_from_this());
        return TreeStep::descend;
    });
    return items;
}

void TreeViewItem::forAllItems(const std::function<void(TreeViewItem&)>& action) {
    if (!action) return;
    walkTree(nullptr, this, false, [&action](TreeViewItem& item, int) {
        action(item);
        return TreeStep::descend;
    });
}

// --- Geometry and drawing ----------------------------------------------------------------

Rect TreeViewItem::getIconRect(double size) const {
    const double s = 2.2 * size;
    return Rect(bounds_.x, bounds_.y + (bounds_.height - s) / 2, s, s);
}

double TreeViewItem::drawTreePath(Canvas& canvas, double x, double y, double offset,
                                  const Rect& clip, int) {
    const double mm = canvasLength(MeasureUnit::Millimeter(), 1.0, canvas);
    double cur = y;
    walkTree(
        nullptr, this, true,
        [&](TreeViewItem& item, int depth) {
            const double left = x + depth * offset;
            item.bounds_ = Rect(left, cur, clip.width - left, item.height_);
            cur += item.height_;
            return TreeStep::descend;
        },
        [&](TreeViewItem& item, int) {
            if (item.expanded_ && !item.children_.empty() && item.children_.back()) {
                const Point c = item.children_.back()->getIconRect(mm).center();
                canvas.drawLine(c.x, item.bounds_.y + item.height_ - 2 * mm, c.x, c.y);
            }
            const Point c = item.getIconRect(mm).center();
            canvas.drawLine(c.x, c.y, c.x + 2.2 * mm, c.y);
        });
    return cur - y;
}

void TreeViewItem::draw(Canvas& canvas, const Rect& clip, TreeViewNode& parent, int& firstDrawn,
                        bool& count) {
    walkTree(nullptr, this, true, [&](TreeViewItem& item, int) {
        const Rect& b = item.bounds_;
        if (clip.y < b.y + b.height && b.y < clip.y + clip.height) {
            count = false;
            item.drawRow(canvas, parent);
        } else if (count) {
            ++firstDrawn;
        }
        return TreeStep::descend;
    });
}

void TreeViewItem::drawRow(Canvas& canvas, TreeViewNode& parent) {
    if (!children_.empty()) {
        const std::shared_ptr<TreeViewItem> self = weak_from_this().lock();
        const auto node = std::static_pointer_cast<TreeViewNode>(parent.weak_from_this().lock());
        if (self && node) TreeItemExpander(node, self).draw(canvas);
    }
    const double mm = canvasLength(MeasureUnit::Millimeter(), 1.0, canvas);
    double textX = 3 * mm;
    if (image_) {
        canvas.drawImage(image_, Rect(bounds_.x + 3 * mm, bounds_.y, bounds_.width, bounds_.height),
                         ImageAlign::middleLeft);
        textX = 3 * mm + canvasLength(MeasureUnit::Point(), image_->size().width, canvas);
    }
    const std::shared_ptr<MeasureUnit> unit = fontUnit_ ? fontUnit_ : parent.getEffectiveFontUnit();
    if (!fontName_.empty())
        canvas.setFont(fontName_, fontSize_, unit);
    else
        canvas.setFont(parent.getEffectiveFontName(), parent.getEffectiveFontSize(), unit);
    std::shared_ptr<Color> color = labelBrush_ ? labelBrush_->toColor() : nullptr;
    canvas.setTextColor(color ? color : std::make_shared<Color>(0.0, 0.0, 0.0));
    canvas.drawText(label_, Rect(bounds_.x + textX, bounds_.y, bounds_.width - textX, bounds_.height),
                    HorizontalAlignment::left, VerticalAlignment::top, false, false, false);
}

double TreeViewItem::locateItem(const TreeViewItem& target, const Rect& node, const Rect& rowRect,
                                bool hidden, Rect& result, double y) {
    result = Rect();
    return walkRowRects(nullptr, this, node, hidden ? &rowRect : nullptr, y,
                        [&](TreeViewItem& item, const Rect& row) {
                            if (&item != &target) return true;
                            result = row;
                            return false;
                        });
}

// --- Persistence and undo ----------------------------------------------------------------

void TreeViewItem::saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    context.writeDouble(height_, "Height", element);
    context.writeBool(expanded_, "Expanded", element);
    context.writeImage(image_, "Image", element);
    context.writeString(label_, "Label", element);
    context.writeBrush(labelBrush_, "LabelBrush", element);
    context.writeString(fontName_, "FontFamily", element);
    context.writeDouble(fontSize_, "FontSize", element);
    if (fontUnit_) context.writeInt(fontUnit_->id(), "FontUnit", element);
}

void TreeViewItem::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    const XmlElement& e = *element;
    height_ = finiteOr(e.readDouble("Height", 0.0), 0.0);
    expanded_ = e.readBool("Expanded", false);
    label_ = e.readString("Label", "");
    labelBrush_ = context.readBrush("LabelBrush", element);
    image_ = context.readImage("Image", element);
    const auto readFont = [this](const XmlElement& from, std::string_view name,
                                 std::string_view size, std::string_view unit) {
        fontName_ = from.readString(name, "");
        fontSize_ = finiteOr(from.readDouble(size, 0.0), 0.0);
        if (from.getChild(unit)) {
            const std::int64_t id = from.readInteger(unit, MeasureUnit::World()->id());
            if (id >= INT32_MIN && id <= INT32_MAX) {
                if (auto u = MeasureUnit::fromId(static_cast<int>(id))) fontUnit_ = std::move(u);
            }
        }
    };
    if (const std::shared_ptr<XmlElement> font = e.getChild("LabelFont"))
        readFont(*font, "Name", "Size", "Unit");
    else
        readFont(e, "FontFamily", "FontSize", "FontUnit");
}

std::shared_ptr<TreeViewItemState> TreeViewItem::saveState() const {
    auto state = std::make_shared<TreeViewItemState>();
    state->image = image_;
    state->label = label_;
    state->height = height_;
    state->expanded = expanded_;
    state->labelBrush = labelBrush_;
    state->fontName = fontName_;
    state->fontSize = fontSize_;
    state->fontUnit = fontUnit_;
    state->children = children_;
    return state;
}

void TreeViewItem::restoreState(const TreeViewItemState& state) {
    image_ = state.image;
    label_ = state.label;
    height_ = state.height;
    expanded_ = state.expanded;
    labelBrush_ = state.labelBrush;
    fontName_ = state.fontName;
    fontSize_ = state.fontSize;
    fontUnit_ = state.fontUnit;
    children_ = state.children;
}

}  // namespace nodeloom
