#include "Nodeloom/items/DiagramItem.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "Nodeloom/document/ClassDescriptor.h"  // Hook: item reaches its document
#include "Nodeloom/document/Diagram.h"  // Hook: item reaches its document
#include "Nodeloom/document/XmlContext.h"  // Hook: item reaches its document
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/DiagramItemState.h"

namespace nodeloom {

namespace {

// Touching edges count as meeting: a link whose box only touches the changed area may still
// cross what changed there.
bool meets(const Rect& a, const Rect& b) {
    return !(a.x + a.width < b.x || b.x + b.width < a.x || a.y + a.height < b.y ||
             b.y + b.height < a.y);
}

// An integer value element, brought into the range of int so that a huge number cannot wrap
// into a valid-looking one.
int readInt(const XmlElement& element, std::string_view name, int defaultValue) {
    const std::int64_t value = element.readInteger(name, defaultValue);
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

// An alignment stored as its raw value; nothing when the child is missing or holds no case.
template <typename Alignment>
std::optional<Alignment> readAlignment(const XmlElement& element, std::string_view name) {
    if (!element.getChild(name)) return std::nullopt;
    return fromRaw<Alignment>(readInt(element, name, -1));
}

Rect inflated(Rect r, double d) {
    r.x -= d;
    r.y -= d;
    r.width += 2.0 * d;
    r.height += 2.0 * d;
    return r;
}

}  // namespace

DiagramItem::DiagramItem() : textColor_(Colors::Empty()), stroke_(Colors::Black()) {}

DiagramItem::~DiagramItem() = default;

void DiagramItem::draw(Canvas&, const RenderOptions&) {}
void DiagramItem::drawShadow(Canvas&, const RenderOptions&) {}
void DiagramItem::drawHandles(Canvas&) {}
void DiagramItem::drawManipulators(Canvas&) {}
std::shared_ptr<Manipulator> DiagramItem::hitTestManipulators(Point) {
    return nullptr;
}
void DiagramItem::updateFlipOnResize(const Rect&, const Rect&, AdjustmentHandle&,
                                     DragState&) {}

std::shared_ptr<DiagramItemState> DiagramItem::createState() {
    return std::make_shared<DiagramItemState>();
}

std::shared_ptr<DiagramItemState> DiagramItem::saveState() {
    std::shared_ptr<DiagramItemState> s = createState();
    if (!s) s = DiagramItem::createState();
    s->setZIndex(zIndex());
    s->setTag(tag());
    s->setText(text());
    s->setTextColor(textColor());
    s->setFontName(fontName());
    s->setFontSize(fontSize());
    s->setFontUnit(fontUnit());
    s->setIgnoreLayout(ignoreLayout());
    s->setBrush(brush());
    s->setStroke(stroke());
    s->setStrokeDashStyle(strokeDashStyle());
    s->setStrokeThickness(strokeThickness());
    s->setSelected(selected());
    s->setVisible(visible());
    s->setLocked(locked());
    s->setStyle(style());
    s->setHorizontalTextAlignment(horizontalTextAlignment());
    s->setVerticalTextAlignment(verticalTextAlignment());
    s->setHandlesStyle(handlesStyle());
    s->setAttachedNodes(attachedNodes());
    return s;
}

void DiagramItem::restoreState(const DiagramItemState& s) {
    setZIndex(s.zIndex());
    setTag(s.tag());
    setText(s.text());
    setTextColor(s.textColor());
    setFontName(s.fontName());
    setFontSize(s.fontSize());
    setFontUnit(s.fontUnit());
    setIgnoreLayout(s.ignoreLayout());
    setBrush(s.brush());
    setStroke(s.stroke());
    setStrokeDashStyle(s.strokeDashStyle());
    setStrokeThickness(s.strokeThickness());
    setSelected(s.selected());
    setVisible(s.visible());
    setLocked(s.locked());
    setStyle(s.style());
    setHorizontalTextAlignment(s.horizontalTextAlignment());
    setVerticalTextAlignment(s.verticalTextAlignment());
    setHandlesStyle(s.handlesStyle());
    setAttachedNodes(s.attachedNodes());
}

std::shared_ptr<DiagramItemState> DiagramItem::saveLocation() {
    return createState();
}
void DiagramItem::restoreLocation(const DiagramItemState&) {}
std::optional<Rect> DiagramItem::getAffectedBounds(const Rect&) {
    return std::nullopt;
}

void DiagramItem::invalidateLinkCrossings(const std::optional<Rect>& rect) {
    if (!rect) return;
    const std::shared_ptr<Diagram> d = diagram();
    if (!d || d->linkCrossings() == LinkCrossings::straight) return;
    removeRuntimeData(RuntimeDataKey::linkCrossings);

    const auto& items = d->items();
    const auto drop = [&rect](DiagramItem& candidate) {
        if (candidate.cachesLinkCrossings() && meets(candidate.getBounds(), *rect)) {
            candidate.removeRuntimeData(RuntimeDataKey::linkCrossings);
        }
    };
    if (d->zOrderInvalid()) {
        for (const auto& item : items)
            drop(*item);
        return;
    }

    const long n = static_cast<long>(items.size());
    if (runtimeIndex_ < 0 || runtimeIndex_ >= n ||
        items[static_cast<std::size_t>(runtimeIndex_)].get() != this) {
        d->updateRuntimeIndices();
    }
    long k = standalone_ ? n : runtimeIndex_;
    if (k > n) k = n;
    if (d->linkCrossings() == LinkCrossings::arc) {
        for (long i = std::max(k + 1, 0L); i < n; ++i)
            drop(*items[static_cast<std::size_t>(i)]);
    } else {
        for (long i = std::min(k - 1, n - 1); i >= 0; --i) {
            drop(*items[static_cast<std::size_t>(i)]);
        }
    }
}

void DiagramItem::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    const XmlElement& e = *element;
    setLocked(e.readBool("Locked", false));
    setVisible(e.readBool("Visible", false));
    setText(e.readString("Text", ""));

