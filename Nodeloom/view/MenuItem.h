#pragma once

#include <memory>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Image.h"
#include "Nodeloom/foundation/Size.h"
#include "Nodeloom/platform/ImageView.h"
#include "Nodeloom/platform/View.h"

namespace nodeloom {

// One round button of the radial menu: an ellipse filling the button with its icon centred on
// it, drawn in the hover colours while the button is the menu's highlighted one.
class MenuItem : public platform::View {
public:
    // A button of size iSize showing img at imageSize. Null colours and brushes fall back to a
    // black outline and no fill.
    static std::shared_ptr<MenuItem> create(std::shared_ptr<Image> img, Size iSize,
                                            std::shared_ptr<Color> strokeColor,
                                            double strokeWidth, std::shared_ptr<Brush> fillBrush,
                                            Size imageSize);

    MenuItem(Passkey key, const Rect& frame);
    ~MenuItem() override;

    // The icon view, the button's first subview.
    const std::shared_ptr<platform::ImageView>& image() const { return image_; }
    void setImage(std::shared_ptr<platform::ImageView> image) { image_ = std::move(image); }
    double imageWidth() const { return imageWidth_; }
    double imageHeight() const { return imageHeight_; }
    Size iSize() const { return iSize_; }

    const std::shared_ptr<Color>& strokeColor() const { return strokeColor_; }
    void setStrokeColor(std::shared_ptr<Color> color);
    // 0 draws a one-pixel outline; negative or undefined widths are ignored.
    double strokeWidth() const { return strokeWidth_; }
    void setStrokeWidth(double width);
    const std::shared_ptr<Brush>& fillBrush() const { return fillBrush_; }
    void setFillBrush(std::shared_ptr<Brush> brush);
    const std::shared_ptr<Color>& onHoverStrokeColor() const { return onHoverStrokeColor_; }
    void setOnHoverStrokeColor(std::shared_ptr<Color> color);
    const std::shared_ptr<Brush>& onHoverFillBrush() const { return onHoverFillBrush_; }
    void setOnHoverFillBrush(std::shared_ptr<Brush> brush);
    bool hovered() const { return hovered_; }
    void setHovered(bool hovered);

    void draw(const Rect& rect) override;

private:
    std::shared_ptr<platform::ImageView> image_;
    double imageWidth_ = 16;
    double imageHeight_ = 16;
    Size iSize_;
    std::shared_ptr<Color> strokeColor_;
    double strokeWidth_ = 0;
    std::shared_ptr<Brush> fillBrush_;
    std::shared_ptr<Color> onHoverStrokeColor_;
    std::shared_ptr<Brush> onHoverFillBrush_;
    bool hovered_ = false;
};

}  // namespace nodeloom
