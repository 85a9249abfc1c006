#pragma once

#include <memory>
#include <string>
#include <utility>

#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/Font.h"
#include "Nodeloom/platform/View.h"

namespace nodeloom::platform {

// A view that takes typed text: it shows its text from the top-left corner, wrapped at its
// width, and can become the first responder of its window. Headless, nobody types: a host or a
// test sets the text as the keyboard would.
class TextView : public View {
public:
    static std::shared_ptr<TextView> create();
    static std::shared_ptr<TextView> create(const Rect& frame);

    TextView(Passkey key, const Rect& frame);
    ~TextView() override;

    const std::string& text() const { return text_; }
    void setText(std::string text);
    const Font& font() const { return font_; }
    // A size that is not a positive finite number is ignored.
    void setFont(const Font& font);
    // Shown above the keyboard while the view is first responder; not part of the view tree.
    const std::shared_ptr<View>& inputAccessoryView() const { return inputAccessoryView_; }
    void setInputAccessoryView(std::shared_ptr<View> view) {
        inputAccessoryView_ = std::move(view);
    }

    bool canBecomeFirstResponder() const override { return true; }
    void draw(const Rect& rect) override;

private:
    std::string text_;
    Font font_;
    std::shared_ptr<View> inputAccessoryView_;
};

}  // namespace nodeloom::platform
