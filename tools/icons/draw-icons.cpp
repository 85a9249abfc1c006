// Draws the radial menu's three 32x32 icons (a bin, a pencil, a toggle mark) with the library's
// own canvas and writes them as PNG files into the directory named on the command line.
//
//     draw-icons <resources directory>

#include <cairo.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/ImageSurface.h"

using namespace nodeloom;

namespace {

std::shared_ptr<Brush> solid(double r, double g, double b) {
    return std::make_shared<SolidColorBrush>(std::make_shared<Color>(1.0, r, g, b));
}

void bin(Canvas& c) {
    c.setStroke(Color(1.0, 0.15, 0.15, 0.15));
    c.setStrokeThickness(2);
    c.setBrush(solid(0.85, 0.85, 0.85));
    c.drawRect(Rect(9, 10, 14, 18));            // the can
    c.drawLine(6, 8, 26, 8);                    // the lid
    c.drawRect(Rect(13, 4, 6, 4));              // its handle
    for (double x : {13.0, 16.0, 19.0}) c.drawLine(x, 13, x, 25);
}

void pencil(Canvas& c) {
    c.setStroke(Color(1.0, 0.15, 0.15, 0.15));
    c.setStrokeThickness(2);
    c.setBrush(solid(0.95, 0.75, 0.2));
    c.pathStart();
    c.pathMoveTo(Point(22, 4));
    c.pathLineTo(Point(28, 10));
    c.pathLineTo(Point(11, 27));
    c.pathLineTo(Point(4, 28));
    c.pathLineTo(Point(5, 21));
    c.pathCloseFigure();
    c.pathDraw();
    c.drawLine(18, 8, 24, 14);                  // the ferrule
    c.drawLine(5, 21, 11, 27);                  // the sharpened end
}

void toggle(Canvas& c) {
    c.setStroke(Color(1.0, 0.15, 0.15, 0.15));
    c.setStrokeThickness(2);
    c.setBrush(solid(0.3, 0.7, 0.35));
    c.drawEllipse(Rect(4, 4, 24, 24));
    c.setStroke(Color(1.0, 1, 1, 1));
    c.setStrokeThickness(3);
    c.drawPolyline({Point(10, 16), Point(14, 21), Point(22, 11)});
}

bool write(const std::string& path, const std::function<void(Canvas&)>& paint) {
    const auto surface = platform::ImageSurface::create(32, 32);
    if (!surface) return false;
    cairo_t* cr = cairo_create(surface->surface());
    {
        Canvas canvas(cr);
        paint(canvas);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface->surface());
    const auto bytes = surface->pngData();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return !bytes.empty() && static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = write(dir + "/delete32.png", bin) && write(dir + "/edit32.png", pencil) &&
                    write(dir + "/toggle32.png", toggle);
    return ok ? 0 : 1;
}
