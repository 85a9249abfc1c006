#include "Nodeloom/links/LinkLabel.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/EditLinkLabelEventArgs.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Constants.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

namespace {

// The canvas draws no larger type than this; measuring larger would promise a rectangle the text
// never fills.
constexpr double kMaxFontSize = 1.0e4;

// The named child as an int: `missing` when there is no such child, nothing when its text is no
// decimal integer that an int holds.
std::optional<int> readInt(const XmlElement& element, std::string_view name, int missing) {
    if (!element.getChild(name)) return missing;
    // A text that is no integer reads as either default; a real integer reads the same twice.
    const std::int64_t low = element.readInteger(name, std::numeric_limits<std::int64_t>::min());
    const std::int64_t high = element.readInteger(name, std::numeric_limits<std::int64_t>::max());
    if (low != high || low < INT_MIN || low > INT_MAX) return std::nullopt;
    return static_cast<int>(low);
}

// The named child as a finite number: `missing` when there is no such child, nothing for inf or
// nan.
std::optional<double> readFinite(const XmlElement& element, std::string_view name, double missing) {
    const double value = element.readDouble(name, missing);
    if (!isFinite(value)) return std::nullopt;
    return value;
}

bool& usingAutoArrangeFlag() {
    static bool flag = false;
    return flag;
}

}  // namespace

LinkLabel::LinkLabel()
    : brush_(std::make_shared<SolidColorBrush>(Colors::White())),
      fontUnit_(MeasureUnit::Point()),
      maxWidth_(Constants::maxValue()) {}

LinkLabel::LinkLabel(const std::shared_ptr<DiagramLink>& link) : LinkLabel() {
    link_ = link;
}

LinkLabel::LinkLabel(const std::shared_ptr<DiagramLink>& link, std::string text) : LinkLabel(link) {
    text_ = std::move(text);
}

LinkLabel::~LinkLabel() = default;

bool LinkLabel::usingAutoArrange() {
    return usingAutoArrangeFlag();
}

void LinkLabel::setUsingAutoArrange(bool value) {
    usingAutoArrangeFlag() = value;
}

std::shared_ptr<LinkLabel> LinkLabel::clone() const {
    auto copy = std::make_shared<LinkLabel>();
    copy->link_ = link_;
    copy->copyValues(*this);
    return copy;
}

void LinkLabel::copyValues(const LinkLabel& other) {
    changed();
    if (&other == this) return;
    text_ = other.text_;
    textColor_ = other.textColor_;
    brush_ = other.brush_;
    fontName_ = other.fontName_;
    fontSize_ = other.fontSize_;
    fontBold_ = other.fontBold_;
    fontItalic_ = other.fontItalic_;
    fontUnderline_ = other.fontUnderline_;
    fontUnit_ = other.fontUnit_;
    relativeTo_ = other.relativeTo_;
    index_ = other.index_;
    horizontalOffset_ = other.horizontalOffset_;
    verticalOffset_ = other.verticalOffset_;
    margin_ = other.margin_;
    horizontalAlign_ = other.horizontalAlign_;
    verticalAlign_ = other.verticalAlign_;
    enableWrap_ = other.enableWrap_;
    maxWidth_ = other.maxWidth_;
    autoArrange_ = other.autoArrange_;
}

void LinkLabel::setLink(const std::shared_ptr<DiagramLink>& link) {
    const std::shared_ptr<LinkLabel> me = weak_from_this().lock();
    if (link && me) {
        link->addLabel(me);
        return;
    }
    if (const std::shared_ptr<DiagramLink> holder = link_.lock(); holder && holder != link)
        holder->dropLabel(*this);
    attachTo(link);
}

void LinkLabel::attachTo(const std::shared_ptr<DiagramLink>& link) {
    changed();
    link_ = link;
    changed();
}

// --- Values ----------------------------------------------------------------------------------

void LinkLabel::setFontSize(double size) {
    changed();
    if (isFinite(size)) fontSize_ = size;
}

void LinkLabel::setFontUnit(std::shared_ptr<MeasureUnit> unit) {
    changed();
    if (unit) fontUnit_ = std::move(unit);
}

void LinkLabel::setAutoArrange(bool value) {
    autoArrange_ = value;
    if (value) usingAutoArrangeFlag() = true;
}

void LinkLabel::setHorizontalOffset(double offset) {
    changed();
    if (isFinite(offset)) horizontalOffset_ = offset;
}

