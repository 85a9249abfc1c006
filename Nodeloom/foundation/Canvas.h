#pragma once

#include <cairo.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/ImageAlign.h"
#include "Nodeloom/foundation/Matrix.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/HandleDeleter.h"

// Pango's layout type, kept out of the public headers.
typedef struct _PangoLayout PangoLayout;

namespace nodeloom {

// Defined with the style enumerations; raw values left/top 0, center 1, right/bottom 2.
enum class HorizontalAlignment;
enum class VerticalAlignment;

class GraphicsPath;

namespace platform {
class ImageSurface;
}

// Text laid out in a rectangle: the lines that fit its width and height, from the top.
class TextFrame {
public:
    struct Line {
        int index;        // line of the layout
        double x;         // left edge of the line, from the rectangle's left
        double baseline;  // from the top of the block
        double width;
        double height;  // ascent + descent + leading
    };

    // Takes over the layout.
    TextFrame(PangoLayout* layout, std::vector<Line> lines);
    ~TextFrame();
    TextFrame(const TextFrame&) = delete;
    TextFrame& operator=(const TextFrame&) = delete;

    const std::vector<Line>& lines() const { return lines_; }
    PangoLayout* layout() const { return layout_.get(); }

private:
    struct LayoutRelease {
        void operator()(PangoLayout* layout) const;
    };

    std::unique_ptr<PangoLayout, LayoutRelease> layout_;
    std::vector<Line> lines_;
};

// A text laid out for drawing, kept by whoever draws the same text again (an item, a label), so
// that a redraw of an unchanged text lays nothing out. It is laid out anew when the text, the
// font, its size or style changes, or when the rectangle's width would break its lines
// elsewhere; a change of alignment, of height or of a width that breaks the lines the same way
// only places the kept lines anew.
//
// Measuring through the cache keeps the measured layout for drawing, so that text measured to
// size its rectangle and then drawn in it is laid out once.
class TextLayoutCache {
public:
    struct Extent {
        double width = 0;
        double height = 0;
    };

    TextLayoutCache();
    ~TextLayoutCache();
    TextLayoutCache(const TextLayoutCache&) = delete;
    TextLayoutCache& operator=(const TextLayoutCache&) = delete;

    // The text's size by the text engine's measuring rule, at the absolute font size, laid out
    // as the canvas draws it with these styles.
    Extent measure(const std::string& text, const std::string& fontName, double fontSize,
                   bool bold, bool italic, bool underline, bool wrap, double maxWidth);

    // Forgets the layout, so that the next draw lays the text out again.
    void clear();

private:
    friend class Canvas;
    struct Key {
        std::string text;
        std::string fontName;
        double fontSize = 0;
        bool bold = false;
        bool italic = false;
        bool underline = false;
    };
    // A line as laid out flush left, in Pango units: its own extent and where it lies in the
    // block.
    struct LaidLine {
        int index = 0;
        int x = 0;
        int width = 0;
        int top = 0;
        int height = 0;
        int baseline = 0;
        bool rightToLeft = false;
    };
    struct LayoutRelease {
        void operator()(PangoLayout* layout) const;
    };

    bool matches(const std::string& text, const std::string& fontName, double fontSize,
                 bool bold, bool italic, bool underline) const;
    // Whether a layout box of this width (Pango units) breaks the text into the kept lines.
    bool holds(int width) const;
    // Takes the lines of the layout just made at that width (-1 for none).
    void keepLines(int width);

    std::unique_ptr<PangoLayout, LayoutRelease> layout_;
    std::optional<Key> key_;
    std::vector<LaidLine> laid_;
    // The width the layout was made at, and the range of widths that break it the same way.
    int laidAt_ = -1;
    int narrowest_ = 0;
    int widest_ = 0;
    std::vector<TextFrame::Line> lines_;
};

// The drawing surface over one Cairo context, in the lengths of its measure unit. Values that
// Cairo would take as a fatal error (non-finite numbers, singular transforms, bad dashes) are
// refused before they reach it, so one bad value never blanks the rest of a drawing.
class Canvas : public Object {
public:
    // A drawing canvas in points over the given context (which the canvas references, never ends).
    explicit Canvas(cairo_t* context);
    // A measuring canvas over a small private bitmap, in the given unit.
    explicit Canvas(std::shared_ptr<MeasureUnit> unit);
    ~Canvas() override;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Lines and shapes.
    virtual void drawLine(const Point& p1, const Point& p2);
    virtual void drawLine(double x1, double y1, double x2, double y2);
    virtual void drawLines(const std::vector<Point>& points);
    virtual void drawPolyline(const std::vector<Point>& points);
    virtual void drawBezier(const std::vector<Point>& points);
    // Stroked only, as one-degree chords.
    virtual void drawEllipse(double x, double y, double width, double height);
    // Filled with the fill colour and stroked.
    virtual void drawEllipse(const Rect& rect);
    virtual void drawArc(const Rect& rect, double start, double sweep);
    virtual void drawRect(const Rect& rect);
    virtual void drawRect(double x, double y, double width, double height);
    virtual void strokeRect(const Rect& rect);
    virtual void strokeRect(double x, double y, double width, double height);
    virtual void fillRect(const Rect& rect);

    // Text.
    virtual void drawText(const std::string& text, const Rect& rect, HorizontalAlignment ha,
                          VerticalAlignment va, bool bold, bool italic, bool underline);
    // Null for an empty text.
    virtual std::shared_ptr<TextFrame> createTextFrame(const std::string& text, const Rect& rect,
                                                       HorizontalAlignment ha, bool bold,
                                                       bool italic, bool underline);
    virtual double measureFrameHeight(const std::shared_ptr<TextFrame>& frame);
    virtual double measureFrameWidth(const std::shared_ptr<TextFrame>& frame);
    virtual void drawText(const std::string& text, const Point& point);
    // Calls drawText, which lays the text out through the cache: only when the cache holds
    // another text, font or style than these, or lines that this width would break otherwise.
    void drawCachedText(const std::string& text, const Rect& rect, HorizontalAlignment ha,
                        VerticalAlignment va, bool bold, bool italic, bool underline,
                        TextLayoutCache& cache);

