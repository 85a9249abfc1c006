#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/platform/TextView.h"
#include "Nodeloom/platform/Toolbar.h"
#include "Nodeloom/platform/Window.h"

using nodeloom::Rect;
using namespace nodeloom::platform;

TEST(TextView, TakesTheKeyboardOnlyInAWindow) {
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

    field->setText("Typed");
    EXPECT_TRUE(field->needsDisplay());

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
    toolbar->setItems(
        {std::make_shared<BarButtonItem>("Silent", BarButtonItem::Style::plain, nullptr)});
    toolbar->pressItem(0);
}
