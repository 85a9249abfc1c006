#include "Nodeloom/document/Diagram.h"

#include <cairo.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <memory>
#include <string_view>
#include <tuple>
#include <unordered_set>
#include <utility>

#include "Nodeloom/document/AddItemCommand.h"
#include "Nodeloom/document/ChangeItemCommand.h"
#include "Nodeloom/document/ClassDescriptor.h"
#include "Nodeloom/document/Command.h"
#include "Nodeloom/document/CompositeCommand.h"
#include "Nodeloom/document/DiagramStatic.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/links/LinkLabelLayout.h"  // Hook: document holds its links
#include "Nodeloom/foundation/RectIndex.h"
#include "Nodeloom/document/RemoveItemCommand.h"
#include "Nodeloom/document/Selection.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/foundation/Typecast.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: document holds its links
#include "Nodeloom/links/LinkLabel.h"    // Hook: document holds its links
#include "Nodeloom/platform/AtomicFile.h"
#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/Jpeg.h"

namespace nodeloom {

// --- Drawing ----------------------------------------------------------------------------------

namespace {

// The largest picture side that image export makes, in pixels.
constexpr double kMaxImageSide = 32767;
// However large a refreshed area is, the grid draws no more lines than this per axis, and no more
// points than this in all; beyond, it draws every k-th line, still on the grid.
constexpr double kMaxGridLines = 1 << 16;
constexpr double kMaxGridPoints = 1 << 20;

// How far, in millimetres, a node may draw beyond its repaint rectangle: its expander sits 4 mm
// to its right, its anchor marks reach 1 mm past its edge.
constexpr double kNodeOverhang = 5.0;

// The area an item can paint: its repaint rectangle widened by what it draws beyond it, or
// nothing when that cannot be bounded cheaply (link text, splines, which may bulge past their
// points), in which case the item is always drawn.
std::optional<Rect> paintedArea(DiagramItem& item, double millimetre) {
    Rect area = item.getRepaintRect();
    auto* link = dynamic_cast<DiagramLink*>(&item);
    if (link == nullptr) {
        area.inflate(kNodeOverhang * millimetre, kNodeOverhang * millimetre);
        return area.isFinite() ? std::optional<Rect>(area) : std::nullopt;
    }
    if (!link->text().empty() || link->shape() == LinkShape::spline) return std::nullopt;
    // A base, head or intermediate shape hangs behind its point in a square of its size, turned
    // along the segment; crossings bulge by their radius.
    const double shape =
        std::max({link->baseShapeSize(), link->headShapeSize(), link->intermediateShapeSize()});
    const double reach =
        std::max(kNodeOverhang * millimetre, 1.2 * shape + link->headStrokeThickness());
    area.inflate(reach, reach);
    if (const std::shared_ptr<Diagram> d = link->diagram()) {
        const double crossing = d->crossingRadius();
        if (crossing > 0) area.inflate(crossing, crossing);
    }
    for (const auto& label : link->labels()) {
        if (!label) continue;
        std::optional<Rect> r = label->getLayoutRect();
        if (!r) continue;
        // A label's background reaches a millimetre past its text.
        r->inflate(2 * millimetre, 2 * millimetre);
        area = area.union_(*r);
    }
    return area.isFinite() ? std::optional<Rect>(area) : std::nullopt;
}

bool meets(const std::optional<Rect>& painted, const Rect& area) {
    return !painted || painted->intersectsWith(area);
}

}  // namespace

struct Diagram::LinkIndex {
    LinkIndex(std::vector<std::shared_ptr<DiagramLink>> entries, std::vector<int> places,
              const std::vector<Rect>& bounds)
        : links(std::move(entries)), positions(std::move(places)), grid(bounds) {}

