#include "Nodeloom/platform/TableViewCell.h"

#include <algorithm>
#include <utility>

#include "Nodeloom/platform/Coder.h"
#include "Nodeloom/platform/Label.h"

namespace nodeloom::platform {

namespace {

// The standard inset of a cell's text from its sides.
constexpr double kTextMargin = 15.0;

}  // namespace

TableViewCell::TableViewCell(Passkey key, const Rect& frame, TableViewCellStyle style,
                             std::string reuseIdentifier)
    : View(key, frame),
      style_(style),
      reuseIdentifier_(std::move(reuseIdentifier)),
      contentView_(View::create(Rect(0, 0, frame.width, frame.height))) {}

TableViewCell::~TableViewCell() = default;

std::shared_ptr<TableViewCell> TableViewCell::create(TableViewCellStyle style,
                                                     const std::string& reuseIdentifier) {
    auto cell = std::make_shared<TableViewCell>(Passkey(), Rect(0, 0, 320, 44), style,
                                                reuseIdentifier);
    cell->setUp();
    return cell;
}

std::shared_ptr<TableViewCell> TableViewCell::create(const Coder& coder) {
    if (!coder.frame()) return nullptr;
    auto cell = std::make_shared<TableViewCell>(Passkey(), *coder.frame(),
                                                TableViewCellStyle::default_, std::string());
    cell->setUp();
    return cell;
}

void TableViewCell::setUp() {
    addSubview(contentView_);
}

std::shared_ptr<Label> TableViewCell::textLabel() {
    if (!textLabel_) {
        textLabel_ = Label::create();
        contentView_->addSubview(textLabel_);
        setNeedsLayout();
    }
    return textLabel_;
}

void TableViewCell::setSelected(bool selected, bool) {
    selected_ = selected;
}

void TableViewCell::layoutSubviews() {
    const Rect b = bounds();
    contentView_->setFrame(Rect(0, 0, b.width, b.height));
    if (textLabel_) {
        textLabel_->setFrame(
            Rect(kTextMargin, 0, std::max(b.width - 2 * kTextMargin, 0.0), b.height));
    }
}

}  // namespace nodeloom::platform
