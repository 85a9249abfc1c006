#include "Nodeloom/platform/TextEngine.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cctype>

namespace nodeloom::platform {

namespace {

std::string lowered(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

TextEngine& TextEngine::shared() {
    // Lives for the process, like the font caches under it.
    static TextEngine* engine = new TextEngine();
    return *engine;
}

TextEngine::TextEngine() {
    fontMap_ = pango_cairo_font_map_new();
    context_ = pango_font_map_create_context(fontMap_);
    pango_cairo_context_set_resolution(context_, 72.0);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context_, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context_, FALSE);
    scratch_ = pango_layout_new(context_);
    fallbackFamily_ = lowered(actualFamily("Nodeloom Unknown Font Family"));
}

std::string TextEngine::actualFamily(const char* family) const {
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, family);
    pango_font_description_set_absolute_size(desc, 12 * PANGO_SCALE);
    std::string result;
    if (PangoFont* font = pango_font_map_load_font(fontMap_, context_, desc)) {
        PangoFontDescription* actual = pango_font_describe(font);
        if (const char* name = pango_font_description_get_family(actual)) result = name;
        pango_font_description_free(actual);
        g_object_unref(font);
    }
    pango_font_description_free(desc);
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

}  // namespace nodeloom::platform
