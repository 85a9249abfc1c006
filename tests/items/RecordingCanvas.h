#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"

// A measuring canvas that notes the drawing calls the items make on it, in order.
class RecordingCanvas : public nodeloom::Canvas {
public:
    struct Call {
        std::string what;  // "line", "ellipse", "rect"
        double a, b, c, d;
    };

    RecordingCanvas() : Canvas(nodeloom::MeasureUnit::Millimeter()) {}

    // The point and rectangle forms still reach the canvas's own, which call the ones below.
    using Canvas::drawEllipse;
    using Canvas::drawLine;
    using Canvas::drawRect;

    void drawLine(double x1, double y1, double x2, double y2) override {
        calls.push_back({"line", x1, y1, x2, y2});
    }
    void drawEllipse(double x, double y, double w, double h) override {
        calls.push_back({"ellipse", x, y, w, h});
    }
    void drawRect(double x, double y, double w, double h) override {
        calls.push_back({"rect", x, y, w, h});
    }
    void setStroke(const nodeloom::Color& color) override {
        stroke = color;
        Canvas::setStroke(color);
    }
    void setBrush(std::shared_ptr<nodeloom::Brush> brush) override {
        brushes.push_back(brush);
        Canvas::setBrush(brush);
    }

    std::vector<Call> calls;
    nodeloom::Color stroke{0, 0, 0, 0};
    std::vector<std::shared_ptr<nodeloom::Brush>> brushes;
};