void LinkLabel::setVerticalOffset(double offset) {
    changed();
    if (isFinite(offset)) verticalOffset_ = offset;
}

void LinkLabel::setMargin(double margin) {
    changed();
    if (isFinite(margin)) margin_ = margin;
}

void LinkLabel::setHorizontalAlign(Align align) {
    changed();
    if (fromRaw<Align>(static_cast<int>(align))) horizontalAlign_ = align;
}

void LinkLabel::setVerticalAlign(Align align) {
    changed();
    if (fromRaw<Align>(static_cast<int>(align))) verticalAlign_ = align;
}

void LinkLabel::setMaxWidth(double width) {
    changed();
    if (isFinite(width)) maxWidth_ = width;
}

void LinkLabel::setSegmentPosition(int index, double dx, double dy) {
    changed();
    if (!isFinite(dx) || !isFinite(dy)) return;
    relativeTo_ = segment;
    index_ = index;
    horizontalOffset_ = dx;
    verticalOffset_ = dy;
}

void LinkLabel::setControlPointPosition(int index, double dx, double dy) {
    changed();
    if (!isFinite(dx) || !isFinite(dy)) return;
    relativeTo_ = controlPoint;
    index_ = index;
    horizontalOffset_ = dx;
    verticalOffset_ = dy;
}

void LinkLabel::setLinkLengthPosition(double value) {
    changed();
    if (!isFinite(value)) return;
    relativeTo_ = linkLength;
    horizontalOffset_ = value;
}

// --- Placement -------------------------------------------------------------------------------

Point LinkLabel::getPointAtLength(const std::vector<Point>& points, double fraction) {
    if (points.empty()) return Point();
    // Before the start (or no fraction at all) is the start; the walk below would otherwise run
    // off the last piece, and a label placed at the end belongs on the last point.
    if (!(fraction > 0)) return points.front();
    if (fraction >= 1) return points.back();
    double total = 0;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        total += std::hypot(points[i + 1].x - points[i].x, points[i + 1].y - points[i].y);
    }
    if (!(total > 0) || !isFinite(total)) return points.front();
    const double target = total * fraction;
    double walked = 0;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const Point& a = points[i];
        const Point& b = points[i + 1];
        const double piece = std::hypot(b.x - a.x, b.y - a.y);
        if (target < walked + piece) {
            const double t = (target - walked) / piece;
            return Point(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t);
        }
        walked += piece;
    }
    return points.back();
}

std::optional<Point> LinkLabel::getReferencePoint() {
    const std::shared_ptr<DiagramLink> l = link();
    if (!l) return std::nullopt;
    // Clamps a non-negative index to the last of `count` entries and counts a negative one from
    // the end, stopping at the first.
    const auto pick = [this](int count) {
        if (index_ >= 0) return std::min(index_, count - 1);
        return std::max(0, count + index_);
    };
    switch (relativeTo_) {
        case segment: {
            const int count = l->segmentCount();
            if (count < 1) return std::nullopt;
            const std::vector<Point> points = l->getSegmentPoints(pick(count));
            if (points.empty()) return std::nullopt;
            const Point p = getPointAtLength(points, 0.5);
            return Point(p.x + horizontalOffset_, p.y + verticalOffset_);
        }
        case controlPoint: {
            const std::vector<Point>& points = l->controlPoints();
            if (points.empty()) return std::nullopt;
            const int count = static_cast<int>(std::min<std::size_t>(points.size(), INT_MAX));
            const Point& p = points[static_cast<std::size_t>(pick(count))];
            return Point(p.x + horizontalOffset_, p.y + verticalOffset_);
        }
        case linkLength: {
            const std::vector<Point> points = l->getFlattenedPoints();
            if (points.empty()) return std::nullopt;
            return getPointAtLength(points, horizontalOffset_);
        }
        default:
            return std::nullopt;
    }
}

void LinkLabel::changed() {
    if (const std::shared_ptr<DiagramLink> l = link_.lock()) l->hitAreaChanged();
}

std::shared_ptr<MeasureUnit> LinkLabel::documentUnit() const {
    const std::shared_ptr<DiagramLink> l = link();
    const std::shared_ptr<Diagram> d = l ? l->diagram() : nullptr;
    if (d && d->measureUnit()) return d->measureUnit();
    return MeasureUnit::Millimeter();
}

