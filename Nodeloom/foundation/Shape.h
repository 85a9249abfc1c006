#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/ShapeSegment.h"

namespace nodeloom {

class Brush;
class Canvas;
class XmlValueContext;
class XmlElement;

// A node figure defined in percent of whatever rectangle it is drawn into: (0, 0) is that
// rectangle's top-left and (100, 100) its bottom-right corner. Shapes are made by the shape
// library and shared by every node and arrowhead that uses them.
class Shape {
public:
    using Segments = std::vector<std::shared_ptr<ShapeSegment>>;

    Shape();
    virtual ~Shape();

    Shape(const Shape&) = delete;
    Shape& operator=(const Shape&) = delete;

    // The outline filled and stroked with the canvas's current brush and pen, then each filled
    // group with its own brush, then the stroked decorations. A flip mirrors the figure inside
    // the same rectangle. The canvas is left without a path matrix, its brush set by the last
    // filled group.
    virtual void draw(Canvas& canvas, const Rect& targetRect, bool flipX, bool flipY);
    // False, with the shape left as it was, when the element has no "id": a shape that cannot be
    // referred to is not a shape of the library.
    [[nodiscard]] virtual bool loadFromXml(const std::shared_ptr<XmlElement>& element,
                                           XmlValueContext& context);
    // One closed figure, filled by the even-odd rule and stroked; nothing for an empty list.
    virtual void fillShape(Canvas& canvas, const Segments& elements, const Rect& targetRect);
    // The segments under the child `elementName` of the element, in order. Elements of an
    // unknown kind and segments lacking a coordinate are left out.
    virtual Segments loadSegments(const std::shared_ptr<XmlElement>& element,
                                  const std::string& elementName);

    // The shared library's shape of that id, or null.
    static std::shared_ptr<Shape> fromId(const std::string& id);

    const std::string& id() const { return id_; }
    void setId(std::string id) { id_ = std::move(id); }
    const Segments& outline() const { return outline_; }
    Segments& outline() { return outline_; }
    void setOutline(Segments outline) { outline_ = std::move(outline); }
    const Segments& decorations() const { return decorations_; }
    Segments& decorations() { return decorations_; }
    void setDecorations(Segments decorations) { decorations_ = std::move(decorations); }
    const std::vector<Segments>& filledDecorations() const { return filledDecorations_; }
    std::vector<Segments>& filledDecorations() { return filledDecorations_; }
    void setFilledDecorations(std::vector<Segments> groups) {
        filledDecorations_ = std::move(groups);
    }
    const std::vector<std::shared_ptr<Brush>>& brushes() const { return brushes_; }
    std::vector<std::shared_ptr<Brush>>& brushes() { return brushes_; }
    void setBrushes(std::vector<std::shared_ptr<Brush>> brushes) { brushes_ = std::move(brushes); }
    // How far, in percent, a link's line reaches under the shape when it is an arrowhead.
    double linkSegmentInset() const { return linkSegmentInset_; }
    void setLinkSegmentInset(double inset) { linkSegmentInset_ = inset; }

private:
    void addSegment(Canvas& canvas, ShapeSegment& segment, const Rect& targetRect);

    std::string id_;
    Segments outline_;
    Segments decorations_;
    std::vector<Segments> filledDecorations_;
    std::vector<std::shared_ptr<Brush>> brushes_;
    double linkSegmentInset_ = 100.0;
};

}  // namespace nodeloom
