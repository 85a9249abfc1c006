#include "Nodeloom/foundation/Canvas.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "Nodeloom/foundation/Typecast.h"
#include "Nodeloom/platform/TextEngine.h"

namespace nodeloom {

namespace {

// Widest layout box Pango's integer units hold with room to spare.
constexpr double kMaxLayoutExtent = 1.0e6;
// FreeType fails (and takes the Cairo context down with it) on glyphs of some 32768 pixels;
// no text is ever meant that large, on the layout or on the device.
constexpr double kMaxFontSize = 1.0e4;
// The size a font gets when asked for a size of zero or less.
constexpr double kDefaultFontSize = 12.0;

bool fitsTheDevice(cairo_t* cr, double fontSize) {
    double size = std::isfinite(fontSize) && fontSize > 0 ? fontSize : kDefaultFontSize;
    size = std::min(size, kMaxFontSize);
    double ax = size, ay = 0, bx = 0, by = size;
    cairo_user_to_device_distance(cr, &ax, &ay);
    cairo_user_to_device_distance(cr, &bx, &by);
    const double device = std::max(std::hypot(ax, ay), std::hypot(bx, by));
    return std::isfinite(device) && device <= kMaxFontSize;
}

struct TextRequest {
    const std::string* text;
    Rect rect;
    int ha;
    bool bold, italic, underline;
};

// The font size the canvas lays text out at.
double drawnSize(double fontSize) {
    double size = fontSize;
    if (!isFinite(size) || size <= 0) size = kDefaultFontSize;
    return std::min(size, kMaxFontSize);
}

// The width of a layout box for a rectangle this wide, in Pango units.
int layoutWidth(double width) {
    return static_cast<int>(std::min(width, kMaxLayoutExtent) * PANGO_SCALE);
}

// Gives the layout the text, its font and styles, wrapping at the width (-1 for none), and
// counts it as laid out.
void configure(PangoLayout* layout, const std::string& text, const std::string& fontName,
               double size, bool bold, bool italic, bool underline, PangoAlignment alignment,
               int width) {
    auto& engine = platform::TextEngine::shared();
    const platform::Handle<PangoFontDescription, pango_font_description_free> desc(
        pango_font_description_new());
    pango_font_description_set_family_static(desc.get(), engine.familyFor(fontName).c_str());
    pango_font_description_set_absolute_size(desc.get(), size * PANGO_SCALE);
    pango_font_description_set_weight(desc.get(), bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc.get(), italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout, desc.get());

    if (underline) {
        const platform::Handle<PangoAttrList, pango_attr_list_unref> attrs(pango_attr_list_new());
        pango_attr_list_insert(attrs.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        pango_layout_set_attributes(layout, attrs.get());
    } else {
        pango_layout_set_attributes(layout, nullptr);
    }
    pango_layout_set_alignment(layout, alignment);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_width(layout, width);
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    engine.countLayout();
}

// Lays the text out in the layout to the width of the rectangle and collects the lines that
// fit its height, from the top.
void layOut(PangoLayout* layout, const TextRequest& req, const std::string& fontName,
            double fontSize, std::vector<TextFrame::Line>& lines) {
    lines.clear();
    const Rect& r = req.rect;
    if (!isFinite(r) || r.width <= 0 || r.height <= 0) return;

    PangoAlignment alignment = PANGO_ALIGN_LEFT;
    if (req.ha == 1) alignment = PANGO_ALIGN_CENTER;
    if (req.ha == 2) alignment = PANGO_ALIGN_RIGHT;
    configure(layout, *req.text, fontName, drawnSize(fontSize), req.bold, req.italic,
              req.underline, alignment, layoutWidth(r.width));

    const double limit = std::min(r.height, kMaxLayoutExtent) * PANGO_SCALE;
    const platform::Handle<PangoLayoutIter, pango_layout_iter_free> iter(
        pango_layout_get_iter(layout));
    int index = 0;
    do {
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(iter.get(), nullptr, &logical);
        if (logical.y + logical.height > limit) break;
        const double baseline = pango_layout_iter_get_baseline(iter.get());
        lines.push_back(TextFrame::Line{index, static_cast<double>(logical.x) / PANGO_SCALE,
                                        baseline / PANGO_SCALE,
                                        static_cast<double>(logical.width) / PANGO_SCALE,
                                        static_cast<double>(logical.height) / PANGO_SCALE});
        ++index;
    } while (pango_layout_iter_next_line(iter.get()));
}

// Where a line of this width starts in a layout box of that width, as Pango aligns it: a right
// to left line takes the opposite side, and a centred one lands on a whole unit when both
// widths are whole units.
int alignedOffset(int ha, bool rightToLeft, int boxWidth, int lineWidth) {
    if (boxWidth == 0) return 0;
    int align = ha;
    if (align != 1 && rightToLeft) align = 2 - align;
    if (align == 2) return boxWidth - lineWidth;
    if (align != 1) return 0;
    const int offset = (boxWidth - lineWidth) / 2;
    if (((boxWidth | lineWidth) & (PANGO_SCALE - 1)) == 0) return PANGO_UNITS_ROUND(offset);
    return offset;
}

double frameHeight(const TextFrame::Line* lines, std::size_t count) {
    if (count == 0) return 0.0;
    const TextFrame::Line& last = lines[count - 1];
    return last.height + std::abs(last.baseline - lines[0].baseline);
}

double frameWidth(const TextFrame::Line* lines, std::size_t count) {
    double width = 0.0;
    for (std::size_t i = 0; i < count; ++i)
        width = std::max(width, lines[i].width);
    return width;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TextFrame

TextFrame::TextFrame(PangoLayout* layout, std::vector<Line> lines)
    : layout_(layout), lines_(std::move(lines)) {}

TextFrame::~TextFrame() = default;

void TextFrame::LayoutRelease::operator()(PangoLayout* layout) const {
    g_object_unref(layout);
}

// ---------------------------------------------------------------------------------------------
// Text

std::shared_ptr<TextFrame> Canvas::createTextFrame(const std::string& text, const Rect& rect,
                                                   HorizontalAlignment ha, bool bold, bool italic,
                                                   bool underline) {
    if (text.empty()) return nullptr;
    PangoLayout* layout = pango_layout_new(platform::TextEngine::shared().context());
    std::vector<TextFrame::Line> lines;
    layOut(layout, TextRequest{&text, rect, static_cast<int>(ha), bold, italic, underline},
           fontName_, fontSize_, lines);
    return std::make_shared<TextFrame>(layout, std::move(lines));
}

double Canvas::measureFrameHeight(const std::shared_ptr<TextFrame>& frame) {
    if (!frame) return 0.0;
    return frameHeight(frame->lines().data(), frame->lines().size());
}

double Canvas::measureFrameWidth(const std::shared_ptr<TextFrame>& frame) {
    if (!frame) return 0.0;
    return frameWidth(frame->lines().data(), frame->lines().size());
}

void Canvas::drawText(const std::string& text, const Rect& rect, HorizontalAlignment ha,
                      VerticalAlignment va, bool bold, bool italic, bool underline) {
    if (context_ == nullptr || text.empty()) return;
    if (textCache_ != nullptr) {
        TextLayoutCache& cache = *textCache_;
        // A text drawn from inside this one (by a subclass) is not the cached one.
        textCache_ = nullptr;
        drawThroughCache(text, rect, ha, va, bold, italic, underline, cache);
        return;
    }
    // The shared scratch layout spares a layout object per call; drawing does not keep it.
    PangoLayout* layout = platform::TextEngine::shared().scratchLayout();
    auto& lines = scratchLines_;
    layOut(layout, TextRequest{&text, rect, static_cast<int>(ha), bold, italic, underline},
           fontName_, fontSize_, lines);
    drawFrame(lines.data(), lines.size(), layout, rect, va);
}

TextLayoutCache::TextLayoutCache() = default;
TextLayoutCache::~TextLayoutCache() = default;

void TextLayoutCache::LayoutRelease::operator()(PangoLayout* layout) const {
    g_object_unref(layout);
}

void TextLayoutCache::clear() {
    key_.reset();
    laid_.clear();
    lines_.clear();
}

bool TextLayoutCache::matches(const std::string& text, const std::string& fontName,
                              double fontSize, bool bold, bool italic, bool underline) const {
    return key_ && key_->text == text && key_->fontName == fontName &&
           key_->fontSize == fontSize && key_->bold == bold && key_->italic == italic &&
           key_->underline == underline;
}

bool TextLayoutCache::holds(int width) const {
    return width == laidAt_ || (narrowest_ <= width && width <= widest_);
}

void TextLayoutCache::keepLines(int width) {
    laid_.clear();
    int widestLine = 0;
    bool wrapped = false;
    const platform::Handle<PangoLayoutIter, pango_layout_iter_free> iter(
        pango_layout_get_iter(layout_.get()));
    do {
        PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter.get());
        PangoRectangle placed;
        pango_layout_iter_get_line_extents(iter.get(), nullptr, &placed);
        PangoRectangle own;
        pango_layout_line_get_extents(line, nullptr, &own);
        if (!laid_.empty() && !line->is_paragraph_start) wrapped = true;
        laid_.push_back(LaidLine{static_cast<int>(laid_.size()), own.x, own.width, placed.y,
                                 placed.height, pango_layout_iter_get_baseline(iter.get()),
                                 line->resolved_dir == PANGO_DIRECTION_RTL});
        widestLine = std::max(widestLine, own.width);
    } while (pango_layout_iter_next_line(iter.get()));
    // Breaking is greedy: a box at least as wide as the widest line keeps every line whole, and
    // so does one no wider than the width that broke them, which could not take a word more.
    laidAt_ = width;
    narrowest_ = widestLine;
    widest_ = wrapped ? width : INT_MAX;
}

TextLayoutCache::Extent TextLayoutCache::measure(const std::string& text,
                                                 const std::string& fontName, double fontSize,
                                                 bool bold, bool italic, bool underline,
                                                 bool wrap, double maxWidth) {
    if (!layout_) layout_.reset(pango_layout_new(platform::TextEngine::shared().context()));
    // Flush left: drawing places the lines for its own alignment and width.
    configure(layout_.get(), text, fontName, fontSize, bold, italic, underline, PANGO_ALIGN_LEFT,
              -1);
    const platform::TextEngine::TextSize size =
        platform::TextEngine::measureLaidOut(layout_.get(), text, wrap, maxWidth);
    keepLines(pango_layout_get_width(layout_.get()));
    key_ = Key{text, fontName, fontSize, bold, italic, underline};
    return {size.width, size.height};
}

void Canvas::drawCachedText(const std::string& text, const Rect& rect, HorizontalAlignment ha,
                            VerticalAlignment va, bool bold, bool italic, bool underline,
                            TextLayoutCache& cache) {
    // Through the virtual drawText, so that a canvas that draws text its own way still does.
    TextLayoutCache* const outer = textCache_;
    textCache_ = &cache;
    drawText(text, rect, ha, va, bold, italic, underline);
    textCache_ = outer;
}

void Canvas::drawThroughCache(const std::string& text, const Rect& rect, HorizontalAlignment ha,
                              VerticalAlignment va, bool bold, bool italic, bool underline,
                              TextLayoutCache& cache) {
    if (!isFinite(rect) || rect.width <= 0 || rect.height <= 0) return;
    const double size = drawnSize(fontSize_);
    const int width = layoutWidth(rect.width);
    // Where the rectangle lies does not change the layout, only where it is drawn.
    if (!cache.matches(text, fontName_, size, bold, italic, underline) || !cache.holds(width)) {
        if (!cache.layout_)
            cache.layout_.reset(pango_layout_new(platform::TextEngine::shared().context()));
        configure(cache.layout_.get(), text, fontName_, size, bold, italic, underline,
                  PANGO_ALIGN_LEFT, width);
        cache.keepLines(width);
        cache.key_ = TextLayoutCache::Key{text, fontName_, size, bold, italic, underline};
    }

    auto& lines = cache.lines_;
    lines.clear();
    const double limit = std::min(rect.height, kMaxLayoutExtent) * PANGO_SCALE;
    const int h = static_cast<int>(ha);
    for (const TextLayoutCache::LaidLine& line : cache.laid_) {
        if (line.top + line.height > limit) break;
        const int x = line.x + alignedOffset(h, line.rightToLeft, width, line.width);
        lines.push_back(TextFrame::Line{line.index, static_cast<double>(x) / PANGO_SCALE,
                                        static_cast<double>(line.baseline) / PANGO_SCALE,
                                        static_cast<double>(line.width) / PANGO_SCALE,
                                        static_cast<double>(line.height) / PANGO_SCALE});
    }
    drawFrame(lines.data(), lines.size(), cache.layout_.get(), rect, va);
}

void Canvas::drawFrame(const TextFrame::Line* lines, std::size_t count, PangoLayout* layout,
                       const Rect& rect, VerticalAlignment va) {
    if (count == 0) return;
    double top = rect.y;
    const int vertical = static_cast<int>(va);
    if (vertical == 1) top += (rect.height - frameHeight(lines, count)) / 2;
    if (vertical == 2) top += rect.height - frameHeight(lines, count);

    if (!fitsTheDevice(context_.get(), fontSize_)) return;
    PathKeeper keep(context_.get());
    const Color& c = textColor_ ? *textColor_ : Color(1.0, 0.0, 0.0, 0.0);
    const CairoColor color = Typecast::toCairoColor(c);
    cairo_set_source_rgba(context_.get(), color.red, color.green, color.blue, color.alpha);
    for (std::size_t i = 0; i < count; ++i) {
        PangoLayoutLine* line = pango_layout_get_line_readonly(layout, lines[i].index);
        if (line == nullptr) continue;
        cairo_move_to(context_.get(), rect.x + lines[i].x, top + lines[i].baseline);
        pango_cairo_show_layout_line(context_.get(), line);
    }
    cairo_new_path(context_.get());
}

void Canvas::drawText(const std::string& text, const Point& point) {
    if (context_ == nullptr || text.empty() || !isFinite(point)) return;
    PangoLayout* layout = platform::TextEngine::shared().scratchLayout();
    auto& lines = scratchLines_;
    const int left = 0;
    layOut(layout, TextRequest{&text, Rect(0, 0, 1000, 1000), left, false, false, false}, fontName_,
           fontSize_, lines);
    const double width = frameWidth(lines.data(), lines.size());
    // A hair of slack so that the widest line still fits the box it was measured in.
    const Rect box(point.x, point.y, width + 1.0 / PANGO_SCALE, 20.0);
    layOut(layout, TextRequest{&text, box, left, false, false, false}, fontName_, fontSize_, lines);
    drawFrame(lines.data(), lines.size(), layout, box, static_cast<VerticalAlignment>(0));
}

}  // namespace nodeloom
