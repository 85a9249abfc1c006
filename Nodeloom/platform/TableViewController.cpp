#include "Nodeloom/platform/TableViewController.h"

#include <utility>

#include "Nodeloom/platform/Coder.h"

namespace nodeloom::platform {

TableViewController::TableViewController(Passkey, TableViewStyle style) : style_(style) {}

TableViewController::TableViewController(Passkey, std::optional<std::string> nibName,
                                         std::optional<Bundle> bundle)
    : nibName_(std::move(nibName)), nibBundle_(std::move(bundle)) {}

TableViewController::TableViewController(Passkey, const Coder& coder)
    : frame_(coder.frame().value_or(Rect())) {}

TableViewController::~TableViewController() = default;

std::shared_ptr<TableViewController> TableViewController::create(TableViewStyle style) {
    return std::make_shared<TableViewController>(Passkey(), style);
}

std::shared_ptr<TableViewController> TableViewController::create(
    std::optional<std::string> nibName, std::optional<Bundle> bundle) {
    return std::make_shared<TableViewController>(Passkey(), std::move(nibName), std::move(bundle));
}

std::shared_ptr<TableViewController> TableViewController::create(const Coder& coder) {
    return std::make_shared<TableViewController>(Passkey(), coder);
}

const std::shared_ptr<TableView>& TableViewController::tableView() {
    if (!tableView_) {
        tableView_ = TableView::create(frame_, style_);
        tableView_->setDataSource(weak_from_this());
    }
    return tableView_;
}

int TableViewController::numberOfRowsInSection(TableView&, int) {
    return 0;
}

std::shared_ptr<TableViewCell> TableViewController::cellForRowAtIndexPath(TableView&,
                                                                          const IndexPath&) {
    return nullptr;
}

}  // namespace nodeloom::platform