    std::shared_ptr<Color> textColor = e.readColor("TextColor", Colors::Empty());
    if (!textColor || textColor->isEmpty()) {
        if (const auto brush = context.readBrush("TextBrush", element))
            textColor = brush->toColor();
    }
    setTextColor(textColor);

    if (const auto font = e.getChild("Font")) {
        setFontName(font->readString("Name", ""));
        setFontSize(font->readDouble("Size", -1.0));
        if (font->getChild("Unit")) setFontUnit(MeasureUnit::fromId(readInt(*font, "Unit", 0)));
    } else {
        setFontName(e.readString("FontFamily", ""));
        setFontSize(e.readDouble("FontSize", -1.0));
        if (e.getChild("FontUnit")) setFontUnit(MeasureUnit::fromId(readInt(e, "FontUnit", 0)));
    }

    if (const auto pen = e.getChild("Pen")) {
        setStroke(pen->readColor("Color", Colors::Empty()));
        setStrokeThickness(pen->readDouble("Width", -1.0));
    } else {
        setStroke(e.readColor("Stroke", Colors::Black()));
        setStrokeThickness(e.readDouble("StrokeThickness", -1.0));
        setStrokeDashStyle(
            fromRaw<DashStyle>(readInt(e, "StrokeDashStyle", 0)).value_or(DashStyle::solid));
    }

    // An alignment that is missing from the older form, or that names no case in either form,
    // keeps the item's current alignment rather than failing the whole item.
    if (const auto format = e.getChild("TextFormat")) {
        if (auto h = readAlignment<HorizontalAlignment>(*format, "Alignment")) {
            setHorizontalTextAlignment(*h);
        }
        if (auto v = readAlignment<VerticalAlignment>(*format, "LineAlignment")) {
            setVerticalTextAlignment(*v);
        }
    } else {
        if (auto h = fromRaw<HorizontalAlignment>(readInt(e, "TextAlignment", 0))) {
            setHorizontalTextAlignment(*h);
        }
        if (auto v = fromRaw<VerticalAlignment>(readInt(e, "TextVerticalAlignment", 0))) {
            setVerticalTextAlignment(*v);
        }
    }

    setBrush(context.readBrush("Brush", element));
    setTag(e.readString("Tag", ""));
    setHandlesStyle(readInt(e, "HandlesStyle", 1) != 0 ? HandlesStyle::squareHandles
                                                       : HandlesStyle::invisible);
}

void DiagramItem::saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    context.writeBool(locked_, "Locked", element);
    context.writeBool(visible_, "Visible", element);
    context.writeBrush(brush_, "Brush", element);
    context.writeString(tag_, "Tag", element);
    context.writeEnum(handlesStyle_, "HandlesStyle", element);
    saveTextProperties(element, context);
    saveStrokeProperties(element, context);
}

