#pragma once

#include <pango/pango.h>

#include <cstdint>
#include <string>
#include <unordered_map>

namespace nodeloom::platform {

// The process-wide text engine: one Pango context at 72 units per inch, with metric hinting and
// position rounding off so that measures scale linearly with the zoom, and the mapping of the
// library's font names onto font families. Used from the main thread only.
class TextEngine {
public:
    // The logical size of a text, in the units its font size is given in.
    struct TextSize {
        double width = 0;
        double height = 0;
    };

    static TextEngine& shared();

    // Lets the fonts go, for the end of a program run under a leak checker: the engine's layout,
    // context and font map, then the font caches under them (Cairo's and fontconfig's), which
    // would otherwise live as long as the process. Call it when nothing of the library that holds
    // text is left (documents, views, images) and the program lays out no text of its own through
    // Pango or Cairo any more. Pango's own threads get up to two seconds to let the font map go;
    // whatever holds it longer keeps it, and the caches under it with it, so that nothing is
    // pulled from under a holder (a leak checker then reports that holder). Text laid out
    // afterwards makes a new engine, which loads the fonts again.
    static void releaseFonts();

    PangoContext* context() const { return context_; }
    // A layout that callers may reconfigure freely for a one-off job.
    PangoLayout* scratchLayout() const { return scratch_; }

    // The family to ask for: "ArialMT" (and "Arial") is Arial; a name that no installed font
    // answers to falls back to the default font.
    const std::string& familyFor(const std::string& fontName);

    // The text laid out in the font at the absolute size. Without wrap, as wide as its widest
    // line and as tall as all its lines. With wrap, the rule that link and label text is built
    // on: as wide as the text wrapped at maxWidth, and as tall as the wrapped lines plus 5,
    // scaled by how much the wrapping narrowed the text. A width the layout cannot hold, or
    // none, leaves every line whole; text of blanks and line breaks only keeps its unwrapped
    // size, having no width to scale by.
    TextSize measure(const std::string& text, const std::string& fontName, double size, bool bold,
                     bool italic, bool wrap, double maxWidth);
    // The same rule applied to a layout that already holds the text, its font and word-or-
    // character wrapping, with no width set. The layout is left at the width the text was
    // wrapped at (none when nothing could wrap), so that whoever keeps it for drawing has its
    // lines.
    static TextSize measureLaidOut(PangoLayout* layout, const std::string& text, bool wrap,
                                   double maxWidth);

    static constexpr const char* kDefaultFamily = "Arial";

    // How many texts have been laid out (measured or laid out for drawing) since the start.
    std::uint64_t layoutCount() const { return layouts_; }
    void countLayout() { ++layouts_; }

private:
    TextEngine();
    ~TextEngine();
    TextEngine(const TextEngine&) = delete;
    TextEngine& operator=(const TextEngine&) = delete;
    std::string actualFamily(const char* family) const;

    PangoFontMap* fontMap_;
    PangoContext* context_;
    PangoLayout* scratch_;
    std::string fallbackFamily_;
    std::unordered_map<std::string, std::string> families_;
    std::uint64_t layouts_ = 0;
};

}  // namespace nodeloom::platform
