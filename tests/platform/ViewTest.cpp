#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/platform/Coder.h"
#include "Nodeloom/platform/GraphicsContext.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/View.h"
#include "Nodeloom/platform/Window.h"

using nodeloom::Canvas;
using nodeloom::Color;
using nodeloom::Point;
using nodeloom::Rect;
using nodeloom::platform::Coder;
using nodeloom::platform::GraphicsContext;
using nodeloom::platform::ImageSurface;
using nodeloom::platform::View;
using nodeloom::platform::Window;

namespace {

// Fills a rectangle of its own coordinates in red through the current context, if there is one,
// and counts its layout passes.
class FillingView : public View {
public:
    using View::View;
    static std::shared_ptr<FillingView> make(const Rect& frame, const Rect& fill) {
        auto view = std::make_shared<FillingView>(Passkey(), frame);
        view->fill = fill;
        return view;
    }
    void draw(const Rect&) override {
        Canvas* canvas = GraphicsContext::current();
        if (canvas == nullptr) return;
        cairo_t* cr = canvas->context();
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_rectangle(cr, fill.x, fill.y, fill.width, fill.height);
        cairo_fill(cr);
        ++drawn;
    }
    void layoutSubviews() override { ++layouts; }
    bool canBecomeFirstResponder() const override { return true; }

    Rect fill;
    int drawn = 0;
    int layouts = 0;
};

// ARGB32 pixel as 0xAARRGGBB (premultiplied).
std::uint32_t pixel(const ImageSurface& image, int x, int y) {
    cairo_surface_t* s = image.surface();
    const unsigned char* row =
        cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    return reinterpret_cast<const std::uint32_t*>(row)[x];
}

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kGreen = 0xFF00FF00;

}  // namespace

TEST(View, RendersBackgroundSubviewContentAndBorderIntoAnImage) {
    auto root = View::create(Rect(0, 0, 40, 30));
    root->setBackgroundColor(std::make_shared<Color>(0.0, 0.0, 1.0));
    root->setBorderWidth(2);
    root->setBorderColor(std::make_shared<Color>(0.0, 1.0, 0.0));
    // The child's own coordinates start at (5, 5) through its bounds origin.
    auto child = FillingView::make(Rect(10, 10, 20, 10), Rect(5, 5, 10, 5));
    child->setBounds(Rect(5, 5, 20, 10));
    root->addSubview(child);
    // Filling beyond its bounds: clipped to them.
    auto spill = FillingView::make(Rect(30, 20, 4, 4), Rect(-10, -10, 50, 50));
    root->addSubview(spill);
    auto hidden = FillingView::make(Rect(0, 0, 40, 30), Rect(0, 0, 40, 30));
    hidden->setHidden(true);
    root->addSubview(hidden);
    child->setNeedsDisplay();

    auto image = root->renderImage();
    ASSERT_TRUE(image);
    const std::vector<std::tuple<int, int, std::uint32_t>> expected = {
        {0, 0, kGreen},  {1, 15, kGreen}, {2, 15, kBlue},  {39, 29, kGreen},
        {10, 10, kRed},  {19, 14, kRed},  {20, 14, kBlue}, {10, 15, kBlue},
        {29, 19, kBlue}, {31, 21, kRed},  {35, 21, kBlue}};
    for (const auto& [x, y, color] : expected)
        EXPECT_EQ(pixel(*image, x, y), color) << x << "," << y;
    EXPECT_EQ(hidden->drawn, 0);
    EXPECT_FALSE(child->needsDisplay());

    // In a window, at the window's scale.
    auto window = Window::create(Rect(0, 0, 40, 30));
    window->setScale(2);
    window->addSubview(root);
    image = window->renderImage();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelWidth(), 80);
    EXPECT_EQ(pixel(*image, 20, 20), kRed);
    EXPECT_EQ(pixel(*image, 19, 20), kBlue);
}

TEST(View, DrawingWithoutACurrentContextDrawsNothing) {
    EXPECT_EQ(View::create(Coder(Rect(0, NAN, 1, 1))), nullptr);  // an archive giving no view
    auto view = FillingView::make(Rect(0, 0, 10, 10), Rect(0, 0, 10, 10));
    EXPECT_EQ(GraphicsContext::current(), nullptr);
    view->draw(view->bounds());
    EXPECT_EQ(view->drawn, 0);
    GraphicsContext::pop();  // popping an empty stack is harmless
    view->render(nullptr);
    EXPECT_EQ(view->drawn, 0);
}