    std::vector<std::shared_ptr<DiagramLink>> links;
    std::vector<int> positions;
    RectIndex grid;
};

const Diagram::LinkIndex& Diagram::linkIndex() {
    if (!linkIndex_) {
        std::vector<std::shared_ptr<DiagramLink>> links;
        std::vector<int> positions;
        std::vector<Rect> bounds;
        const auto& order = zOrder_.vector();
        for (std::size_t i = 0; i < order.size(); ++i) {
            auto link = std::dynamic_pointer_cast<DiagramLink>(order[i]);
            if (!link) continue;
            bounds.push_back(link->getBounds());
            links.push_back(std::move(link));
            positions.push_back(static_cast<int>(i));
        }
        linkIndex_ = std::make_shared<LinkIndex>(std::move(links), std::move(positions), bounds);
    }
    return *linkIndex_;
}

std::vector<std::shared_ptr<DiagramLink>> Diagram::getLinksInZOrder(bool below, int index) const {
    const auto& order = zOrder_.vector();
    const long n = static_cast<long>(order.size());
    const long from = std::min(static_cast<long>(index), n);
    std::vector<std::shared_ptr<DiagramLink>> result;
    if (below) {
        for (long i = from - 1; i >= 0; --i) {
            if (auto link =
                    std::dynamic_pointer_cast<DiagramLink>(order[static_cast<std::size_t>(i)]))
                result.push_back(std::move(link));
        }
    } else {
        for (long i = std::max(from + 1, 0L); i < n; ++i) {
            if (auto link =
                    std::dynamic_pointer_cast<DiagramLink>(order[static_cast<std::size_t>(i)]))
                result.push_back(std::move(link));
        }
    }
    return result;
}

std::vector<std::shared_ptr<DiagramLink>> Diagram::getLinksInZOrder(bool below, int index,
                                                                    const Rect& bounds) {
    const long n = static_cast<long>(zOrder_.size());
    const long from = std::min(static_cast<long>(index), n);
    const LinkIndex& found = linkIndex();
    std::vector<int> hits;
    found.grid.query(bounds, [&](int id) {
        const long position = found.positions[static_cast<std::size_t>(id)];
        if (below ? position >= from : position <= from) return;
        if (bounds.intersectsWith(found.grid.rect(id))) hits.push_back(id);
    });
    // Nearest in the drawing order first.
    std::sort(hits.begin(), hits.end(), [&](int a, int b) {
        const int pa = found.positions[static_cast<std::size_t>(a)];
        const int pb = found.positions[static_cast<std::size_t>(b)];
        return below ? pa > pb : pa < pb;
    });
    std::vector<std::shared_ptr<DiagramLink>> result;
    result.reserve(hits.size());
    for (int id : hits)
        result.push_back(found.links[static_cast<std::size_t>(id)]);
    // Outside a draw links may change at any time, so the index is not kept.
    if (!drawing_) linkIndex_.reset();
    return result;
}

void Diagram::dropStaleLinkCrossings() {
    if (linkCrossings_ == LinkCrossings::straight) return;
    ++geometrySweep_;
    std::vector<Rect> changed;
    for (const auto& link : links_.vector()) {
        auto [it, added] = linkGeometry_.try_emplace(link.get());
        LinkGeometry& seen = it->second;
        const bool bezier = link->shape() == LinkShape::bezier;
        if (added || seen.points != link->controlPoints() || seen.visible != link->visible() ||
            seen.bezier != bezier || seen.zIndex != link->zIndex() ||
            seen.layerIndex != link->layerIndex()) {
            const Rect now = link->getBounds();
            if (!added) changed.push_back(seen.bounds);
            changed.push_back(now);
            seen.points = link->controlPoints();
            seen.bounds = now;
            seen.visible = link->visible();
            seen.bezier = bezier;
            seen.zIndex = link->zIndex();
            seen.layerIndex = link->layerIndex();
        }
        seen.sweep = geometrySweep_;
    }
    for (auto it = linkGeometry_.begin(); it != linkGeometry_.end();) {
        if (it->second.sweep == geometrySweep_) {
            ++it;
            continue;
        }
        changed.push_back(it->second.bounds);
        it = linkGeometry_.erase(it);
    }
    if (changed.empty()) return;
    const LinkIndex& found = linkIndex();
    for (const Rect& area : changed) {
        found.grid.query(area, [&](int id) {
            if (area.intersectsWith(found.grid.rect(id)))
                found.links[static_cast<std::size_t>(id)]->removeRuntimeData(
                    RuntimeDataKey::linkCrossings);
        });
    }
}

void Diagram::draw(Canvas& canvas, const Rect& rect) {
    const Rect area = rect.isFinite() ? rect : bounds_;
    updateZOrder();
    labelLayoutInvalid_ = true;
    layoutLinkLabels(area);
    updateRuntimeIndices();

    drawing_ = true;
    linkIndex_.reset();
    dropStaleLinkCrossings();

    canvas.saveState();
    canvas.setBrush(getEffectiveBackBrush());
    canvas.fillRect(bounds_);
    if (showGrid_) drawGrid(canvas, area);
    drawItems(canvas, area);
    const double millimetre = MeasureUnit::Millimeter()->convert(1.0, *measureUnit_, this);
    for (const auto& item : selectedItems()) {
        if (meets(paintedArea(*item, millimetre), area)) item->drawHandles(canvas);
    }
    canvas.restoreState();

    drawing_ = false;
    linkIndex_.reset();
}

void Diagram::drawGrid(Canvas& canvas, const Rect& area) {
    cairo_t* cr = canvas.context();
    const double gx = gridSizeX_;
    const double gy = gridSizeY_;
    if (cr == nullptr || !area.isFinite() || !gridColor_) return;
    if (!(gx > 0) || !(gy > 0) || !std::isfinite(gx) || !std::isfinite(gy)) return;
    const double px = MeasureUnit::Pixel()->convert(1.0, *measureUnit_, this);
    if (!(px > 0) || !std::isfinite(px)) return;
    // Only the part that can show: what lies outside the context's clip is never seen.
    Rect rect = area;
    double cx1, cy1, cx2, cy2;
    cairo_clip_extents(cr, &cx1, &cy1, &cx2, &cy2);
    if (std::isfinite(cx1) && std::isfinite(cy1) && std::isfinite(cx2) && std::isfinite(cy2)) {
        const double left = std::max(rect.x, cx1), top = std::max(rect.y, cy1);
        const double right = std::min(rect.x + rect.width, cx2);
        const double bottom = std::min(rect.y + rect.height, cy2);
        if (!(right > left) || !(bottom > top)) return;
        rect = Rect(left, top, right - left, bottom - top);
    }

    // The first grid line at or after the rectangle's start, allowing one pixel before it.
    const auto first = [px](double g, const std::optional<double>& offset, double r) {
        const double e = offset ? *offset - g * std::floor(*offset / g) : g / 2;
        const double f = std::fabs(r - g * std::floor(r / g));
        const double s = -e - px > -f ? g - f : -f;
        return r + s + e;
    };
    // A grid finer than a pixel draws every k-th line, so that lines stay a pixel apart.
    const auto stepOf = [px](double g) { return g < px ? g * std::ceil(px / g) : g; };
    const double x0 = first(gx, gridOffsetX_, rect.x);
    const double y0 = first(gy, gridOffsetY_, rect.y);
    double sx = stepOf(gx);
    double sy = stepOf(gy);
    const double right = rect.x + rect.width;
    const double bottom = rect.y + rect.height;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(sx) || !std::isfinite(sy))
        return;
    double columns = std::max(std::ceil((right - x0) / sx), 0.0);
    double rows = std::max(std::ceil((bottom - y0) / sy), 0.0);
    const auto thin = [](double& step, double& count, double limit) {
        if (count <= limit) return;
        const double k = std::ceil(count / limit);
        step *= k;
        count = std::ceil(count / k);
    };
    thin(sx, columns, kMaxGridLines);
    thin(sy, rows, kMaxGridLines);
    if (gridStyle_ == GridStyle::points && columns * rows > kMaxGridPoints) {
        const double k = std::ceil(std::sqrt(columns * rows / kMaxGridPoints));
        thin(sx, columns, std::ceil(columns / k));
        thin(sy, rows, std::ceil(rows / k));
    }

