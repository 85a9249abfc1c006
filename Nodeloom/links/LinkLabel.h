#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/RawValue.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/items/InplaceEditable.h"

namespace nodeloom {

class Canvas;
class TextLayoutCache;
class DiagramItem;
class DiagramLink;
class XmlContext;
class XmlElement;

// What a label's position refers to.
enum class RelativeToLink {
    segment = 0,
    controlPoint = 1,
    linkLength = 2,
};

template <>
inline std::optional<RelativeToLink> fromRaw<RelativeToLink>(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<RelativeToLink>(raw);
}

// The raw values of RelativeToLink, as a label's relativeTo holds them.
namespace LinkLabelStatic {
inline constexpr int segment = static_cast<int>(RelativeToLink::segment);
inline constexpr int controlPoint = static_cast<int>(RelativeToLink::controlPoint);
inline constexpr int linkLength = static_cast<int>(RelativeToLink::linkLength);
}  // namespace LinkLabelStatic

// An extra text of a link, placed relative to one of its segments, one of its control points or
// a fraction of its length, measured into a rectangle and drawn by the link over its body.
//
// The label refers to its link weakly. Setters only store: the label is redrawn with its link.
// Numbers that are not finite, a null unit and out-of-range alignments are refused and leave the
// label as it was.
class LinkLabel : public InplaceEditable, public std::enable_shared_from_this<LinkLabel> {
public:
    static constexpr int segment = LinkLabelStatic::segment;
    static constexpr int controlPoint = LinkLabelStatic::controlPoint;
    static constexpr int linkLength = LinkLabelStatic::linkLength;

    // No link and no text.
    LinkLabel();
    explicit LinkLabel(const std::shared_ptr<DiagramLink>& link);
    LinkLabel(const std::shared_ptr<DiagramLink>& link, std::string text);
    ~LinkLabel() override;

    LinkLabel(const LinkLabel&) = delete;
    LinkLabel& operator=(const LinkLabel&) = delete;

    // Set once any label's autoArrange is switched on, so that the document knows it has labels
    // to arrange; the host may also set it.
    static bool usingAutoArrange();
    static void setUsingAutoArrange(bool value);

    // A new label with this one's link, text, appearance and position, but without the rectangle
    // fixed by the document's arrangement.
    std::shared_ptr<LinkLabel> clone() const;
    // Takes the other label's text, appearance and position; the link and the rectangle fixed by
    // the arrangement stay.
    void copyValues(const LinkLabel& other);

    // Positions: relative to segment or control point `index` (negative counts from the end),
    // moved by (dx, dy); or at a fraction of the link's length, keeping index and verticalOffset.
    void setSegmentPosition(int index, double dx, double dy);
    void setControlPointPosition(int index, double dx, double dy);
    void setLinkLengthPosition(double value);

    // Background, then the text in its rectangle; nothing when the label has no rectangle.
    virtual void draw(Canvas& canvas);

    // The point the label is placed against; nothing without a link, for a relativeTo outside
    // the three positions, or for a link without points.
    virtual std::optional<Point> getReferencePoint();
    // The point at that fraction of the polyline's length: the first point for a fraction of 0 or
    // less (or not a number), the last one for 1 or more. (0, 0) for no points.
    static Point getPointAtLength(const std::vector<Point>& points, double fraction);
    // The label's rectangle in document units: the one fixed by the document's arrangement when
    // it has an area, else the measured text placed against the reference point. Nothing without
    // a reference point or for a text of no characters but line feeds.
    virtual std::optional<Rect> getLayoutRect();

