#pragma once

// The yardstick of the drawing benchmarks: the picture the library draws of a document of shape
// nodes and straight links, drawn by a bare Cairo and Pango program. It reads what to draw from
// the document once (rectangles, lines and their bridges, arrowheads, label boxes, texts, colours
// and widths) and lays every text out once; each draw then only calls Cairo and Pango, reusing
// those layouts. A link that bridges others is one path of straight pieces and arcs, stroked once.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "DrawDocument.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Typecast.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/CrossingsData.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"
#include "Nodeloom/platform/TextEngine.h"

namespace nodeloom::bench {

class BareDrawing {
public:
    explicit BareDrawing(Diagram& d) {
        // The text engine's settings, so that the glyphs are the ones the library draws.
        context_ = pango_font_map_create_context(fontMap());
        pango_cairo_context_set_resolution(context_, 72.0);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        pango_cairo_context_set_font_options(context_, options);
        cairo_font_options_destroy(options);
        pango_context_set_round_glyph_positions(context_, FALSE);

        unit_ = d.measureUnit();
        points_ = unit_->convert(1.0, *MeasureUnit::Point());
        const double pixel = MeasureUnit::Pixel()->convert(1.0, *unit_);
        const double millimetre = MeasureUnit::Millimeter()->convert(1.0, *unit_);
        bounds_ = d.bounds();
        back_ = fillOf(d.getEffectiveBackBrush(), Colour{1, 1, 1, 1});
        for (const auto& item : d.items()) {
            if (auto* node = dynamic_cast<ShapeNode*>(item.get())) {
                Box box;
                box.rect = node->bounds();
                box.fill = fillOf(node->getEffectiveBrush(), Colour{1, 1, 1, 1});
                box.stroke = colourOf(node->getEffectiveStroke(), Colour{0, 0, 0, 1});
                box.width = widthOf(node->getEffectiveStrokeThickness(), pixel);
                box.text = text(node->text(), node->getEffectiveFontName(),
                                fontSize(node->getEffectiveFontSize(), node->getEffectiveFontUnit()),
                                box.rect, colourOf(node->getEffectiveTextColor(), Colour{0, 0, 0, 1}));
                boxes_.push_back(std::move(box));
            } else if (auto* link = dynamic_cast<DiagramLink*>(item.get())) {
                const auto& points = std::as_const(*link).controlPoints();
                if (points.size() < 2) continue;
                Line line;
                for (int i = 0; i < static_cast<int>(points.size()); ++i)
                    line.points.push_back(link->getTrimmedPoint(i));
                if (d.linkCrossings() == LinkCrossings::arc && link->drawCrossings())
                    bridges(*link, line);
                line.stroke = colourOf(link->getEffectiveStroke(), Colour{0, 0, 0, 1});
                line.width = widthOf(link->getEffectiveStrokeThickness(), pixel);
                const auto head = link->headBrush() ? link->headBrush() : link->getEffectiveBrush();
                line.head = fillOf(head, Colour{0, 0, 0, 1});
                arrowhead(points.back(), link->getLastDistinctPoint(), link->headShapeSize(),
                          line.arrow);
                for (const auto& label : std::as_const(*link).labels()) {
                    if (!label) continue;
                    const std::optional<Rect> rect = label->getLayoutRect();
                    if (!rect) continue;
                    Box box;
                    box.rect = *rect;
                    box.rect.inflate(millimetre, millimetre);
                    box.fill = fillOf(label->brush(), Colour{1, 1, 1, 1});
                    box.stroke = line.stroke;
                    box.width = line.width;
                    box.fillOver = true;
                    const auto colour = label->textColor() ? label->textColor()
                                                           : link->getEffectiveTextColor();
                    box.text = text(label->text(), label->fontName(),
                                    fontSize(label->fontSize(), label->fontUnit()), box.rect,
                                    colourOf(colour, Colour{0, 0, 0, 1}));
                    line.labels.push_back(std::move(box));
                }
                lines_.push_back(std::move(line));
            }
        }
    }

    ~BareDrawing() {
        for (auto& box : boxes_)
            release(box.text);
        for (auto& line : lines_) {
            for (auto& label : line.labels)
                release(label.text);
        }
        g_object_unref(context_);
    }
    BareDrawing(const BareDrawing&) = delete;
    BareDrawing& operator=(const BareDrawing&) = delete;

