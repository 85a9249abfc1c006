#include "Nodeloom/view/NodeListViewController.h"

#include <utility>

#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/platform/Coder.h"
#include "Nodeloom/platform/Label.h"
#include "Nodeloom/platform/TableView.h"
#include "Nodeloom/platform/TableViewCell.h"

namespace nodeloom {

NodeListViewController::NodeListViewController(Passkey key, platform::TableViewStyle style)
    : TableViewController(key, style) {}

NodeListViewController::NodeListViewController(Passkey key, std::optional<std::string> nibName,
                                               std::optional<platform::Bundle> bundle)
    : TableViewController(key, std::move(nibName), std::move(bundle)) {}

NodeListViewController::NodeListViewController(Passkey key, const platform::Coder& coder)
    : TableViewController(key, coder) {}

NodeListViewController::~NodeListViewController() = default;

std::shared_ptr<NodeListViewController> NodeListViewController::create(
    platform::TableViewStyle style) {
    return std::make_shared<NodeListViewController>(Passkey(), style);
}

std::shared_ptr<NodeListViewController> NodeListViewController::create(
    std::optional<std::string> nibName, std::optional<platform::Bundle> bundle) {
    return std::make_shared<NodeListViewController>(Passkey(), std::move(nibName),
                                                    std::move(bundle));
}

std::shared_ptr<NodeListViewController> NodeListViewController::create(
    const platform::Coder& coder) {
    return std::make_shared<NodeListViewController>(Passkey(), coder);
}

int NodeListViewController::numberOfSectionsInTableView(platform::TableView&) {
    return 1;
}

std::optional<std::string> NodeListViewController::titleForHeaderInSection(platform::TableView&,
                                                                           int) {
    return "No Title";
}

int NodeListViewController::numberOfRowsInSection(platform::TableView&, int) {
    return static_cast<int>(nodes_.size());
}

std::shared_ptr<platform::TableViewCell> NodeListViewController::cellForRowAtIndexPath(
    platform::TableView& tableView, const platform::IndexPath&) {
    auto cell = tableView.dequeueReusableCell("NodeCell");
    if (!cell) {
        // Without an identifier, so that the placeholder never comes back as a registered cell.
        return platform::TableViewCell::create(platform::TableViewCellStyle::default_, "");
    }
    if (const auto label = cell->textLabel()) label->setText("No Text");
    return cell;
}

}  // namespace nodeloom
