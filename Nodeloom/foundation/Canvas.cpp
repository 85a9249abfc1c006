#include "Nodeloom/foundation/Canvas.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

#include "Nodeloom/foundation/GraphicsPath.h"
#include "Nodeloom/foundation/Typecast.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/Screen.h"
#include "Nodeloom/platform/TextEngine.h"

namespace nodeloom {

namespace {

constexpr double kPi = std::numbers::pi;
// More turns than any arc needs; keeps a huge sweep from stalling a drawing.
constexpr double kMaxArcSpan = 3600.0;
// Widest layout box Pango's integer units hold with room to spare.
constexpr double kMaxLayoutExtent = 1.0e6;
// FreeType fails (and takes the Cairo context down with it) on glyphs of some 32768 pixels;
// no text is ever meant that large, on the layout or on the device.
constexpr double kMaxFontSize = 1.0e4;
// The size a font gets when asked for a size of zero or less.
constexpr double kDefaultFontSize = 12.0;

bool allFinite(const std::vector<Point>& points) {
    return std::all_of(points.begin(), points.end(), [](const Point& p) { return isFinite(p); });
}

double unitConvert(const std::shared_ptr<MeasureUnit>& from, double value,
                   const std::shared_ptr<MeasureUnit>& to, Object* context) {
    if (!from || !to) return value;
    return from->convert(value, to, context);
}

// Number of whole one-degree steps from lo to hi, or 0 when the span is unusable.
long arcSteps(double lo, double hi) {
    const double span = hi - lo;
    if (!std::isfinite(span) || span < 1.0) return 0;
    return static_cast<long>(std::floor(std::min(span, kMaxArcSpan) + 1e-9));
}

// Keeps the caller's unfinished path through an operation that paints a figure of its own.
class PathKeeper {
public:
    explicit PathKeeper(cairo_t* cr) : cr_(cr) {
        if (cairo_has_current_point(cr_)) {
            saved_ = cairo_copy_path(cr_);
            cairo_new_path(cr_);
        }
    }
    ~PathKeeper() {
        if (saved_ != nullptr) {
            cairo_new_path(cr_);
            if (saved_->status == CAIRO_STATUS_SUCCESS) cairo_append_path(cr_, saved_);
            cairo_path_destroy(saved_);
        }
    }
    PathKeeper(const PathKeeper&) = delete;
    PathKeeper& operator=(const PathKeeper&) = delete;

private:
    cairo_t* cr_;
    cairo_path_t* saved_ = nullptr;
};

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

// Lays the text out in the layout to the width of the rectangle and collects the lines that
// fit its height, from the top.
void layOut(PangoLayout* layout, const TextRequest& req, const std::string& fontName,
            double fontSize, std::vector<TextFrame::Line>& lines) {
    lines.clear();
    const Rect& r = req.rect;
    if (!isFinite(r) || r.width <= 0 || r.height <= 0) return;

    auto& engine = platform::TextEngine::shared();
    double size = fontSize;
    if (!isFinite(size) || size <= 0) size = kDefaultFontSize;
    size = std::min(size, kMaxFontSize);

    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family_static(desc, engine.familyFor(fontName).c_str());
    pango_font_description_set_absolute_size(desc, size * PANGO_SCALE);
    pango_font_description_set_weight(desc, req.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc, req.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);

    if (req.underline) {
        PangoAttrList* attrs = pango_attr_list_new();
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
    } else {
        pango_layout_set_attributes(layout, nullptr);
    }
    PangoAlignment alignment = PANGO_ALIGN_LEFT;
    if (req.ha == 1) alignment = PANGO_ALIGN_CENTER;
    if (req.ha == 2) alignment = PANGO_ALIGN_RIGHT;
    pango_layout_set_alignment(layout, alignment);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_width(layout,
                           static_cast<int>(std::min(r.width, kMaxLayoutExtent) * PANGO_SCALE));
    pango_layout_set_text(layout, req.text->data(), static_cast<int>(req.text->size()));

    const double limit = std::min(r.height, kMaxLayoutExtent) * PANGO_SCALE;
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    int index = 0;
    do {
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(iter, nullptr, &logical);
        if (logical.y + logical.height > limit) break;
        lines.push_back(
            TextFrame::Line{index, static_cast<double>(logical.x) / PANGO_SCALE,
                            static_cast<double>(pango_layout_iter_get_baseline(iter)) / PANGO_SCALE,
                            static_cast<double>(logical.width) / PANGO_SCALE,
                            static_cast<double>(logical.height) / PANGO_SCALE});
        ++index;
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);
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

// Positions of a gradient whose colours are reversed: the gaps between stops in reverse order,
// from 0 to 1. Two stops or fewer stay as they are.
std::vector<double> mirrorPositions(const std::vector<double>& p) {
    const std::size_t n = p.size();
    if (n < 3) return p;
    std::vector<double> r(n);
    r[0] = 0.0;
    for (std::size_t k = 1; k + 1 < n; ++k)
        r[k] = r[k - 1] + (p[n - k] - p[n - k - 1]);
    r[n - 1] = 1.0;
    return r;
}

std::vector<TextFrame::Line>& scratchLines() {
    static std::vector<TextFrame::Line> lines;
    return lines;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TextFrame

TextFrame::TextFrame(PangoLayout* layout, std::vector<Line> lines)
    : layout_(layout), lines_(std::move(lines)) {}

TextFrame::~TextFrame() {
    if (layout_ != nullptr) g_object_unref(layout_);
}

// ---------------------------------------------------------------------------------------------
// Construction

Canvas::Canvas(cairo_t* context)
    : measureUnit_(MeasureUnit::Point()), textColor_(std::make_shared<Color>(1.0, 0.0, 0.0, 0.0)) {
    setContext(context);
}

Canvas::Canvas(std::shared_ptr<MeasureUnit> unit)
    : measureUnit_(unit ? std::move(unit) : MeasureUnit::Point()),
      textColor_(std::make_shared<Color>(1.0, 0.0, 0.0, 0.0)) {
    const double s = platform::Screen::scale();
    const int n = std::max(1, static_cast<int>(s * 32));
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, n, n);
    context_ = cairo_create(surface);
    cairo_surface_destroy(surface);
    cairo_scale(context_, s, s);
}

Canvas::~Canvas() {
    if (context_ != nullptr) cairo_destroy(context_);
}

void Canvas::setContext(cairo_t* context) {
    if (context != nullptr) cairo_reference(context);
    if (context_ != nullptr) cairo_destroy(context_);
    context_ = context;
    savedPaint_.clear();
}

// ---------------------------------------------------------------------------------------------
// Painting helpers

void Canvas::strokeWithPen() {
    cairo_set_source_rgba(context_, paint_.stroke[0], paint_.stroke[1], paint_.stroke[2],
                          paint_.stroke[3]);
    cairo_stroke(context_);
}

void Canvas::fillWithFillColor() {
    cairo_set_source_rgba(context_, paint_.fill[0], paint_.fill[1], paint_.fill[2], paint_.fill[3]);
    cairo_fill_preserve(context_);
}

bool Canvas::transformBy(const cairo_matrix_t& m) {
    if (context_ == nullptr) return false;
    cairo_matrix_t ctm;
    cairo_get_matrix(context_, &ctm);
    cairo_matrix_t result;
    cairo_matrix_multiply(&result, &m, &ctm);
    // Cairo takes a matrix it cannot invert (by its determinant) as a fatal error.
    auto invertible = [](const cairo_matrix_t& a) {
        for (double v : {a.xx, a.yx, a.xy, a.yy, a.x0, a.y0}) {
            if (!std::isfinite(v)) return false;
        }
        const double det = a.xx * a.yy - a.yx * a.xy;
        if (!std::isfinite(det) || det == 0) return false;
        cairo_matrix_t probe = a;
        return cairo_matrix_invert(&probe) == CAIRO_STATUS_SUCCESS;
    };
    if (!invertible(m) || !invertible(result)) return false;
    cairo_transform(context_, &m);
    return true;
}

Point Canvas::mapPathPoint(const Point& p) const {
    return pathMatrix_ ? pathMatrix_->transform(p) : p;
}

void Canvas::arcPoint(const Rect& rect, double degrees, double& x, double& y) const {
    const double rx = rect.width / 2;
    const double ry = rect.height / 2;
    const double t = degrees * kPi / 180.0;
    x = rect.x + rx + rx * std::cos(t);
    y = rect.y + ry + ry * std::sin(t);
}

// ---------------------------------------------------------------------------------------------
// Lines and shapes

void Canvas::drawLine(const Point& p1, const Point& p2) {
    if (context_ == nullptr || !isFinite(p1) || !isFinite(p2)) return;
    cairo_move_to(context_, p1.x, p1.y);
    cairo_line_to(context_, p2.x, p2.y);
    strokeWithPen();
}

void Canvas::drawLine(double x1, double y1, double x2, double y2) {
    drawLine(Point(x1, y1), Point(x2, y2));
}

void Canvas::drawLines(const std::vector<Point>& points) {
    drawPolyline(points);
}

void Canvas::drawPolyline(const std::vector<Point>& points) {
    if (context_ == nullptr || points.size() < 2 || !allFinite(points)) return;
    cairo_move_to(context_, points[0].x, points[0].y);
    for (std::size_t i = 1; i < points.size(); ++i)
        cairo_line_to(context_, points[i].x, points[i].y);
    strokeWithPen();
}

void Canvas::drawBezier(const std::vector<Point>& points) {
    if (context_ == nullptr || points.size() % 3 != 1 || !allFinite(points)) return;
    cairo_move_to(context_, points[0].x, points[0].y);
    for (std::size_t i = 1; i + 2 < points.size(); i += 3) {
        cairo_curve_to(context_, points[i].x, points[i].y, points[i + 1].x, points[i + 1].y,
                       points[i + 2].x, points[i + 2].y);
    }
    strokeWithPen();
}

void Canvas::drawEllipse(double x, double y, double width, double height) {
    drawArc(Rect(x, y, width, height), 0, 360);
}

void Canvas::drawEllipse(const Rect& rect) {
    if (context_ == nullptr) return;
    cairo_new_path(context_);
    pathEllipse(rect);
    cairo_set_fill_rule(context_, CAIRO_FILL_RULE_WINDING);
    fillWithFillColor();
    strokeWithPen();
}

void Canvas::drawArc(const Rect& rect, double start, double sweep) {
    if (context_ == nullptr || !isFinite(rect)) return;
    const double lo = std::min(start, start + sweep);
    const double hi = std::max(start, start + sweep);
    const long steps = arcSteps(lo, hi);
    double px, py;
    arcPoint(rect, lo, px, py);
    for (long k = 1; k <= steps; ++k) {
        double x, y;
        arcPoint(rect, lo + static_cast<double>(k), x, y);
        drawLine(Point(px, py), Point(x, y));
        px = x;
        py = y;
    }
}

void Canvas::drawRect(const Rect& rect) {
    drawRect(rect.x, rect.y, rect.width, rect.height);
}

void Canvas::drawRect(double x, double y, double width, double height) {
    fillRect(Rect(x, y, width, height));
    strokeRect(x, y, width, height);
}

void Canvas::strokeRect(const Rect& rect) {
    strokeRect(rect.x, rect.y, rect.width, rect.height);
}

void Canvas::strokeRect(double x, double y, double width, double height) {
    if (context_ == nullptr || !isFinite(Rect(x, y, width, height))) return;
    PathKeeper keep(context_);
    cairo_rectangle(context_, x, y, width, height);
    strokeWithPen();
}

void Canvas::fillRect(const Rect& rect) {
    if (context_ == nullptr || !currentBrush_ || !isFinite(rect)) return;
    if (dynamic_cast<const SolidColorBrush*>(currentBrush_.get()) != nullptr) {
        PathKeeper keep(context_);
        cairo_rectangle(context_, rect.x, rect.y, rect.width, rect.height);
        cairo_set_source_rgba(context_, paint_.fill[0], paint_.fill[1], paint_.fill[2],
                              paint_.fill[3]);
        cairo_fill(context_);
    } else if (auto* gradient = dynamic_cast<const LinearGradientBrush*>(currentBrush_.get())) {
        fillWithGradient(*gradient, rect);
    }
}

// The gradient axis runs from where a ray from the centre in the brush's direction
// (anticlockwise on the screen) leaves the rectangle, through the centre, to the opposite side.
void Canvas::fillWithGradient(const LinearGradientBrush& brush, const Rect& input) {
    Rect r = input;
    if (r.width < 0) {
        r.x += r.width;
        r.width = -r.width;
    }
    if (r.height < 0) {
        r.y += r.height;
        r.height = -r.height;
    }
    if (r.width == 0 || r.height == 0) return;

    double t = brush.angle();
    if (!std::isfinite(t)) t = 0;
    t = std::fmod(t, 360.0);
    if (t < 0) t += 360.0;
    // Past 180 the axis turns round: the same fill with the colours reversed.
    const bool reversed = t > 180.0;
    if (reversed) t -= 180.0;

    const double hw = r.width / 2;
    const double hh = r.height / 2;
    const double cx = r.x + hw;
    const double cy = r.y + hh;
    const double a0 = std::asin(hh / std::sqrt(hw * hw + hh * hh)) * 180.0 / kPi;
    auto tanDeg = [](double deg) { return std::tan(deg * kPi / 180.0); };
    Point s, e;
    if (t <= a0) {
        const double d = hw * tanDeg(t);
        s = Point(r.x + r.width, cy - d);
        e = Point(r.x, cy + d);
    } else if (t <= 90) {
        const double d = hh * tanDeg(90 - t);
        s = Point(cx + d, r.y);
        e = Point(cx - d, r.y + r.height);
    } else if (t <= 180 - a0) {
        const double d = hh * tanDeg(t - 90);
        s = Point(cx - d, r.y);
        e = Point(cx + d, r.y + r.height);
    } else {
        const double d = hw * tanDeg(180 - t);
        s = Point(r.x, cy - d);
        e = Point(r.x + r.width, cy + d);
    }
    PathKeeper keep(context_);
    cairo_rectangle(context_, r.x, r.y, r.width, r.height);
    paintGradient(brush, reversed, s, e);
    cairo_new_path(context_);
}

// Fills the current path (kept) with the brush's gradient from start to end: nothing before
// the start, the last colour beyond the end.
void Canvas::paintGradient(const LinearGradientBrush& brush, bool reversed, const Point& start,
                           const Point& end) {
    if (!isFinite(start) || !isFinite(end) || start == end) return;
    cairo_pattern_t* pattern = nullptr;
    if (reversed) {
        LinearGradientBrush mirrored(brush);
        std::reverse(mirrored.colors().begin(), mirrored.colors().end());
        mirrored.setPositions(mirrorPositions(brush.positions()));
        pattern = Typecast::toCairoGradient(mirrored, start, end);
    } else {
        pattern = Typecast::toCairoGradient(brush, start, end);
    }
    if (pattern == nullptr) return;
    cairo_set_source(context_, pattern);
    cairo_fill_preserve(context_);
    cairo_pattern_destroy(pattern);
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
    // The shared scratch layout spares a layout object per call; drawing does not keep it.
    PangoLayout* layout = platform::TextEngine::shared().scratchLayout();
    auto& lines = scratchLines();
    layOut(layout, TextRequest{&text, rect, static_cast<int>(ha), bold, italic, underline},
           fontName_, fontSize_, lines);
    drawFrame(lines.data(), lines.size(), layout, rect, va);
}

void Canvas::drawFrame(const TextFrame::Line* lines, std::size_t count, PangoLayout* layout,
                       const Rect& rect, VerticalAlignment va) {
    if (count == 0) return;
    double top = rect.y;
    const int vertical = static_cast<int>(va);
    if (vertical == 1) top += (rect.height - frameHeight(lines, count)) / 2;
    if (vertical == 2) top += rect.height - frameHeight(lines, count);

    if (!fitsTheDevice(context_, fontSize_)) return;
    PathKeeper keep(context_);
    const Color& c = textColor_ ? *textColor_ : Color(1.0, 0.0, 0.0, 0.0);
    const CairoColor color = Typecast::toCairoColor(c);
    cairo_set_source_rgba(context_, color.red, color.green, color.blue, color.alpha);
    for (std::size_t i = 0; i < count; ++i) {
        PangoLayoutLine* line = pango_layout_get_line_readonly(layout, lines[i].index);
        if (line == nullptr) continue;
        cairo_move_to(context_, rect.x + lines[i].x, top + lines[i].baseline);
        pango_cairo_show_layout_line(context_, line);
    }
    cairo_new_path(context_);
}

void Canvas::drawText(const std::string& text, const Point& point) {
    if (context_ == nullptr || text.empty() || !isFinite(point)) return;
    PangoLayout* layout = platform::TextEngine::shared().scratchLayout();
    auto& lines = scratchLines();
    const int left = 0;
    layOut(layout, TextRequest{&text, Rect(0, 0, 1000, 1000), left, false, false, false}, fontName_,
           fontSize_, lines);
    const double width = frameWidth(lines.data(), lines.size());
    // A hair of slack so that the widest line still fits the box it was measured in.
    const Rect box(point.x, point.y, width + 1.0 / PANGO_SCALE, 20.0);
    layOut(layout, TextRequest{&text, box, left, false, false, false}, fontName_, fontSize_, lines);
    drawFrame(lines.data(), lines.size(), layout, box, static_cast<VerticalAlignment>(0));
}

// ---------------------------------------------------------------------------------------------
// Path builder

void Canvas::pathStart() {
    if (context_ != nullptr) cairo_new_path(context_);
    pathEnd_ = Point(INFINITY, INFINITY);
}

void Canvas::pathCloseFigure() {
    if (context_ != nullptr) cairo_close_path(context_);
}

void Canvas::pathMoveTo(const Point& p) {
    pathEnd_ = p;
    const Point q = mapPathPoint(p);
    if (context_ != nullptr && isFinite(q)) cairo_move_to(context_, q.x, q.y);
}

void Canvas::pathLineTo(const Point& p) {
    pathEnd_ = p;
    const Point q = mapPathPoint(p);
    if (context_ != nullptr && isFinite(q)) cairo_line_to(context_, q.x, q.y);
}

void Canvas::pathBezierTo(const Point& p2, const Point& point3, const Point& point4) {
    pathEnd_ = point4;
    const Point a = mapPathPoint(p2);
    const Point b = mapPathPoint(point3);
    const Point c = mapPathPoint(point4);
    if (context_ == nullptr || !isFinite(a) || !isFinite(b) || !isFinite(c)) return;
    cairo_curve_to(context_, a.x, a.y, b.x, b.y, c.x, c.y);
}

void Canvas::pathEllipse(const Rect& rect) {
    if (context_ == nullptr || !isFinite(rect) || rect.width == 0 || rect.height == 0) return;
    cairo_matrix_t saved;
    cairo_get_matrix(context_, &saved);
    cairo_matrix_t unitCircle;
    cairo_matrix_init_translate(&unitCircle, rect.x + rect.width / 2, rect.y + rect.height / 2);
    cairo_matrix_scale(&unitCircle, std::abs(rect.width) / 2, std::abs(rect.height) / 2);
    if (!transformBy(unitCircle)) return;
    cairo_new_sub_path(context_);
    cairo_arc(context_, 0, 0, 1, 0, 2 * kPi);
    cairo_close_path(context_);
    cairo_set_matrix(context_, &saved);
}

void Canvas::pathRoundRect(const Rect& input, double r) {
    const Rect rect = pathMatrix_ ? pathMatrix_->transform(input) : input;
    if (context_ == nullptr || !isFinite(rect) || !isFinite(r)) return;
    const double x = rect.x, y = rect.y, w = rect.width, h = rect.height;
    cairo_move_to(context_, x, y + r);
    cairo_line_to(context_, x, y + h - r);
    cairo_arc_negative(context_, x + r, y + h - r, r, kPi, kPi / 2);
    cairo_line_to(context_, x + w - r, y + h);
    cairo_arc_negative(context_, x + w - r, y + h - r, r, kPi / 2, 0);
    cairo_line_to(context_, x + w, y + r);
    cairo_arc_negative(context_, x + w - r, y + r, r, 0, -kPi / 2);
    cairo_line_to(context_, x + r, y);
    cairo_arc_negative(context_, x + r, y + r, r, -kPi / 2, kPi);
}

void Canvas::pathArcTo(const Rect& rect, double a, double s) {
    if (!isFinite(rect)) return;
    const double lo = std::min(a, a + s);
    const double hi = std::max(a, a + s);
    if (!std::isfinite(hi - lo)) return;
    const long steps = static_cast<long>(std::floor(std::min(hi - lo, kMaxArcSpan) + 1e-9));
    for (long k = 0; k <= steps; ++k) {
        double x, y;
        arcPoint(rect, lo + static_cast<double>(k), x, y);
        pathLineTo(Point(x, y));
    }
}

void Canvas::drawPath(GraphicsPath& path) {
    path.addToCanvas(*this);
    pathDraw();
}

void Canvas::pathDraw() {
    if (context_ == nullptr || !currentBrush_) return;
    if (dynamic_cast<const SolidColorBrush*>(currentBrush_.get()) != nullptr) {
        cairo_set_fill_rule(context_, CAIRO_FILL_RULE_EVEN_ODD);
        fillWithFillColor();
        strokeWithPen();
    } else if (auto* gradient = dynamic_cast<const LinearGradientBrush*>(currentBrush_.get())) {
        // Along the angle from the top-left corner of the path's box, y downwards.
        double x1, y1, x2, y2;
        cairo_path_extents(context_, &x1, &y1, &x2, &y2);
        const double length = ((x2 - x1) + (y2 - y1)) / 2;
        double t = gradient->angle() * kPi / 180.0;
        if (!std::isfinite(t)) t = 0;
        const Point s(x1, y1);
        const Point e(x1 + length * std::cos(t), y1 + length * std::sin(t));
        cairo_set_fill_rule(context_, CAIRO_FILL_RULE_EVEN_ODD);
        paintGradient(*gradient, false, s, e);
        strokeWithPen();
    }
}

void Canvas::pathStroke() {
    if (context_ != nullptr) strokeWithPen();
}

void Canvas::setPathMatrix(const std::optional<Matrix>& matrix) {
    pathMatrix_ = matrix;
}

Point Canvas::getPathEnd() const {
    return pathEnd_;
}

// ---------------------------------------------------------------------------------------------
// Images

void Canvas::paintImage(cairo_surface_t* surface, const Rect& target) {
    const int pw = cairo_image_surface_get_width(surface);
    const int ph = cairo_image_surface_get_height(surface);
    if (pw <= 0 || ph <= 0 || !isFinite(target) || target.width == 0 || target.height == 0) return;
    cairo_matrix_t place;
    cairo_matrix_init(&place, target.width / pw, 0, 0, target.height / ph, target.x, target.y);
    cairo_matrix_t ctm;
    cairo_get_matrix(context_, &ctm);
    if (!transformBy(place)) return;
    cairo_set_source_surface(context_, surface, 0, 0);
    // Scaled up, the edges keep their own colour instead of fading into transparency.
    cairo_pattern_set_extend(cairo_get_source(context_), CAIRO_EXTEND_PAD);
    cairo_rectangle(context_, 0, 0, pw, ph);
    cairo_fill(context_);
    cairo_set_matrix(context_, &ctm);
}

// Rows run upwards from the target's bottom edge and columns rightwards from its left edge,
// each tile at natural size; the last row and column reach past the target, unclipped.
void Canvas::tileImage(cairo_surface_t* surface, const Rect& target, double iw, double ih) {
    const int pw = cairo_image_surface_get_width(surface);
    const int ph = cairo_image_surface_get_height(surface);
    if (pw <= 0 || ph <= 0 || !(iw > 0) || !(ih > 0)) return;
    const double nx = std::floor(target.width / iw) + 1;
    const double ny = std::floor(target.height / ih) + 1;
    if (!std::isfinite(nx) || !std::isfinite(ny) || nx < 1 || ny < 1) return;
    const double bottom = target.y + target.height;
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_matrix_t m;
    // Pattern space is pixels; tile (0, 0) has its top-left at (x, bottom - ih).
    cairo_matrix_init(&m, iw / pw, 0, 0, ih / ph, target.x, bottom - ih);
    if (cairo_matrix_invert(&m) == CAIRO_STATUS_SUCCESS) {
        cairo_pattern_set_matrix(pattern, &m);
        cairo_rectangle(context_, target.x, bottom - ny * ih, nx * iw, ny * ih);
        cairo_set_source(context_, pattern);
        cairo_fill(context_);
    }
    cairo_pattern_destroy(pattern);
}

// Placements are computed as in a drawing mirrored top to bottom about the target's middle, so
// the names with "top" land at the target's bottom edge; the image itself shows upright.
void Canvas::drawImage(const std::shared_ptr<platform::ImageSurface>& image, const Rect& rect,
                       ImageAlign align) {
    if (context_ == nullptr || !image || !isFinite(rect)) return;
    const Size natural = image->size();
    const auto& pixel = MeasureUnit::Pixel();
    const double iw = unitConvert(pixel, natural.width, measureUnit_, this);
    const double ih = unitConvert(pixel, natural.height, measureUnit_, this);
    if (!std::isfinite(iw) || !std::isfinite(ih)) return;

    const double x = rect.x, y = rect.y, w = rect.width, h = rect.height;
    const double cx = x + w / 2, cy = y + h / 2;
    saveState();
    PathKeeper keep(context_);
    // Lands R of the mirrored space on the canvas.
    auto show = [&](const Rect& r) {
        paintImage(image->surface(), Rect(r.x, 2 * cy - r.y - r.height, r.width, r.height));
    };
    switch (align) {
        case ImageAlign::center:
            show(Rect(x + (w - iw) / 2, y + (h - ih) / 2, iw, ih));
            break;
        case ImageAlign::stretch:
            show(Rect(x, y, w, h));
            break;
        case ImageAlign::topLeft:
            show(Rect(x, y, iw, ih));
            break;
        case ImageAlign::bottomLeft:
            show(Rect(x, y + h - ih, iw, ih));
            break;
        case ImageAlign::topRight:
            show(Rect(x + w - iw, y, iw, ih));
            break;
        case ImageAlign::bottomRight:
            show(Rect(x + w - iw, y + h - ih, iw, ih));
            break;
        case ImageAlign::topCenter:
            show(Rect(cx - iw / 2, y, iw, ih));
            break;
        case ImageAlign::bottomCenter:
            show(Rect(cx - iw / 2, y + h - ih, iw, ih));
            break;
        case ImageAlign::middleLeft:
            show(Rect(x, cy - ih / 2, iw, ih));
            break;
        case ImageAlign::middleRight:
            show(Rect(x + w - iw, cy - ih / 2, iw, ih));
            break;
        case ImageAlign::fit:
        case ImageAlign::fitLeft:
        case ImageAlign::fitTop:
        case ImageAlign::fitRight:
        case ImageAlign::fitBottom: {
            // A zero height or an empty image has no aspect to keep.
            if (h == 0 || iw == 0 || ih == 0) break;
            const double ri = iw / ih;
            const double rt = w / h;
            if (ri < rt) {
                const double fw = h * ri;
                double fx = x + (w - fw) / 2;
                if (align == ImageAlign::fitLeft) fx = x;
                if (align == ImageAlign::fitRight) fx = x + w - fw;
                show(Rect(fx, y, fw, h));
            } else {
                const double fh = w / ri;
                double fy = y + (h - fh) / 2;
                if (align == ImageAlign::fitTop) fy = y;
                if (align == ImageAlign::fitBottom) fy = y + h - fh;
                show(Rect(x, fy, w, fh));
            }
            break;
        }
        case ImageAlign::tile:
            tileImage(image->surface(), rect, iw, ih);
            break;
    }
    restoreState();
}

// ---------------------------------------------------------------------------------------------
// Transforms

void Canvas::translateTransform(double dx, double dy) {
    cairo_matrix_t m;
    cairo_matrix_init_translate(&m, dx, dy);
    transformBy(m);
}

void Canvas::translateTransform(const Point& p) {
    translateTransform(p.x, p.y);
}

void Canvas::scaleTransform(double s) {
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, s, s);
    transformBy(m);
}

void Canvas::scaleAtCenter(double sx, double sy, const Rect& rect) {
    const Point c = rect.center();
    cairo_matrix_t m;
    cairo_matrix_init_translate(&m, c.x, c.y);
    cairo_matrix_scale(&m, sx, sy);
    cairo_matrix_translate(&m, -c.x, -c.y);
    transformBy(m);
}

void Canvas::rotateTransform(double degrees) {
    cairo_matrix_t m;
    cairo_matrix_init_rotate(&m, degrees * kPi / 180.0);
    transformBy(m);
}

void Canvas::rotateTransform(double degrees, const Point& pivot) {
    cairo_matrix_t m;
    cairo_matrix_init_translate(&m, pivot.x, pivot.y);
    cairo_matrix_rotate(&m, degrees * kPi / 180.0);
    cairo_matrix_translate(&m, -pivot.x, -pivot.y);
    transformBy(m);
}

// ---------------------------------------------------------------------------------------------
// State and clip

void Canvas::saveState() {
    if (context_ == nullptr) return;
    cairo_save(context_);
    savedPaint_.push_back(paint_);
}

void Canvas::restoreState() {
    // A restore without a matching save would put Cairo in its error state for good.
    if (context_ == nullptr || savedPaint_.empty()) return;
    cairo_restore(context_);
    paint_ = savedPaint_.back();
    savedPaint_.pop_back();
}

void Canvas::clip(const Rect& rect) {
    if (context_ == nullptr || !isFinite(rect)) return;
    PathKeeper keep(context_);
    cairo_rectangle(context_, rect.x, rect.y, rect.width, rect.height);
    cairo_clip(context_);
}

void Canvas::clipToPath(GraphicsPath& path) {
    if (context_ == nullptr) return;
    path.addToCanvas(*this);
    cairo_set_fill_rule(context_, CAIRO_FILL_RULE_WINDING);
    cairo_clip(context_);
}

// ---------------------------------------------------------------------------------------------
// Pens, fonts and brushes

void Canvas::setFont(const std::string& fontName, double fontSize,
                     const std::shared_ptr<MeasureUnit>& fontUnit) {
    fontName_ = fontName;
    fontSize_ = fontSize;
    if (!fontUnit) return;
    const auto world = MeasureUnit::fromId(0);
    if (world && *fontUnit == *world) return;
    fontSize_ = unitConvert(fontUnit, fontSize, measureUnit_, this);
}

void Canvas::setTextColor(std::shared_ptr<Color> color) {
    textColor_ = std::move(color);
}

void Canvas::setMeasureUnit(std::shared_ptr<MeasureUnit> unit) {
    if (!unit) return;
    std::shared_ptr<MeasureUnit> old = std::move(measureUnit_);
    measureUnit_ = std::move(unit);
    if (old && *measureUnit_ == *old) return;
    const double f = unitConvert(measureUnit_, 1.0, old, this);
    if (std::isfinite(f) && f != 0) scaleTransform(f);
}

void Canvas::setStroke(const Color& color) {
    const CairoColor c = Typecast::toCairoColor(color);
    paint_.stroke[0] = c.red;
    paint_.stroke[1] = c.green;
    paint_.stroke[2] = c.blue;
    paint_.stroke[3] = c.alpha;
}

void Canvas::setStrokeThickness(double thickness) {
    if (context_ == nullptr || !std::isfinite(thickness)) return;
    if (thickness == 0) thickness = unitConvert(MeasureUnit::Pixel(), 1.0, measureUnit_, this);
    if (std::isfinite(thickness)) cairo_set_line_width(context_, std::max(thickness, 0.0));
}

void Canvas::setBrush(std::shared_ptr<Brush> brush) {
    if (auto* solid = dynamic_cast<const SolidColorBrush*>(brush.get())) {
        if (solid->color()) {
            const CairoColor c = Typecast::toCairoColor(*solid->color());
            paint_.fill[0] = c.red;
            paint_.fill[1] = c.green;
            paint_.fill[2] = c.blue;
            paint_.fill[3] = c.alpha;
        }
    }
    if (currentBrush_ != brush) currentBrush_ = std::move(brush);
}

void Canvas::setLineDashStyle(const std::vector<float>& pattern) {
    if (context_ == nullptr) return;
    std::vector<double> dashes(pattern.begin(), pattern.end());
    // Cairo refuses, for good, a dash with a negative length or with nothing but zeros.
    const bool usable = std::all_of(dashes.begin(), dashes.end(),
                                    [](double d) { return std::isfinite(d) && d >= 0; }) &&
                        std::any_of(dashes.begin(), dashes.end(), [](double d) { return d > 0; });
    if (!usable) dashes.clear();
    cairo_set_dash(context_, dashes.data(), static_cast<int>(dashes.size()), 0.0);
}

}  // namespace nodeloom
