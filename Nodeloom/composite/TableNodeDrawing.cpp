#include <algorithm>
#include <cstdint>
#include <unordered_set>

#include "Nodeloom/composite/ScrollBar.h"
#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/DashStyle.h"

namespace nodeloom {

void TableNode::drawLocal(Canvas& canvas, const RenderOptions&) {
    const Rect b = bounds();
    const Rect box(0.0, 0.0, b.width, b.height);
    apply(strokeDashStyle(), canvas);
    if (const std::shared_ptr<Color> stroke = getEffectiveStroke()) canvas.setStroke(*stroke);
    // The canvas takes a thickness of exactly 0 as one device pixel.
    canvas.setStrokeThickness(getEffectiveStrokeThickness());
    canvas.setBrush(getEffectiveBrush());
    canvas.drawRect(box);
    canvas.clip(box);

    if (captionHeight_ > 0) {
        const Rect caption(0.0, 0.0, b.width, captionHeight_);
        canvas.drawLine(0.0, captionHeight_, b.width, captionHeight_);
        if (captionBackBrush_) {
            canvas.setBrush(captionBackBrush_);
            canvas.fillRect(caption);
        }
        canvas.setFont(getEffectiveFontName(), getEffectiveFontSize(), getEffectiveFontUnit());
        canvas.setTextColor(getEffectiveTextColor());
        canvas.drawText(text(), caption, horizontalTextAlignment(), verticalTextAlignment(), false,
                        false, false);
    }

    drawRows(canvas);

    if (scrollable_) {
        if (const std::shared_ptr<ScrollBar>& bar = scrollBar()) bar->draw(canvas);
    }
}

// A span is cut at the last column and the last row, and a span below 1 covers nothing: it
// draws a cell of no size.
void TableNode::drawRows(Canvas& canvas) {
    const Rect b = bounds();
    const int columns = static_cast<int>(columns_.size());
    const int rows = static_cast<int>(rows_.size());
    const auto columnWidth = [&](int c) { return columns_[static_cast<std::size_t>(c)].width; };
    const auto rowHeight = [&](int r) { return Row::heightOf(rows_[static_cast<std::size_t>(r)]); };
    // The last column reaches the node's right edge, whatever its own width.
    double lastColumnLeft = 0.0;
    for (int c = 0; c + 1 < columns; ++c) lastColumnLeft += columnWidth(c);
    const auto drawnWidth = [&](int c) {
        return c == columns - 1 ? b.width - lastColumnLeft : columnWidth(c);
    };

    std::unordered_set<std::int64_t> covered;
    const auto key = [columns](int c, int r) {
        return static_cast<std::int64_t>(r) * columns + c;
    };
    double y = captionHeight_;
    for (int i = firstRow(); i < rows && y < b.height; ++i) {
        double x = 0.0;
        for (int c = 0; c < columns; ++c) {
            const std::shared_ptr<Cell> cell = cells_.getItem(c, i);
            if (cell && !covered.count(key(c, i))) {
                if (cell->columnSpan() == 1 && cell->rowSpan() == 1) {
                    cell->draw(canvas, Rect(x, y, drawnWidth(c), rowHeight(i)), *this);
                } else {
                    const int cs = std::clamp(cell->columnSpan(), 0, columns - c);
                    const int rs = std::clamp(cell->rowSpan(), 0, rows - i);
                    double width = 0.0;
                    for (int cc = c; cc < c + cs; ++cc) width += columnWidth(cc);
                    if (c == columns - 1 && cs > 0) width = drawnWidth(c);
                    double height = 0.0;
                    for (int rr = i; rr < i + rs; ++rr) height += rowHeight(rr);
                    cell->draw(canvas, Rect(x, y, width, height), *this);
                    // Rows below the node are never drawn, so their covered places need no
                    // entry.
                    double top = y;
                    for (int rr = i; rr < i + rs && top < b.height; ++rr) {
                        for (int cc = c; cc < c + cs; ++cc) covered.insert(key(cc, rr));
                        top += rowHeight(rr);
                    }
                }
            }
            x += columnWidth(c);
        }
        y += rowHeight(i);
    }
}

}  // namespace nodeloom
