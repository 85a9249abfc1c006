#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/TextView.h"
#include "Nodeloom/platform/Toolbar.h"
#include "Nodeloom/platform/Window.h"

using nodeloom::Rect;
using namespace nodeloom::platform;

namespace {

// Whether any pixel of the picture is dark: text was drawn.
bool anyDark(const ImageSurface& image) {
    cairo_surface_t* s = image.surface();
    cairo_surface_flush(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < cairo_image_surface_get_height(s); ++y) {
        for (int x = 0; x < cairo_image_surface_get_width(s); ++x) {
            const unsigned char* px = data + y * stride + x * 4;
            if (px[3] > 128 && px[0] < 100 && px[1] < 100 && px[2] < 100) return true;
        }
    }
    return false;
}

}  // namespace

TEST(TextView, TakesTheKeyboardOnlyInAWindowAndShowsItsText) {
    auto field = TextView::create(Rect(10, 10, 120, 40));
    EXPECT_FALSE(field->becomeFirstResponder());

    auto window = Window::create(Rect(0, 0, 200, 100));
    window->addSubview(field);
    EXPECT_TRUE(field->becomeFirstResponder());
    EXPECT_EQ(window->firstResponder(), field);

    field->setFont(Font("Arial", NAN));
    field->setFont(Font("Arial", -3));
    EXPECT_EQ(field->font(), Font());
    field->setFont(Font("Arial", 13.5));
    EXPECT_EQ(field->font(), Font("Arial", 13.5));

    field->setBackgroundColor(std::make_shared<nodeloom::Color>());
    EXPECT_FALSE(anyDark(*field->renderImage()));
    field->setText("Typed");
    EXPECT_TRUE(field->needsDisplay());
    EXPECT_TRUE(anyDark(*field->renderImage()));

    field->removeFromSuperview();
    EXPECT_EQ(window->firstResponder(), nullptr);
}

TEST(Toolbar, APressRunsTheActionOfTheButtonAtTheIndex) {
    auto toolbar = Toolbar::create(Rect(0, 0, 200, 50));
    std::vector<std::string> pressed;
    auto button = [&pressed](const std::string& title) {
        return std::make_shared<BarButtonItem>(title, BarButtonItem::Style::done,
                                               [&pressed, title] { pressed.push_back(title); });
    };
    toolbar->setItems({button("Done"), nullptr, button("Cancel")}, true);
    ASSERT_EQ(toolbar->items().size(), 2u);

    toolbar->pressItem(1);
    toolbar->pressItem(0);
    toolbar->pressItem(-1);
    toolbar->pressItem(2);
    EXPECT_EQ(pressed, (std::vector<std::string>{"Cancel", "Done"}));

    // An action may drop the buttons, the toolbar's last holder among them.
    toolbar->items()[0]->setAction([&toolbar] { toolbar->setItems({}); });
    toolbar->pressItem(0);
    EXPECT_TRUE(toolbar->items().empty());
    toolbar->setItems({std::make_shared<BarButtonItem>("Silent", BarButtonItem::Style::plain,
                                                       nullptr)});
    toolbar->pressItem(0);
}
