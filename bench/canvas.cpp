// Drawing 10,000 filled and stroked rectangles, each with one line of centred text, on an image
// surface: once through the canvas and once as the bare Cairo and Pango calls that do the same
// (with Pango's default context, and with the context settings the canvas uses for text).
#include <benchmark/benchmark.h>

#include <pango/pangocairo.h>

#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"

namespace {

constexpr int kColumns = 100;
constexpr int kRows = 100;
constexpr double kWidth = 60;
constexpr double kHeight = 24;

const std::vector<std::string>& labels() {
    static const std::vector<std::string> out = [] {
        std::vector<std::string> v;
        for (int i = 0; i < kColumns * kRows; ++i)
            v.push_back("Node " + std::to_string(i));
        return v;
    }();
    return out;
}

void drawWithCanvas(cairo_t* cr) {
    using namespace nodeloom;
    static const auto fill =
        std::make_shared<SolidColorBrush>(std::make_shared<Color>(0.9, 0.9, 1.0));
    const Color stroke(0.0, 0.0, 0.5);
    const auto center = static_cast<HorizontalAlignment>(1);
    const auto middle = static_cast<VerticalAlignment>(1);
    const auto& text = labels();
    Canvas canvas(cr);
    canvas.setFont("ArialMT", 10, MeasureUnit::Point());
    canvas.setStroke(stroke);
    canvas.setStrokeThickness(1);
    canvas.setBrush(fill);
    for (int row = 0; row < kRows; ++row) {
        for (int col = 0; col < kColumns; ++col) {
            const Rect r(col * kWidth + 2, row * kHeight + 2, kWidth - 4, kHeight - 4);
            canvas.drawRect(r);
            canvas.drawText(text[row * kColumns + col], r, center, middle, false, false, false);
        }
    }
}

void drawBare(cairo_t* cr, bool canvasTextSettings) {
    const auto& text = labels();
    PangoLayout* layout = pango_cairo_create_layout(cr);
    if (canvasTextSettings) {
        PangoContext* context = pango_layout_get_context(layout);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        pango_cairo_context_set_font_options(context, options);
        cairo_font_options_destroy(options);
        pango_context_set_round_glyph_positions(context, FALSE);
        pango_layout_context_changed(layout);
    }
    PangoFontDescription* desc = pango_font_description_from_string("Arial");
    pango_font_description_set_absolute_size(desc, 10 * PANGO_SCALE);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_width(layout, static_cast<int>((kWidth - 4) * PANGO_SCALE));
    cairo_set_line_width(cr, 1);
    for (int row = 0; row < kRows; ++row) {
        for (int col = 0; col < kColumns; ++col) {
            const double x = col * kWidth + 2, y = row * kHeight + 2;
            const double w = kWidth - 4, h = kHeight - 4;
            cairo_rectangle(cr, x, y, w, h);
            cairo_set_source_rgb(cr, 0.9, 0.9, 1.0);
            cairo_fill(cr);
            cairo_rectangle(cr, x, y, w, h);
            cairo_set_source_rgb(cr, 0.0, 0.0, 0.5);
            cairo_stroke(cr);
            pango_layout_set_text(layout, text[row * kColumns + col].c_str(), -1);
            int lw, lh;
            pango_layout_get_size(layout, &lw, &lh);
            cairo_set_source_rgb(cr, 0, 0, 0);
            cairo_move_to(cr, x, y + (h - static_cast<double>(lh) / PANGO_SCALE) / 2);
            pango_cairo_show_layout(cr, layout);
        }
    }
    g_object_unref(layout);
}

template <typename Draw>
void run(benchmark::State& state, Draw draw) {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(kColumns * kWidth),
                                   static_cast<int>(kRows * kHeight));
    cairo_t* cr = cairo_create(surface);
    // The first pass loads fonts, fills glyph caches and touches the surface's pages.
    draw(cr);
    for (auto _ : state)
        draw(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

void BM_Canvas(benchmark::State& state) {
    run(state, drawWithCanvas);
}
void BM_BareCairoPango(benchmark::State& state) {
    run(state, [](cairo_t* cr) { drawBare(cr, false); });
}
void BM_BareCairoPangoCanvasTextSettings(benchmark::State& state) {
    run(state, [](cairo_t* cr) { drawBare(cr, true); });
}

BENCHMARK(BM_Canvas)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareCairoPango)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareCairoPangoCanvasTextSettings)->Unit(benchmark::kMillisecond);

}  // namespace