    const CairoColor color = Typecast::toCairoColor(*gridColor_);
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
    if (gridStyle_ == GridStyle::lines) {
        for (double i = 0; i < columns; ++i) {
            const double x = x0 + i * sx;
            if (!(x < right)) break;
            cairo_move_to(cr, x, rect.y);
            cairo_line_to(cr, x, bottom);
            cairo_stroke(cr);
        }
        for (double j = 0; j < rows; ++j) {
            const double y = y0 + j * sy;
            if (!(y < bottom)) break;
            cairo_move_to(cr, rect.x, y);
            cairo_line_to(cr, right, y);
            cairo_stroke(cr);
        }
    } else {
        for (double i = 0; i < columns; ++i) {
            const double x = x0 + i * sx;
            if (!(x < right)) break;
            for (double j = 0; j < rows; ++j) {
                const double y = y0 + j * sy;
                if (!(y < bottom)) break;
                cairo_rectangle(cr, x, y, px, px);
            }
            cairo_fill(cr);
        }
    }
    cairo_restore(cr);
}

void Diagram::drawItems(Canvas& canvas) {
    drawItems(canvas, std::nullopt);
}

void Diagram::drawItems(Canvas& canvas, const std::optional<Rect>& rect) {
    // A snapshot, and the options held: an item's drawing cannot disturb the walk.
    const auto order = zOrder_.snapshot();
    const std::shared_ptr<RenderOptions> options = renderOptions_;
    const bool cull = rect && rect->isFinite();
    const double millimetre =
        cull ? MeasureUnit::Millimeter()->convert(1.0, *measureUnit_, this) : 0.0;
    for (const auto& item : order) {
        if (!item->isTopLevel() || !isItemVisible(*item)) continue;
        if (cull && !meets(paintedArea(*item, millimetre), *rect)) continue;
        if (options->enableShadows()) item->drawShadow(canvas, *options);
        item->draw(canvas, *options);
    }
}