double LinkLabel::fontSizeInDocument() const {
    const double size = fontUnit_->convert(fontSize_, documentUnit());
    return isFinite(size) ? size : 0.0;
}

std::optional<LinkLabel::TextSize> LinkLabel::measure(double fontSize) {
    if (text_.find_first_not_of('\n') == std::string::npos) return std::nullopt;
    const double size = fontSize > 0 ? std::min(fontSize, kMaxFontSize) : 0.0;
    if (measured_ && measured_->text == text_ && measured_->fontName == fontName_ &&
        measured_->fontSize == size && measured_->bold == fontBold_ &&
        measured_->italic == fontItalic_ && measured_->wrap == enableWrap_ &&
        (!enableWrap_ || measured_->maxWidth == maxWidth_)) {
        return measured_->size;
    }

    // Measured in the layout the label is drawn from, which then draws it without laying it out
    // again.
    if (!textCache_) textCache_ = std::make_unique<TextLayoutCache>();
    const TextLayoutCache::Extent extent = textCache_->measure(
        text_, fontName_, size, fontBold_, fontItalic_, fontUnderline_, enableWrap_, maxWidth_);
    const TextSize result{extent.width, extent.height};

    measured_ =
        Measure{text_, fontName_, size, fontBold_, fontItalic_, enableWrap_, maxWidth_, result};
    return result;
}

std::optional<Rect> LinkLabel::getLayoutRect() {
    if (cachedLayoutRect_ && isFinite(*cachedLayoutRect_) && cachedLayoutRect_->width != 0 &&
        cachedLayoutRect_->height != 0) {
        return cachedLayoutRect_;
    }
    const std::optional<Point> p = getReferencePoint();
    if (!p) return std::nullopt;
    const std::optional<TextSize> size = measure(fontSizeInDocument());
    if (!size) return std::nullopt;

    double x = p->x - size->width / 2;
    if (horizontalAlign_ == Align::near) x = p->x + margin_;
    if (horizontalAlign_ == Align::far) x = p->x - size->width - margin_;
    double y = p->y - size->height / 2;
    if (verticalAlign_ == Align::near) y = p->y + margin_;
    if (verticalAlign_ == Align::far) y = p->y - size->height - margin_;
    const Rect rect(x - 1, y - 1, size->width + 2, size->height + 2);
    if (!isFinite(rect)) return std::nullopt;
    return rect;
}

// --- Drawing ---------------------------------------------------------------------------------

void LinkLabel::draw(Canvas& canvas) {
    const std::optional<Rect> layoutRect = getLayoutRect();
    if (!layoutRect) return;
    Rect textRect = *layoutRect;
    if (brush_) {
        const double m = Constants::getMillimeter(documentUnit());
        if (isFinite(m)) textRect.inflate(m, m);
        canvas.setBrush(brush_);
        canvas.drawRect(textRect);
        canvas.fillRect(textRect);
    }
    // Type of no size has nothing to show; the canvas would draw it at a size of its own.
    if (!(fontSizeInDocument() > 0)) return;

    std::shared_ptr<Color> color = textColor_;
    if (!color) {
        const std::shared_ptr<DiagramLink> l = link();
        color = l ? l->getEffectiveTextColor() : Colors::Black();
    }
    canvas.setTextColor(color);
    canvas.setFont(fontName_, fontSize_, fontUnit_);
    if (!textCache_) textCache_ = std::make_unique<TextLayoutCache>();
    canvas.drawCachedText(text_, textRect, static_cast<HorizontalAlignment>(horizontalAlign_),
                          static_cast<VerticalAlignment>(verticalAlign_), fontBold_, fontItalic_,
                          fontUnderline_, *textCache_);
}

// --- In-place editing ------------------------------------------------------------------------

std::string LinkLabel::getTextToEdit() {
    return text_;
}

void LinkLabel::setEditedText(const std::string& text) {
    changed();
    text_ = text;
}

Rect LinkLabel::getEditRect(const std::shared_ptr<DiagramItem>&, Point pointerPosition) {
    if (std::optional<Rect> rect = getLayoutRect()) {
        const double grow = fontSizeInDocument();
        if (isFinite(grow)) rect->inflate(grow, grow);
        return *rect;
    }
    if (const std::shared_ptr<DiagramLink> l = link()) return l->getBounds();
    return Rect(pointerPosition.x, pointerPosition.y, 0, 0);
}