    // Writes the label's content into its own element; reads it back, keeping a field whose
    // element holds a value it cannot use.
    virtual void saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context);
    virtual void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context);

    // Editing the label's text in place.
    std::string getTextToEdit() override;
    void setEditedText(const std::string& text) override;
    // The label's rectangle grown by its font size; the link's bounds when it has none.
    Rect getEditRect(const std::shared_ptr<DiagramItem>& item, Point pointerPosition) override;
    void raiseItemTextEditing(const std::string& oldText, const std::string& newText) override;
    void raiseItemTextEdited(const std::string& oldText, const std::string& newText) override;
    // The owning link.
    std::shared_ptr<DiagramItem> getEditedItem() override;

    std::shared_ptr<DiagramLink> link() const { return link_.lock(); }
    // A label belongs to one link: setting a link moves the label into that link's labels, as
    // addLabel does, and null takes it from the link that holds it. A label made for a link names
    // it before the link holds it, until addLabel puts it there.
    void setLink(const std::shared_ptr<DiagramLink>& link);
    const std::string& text() const { return text_; }
    void setText(std::string text) {
        text_ = std::move(text);
        changed();
    }
    // Null means the link's effective text colour.
    const std::shared_ptr<Color>& textColor() const { return textColor_; }
    void setTextColor(std::shared_ptr<Color> color) { textColor_ = std::move(color); }
    // Null means no background.
    const std::shared_ptr<Brush>& brush() const { return brush_; }
    void setBrush(std::shared_ptr<Brush> brush) { brush_ = std::move(brush); }
    const std::string& fontName() const { return fontName_; }
    void setFontName(std::string name) {
        fontName_ = std::move(name);
        changed();
    }
    // In fontUnit.
    double fontSize() const { return fontSize_; }
    void setFontSize(double size);
    bool fontBold() const { return fontBold_; }
    void setFontBold(bool bold) {
        fontBold_ = bold;
        changed();
    }
    bool fontItalic() const { return fontItalic_; }
    void setFontItalic(bool italic) {
        fontItalic_ = italic;
        changed();
    }
    bool fontUnderline() const { return fontUnderline_; }
    void setFontUnderline(bool underline) { fontUnderline_ = underline; }
    const std::shared_ptr<MeasureUnit>& fontUnit() const { return fontUnit_; }
    void setFontUnit(std::shared_ptr<MeasureUnit> unit);
    bool autoArrange() const { return autoArrange_; }
    // Switching it on also sets usingAutoArrange.
    void setAutoArrange(bool value);

    // The placement values. The library sets them through the position operations, loading and
    // the document's label arrangement.
    int relativeTo() const { return relativeTo_; }
    void setRelativeTo(int value) {
        relativeTo_ = value;
        changed();
    }
    int index() const { return index_; }
    void setIndex(int index) {
        index_ = index;
        changed();
    }
    // The x offset, or the length fraction when relativeTo is linkLength.
    double horizontalOffset() const { return horizontalOffset_; }
    void setHorizontalOffset(double offset);
    double verticalOffset() const { return verticalOffset_; }
    void setVerticalOffset(double offset);
    // The gap between the reference point and a near- or far-aligned rectangle.
    double margin() const { return margin_; }
    void setMargin(double margin);
    Align horizontalAlign() const { return horizontalAlign_; }
    void setHorizontalAlign(Align align);
    Align verticalAlign() const { return verticalAlign_; }
    void setVerticalAlign(Align align);
    bool enableWrap() const { return enableWrap_; }
    void setEnableWrap(bool wrap) {
        enableWrap_ = wrap;
        changed();
    }
    // The wrapping width in the document's unit.
    double maxWidth() const { return maxWidth_; }
    void setMaxWidth(double width);
    // Fixed by the document's label arrangement; one without an area counts as none.
    const std::optional<Rect>& cachedLayoutRect() const { return cachedLayoutRect_; }
    void setCachedLayoutRect(std::optional<Rect> rect) {
        cachedLayoutRect_ = rect;
        changed();
    }

private:
    // The link's own bookkeeping names the label's link through attachTo, after it has taken
    // the label into its list or out of it.
    friend class DiagramLink;
    void attachTo(const std::shared_ptr<DiagramLink>& link);

    struct TextSize {
        double width = 0;
        double height = 0;
    };
    // What the text measured last, so that hit tests and redraws of an unchanged label do not
    // lay the text out again.
    struct Measure {
        std::string text;
        std::string fontName;
        double fontSize = 0;
        bool bold = false;
        bool italic = false;
        bool wrap = false;
        double maxWidth = 0;
        TextSize size;
    };

    // Tells the link's document that the label's rectangle may have moved.
    void changed();
    // The text's size at that font size in document units; nothing for a text without any
    // character but line feeds.
    std::optional<TextSize> measure(double fontSize);
    // 1 millimetre, and the font size, in the unit of the link's document (millimetres without).
    std::shared_ptr<MeasureUnit> documentUnit() const;
    double fontSizeInDocument() const;

    std::weak_ptr<DiagramLink> link_;
    std::string text_;
    std::shared_ptr<Color> textColor_;
    std::shared_ptr<Brush> brush_;
    std::string fontName_ = "Arial";
    double fontSize_ = 7.0;
    bool fontBold_ = false;
    bool fontItalic_ = false;
    bool fontUnderline_ = false;
    std::shared_ptr<MeasureUnit> fontUnit_;
    int relativeTo_ = LinkLabelStatic::linkLength;
    int index_ = 0;
    double horizontalOffset_ = 0.5;
    double verticalOffset_ = 0.0;
    double margin_ = 2.0;
    Align horizontalAlign_ = Align::center;
    Align verticalAlign_ = Align::center;
    bool enableWrap_ = false;
    double maxWidth_;
    std::optional<Rect> cachedLayoutRect_;
    bool autoArrange_ = true;
    std::optional<Measure> measured_;
    // The text as last measured or laid out for drawing; made on first use.
    std::unique_ptr<TextLayoutCache> textCache_;
};

}  // namespace nodeloom