void DiagramItem::saveTextProperties(const std::shared_ptr<XmlElement>& element,
                                     XmlContext& context) {
    if (!element) return;
    context.writeString(text_, "Text", element);
    context.writeBrush(std::make_shared<SolidColorBrush>(textColor_), "TextBrush", element);
    context.writeString(fontName_, "FontFamily", element);
    context.writeDouble(fontSize_, "FontSize", element);
    if (fontUnit_) context.writeInt(fontUnit_->id(), "FontUnit", element);
    context.writeEnum(horizontalTextAlignment_, "TextAlignment", element);
    context.writeEnum(verticalTextAlignment_, "TextVerticalAlignment", element);
}

void DiagramItem::saveStrokeProperties(const std::shared_ptr<XmlElement>& element,
                                       XmlContext& context) {
    if (!element) return;
    context.writeColor(stroke_, "Stroke", element);
    context.writeDouble(strokeThickness_, "StrokeThickness", element);
    context.writeEnum(strokeDashStyle_, "StrokeDashStyle", element);
}

std::shared_ptr<Style> DiagramItem::resolveEffectiveStyle(const StylePredicate& predicate) const {
    if (!predicate) return nullptr;
    if (style_ && predicate(*style_)) return style_;
    if (const std::shared_ptr<Diagram> d = diagram()) {
        if (d->style() && predicate(*d->style())) return d->style();
        if (d->theme()) {
            if (auto s = resolveInheritedStyle(predicate, d->theme())) return s;
        }
    }
    return resolveInheritedStyle(predicate, Theme::defaultTheme());
}

std::shared_ptr<Style> DiagramItem::resolveInheritedStyle(
    const StylePredicate& predicate, const std::shared_ptr<Theme>& theme) const {
    if (!theme || !predicate) return nullptr;
    for (const char* key : {"DiagramItem", "Diagram"}) {
        const auto it = theme->styles().find(key);
        if (it != theme->styles().end() && it->second && predicate(*it->second)) {
            return it->second;
        }
    }
    return nullptr;
}

bool DiagramItem::containsPoint(Point) {
    return false;
}
bool DiagramItem::containsPoint(Point, double) {
    return false;
}

std::shared_ptr<DiagramItem> DiagramItem::hitTest(Point point, const ItemFilter& filter) {
    if (const std::shared_ptr<Diagram> d = diagram()) {
        if (!d->isItemVisible(*this)) return nullptr;
    }
    // A missing filter filters nothing out.
    if (containsPoint(point) && (!filter || filter(*this))) return weak_from_this().lock();
    return nullptr;
}

std::optional<Rect> DiagramItem::getHitArea() {
    return std::nullopt;
}

void DiagramItem::hitAreaChanged() {
    if (const std::shared_ptr<Diagram> d = diagram_.lock()) d->itemHitAreaChanged(*this);
}

std::shared_ptr<AdjustmentHandle> DiagramItem::hitTestHandle(Point) {
    return nullptr;
}

std::shared_ptr<DiagramItem> DiagramItem::hitTest(Point point, double threshold, bool,
                                                  bool onlyInteractive) {
    if (const std::shared_ptr<Diagram> d = diagram()) {
        if (!d->isItemVisible(*this)) return nullptr;
        if (onlyInteractive && !d->isItemInteractive(*this)) return nullptr;
    }
    const bool hit = threshold > 0 ? containsPoint(point, threshold) : containsPoint(point);
    return hit ? weak_from_this().lock() : nullptr;
}

std::string DiagramItem::getClassId() const {
    return "";
}

std::shared_ptr<Brush> DiagramItem::getEffectiveBrush() const {
    if (brush_) return brush_;
    if (auto s = resolveEffectiveStyle([](const Style& st) { return st.hasBrush(); })) {
        if (s->brush()) return s->brush();
    }
    return std::make_shared<SolidColorBrush>(Colors::White());
}

std::shared_ptr<Color> DiagramItem::getEffectiveStroke() const {
    if (stroke_ && !stroke_->isEmpty()) return stroke_;
    if (auto s = resolveEffectiveStyle([](const Style& st) { return st.hasStroke(); })) {
        if (s->stroke()) return s->stroke();
    }
    return Colors::White();
}

double DiagramItem::getEffectiveStrokeThickness() const {
    if (strokeThickness_ != -1.0) return strokeThickness_;
    if (auto s = resolveEffectiveStyle([](const Style& st) { return st.hasStrokeThickness(); })) {
        return s->strokeThickness();
    }
    return 0.0;
}

