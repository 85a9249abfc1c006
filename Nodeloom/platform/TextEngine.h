#pragma once

#include <pango/pango.h>

#include <string>
#include <unordered_map>

namespace nodeloom::platform {

// The process-wide text engine: one Pango context at 72 units per inch, with metric hinting and
// position rounding off so that measures scale linearly with the zoom, and the mapping of the
// library's font names onto font families. Used from the main thread only.
class TextEngine {
public:
    static TextEngine& shared();

    PangoContext* context() const { return context_; }
    // A layout that callers may reconfigure freely for a one-off job.
    PangoLayout* scratchLayout() const { return scratch_; }

    // The family to ask for: "ArialMT" (and "Arial") is Arial; a name that no installed font
    // answers to falls back to the default font.
    const std::string& familyFor(const std::string& fontName);

    static constexpr const char* kDefaultFamily = "Arial";

private:
    TextEngine();
    ~TextEngine() = delete;
    std::string actualFamily(const char* family) const;

    PangoFontMap* fontMap_;
    PangoContext* context_;
    PangoLayout* scratch_;
    std::string fallbackFamily_;
    std::unordered_map<std::string, std::string> families_;
};

}  // namespace nodeloom::platform
