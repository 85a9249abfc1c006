#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/foundation/ImageAlign.h"
#include "Nodeloom/items/DiagramNode.h"

namespace nodeloom {

namespace platform {
class ImageSurface;
}
class Shape;

// The standard node: its outline and fill come from a shape of the shared library, with an
// optional image and a text, mirroring of the shape, and a switch that leaves the shape out.
class TextLayoutCache;

class ShapeNode : public DiagramNode {
public:
    // The library's "Rect" (none without it), 50 by 50.
    ShapeNode();
    ~ShapeNode() override;

    // Sizes the node to its text laid out in at most 1000 by 1000, keeping its position; nothing
    // outside a document or for a text that measures no width.
    virtual void resizeToFitText();
    // Bounds, rotation and the two flips.
    virtual std::shared_ptr<DiagramItemState> saveLocationState();
    virtual void restoreLocationState(const DiagramItemState& state);

    // A change repaints.
    virtual bool flipX() const { return flipX_; }
    virtual void setFlipX(bool flip);
    virtual bool flipY() const { return flipY_; }
    virtual void setFlipY(bool flip);
    // These only store: the caller repaints.
    virtual bool allowFlip() const { return allowFlip_; }
    virtual void setAllowFlip(bool allow) { allowFlip_ = allow; }
    virtual const std::shared_ptr<Shape>& shape() const { return shape_; }
    virtual void setShape(std::shared_ptr<Shape> shape) { shape_ = std::move(shape); }
    virtual const std::shared_ptr<platform::ImageSurface>& image() const { return image_; }
    virtual void setImage(std::shared_ptr<platform::ImageSurface> image) {
        image_ = std::move(image);
    }
    virtual ImageAlign imageAlign() const { return imageAlign_; }
    virtual void setImageAlign(ImageAlign align) { imageAlign_ = align; }
    // Leaves out the shape's fill and outline; image and text are still drawn.
    virtual bool transparent() const { return transparent_; }
    virtual void setTransparent(bool transparent) { transparent_ = transparent; }

    // The shape (mirrored as asked), then the image and the text in the whole box.
    void drawLocal(Canvas& canvas, const RenderOptions& options) override;
    // The shape's outline mapped into the bounds and flattened, mirrored about the centre of
    // the bounds; unrotated. A node without a shape, or whose shape has no outline, keeps the
    // outline of its bounds so that links still find its border.
    std::vector<Point> getOutline() override;
    std::optional<Rect> getHitArea() override;

    // While a resize handle is dragged with allowFlip set, each flip is the one the node had
    // when the drag began, toggled when the new width (height) is negative.
    void updateFlipOnResize(const Rect& start, const Rect& newBounds, AdjustmentHandle& handle,
                            DragState& drag) override;

    std::shared_ptr<DiagramItemState> createState() override;
    std::shared_ptr<DiagramItemState> saveState() override;
    void restoreState(const DiagramItemState& state) override;
    std::shared_ptr<DiagramItemState> saveLocation() override;
    void restoreLocation(const DiagramItemState& state) override;

    std::string getClassId() const override;
    Metatype<DiagramItem> getClassType() const override;
    // "ShapeNode", then "DiagramNode", then the names every item tries.
    std::shared_ptr<Style> resolveInheritedStyle(
        const StylePredicate& predicate, const std::shared_ptr<Theme>& theme) const override;

    // The node's content, then its shape by id, its image by number in the document's image
    // table, the image alignment and the transparency. Flips are not kept.
    void saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) override;
    // A shape id the shared library does not know leaves the node without a shape.
    void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) override;

private:
    // The node's text as last laid out for drawing; made on first draw.
    std::unique_ptr<TextLayoutCache> textCache_;
    bool flipX_ = false;
    bool flipY_ = false;
    bool allowFlip_ = false;
    std::shared_ptr<Shape> shape_;
    std::shared_ptr<platform::ImageSurface> image_;
    ImageAlign imageAlign_ = ImageAlign::fit;
    bool transparent_ = false;
};

}  // namespace nodeloom