std::shared_ptr<Color> DiagramItem::getEffectiveTextColor() const {
    if (textColor_ && !textColor_->isEmpty()) return textColor_;
    if (auto s = resolveEffectiveStyle([](const Style& st) { return st.hasTextColor(); })) {
        if (s->textColor()) return s->textColor();
    }
    return Colors::Black();
}

std::string DiagramItem::getEffectiveFontName() const {
    if (!fontName_.empty()) return fontName_;
    if (auto s = resolveEffectiveStyle([](const Style& st) { return st.hasFontName(); })) {
        return s->fontName();
    }
    return "ArialMT";
}

double DiagramItem::getEffectiveFontSize() const {
    if (fontSize_ != -1.0) return fontSize_;
    if (auto s = resolveEffectiveStyle([](const Style& st) { return st.hasFontSize(); })) {
        return s->fontSize();
    }
    return 10.0;
}

std::shared_ptr<MeasureUnit> DiagramItem::getEffectiveFontUnit() const {
    if (fontUnit_) return fontUnit_;
    if (auto s = resolveEffectiveStyle([](const Style& st) { return st.hasFontUnit(); })) {
        if (s->fontUnit()) return s->fontUnit();
    }
    return MeasureUnit::Point();
}

VerticalAlignment DiagramItem::getEffectiveVerticalTextAlignment() const {
    return verticalTextAlignment_;
}

HorizontalAlignment DiagramItem::getEffectiveHorizontalTextAlignment() const {
    return horizontalTextAlignment_;
}

Metatype<DiagramItem> DiagramItem::getClassType() const {
    return Metatype<DiagramItem>([] { return std::make_shared<DiagramItem>(); }, "std:DiagramItem");
}

void DiagramItem::removeRuntimeData(RuntimeDataKey key) {
    runtimeData_.erase(key);
}

int DiagramItem::zIndex() const {
    return zIndex_;
}

void DiagramItem::setZIndex(int zIndex) {
    zIndex_ = zIndex;
    if (const std::shared_ptr<Diagram> d = diagram()) {
        d->setZOrderInvalid(true);
        d->invalidate();
    }
}

int DiagramItem::layerIndex() const {
    return layerIndex_;
}

void DiagramItem::setLayerIndex(int layerIndex) {
    layerIndex_ = layerIndex;
    if (const std::shared_ptr<Diagram> d = diagram()) {
        d->setZOrderInvalid(true);
        d->invalidate();
    }
}

Rect DiagramItem::getBounds() {
    return Rect();
}
void DiagramItem::onLoad() {}
bool DiagramItem::intersects(const Rect&) {
    return false;
}
Rect DiagramItem::getBoundingRect() {
    return Rect();
}

Rect DiagramItem::getRepaintRect() {
    Rect r = inflated(getBoundingRect(), getEffectiveStrokeThickness());
    if (const std::shared_ptr<Diagram> d = diagram()) r = inflated(r, d->adjustmentHandlesSize());
    return r;
}

const std::string& DiagramItem::text() const {
    return text_;
}

void DiagramItem::setText(const std::string& text) {
    text_ = text;
    repaint();
}

const std::shared_ptr<Color>& DiagramItem::textColor() const {
    return textColor_;
}

void DiagramItem::setTextColor(std::shared_ptr<Color> color) {
    // No colour at all means no colour set.
    textColor_ = color ? std::move(color) : Colors::Empty();
    repaint();
}

const std::string& DiagramItem::fontName() const {
    return fontName_;
}

void DiagramItem::setFontName(const std::string& name) {
    fontName_ = name;
    repaint();
}

double DiagramItem::fontSize() const {
    return fontSize_;
}

void DiagramItem::setFontSize(double size) {
    if (!std::isfinite(size)) return;
    fontSize_ = size;
    repaint();
}

const std::shared_ptr<MeasureUnit>& DiagramItem::fontUnit() const {
    return fontUnit_;
}

void DiagramItem::setFontUnit(std::shared_ptr<MeasureUnit> unit) {
    fontUnit_ = std::move(unit);
    repaint();
}

VerticalAlignment DiagramItem::verticalTextAlignment() const {
    return verticalTextAlignment_;
}

void DiagramItem::setVerticalTextAlignment(VerticalAlignment alignment) {
    verticalTextAlignment_ = alignment;
    repaint();
}

