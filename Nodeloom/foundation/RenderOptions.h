#pragma once

#include <memory>
#include <string>

#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/RawValue.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

enum class RenderTarget { display = 0, printer = 1 };
enum class HyperLinkStyle { none = 0, text = 1, shape = 2 };
enum class CustomDraw { none = 0, additional = 1, full = 2, shadowOnly = 3, additional2 = 4 };

template <>
std::optional<RenderTarget> fromRaw<RenderTarget>(int raw);
template <>
std::optional<HyperLinkStyle> fromRaw<HyperLinkStyle>(int raw);
template <>
std::optional<CustomDraw> fromRaw<CustomDraw>(int raw);

// The switches and view parameters handed with a canvas to every item's drawing. Values are
// stored as given; only the document's shadow pass and a link's text read them.
class RenderOptions {
public:
    RenderOptions() = default;

    bool enableShadows() const { return enableShadows_; }
    void setEnableShadows(bool v) { enableShadows_ = v; }
    bool enableImages() const { return enableImages_; }
    void setEnableImages(bool v) { enableImages_ = v; }
    bool enableInterior() const { return enableInterior_; }
    void setEnableInterior(bool v) { enableInterior_ = v; }
    bool enableAnchors() const { return enableAnchors_; }
    void setEnableAnchors(bool v) { enableAnchors_ = v; }
    bool enableBackground() const { return enableBackground_; }
    void setEnableBackground(bool v) { enableBackground_ = v; }
    bool enableBackgroundImage() const { return enableBackgroundImage_; }
    void setEnableBackgroundImage(bool v) { enableBackgroundImage_ = v; }
    bool enableText() const { return enableText_; }
    void setEnableText(bool v) { enableText_ = v; }
    bool enableEffects() const { return enableEffects_; }
    void setEnableEffects(bool v) { enableEffects_ = v; }
    bool enableGrid() const { return enableGrid_; }
    void setEnableGrid(bool v) { enableGrid_ = v; }
    bool paintControls() const { return paintControls_; }
    void setPaintControls(bool v) { paintControls_ = v; }
    const std::string& hyperLinkTarget() const { return hyperLinkTarget_; }
    void setHyperLinkTarget(const std::string& v) { hyperLinkTarget_ = v; }
    HyperLinkStyle hyperLinkStyle() const { return hyperLinkStyle_; }
    void setHyperLinkStyle(HyperLinkStyle v) { hyperLinkStyle_ = v; }
    RenderTarget renderTarget() const { return renderTarget_; }
    void setRenderTarget(RenderTarget v) { renderTarget_ = v; }
    const std::shared_ptr<Object>& targetView() const { return targetView_; }
    void setTargetView(std::shared_ptr<Object> v) { targetView_ = std::move(v); }
    // Zoom in percent.
    double scale() const { return scale_; }
    void setScale(double v) { scale_ = v; }
    double scrollX() const { return scrollX_; }
    void setScrollX(double v) { scrollX_ = v; }
    double scrollY() const { return scrollY_; }
    void setScrollY(double v) { scrollY_ = v; }
    const Rect& visibleRect() const { return visibleRect_; }
    void setVisibleRect(const Rect& v) { visibleRect_ = v; }
    bool catchGdiPlusExceptions() const { return catchGdiPlusExceptions_; }
    void setCatchGdiPlusExceptions(bool v) { catchGdiPlusExceptions_ = v; }

private:
    bool enableShadows_ = true;
    bool enableImages_ = true;
    bool enableInterior_ = true;
    bool enableAnchors_ = true;
    bool enableBackground_ = true;
    bool enableBackgroundImage_ = true;
    bool enableText_ = true;
    bool enableEffects_ = false;
    bool enableGrid_ = true;
    bool paintControls_ = false;
    std::string hyperLinkTarget_ = "_self";
    HyperLinkStyle hyperLinkStyle_ = HyperLinkStyle::text;
    RenderTarget renderTarget_ = RenderTarget::display;
    std::shared_ptr<Object> targetView_;
    double scale_ = 100.0;
    double scrollX_ = 0.0;
    double scrollY_ = 0.0;
    Rect visibleRect_{};
    bool catchGdiPlusExceptions_ = false;
};

}  // namespace nodeloom