TEST(View, RedrawRequestsAreRecordedInOrderAndABacklogCollapses) {
    auto view = View::create(Rect(0, 0, 10, 10));
    view->setNeedsDisplay(Rect(1, 2, 3, 4));
    view->setNeedsDisplay();
    view->setNeedsDisplay(Rect(NAN, 0, 1, 1));
    EXPECT_EQ(view->displayRequests(),
              (std::vector<std::optional<Rect>>{Rect(1, 2, 3, 4), std::nullopt}));
    for (int i = 0; i < 1000; ++i)
        view->setNeedsDisplay(Rect(i, 0, 1, 1));
    EXPECT_LE(view->displayRequests().size(), 256u);
    EXPECT_FALSE(view->displayRequests().front().has_value());
}

TEST(View, SubviewsKeepTheirOrderAndATreeCannotHoldItself) {
    auto root = View::create(), a = View::create(), b = View::create(), c = View::create();
    root->addSubview(a);
    root->addSubview(b);
    root->insertSubview(c, 0);
    root->insertSubview(a, 99);  // clamped; only its place changes
    EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{c, b, a}));
    b->addSubview(c);  // taken from its former superview
    EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{b, a}));
    c->addSubview(root);  // an ancestor
    c->addSubview(c);
    EXPECT_TRUE(c->subviews().empty());
    EXPECT_EQ(root->superview(), nullptr);

    std::weak_ptr<View> gone = a;
    a.reset();
    root->subviews().back()->removeFromSuperview();  // drops the last reference mid-call
    EXPECT_TRUE(gone.expired());
}

TEST(View, ATreeReleasedByItsOwnerIsFreed) {
    std::weak_ptr<View> root, leaf;
    {
        auto window = Window::create(Rect(0, 0, 100, 100));
        auto last = FillingView::make(Rect(0, 0, 10, 10), Rect());
        window->addSubview(View::create(Rect(0, 0, 50, 50)));
        window->subviews()[0]->addSubview(last);
        // Fingers left down, one of them on the window itself.
        window->fingersDown({{1, Point(5, 5)}, {2, Point(80, 80)}});
        ASSERT_TRUE(last->becomeFirstResponder());
        root = window;
        leaf = last;
    }
    EXPECT_TRUE(root.expired());
    EXPECT_TRUE(leaf.expired());
}

TEST(View, PointsConvertThroughFramesAndBoundsOrigins) {
    auto root = View::create(Rect(100, 100, 200, 200));  // the root's own frame plays no part
    auto outer = View::create(Rect(10, 20, 100, 100));
    auto inner = View::create(Rect(5, 5, 50, 50));
    auto other = View::create(Rect(50, 50, 10, 10));
    outer->setBounds(Rect(-2, 3, 100, 100));
    root->addSubview(outer);
    root->addSubview(other);
    outer->addSubview(inner);
    const Point p = inner->convertPointToWindow(Point(1, 1));
    EXPECT_EQ(p, Point(1 + 5 + 2 + 10, 1 + 5 - 3 + 20));
    EXPECT_EQ(inner->convertPointFromWindow(p), Point(1, 1));
    EXPECT_EQ(inner->convertPointTo(Point(1, 1), *other), Point(p.x - 50, p.y - 50));
    EXPECT_EQ(other->convertPointFrom(Point(1, 1), *inner), Point(p.x - 50, p.y - 50));
}

TEST(View, LayoutRunsBeforeRenderingWhereTheSizeChanged) {
    auto parent = FillingView::make(Rect(0, 0, 10, 10), Rect());
    auto child = FillingView::make(Rect(0, 0, 10, 10), Rect());
    parent->addSubview(child);
    child->setFrame(Rect(5, 5, 10, 10));  // moved only
    parent->layoutIfNeeded();
    EXPECT_EQ(parent->layouts, 1);  // a subview was added
    EXPECT_EQ(child->layouts, 0);
    child->setFrame(Rect(5, 5, 20, 10));
    parent->renderImage();
    EXPECT_EQ(child->layouts, 1);
    EXPECT_EQ(parent->layouts, 1);
}

TEST(View, OneFirstResponderPerWindowGivenUpWhenItLeavesTheWindow) {
    auto window = Window::create(Rect(0, 0, 10, 10));
    auto a = FillingView::make(Rect(), Rect()), b = FillingView::make(Rect(), Rect());
    auto plain = View::create();
    EXPECT_FALSE(a->becomeFirstResponder());  // in no window
    window->addSubview(plain);
    plain->addSubview(a);
    window->addSubview(b);
    EXPECT_FALSE(plain->becomeFirstResponder());
    ASSERT_TRUE(b->becomeFirstResponder());
    ASSERT_TRUE(a->becomeFirstResponder());
    EXPECT_FALSE(b->isFirstResponder());
    plain->removeFromSuperview();
    EXPECT_EQ(window->firstResponder(), nullptr);
}
