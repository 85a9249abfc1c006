#pragma once

#include <memory>
#include <string>

#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/Font.h"
#include "Nodeloom/platform/View.h"

namespace nodeloom::platform {

// A view that shows one text, left-aligned and vertically centred in its bounds, in its font and
// text colour.
class Label : public View {
public:
    static std::shared_ptr<Label> create();
    static std::shared_ptr<Label> create(const Rect& frame);

    Label(Passkey key, const Rect& frame);
    ~Label() override;

    const std::string& text() const { return text_; }
    void setText(std::string text);
    const Font& font() const { return font_; }
    // A size that is not a positive finite number is ignored.
    void setFont(const Font& font);
    // Black by default; null is ignored.
    const std::shared_ptr<Color>& textColor() const { return textColor_; }
    void setTextColor(std::shared_ptr<Color> color);

    void draw(const Rect& rect) override;

private:
    std::string text_;
    Font font_;
    std::shared_ptr<Color> textColor_;
};

}  // namespace nodeloom::platform