    // One whole draw: the background, the nodes, then each link with its arrowhead and labels.
    // That is the library's order for the benchmarked documents, which add their nodes first.
    void draw(DrawingSurface& surface) {
        cairo_t* cr = surface.context();
        cairo_scale(cr, points_, points_);
        cairo_translate(cr, -surface.origin().x, -surface.origin().y);
        cairo_rectangle(cr, bounds_.x, bounds_.y, bounds_.width, bounds_.height);
        set(cr, back_);
        cairo_fill(cr);
        for (const Box& box : boxes_)
            draw(cr, box);
        for (const Line& line : lines_) {
            cairo_set_line_width(cr, line.width);
            cairo_move_to(cr, line.points[0].x, line.points[0].y);
            if (line.pieces.empty()) {
                for (std::size_t i = 1; i < line.points.size(); ++i)
                    cairo_line_to(cr, line.points[i].x, line.points[i].y);
            }
            for (const Piece& piece : line.pieces) {
                if (piece.radius == 0)
                    cairo_line_to(cr, piece.at.x, piece.at.y);
                else if (piece.to > piece.from)
                    cairo_arc(cr, piece.at.x, piece.at.y, piece.radius, piece.from, piece.to);
                else
                    cairo_arc_negative(cr, piece.at.x, piece.at.y, piece.radius, piece.from,
                                       piece.to);
            }
            set(cr, line.stroke);
            cairo_stroke(cr);
            cairo_move_to(cr, line.arrow[0].x, line.arrow[0].y);
            cairo_line_to(cr, line.arrow[1].x, line.arrow[1].y);
            cairo_line_to(cr, line.arrow[2].x, line.arrow[2].y);
            cairo_close_path(cr);
            set(cr, line.head);
            cairo_fill_preserve(cr);
            set(cr, line.stroke);
            cairo_stroke(cr);
            for (const Box& label : line.labels)
                draw(cr, label);
        }
    }

private:
    struct Colour {
        double r, g, b, a;
    };
    struct Text {
        PangoLayout* layout = nullptr;
        Point at;
        Colour colour{0, 0, 0, 1};
    };
    struct Box {
        Rect rect;
        Colour fill{1, 1, 1, 1};
        Colour stroke{0, 0, 0, 1};
        double width = 0;
        // A label's box: filled, outlined, and filled again over the inner half of its outline
        // (the second fill alone would leave other pixels at the antialiased edges).
        bool fillOver = false;
        Text text;
    };
    // A straight piece to `at` (radius 0), or an arc around `at` between two angles (radians,
    // clockwise on the screen).
    struct Piece {
        Point at;
        double radius = 0;
        double from = 0;
        double to = 0;
    };
    struct Line {
        std::vector<Point> points;
        std::vector<Piece> pieces;  // for a link that bridges others
        Point arrow[3];
        Colour stroke{0, 0, 0, 1};
        Colour head{0, 0, 0, 1};
        double width = 0;
        std::vector<Box> labels;
    };