HorizontalAlignment DiagramItem::horizontalTextAlignment() const {
    return horizontalTextAlignment_;
}

void DiagramItem::setHorizontalTextAlignment(HorizontalAlignment alignment) {
    horizontalTextAlignment_ = alignment;
    repaint();
}

bool DiagramItem::visible() const {
    return visible_;
}

void DiagramItem::setVisible(bool visible) {
    visible_ = visible;
    repaint();
}

bool DiagramItem::selected() const {
    return selected_;
}
void DiagramItem::setSelected(bool selected) {
    selected_ = selected;
}

HandlesStyle DiagramItem::handlesStyle() const {
    return handlesStyle_;
}

void DiagramItem::setHandlesStyle(HandlesStyle style) {
    handlesStyle_ = style;
    repaint();
}

bool DiagramItem::standalone() const {
    return standalone_;
}
void DiagramItem::setStandalone(bool standalone) {
    standalone_ = standalone;
}
bool DiagramItem::locked() const {
    return locked_;
}
void DiagramItem::setLocked(bool locked) {
    locked_ = locked;
}
bool DiagramItem::isTopLevel() const {
    return topLevel_;
}

const std::shared_ptr<Color>& DiagramItem::stroke() const {
    return stroke_;
}

void DiagramItem::setStroke(std::shared_ptr<Color> color) {
    stroke_ = color ? std::move(color) : Colors::Empty();
    repaint();
}

DashStyle DiagramItem::strokeDashStyle() const {
    return strokeDashStyle_;
}

void DiagramItem::setStrokeDashStyle(DashStyle style) {
    strokeDashStyle_ = style;
    repaint();
}

double DiagramItem::strokeThickness() const {
    return strokeThickness_;
}

void DiagramItem::setStrokeThickness(double thickness) {
    if (!std::isfinite(thickness)) return;
    strokeThickness_ = thickness;
    hitAreaChanged();
    repaint();
}

const std::shared_ptr<Brush>& DiagramItem::brush() const {
    return brush_;
}

void DiagramItem::setBrush(std::shared_ptr<Brush> brush) {
    brush_ = std::move(brush);
    repaint();
}

void DiagramItem::repaint() {
    const std::shared_ptr<Diagram> d = diagram();
    if (d && !d->isLoading()) d->invalidate(getRepaintRect());
}

const std::shared_ptr<Style>& DiagramItem::style() const {
    return style_;
}

void DiagramItem::setStyle(std::shared_ptr<Style> style) {
    style_ = std::move(style);
    repaint();
}

const std::string& DiagramItem::tag() const {
    return tag_;
}
void DiagramItem::setTag(const std::string& tag) {
    tag_ = tag;
}
std::shared_ptr<Diagram> DiagramItem::diagram() const {
    return diagram_.lock();
}
void DiagramItem::setDiagram(const std::shared_ptr<Diagram>& diagram) {
    diagram_ = diagram;
}

std::vector<std::shared_ptr<DiagramNode>> DiagramItem::attachedNodes() const {
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    nodes.reserve(attachedNodes_.size());
    for (const auto& entry : attachedNodes_) {
        if (auto node = entry.lock()) nodes.push_back(std::move(node));
    }
    return nodes;
}

void DiagramItem::setAttachedNodes(const std::vector<std::shared_ptr<DiagramNode>>& nodes) {
    attachedNodes_.assign(nodes.begin(), nodes.end());
}

void DiagramItem::addAttachedNode(const std::shared_ptr<DiagramNode>& node) {
    if (!node) return;
    // Entries of nodes that are gone are dropped here, so the list cannot grow without bound.
    std::erase_if(attachedNodes_, [](const auto& entry) { return entry.expired(); });
    attachedNodes_.push_back(node);
}

void DiagramItem::removeAttachedNode(const DiagramNode& node) {
    const auto it = std::find_if(attachedNodes_.begin(), attachedNodes_.end(),
                                 [&node](const auto& entry) { return entry.lock().get() == &node; });
    if (it != attachedNodes_.end()) attachedNodes_.erase(it);
}

bool DiagramItem::ignoreLayout() const {
    return ignoreLayout_;
}
void DiagramItem::setIgnoreLayout(bool ignore) {
    ignoreLayout_ = ignore;
}

bool DiagramItem::cachesLinkCrossings() const {
    return false;
}

}  // namespace nodeloom
