#include "Nodeloom/composite/ScrollBar.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/ImageAlign.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/platform/ImageSurface.h"

namespace nodeloom {

void TreeViewNode::drawLocal(Canvas& canvas, const RenderOptions&) {
    releaseEndsOfLeftItems();
    const Rect b = bounds();
    const double w = b.width;
    const double h = b.height;
    const auto inCanvas = [&canvas](const std::shared_ptr<MeasureUnit>& unit, double value) {
        return unit->convert(value, canvas.measureUnit(), &canvas);
    };
    const double mm = inCanvas(MeasureUnit::Millimeter(), 1.0);

    if (const std::shared_ptr<Color> stroke = getEffectiveStroke()) canvas.setStroke(*stroke);
    // The canvas takes a thickness of exactly 0 as one device pixel.
    canvas.setStrokeThickness(getEffectiveStrokeThickness());
    canvas.setBrush(getEffectiveBrush());
    canvas.drawRect(Rect(0.0, 0.0, w, h));
    canvas.clip(Rect(0.0, 0.0, w, h));

    if (captionHeight_ > 0) {
        double textX = 2 * mm;
        if (image_) {
            canvas.drawImage(image_, Rect(2 * mm, 0.0, w, captionHeight_), ImageAlign::middleLeft);
            textX = 3 * mm + inCanvas(MeasureUnit::Point(), image_->size().width);
        }
        canvas.drawLine(0.0, captionHeight_, w, captionHeight_);
        canvas.setFont(getEffectiveFontName(), getEffectiveFontSize(), getEffectiveFontUnit());
        canvas.setTextColor(getEffectiveTextColor());
        canvas.drawText(text(), Rect(textX, 0.0, w, captionHeight_), HorizontalAlignment::left,
                        VerticalAlignment::top, false, false, false);
    }

    clipRect_ = Rect(0.0, captionHeight_, w, h - captionHeight_);
    canvas.clip(clipRect_);
    canvas.setStroke(Color(0.0, 0.0, 0.0));
    canvas.setStrokeThickness(inCanvas(MeasureUnit::Point(), 0.5));

    double acc = 0.0;
    for (const auto& root : rootItems_) {
        if (root)
            acc += root->drawTreePath(canvas, 2 * mm, acc + captionHeight_ - scrollPosition_,
                                      4 * mm, clipRect_, 0);
    }
    if (rootItems_.size() >= 2 && rootItems_.front() && rootItems_.back()) {
        const Point first = rootItems_.front()->getIconRect(mm).center();
        const Point last = rootItems_.back()->getIconRect(mm).center();
        canvas.drawLine(first, last);
    }
    for (const auto& root : rootItems_) {
        if (root) root->draw(canvas, clipRect_, *this, firstDrawn_, count_);
    }

    if (const std::shared_ptr<ScrollBar>& bar = scrollBar()) bar->draw(canvas);
}

}  // namespace nodeloom
