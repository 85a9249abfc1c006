// Repaints a diagram view of 10,000 nodes with text on a 2,000 by 2,000 point document, a tenth
// of them linked to a neighbour: once for a 200 by 200 point dirty rectangle in the middle and
// once for the whole view. Items that cannot reach the dirty rectangle are not drawn, so the
// small repaint costs a fraction of the whole one; the "differing" counter is the number of
// pixels inside the dirty rectangle that differ from drawing every item under the same clip
// (it must be 0).
#include <benchmark/benchmark.h>

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "LinkNodes.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/platform/GraphicsContext.h"
#include "Nodeloom/view/DiagramView.h"

namespace {

using namespace nodeloom;

constexpr int kColumns = 100;
constexpr double kSpacing = 20;
constexpr double kSide = 2000;
const Rect kDirty(900, 900, 200, 200);

std::shared_ptr<DiagramView> makeView() {
    auto view = DiagramView::create(Rect(0, 0, kSide, kSide));
    Diagram& d = *view->diagram();
    d.setMeasureUnit(MeasureUnit::Point());
    d.setBounds(Rect(0, 0, kSide, kSide));
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    for (int i = 0; i < kColumns * kColumns; ++i) {
        auto node = std::make_shared<ShapeNode>();
        node->_setBounds(
            Rect((i % kColumns) * kSpacing + 3, (i / kColumns) * kSpacing + 4, 14, 10));
        node->setText(std::to_string(i % 100));
        d.addItem(node);
        nodes.push_back(node);
    }
    for (int i = 0; i + 1 < static_cast<int>(nodes.size()); i += 10)
        linkNodes(d, nodes[i], nodes[i + 1]);
    return view;
}

struct Surface {
    Surface()
        : surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(kSide),
                                             static_cast<int>(kSide))),
          cr(cairo_create(surface)) {}
    ~Surface() {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    std::uint32_t at(int x, int y) const {
        const unsigned char* row =
            cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const std::uint32_t*>(row)[x];
    }
    cairo_surface_t* surface;
    cairo_t* cr;
};

// The view's drawing callback for a dirty rectangle, as the window runs it.
void repaint(DiagramView& view, Surface& target, const Rect& dirty) {
    Canvas canvas(target.cr);
    platform::GraphicsContext::Scope current(canvas);
    view.drawDiagram(dirty);
}

// Pixels inside the dirty rectangle that differ between the view's repaint of it and a drawing
// of every item under the same clip.
int differingPixels(DiagramView& view) {
    Surface culled;
    repaint(view, culled, kDirty);
    Surface all;
    {
        Canvas canvas(all.cr);
        canvas.clip(kDirty);
        Diagram& d = *view.diagram();
        d.draw(canvas, d.bounds());
    }
    cairo_surface_flush(culled.surface);
    cairo_surface_flush(all.surface);
    int differing = 0;
    for (int y = static_cast<int>(kDirty.y); y < kDirty.bottom(); ++y) {
        for (int x = static_cast<int>(kDirty.x); x < kDirty.right(); ++x)
            differing += culled.at(x, y) != all.at(x, y);
    }
    return differing;
}

void BM_RepaintDirtyRectangle(benchmark::State& state) {
    auto view = makeView();
    Surface target;
    repaint(*view, target, view->bounds());
    for (auto _ : state)
        repaint(*view, target, kDirty);
    state.counters["differing"] = differingPixels(*view);
}

void BM_RepaintWholeView(benchmark::State& state) {
    auto view = makeView();
    Surface target;
    repaint(*view, target, view->bounds());
    for (auto _ : state)
        repaint(*view, target, view->bounds());
}

// The machine is shared: the least of several runs is the figure to compare.
double least(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

}  // namespace

BENCHMARK(BM_RepaintDirtyRectangle)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(5)
    ->ComputeStatistics("min", least)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RepaintWholeView)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ComputeStatistics("min", least)
    ->ReportAggregatesOnly(true);