std::shared_ptr<platform::ImageSurface> Diagram::createImage() {
    if (!measureUnit_ || !bounds_.isFinite()) return nullptr;
    const Rect pixels = measureUnit_->convert(bounds_, MeasureUnit::Pixel());
    if (!pixels.isFinite()) return nullptr;
    const double width = std::trunc(pixels.width);
    const double height = std::trunc(pixels.height);
    if (!(width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide))
        return nullptr;

    const platform::Handle<cairo_surface_t, cairo_surface_destroy> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width),
                                   static_cast<int>(height)));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    bool drawn = false;
    {
        const platform::Handle<cairo_t, cairo_destroy> cr(cairo_create(surface.get()));
        // Cairo's y axis already grows downwards, as the document's does.
        Canvas canvas(cr.get());
        canvas.setMeasureUnit(measureUnit_);
        canvas.translateTransform(-bounds_.x, -bounds_.y);
        draw(canvas, bounds_);
        drawn = cairo_status(cr.get()) == CAIRO_STATUS_SUCCESS;
    }
    cairo_surface_flush(surface.get());
    if (!drawn) return nullptr;
    return platform::ImageSurface::fromSurface(surface.get(), 1.0);
}

bool Diagram::exportImage(const std::filesystem::path& filePath, const std::string& imageType) {
    const bool png = imageType == "public.png";
    const bool jpeg = imageType == "public.jpeg";
    if (!png && !(jpeg && platform::Jpeg::available())) return false;
    if (filePath.empty()) return false;
    const std::shared_ptr<platform::ImageSurface> image = createImage();
    if (!image) return false;
    const std::vector<std::uint8_t> bytes = png ? image->pngData() : platform::Jpeg::encode(*image);
    if (bytes.empty()) return false;
    return platform::writeFileAtomically(
        filePath, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Size Diagram::measureString(const std::string& text, const std::string& fontName, double fontSize,
                            const std::shared_ptr<MeasureUnit>& fontUnit, const Rect& layoutRect,
                            HorizontalAlignment alignment, bool bold, bool italic, bool underline) {
    Canvas canvas(measureUnit_);
    canvas.setFont(fontName, fontSize, fontUnit);
    const std::shared_ptr<TextFrame> frame =
        canvas.createTextFrame(text, layoutRect, alignment, bold, italic, underline);
    if (!frame) return Size(0, 0);
    return Size(canvas.measureFrameWidth(frame), canvas.measureFrameHeight(frame));
}

void Diagram::layoutLinkLabels(const Rect& rect) {
    if (!labelLayoutInvalid_) return;
    Rect area = rect;
    const Rect& pending = linkLabelsInvalidRect_;
    if (pending.x != 0 || pending.y != 0 || pending.width != 0 || pending.height != 0)
        area = area.union_(pending);
    linkLabelsInvalidRect_ = Rect();
    arrangeLinkLabels(area);
    labelLayoutInvalid_ = false;
}

void Diagram::arrangeLinkLabels(const Rect& rect) {
    if (!rect.isFinite()) return;
    LinkLabelLayout::arrange(*this, rect);
}


}  // namespace nodeloom