void LinkLabel::raiseItemTextEditing(const std::string& oldText, const std::string& newText) {
    const std::shared_ptr<DiagramLink> l = link();
    const std::shared_ptr<Diagram> d = l ? l->diagram() : nullptr;
    if (!d) return;
    EditLinkLabelEventArgs args(weak_from_this().lock(), oldText, newText);
    d->linkLabelEditing().raise(*d, args);
}

void LinkLabel::raiseItemTextEdited(const std::string& oldText, const std::string& newText) {
    const std::shared_ptr<DiagramLink> l = link();
    const std::shared_ptr<Diagram> d = l ? l->diagram() : nullptr;
    if (!d) return;
    EditLinkLabelEventArgs args(weak_from_this().lock(), oldText, newText);
    d->linkLabelEdited().raise(*d, args);
}

std::shared_ptr<DiagramItem> LinkLabel::getEditedItem() {
    return link();
}

// --- XML -------------------------------------------------------------------------------------

void LinkLabel::saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    element->attributes().insert_or_assign("Version", std::string("2"));
    context.writeString(text_, "Text", element);
    context.writeInt(relativeTo_, "RelativeTo", element);
    context.writeInt(index_, "Index", element);
    context.writeDouble(horizontalOffset_, "HorizontalOffset", element);
    context.writeDouble(verticalOffset_, "VerticalOffset", element);
    context.writeDouble(margin_, "Margin", element);
    context.writeEnum(horizontalAlign_, "HorizontalAlign", element);
    context.writeEnum(verticalAlign_, "VerticalAlign", element);
    context.writeBool(enableWrap_, "EnableWrap", element);
    context.writeDouble(maxWidth_, "MaxWidth", element);
    context.writeBool(autoArrange_, "AutoArrange", element);
    context.writeBrush(brush_, "Brush", element);
    context.writeString(fontName_, "FontFamily", element);
    context.writeDouble(fontSize_, "FontSize", element);
    context.writeInt(fontUnit_->id(), "FontUnit", element);
}

void LinkLabel::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    changed();
    if (!element) return;
    const XmlElement& e = *element;
    text_ = e.readString("Text", "");
    if (const auto v = readInt(e, "RelativeTo", 0)) relativeTo_ = *v;
    if (const auto v = readInt(e, "Index", 0)) index_ = *v;
    if (const auto v = readFinite(e, "HorizontalOffset", 0.0)) horizontalOffset_ = *v;
    if (const auto v = readFinite(e, "VerticalOffset", 0.0)) verticalOffset_ = *v;
    if (const auto v = readFinite(e, "Margin", 0.0)) margin_ = *v;
    if (const auto v = readInt(e, "HorizontalAlign", 0)) {
        if (const auto align = fromRaw<Align>(*v)) horizontalAlign_ = *align;
    }
    if (const auto v = readInt(e, "VerticalAlign", 0)) {
        if (const auto align = fromRaw<Align>(*v)) verticalAlign_ = *align;
    }
    enableWrap_ = e.readBool("EnableWrap", false);
    if (const double v = e.readDouble("MaxWidth", 0.0); isFinite(v)) maxWidth_ = v;
    textColor_ = e.readColor("TextColor", Colors::Black());
    brush_ = context.readBrush("Brush", element);

    const auto takeUnit = [this](std::optional<int> id) {
        if (!id) return;
        if (auto unit = MeasureUnit::fromId(*id)) fontUnit_ = std::move(unit);
    };
    if (const std::shared_ptr<XmlElement> font = e.getChild("Font")) {
        fontName_ = font->readString("Name", "");
        if (const auto v = readFinite(*font, "Size", -1.0)) fontSize_ = *v;
        takeUnit(readInt(*font, "Unit", 0));
        fontBold_ = e.readBool("Bold", false);
        fontItalic_ = e.readBool("Italic", false);
        fontUnderline_ = e.readBool("Underline", false);
        // The label's own "Unit" decides; none (or 0) means points.
        if (const auto unit = readInt(e, "Unit", 0)) {
            if (*unit == 0)
                fontUnit_ = MeasureUnit::Point();
            else
                takeUnit(unit);
        }
    } else {
        fontName_ = e.readString("FontFamily", "");
        if (const auto v = readFinite(e, "FontSize", -1.0)) fontSize_ = *v;
        takeUnit(readInt(e, "FontUnit", 0));
    }
    setAutoArrange(e.readBool("AutoArrange", false));
}

}  // namespace nodeloom
