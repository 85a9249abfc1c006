#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/View.h"

namespace nodeloom::platform {

// A button of a toolbar: a title, a style, a tint and the action a tap on it runs.
class BarButtonItem {
public:
    enum class Style { plain = 0, bordered = 1, done = 2 };

    BarButtonItem(std::string title, Style style, std::function<void()> action);

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    Style style() const { return style_; }
    void setStyle(Style style) { style_ = style; }
    // Null: the toolbar's own colour.
    const std::shared_ptr<Color>& tintColor() const { return tintColor_; }
    void setTintColor(std::shared_ptr<Color> color) { tintColor_ = std::move(color); }
    const std::function<void()>& action() const { return action_; }
    void setAction(std::function<void()> action) { action_ = std::move(action); }

private:
    std::string title_;
    Style style_;
    std::shared_ptr<Color> tintColor_;
    std::function<void()> action_;
};

// A strip of buttons, drawn left to right by their titles.
class Toolbar : public View {
public:
    using ItemList = std::vector<std::shared_ptr<BarButtonItem>>;

    static std::shared_ptr<Toolbar> create();
    static std::shared_ptr<Toolbar> create(const Rect& frame);

    Toolbar(Passkey key, const Rect& frame);
    ~Toolbar() override;

    const ItemList& items() const { return items_; }
    // Headless, the change is never animated. Null items are left out.
    void setItems(ItemList items, bool animated = false);
    // A tap on the button at the index: runs its action. An index outside the items, or a
    // button without an action, does nothing.
    void pressItem(int index);

    void draw(const Rect& rect) override;

private:
    ItemList items_;
};

}  // namespace nodeloom::platform
