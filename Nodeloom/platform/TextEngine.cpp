#include "Nodeloom/platform/TextEngine.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <climits>
#include <thread>
#include <utility>

#include "Nodeloom/platform/HandleDeleter.h"

namespace nodeloom::platform {

namespace {

bool onlyBlanks(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

PangoRectangle extentAt(PangoLayout* layout, int width) {
    pango_layout_set_width(layout, width);
    PangoRectangle logical{};
    pango_layout_get_extents(layout, nullptr, &logical);
    return logical;
}

TextEngine::TextSize toSize(const PangoRectangle& logical) {
    return {static_cast<double>(logical.width) / PANGO_SCALE,
            static_cast<double>(logical.height) / PANGO_SCALE};
}

// Whether the layout, laid out without a width, would come out the same at this one: every line
// fits it, so none breaks, and none runs right to left, which a set width would move to its
// right edge and so widen the text's extent.
bool sameAtWidth(PangoLayout* layout, const PangoRectangle& unwrapped, int width) {
    if (unwrapped.width > width) return false;
    for (GSList* l = pango_layout_get_lines_readonly(layout); l != nullptr; l = l->next) {
        const auto* line = static_cast<const PangoLayoutLine*>(l->data);
        if (line->resolved_dir == PANGO_DIRECTION_RTL) return false;
    }
    return true;
}

std::string lowered(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Made on first use and kept until releaseFonts, if that is ever called: a static object would
// be destroyed at exit in an order that may come before the last text is drawn.
TextEngine* sharedEngine = nullptr;

// The font maps of every engine made so far that are not yet finalised: one whose release found
// it still held lives on with its holder. Pango may drop the last reference on a thread of its
// own, hence the atomic.
std::atomic<int> liveFontMaps{0};

void fontMapFinalised(gpointer, GObject*) { liveFontMaps.fetch_sub(1); }

// Pango matches and sorts fonts on threads of its own, each holding a reference to the font map
// until it is done. The caches under the maps may go only once every map is gone, and this one
// is best finalised here rather than on such a thread, so the engine waits a little for those
// threads to end, but not for a holder that never lets go.
bool onlyHolder(PangoFontMap* fontMap) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (g_atomic_int_get(&G_OBJECT(fontMap)->ref_count) > 1 || liveFontMaps.load() > 1) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace

TextEngine& TextEngine::shared() {
    if (sharedEngine == nullptr) sharedEngine = new TextEngine();
    return *sharedEngine;
}

void TextEngine::releaseFonts() {
    TextEngine* engine = std::exchange(sharedEngine, nullptr);
    if (engine == nullptr) return;
    PangoFontMap* fontMap = std::exchange(engine->fontMap_, nullptr);
    delete engine;
    const bool last = onlyHolder(fontMap);
    g_object_unref(fontMap);
    if (!last || liveFontMaps.load() != 0) return;
    // Cairo keeps recently used fonts, and with them fontconfig's patterns, after Pango lets
    // them go; fontconfig's finaliser expects every pattern of its caches back.
    cairo_debug_reset_static_data();
    FcFini();
}

TextEngine::~TextEngine() {
    if (scratch_ != nullptr) g_object_unref(scratch_);
    if (context_ != nullptr) g_object_unref(context_);
    if (fontMap_ != nullptr) g_object_unref(fontMap_);
}

TextEngine::TextEngine() {
    fontMap_ = pango_cairo_font_map_new();
    liveFontMaps.fetch_add(1);
    g_object_weak_ref(G_OBJECT(fontMap_), fontMapFinalised, nullptr);
    context_ = pango_font_map_create_context(fontMap_);
    pango_cairo_context_set_resolution(context_, 72.0);
    const Handle<cairo_font_options_t, cairo_font_options_destroy> options(
        cairo_font_options_create());
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context_, options.get());
    pango_context_set_round_glyph_positions(context_, FALSE);
    scratch_ = pango_layout_new(context_);
    fallbackFamily_ = lowered(actualFamily("Nodeloom Unknown Font Family"));
}

std::string TextEngine::actualFamily(const char* family) const {
    const Handle<PangoFontDescription, pango_font_description_free> desc(
        pango_font_description_new());
    pango_font_description_set_family(desc.get(), family);
    pango_font_description_set_absolute_size(desc.get(), 12 * PANGO_SCALE);
    std::string result;
    const Handle<PangoFont, g_object_unref> font(
        pango_font_map_load_font(fontMap_, context_, desc.get()));
    if (font) {
        const Handle<PangoFontDescription, pango_font_description_free> actual(
            pango_font_describe(font.get()));
        if (const char* name = pango_font_description_get_family(actual.get())) result = name;
    }
    return result;
}

const std::string& TextEngine::familyFor(const std::string& fontName) {
    auto found = families_.find(fontName);
    if (found != families_.end()) return found->second;
    std::string family = fontName;
    if (family == "ArialMT" || family == "Arial") {
        family = kDefaultFamily;
    } else if (family.empty() || family.find(',') != std::string::npos) {
        // A comma would make Pango read a list of families.
        family = kDefaultFamily;
    } else {
        const std::string actual = lowered(actualFamily(family.c_str()));
        if (actual.empty() || (actual == fallbackFamily_ && lowered(family) != actual)) {
            family = kDefaultFamily;
        }
    }
    return families_.emplace(fontName, std::move(family)).first->second;
}

TextEngine::TextSize TextEngine::measure(const std::string& text, const std::string& fontName,
                                         double size, bool bold, bool italic, bool wrap,
                                         double maxWidth) {
    const Handle<PangoLayout, g_object_unref> layout(pango_layout_new(context_));
    const Handle<PangoFontDescription, pango_font_description_free> desc(
        pango_font_description_new());
    pango_font_description_set_family(desc.get(), familyFor(fontName).c_str());
    pango_font_description_set_absolute_size(desc.get(), size * PANGO_SCALE);
    // Measured in the weight and slant the canvas draws, so that the drawn text fits.
    pango_font_description_set_weight(desc.get(), bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc.get(), italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout.get(), desc.get());
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
    ++layouts_;
    return measureLaidOut(layout.get(), text, wrap, maxWidth);
}

TextEngine::TextSize TextEngine::measureLaidOut(PangoLayout* layout, const std::string& text,
                                                bool wrap, double maxWidth) {
    const PangoRectangle logical = extentAt(layout, -1);
    const TextSize unwrapped = toSize(logical);
    if (!wrap || onlyBlanks(text)) return unwrapped;
    const double pangoWidth = maxWidth * PANGO_SCALE;
    const int width = pangoWidth > 0 && pangoWidth < INT_MAX ? static_cast<int>(pangoWidth) : -1;
    // Text that fits the width is not laid out a second time to find that it fits.
    const TextSize wrapped =
        width == -1 || sameAtWidth(layout, logical, width) ? unwrapped
                                                           : toSize(extentAt(layout, width));
    if (!(wrapped.width > 0)) return unwrapped;
    return {wrapped.width, (wrapped.height + 5.0) * (unwrapped.width / wrapped.width)};
}

}  // namespace nodeloom::platform
