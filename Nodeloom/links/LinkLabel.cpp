#include "Nodeloom/links/LinkLabel.h"

#include <pango/pango.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/EditLinkLabelEventArgs.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Constants.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/platform/TextEngine.h"

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
    copy->text_ = text_;
    copy->textColor_ = textColor_;
    copy->brush_ = brush_;
    copy->fontName_ = fontName_;
    copy->fontSize_ = fontSize_;
    copy->fontBold_ = fontBold_;
    copy->fontItalic_ = fontItalic_;
    copy->fontUnderline_ = fontUnderline_;
    copy->fontUnit_ = fontUnit_;
    copy->relativeTo_ = relativeTo_;
    copy->index_ = index_;
    copy->horizontalOffset_ = horizontalOffset_;
    copy->verticalOffset_ = verticalOffset_;
    copy->margin_ = margin_;
    copy->horizontalAlign_ = horizontalAlign_;
    copy->verticalAlign_ = verticalAlign_;
    copy->enableWrap_ = enableWrap_;
    copy->maxWidth_ = maxWidth_;
    copy->autoArrange_ = autoArrange_;
    return copy;
}

// --- Values ----------------------------------------------------------------------------------

void LinkLabel::setFontSize(double size) {
    if (isFinite(size)) fontSize_ = size;
}

void LinkLabel::setFontUnit(std::shared_ptr<MeasureUnit> unit) {
    if (unit) fontUnit_ = std::move(unit);
}

void LinkLabel::setAutoArrange(bool value) {
    autoArrange_ = value;
    if (value) usingAutoArrangeFlag() = true;
}

void LinkLabel::setHorizontalOffset(double offset) {
    if (isFinite(offset)) horizontalOffset_ = offset;
}

void LinkLabel::setVerticalOffset(double offset) {
    if (isFinite(offset)) verticalOffset_ = offset;
}

void LinkLabel::setMargin(double margin) {
    if (isFinite(margin)) margin_ = margin;
}

void LinkLabel::setHorizontalAlign(Align align) {
    if (fromRaw<Align>(static_cast<int>(align))) horizontalAlign_ = align;
}

void LinkLabel::setVerticalAlign(Align align) {
    if (fromRaw<Align>(static_cast<int>(align))) verticalAlign_ = align;
}

void LinkLabel::setMaxWidth(double width) {
    if (!std::isnan(width)) maxWidth_ = width;
}

void LinkLabel::setSegmentPosition(int index, double dx, double dy) {
    if (!isFinite(dx) || !isFinite(dy)) return;
    relativeTo_ = segment;
    index_ = index;
    horizontalOffset_ = dx;
    verticalOffset_ = dy;
}

void LinkLabel::setControlPointPosition(int index, double dx, double dy) {
    if (!isFinite(dx) || !isFinite(dy)) return;
    relativeTo_ = controlPoint;
    index_ = index;
    horizontalOffset_ = dx;
    verticalOffset_ = dy;
}

void LinkLabel::setLinkLengthPosition(double value) {
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

    platform::TextEngine& engine = platform::TextEngine::shared();
    PangoLayout* layout = pango_layout_new(engine.context());
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, engine.familyFor(fontName_).c_str());
    pango_font_description_set_absolute_size(desc, size * PANGO_SCALE);
    // Measured in the weight and slant the canvas draws, so that the drawn text fits.
    pango_font_description_set_weight(desc, fontBold_ ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc, fontItalic_ ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_text(layout, text_.data(), static_cast<int>(text_.size()));

    const auto extent = [layout](int width) {
        pango_layout_set_width(layout, width);
        PangoRectangle logical{};
        pango_layout_get_extents(layout, nullptr, &logical);
        return TextSize{static_cast<double>(logical.width) / PANGO_SCALE,
                        static_cast<double>(logical.height) / PANGO_SCALE};
    };
    // Unwrapped, the text is as wide as its widest line and as tall as all its lines.
    const TextSize unwrapped = extent(-1);
    TextSize result = unwrapped;
    if (enableWrap_) {
        const double pangoWidth = maxWidth_ * PANGO_SCALE;
        // A width Pango cannot hold leaves every line whole.
        const int width =
            pangoWidth > 0 && pangoWidth < INT_MAX ? static_cast<int>(pangoWidth) : -1;
        const TextSize wrapped = extent(width);
        if (wrapped.width > 0) {
            result.width = wrapped.width;
            result.height = (wrapped.height + 5.0) * unwrapped.width / wrapped.width;
        }
    }
    g_object_unref(layout);

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
    canvas.drawText(text_, textRect, static_cast<HorizontalAlignment>(horizontalAlign_),
                    static_cast<VerticalAlignment>(verticalAlign_), fontBold_, fontItalic_,
                    fontUnderline_);
}

// --- In-place editing ------------------------------------------------------------------------

std::string LinkLabel::getTextToEdit() {
    return text_;
}

void LinkLabel::setEditedText(const std::string& text) {
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
    if (const double v = e.readDouble("MaxWidth", 0.0); !std::isnan(v)) maxWidth_ = v;
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
