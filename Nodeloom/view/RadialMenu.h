#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Image.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/View.h"
#include "Nodeloom/view/MenuItem.h"
#include "Nodeloom/view/VisualizationPosition.h"

namespace nodeloom {

namespace platform {
class Coder;
}

class DiagramItem;

// The view's context menu: a transparent square that lays its round buttons out on the half of
// its inscribed ellipse facing `position`. It keeps one action per button image; choosing a
// button with the finger is the controller's work.
class RadialMenu : public platform::View {
public:
    // What a button does with the diagram item the menu was opened on.
    using Action = std::function<void(const std::shared_ptr<DiagramItem>&)>;

    static std::shared_ptr<RadialMenu> create(const Rect& frame);
    // Null when the archive holds no view.
    static std::shared_ptr<RadialMenu> create(const platform::Coder& coder);

    RadialMenu(Passkey key, const Rect& frame);
    ~RadialMenu() override;

    // Actions by image identity: buttons made from one image share one entry, the later action
    // replacing the earlier.
    const std::map<std::shared_ptr<Image>, Action>& dict() const { return dict_; }
    const std::vector<std::shared_ptr<MenuItem>>& items() const { return items_; }
    // The highlighted button, whose action runs when the finger lifts.
    const std::shared_ptr<MenuItem>& selected() const { return selected_; }
    void setSelected(std::shared_ptr<MenuItem> item) { selected_ = std::move(item); }
    // The button highlighted while the finger is on none.
    const std::shared_ptr<MenuItem>& defaultItem() const { return defaultItem_; }
    void setDefaultItem(std::shared_ptr<MenuItem> item) { defaultItem_ = std::move(item); }
    // How far a button reaches for the finger.
    double iconsWidth() const { return iconsWidth_; }
    void setIconsWidth(double width) { iconsWidth_ = width; }
    VisualizationPosition position() const { return position_; }
    void setPosition(VisualizationPosition position);

    // The background colour, all zeros without one.
    Color background() const;
    void setBackground(const Color& color);
    // Only positive values change the frame.
    double width() const { return frame().width; }
    void setWidth(double width);
    double height() const { return frame().height; }
    void setHeight(double height);

    // A button of the image's size plus a ring of 9 points on each side; null for a null image.
    std::shared_ptr<MenuItem> addItem(std::shared_ptr<Image> image, Action function);
    // A button of the picture file "base.extension", looked up in the library's resources and
    // then in the application's; null (and no button) when the name has no "." or names no
    // picture.
    std::shared_ptr<MenuItem> addItem(std::string_view name, Action function);
    // Any index outside the buttons is ignored.
    void removeItem(int index);

    // Characters a through b of s (UTF-8 characters, both ends included); nothing unless
    // 0 <= a <= b < the number of characters.
    static std::optional<std::string> substringFromTo(std::string_view s, int a, int b);

    // Places the buttons on the half ellipse; drawing does this first.
    void layoutItems();
    void draw(const Rect& rect) override;

private:
    std::map<std::shared_ptr<Image>, Action> dict_;
    std::vector<std::shared_ptr<MenuItem>> items_;
    std::shared_ptr<MenuItem> selected_;
    std::shared_ptr<MenuItem> defaultItem_;
    double iconsWidth_ = 32;
    VisualizationPosition position_ = VisualizationPosition::top;
};

}  // namespace nodeloom