    // Path builder.
    virtual void pathStart();
    virtual void pathCloseFigure();
    virtual void pathMoveTo(const Point& p);
    virtual void pathLineTo(const Point& p);
    virtual void pathBezierTo(const Point& p2, const Point& point3, const Point& point4);
    virtual void pathEllipse(const Rect& rect);
    virtual void pathRoundRect(const Rect& rect, double radius);
    virtual void pathArcTo(const Rect& rect, double a, double s);
    virtual void drawPath(GraphicsPath& path);
    virtual void pathDraw();
    virtual void pathStroke();
    virtual void setPathMatrix(const std::optional<Matrix>& matrix);
    virtual Point getPathEnd() const;

    // Images.
    virtual void drawImage(const std::shared_ptr<platform::ImageSurface>& image, const Rect& rect,
                           ImageAlign align);

    // Transforms.
    virtual void translateTransform(double dx, double dy);
    virtual void translateTransform(const Point& p);
    virtual void scaleTransform(double s);
    virtual void scaleAtCenter(double sx, double sy, const Rect& rect);
    virtual void rotateTransform(double degrees);
    virtual void rotateTransform(double degrees, const Point& pivot);

    // State and clip.
    virtual void saveState();
    virtual void restoreState();
    virtual void clip(const Rect& rect);
    virtual void clipToPath(GraphicsPath& path);

    // Pens, fonts and brushes.
    virtual void setFont(const std::string& fontName, double fontSize,
                         const std::shared_ptr<MeasureUnit>& fontUnit);
    virtual void setTextColor(std::shared_ptr<Color> color);
    const std::shared_ptr<MeasureUnit>& measureUnit() const { return measureUnit_; }
    // Scales the context once so that later lengths in the new unit land at the right size.
    virtual void setMeasureUnit(std::shared_ptr<MeasureUnit> unit);
    virtual void setStroke(const Color& color);
    // A thickness of exactly 0 is one pixel.
    virtual void setStrokeThickness(double thickness);
    virtual void setBrush(std::shared_ptr<Brush> brush);
    // Lengths in the canvas unit; empty for a solid line.
    virtual void setLineDashStyle(const std::vector<float>& pattern);

    // Properties.
    cairo_t* context() const { return context_.get(); }
    void setContext(cairo_t* context);
    const std::string& fontName() const { return fontName_; }
    void setFontName(const std::string& name) { fontName_ = name; }
    const std::shared_ptr<Color>& textColor() const { return textColor_; }
    double fontSize() const { return fontSize_; }
    void setFontSize(double size) { fontSize_ = size; }
    const std::shared_ptr<Brush>& currentBrush() const { return currentBrush_; }
    void setCurrentBrush(std::shared_ptr<Brush> brush) { currentBrush_ = std::move(brush); }
    const Point& pathEnd() const { return pathEnd_; }
    void setPathEnd(const Point& p) { pathEnd_ = p; }
    const std::optional<Matrix>& pathMatrix() const { return pathMatrix_; }

private:
    // Keeps the caller's unfinished path through an operation that paints a figure of its own.
    class PathKeeper {
    public:
        explicit PathKeeper(cairo_t* cr);
        ~PathKeeper();
        PathKeeper(const PathKeeper&) = delete;
        PathKeeper& operator=(const PathKeeper&) = delete;

    private:
        cairo_t* cr_;
        platform::Handle<cairo_path_t, cairo_path_destroy> saved_;
    };

    // What the context keeps apart from Cairo's single source; saved and restored with it.
    struct Paint {
        double fill[4] = {0, 0, 0, 1};
        double stroke[4] = {0, 0, 0, 1};
    };

    void strokeWithPen();
    void fillWithFillColor();
    void fillWithGradient(const LinearGradientBrush& brush, const Rect& rect);
    void paintGradient(const LinearGradientBrush& brush, bool reversed, const Point& start,
                       const Point& end);
    bool transformBy(const cairo_matrix_t& m);
    Point mapPathPoint(const Point& p) const;
    void arcPoint(const Rect& rect, double degrees, double& x, double& y) const;
    void drawFrame(const TextFrame::Line* lines, std::size_t count, PangoLayout* layout,
                   const Rect& rect, VerticalAlignment va);
    void drawThroughCache(const std::string& text, const Rect& rect, HorizontalAlignment ha,
                          VerticalAlignment va, bool bold, bool italic, bool underline,
                          TextLayoutCache& cache);
    void paintImage(cairo_surface_t* surface, const Rect& target);
    void tileImage(cairo_surface_t* surface, const Rect& target, double iw, double ih);

    platform::Handle<cairo_t, cairo_destroy> context_;
    std::shared_ptr<MeasureUnit> measureUnit_;
    std::string fontName_ = "ArialMT";
    std::shared_ptr<Color> textColor_;
    double fontSize_ = 4.0;
    std::shared_ptr<Brush> currentBrush_;
    Point pathEnd_;
    std::optional<Matrix> pathMatrix_;
    Paint paint_;
    std::vector<Paint> savedPaint_;
    // The lines of the text being drawn, kept between calls so that drawing text allocates no
    // line list each time.
    std::vector<TextFrame::Line> scratchLines_;
    // The cache the drawText running under drawCachedText lays out through; null otherwise.
    TextLayoutCache* textCache_ = nullptr;
};

}  // namespace nodeloom