    static void set(cairo_t* cr, const Colour& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

    static void draw(cairo_t* cr, const Box& box) {
        cairo_set_line_width(cr, box.width);
        cairo_rectangle(cr, box.rect.x, box.rect.y, box.rect.width, box.rect.height);
        if (box.fillOver) {
            set(cr, box.fill);
            cairo_fill_preserve(cr);
            set(cr, box.stroke);
            cairo_stroke_preserve(cr);
            set(cr, box.fill);
            cairo_fill(cr);
        } else {
            set(cr, box.fill);
            cairo_fill_preserve(cr);
            set(cr, box.stroke);
            cairo_stroke(cr);
        }
        if (box.text.layout == nullptr) return;
        set(cr, box.text.colour);
        cairo_move_to(cr, box.text.at.x, box.text.at.y);
        pango_cairo_show_layout(cr, box.text.layout);
    }

    static Colour colourOf(const std::shared_ptr<Color>& color, Colour otherwise) {
        if (!color) return otherwise;
        const CairoColor c = Typecast::toCairoColor(*color);
        return Colour{c.red, c.green, c.blue, c.alpha};
    }
    static Colour fillOf(const std::shared_ptr<Brush>& brush, Colour otherwise) {
        const auto* solid = dynamic_cast<const SolidColorBrush*>(brush.get());
        return solid ? colourOf(solid->color(), otherwise) : otherwise;
    }
    // A width of 0 is one device pixel, as the library draws it.
    static double widthOf(double thickness, double pixel) { return thickness == 0 ? pixel : thickness; }

    double fontSize(double size, const std::shared_ptr<MeasureUnit>& fontUnit) const {
        if (!fontUnit) return size;
        const auto world = MeasureUnit::fromId(0);
        if (world && *fontUnit == *world) return size;
        return fontUnit->convert(size, *unit_);
    }

    // The text laid out once across the box and centred in it.
    Text text(const std::string& s, const std::string& fontName, double size, const Rect& box,
              Colour colour) {
        Text t;
        t.colour = colour;
        if (s.empty() || !(size > 0)) return t;
        t.layout = pango_layout_new(context_);
        PangoFontDescription* desc = pango_font_description_new();
        pango_font_description_set_family(
            desc, platform::TextEngine::shared().familyFor(fontName).c_str());
        pango_font_description_set_absolute_size(desc, size * PANGO_SCALE);
        pango_layout_set_font_description(t.layout, desc);
        pango_font_description_free(desc);
        pango_layout_set_alignment(t.layout, PANGO_ALIGN_CENTER);
        pango_layout_set_wrap(t.layout, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_width(t.layout, static_cast<int>(box.width * PANGO_SCALE));
        pango_layout_set_text(t.layout, s.data(), static_cast<int>(s.size()));
        PangoRectangle logical;
        pango_layout_get_extents(t.layout, nullptr, &logical);
        t.at = Point(box.x, box.y + (box.height - double(logical.height) / PANGO_SCALE) / 2);
        return t;
    }
    static void release(Text& t) {
        if (t.layout != nullptr) g_object_unref(t.layout);
        t.layout = nullptr;
    }

    // The library's arrow: a triangle with its tip on the link's end, as long and as wide as
    // the head's size, pointing along the last segment.
    static void arrowhead(Point tip, Point from, double size, Point (&arrow)[3]) {
        double dx = tip.x - from.x, dy = tip.y - from.y;
        const double length = std::hypot(dx, dy);
        if (length > 0) {
            dx /= length;
            dy /= length;
        } else {
            dx = 1;
            dy = 0;
        }
        const Point base(tip.x - dx * size, tip.y - dy * size);
        arrow[0] = tip;
        arrow[1] = Point(base.x - dy * size / 2, base.y + dx * size / 2);
        arrow[2] = Point(base.x + dy * size / 2, base.y - dx * size / 2);
    }

    // The link's line along its crossings, as the library draws it: straight to each crossing,
    // over it in a bridge of its radius (a quarter circle up, a straight top, a quarter circle
    // down), on to the next.
    static void bridges(DiagramLink& link, Line& line) {
        const auto& lists = link.computeCrossings()->segmentCrossings();
        bool any = false;
        for (const auto& list : lists)
            any = any || list.size() > 2;
        if (!any) return;
        const auto rad = [](double degrees) { return degrees * std::numbers::pi / 180; };
        for (std::size_t i = 0; i + 1 < line.points.size(); ++i) {
            if (i >= lists.size() || lists[i].empty()) {
                line.pieces.push_back(Piece{line.points[i + 1]});
                continue;
            }
            const auto& list = lists[i];
            for (std::size_t k = 0; k + 1 < list.size(); ++k) {
                const Point p = list[k].location, q = list[k + 1].location;
                if (k % 2 == 0) {
                    line.pieces.push_back(Piece{q});
                    continue;
                }
                const double r = list[k].radius;
                const double dx = q.x - p.x, dy = q.y - p.y;
                double theta = p == q ? 0 : std::atan(-dy / dx) * 180 / std::numbers::pi;
                if (dx < 0) theta += 180;
                const double length = p.distance(q);
                const double cx = std::cos(rad(theta)), cy = -std::sin(rad(theta));
                const Point c1(p.x + r * cx, p.y + r * cy);
                const Point c2(p.x + (length - r) * cx, p.y + (length - r) * cy);
                const double up = theta < 90 ? 90 : -90;
                const double start1 = theta < 90 ? -theta - 180 : 180 - theta;
                const double start2 = theta < 90 ? -theta - 90 : 90 - theta;
                line.pieces.push_back(Piece{c1, r, rad(start1), rad(start1 + up)});
                line.pieces.push_back(Piece{c2, r, rad(start2), rad(start2 + up)});
            }
        }
    }

    // The bare program's own font map, apart from the library's; it lives for the process,
    // like the font caches under it.
    static PangoFontMap* fontMap() {
        static PangoFontMap* map = pango_cairo_font_map_new();
        return map;
    }

    PangoContext* context_ = nullptr;
    std::shared_ptr<MeasureUnit> unit_;
    double points_ = 1;
    Rect bounds_;
    Colour back_{1, 1, 1, 1};
    std::vector<Box> boxes_;
    std::vector<Line> lines_;
};

}  // namespace nodeloom::bench
