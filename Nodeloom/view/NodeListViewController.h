#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/platform/TableViewController.h"

namespace nodeloom {

class DiagramNode;

namespace platform {
class Coder;
}

// A table of nodes for the host to show: one section headed "No Title" with a row reading
// "No Text" per node. Rows are cells the host registers for "NodeCell"; with none registered a
// row is an empty cell.
class NodeListViewController : public platform::TableViewController {
public:
    static std::shared_ptr<NodeListViewController> create(platform::TableViewStyle style);
    static std::shared_ptr<NodeListViewController> create(std::optional<std::string> nibName,
                                                          std::optional<platform::Bundle> bundle);
    static std::shared_ptr<NodeListViewController> create(const platform::Coder& coder);

    NodeListViewController(Passkey key, platform::TableViewStyle style);
    NodeListViewController(Passkey key, std::optional<std::string> nibName,
                           std::optional<platform::Bundle> bundle);
    NodeListViewController(Passkey key, const platform::Coder& coder);
    ~NodeListViewController() override;

    const std::vector<std::shared_ptr<DiagramNode>>& nodes() const { return nodes_; }
    void setNodes(std::vector<std::shared_ptr<DiagramNode>> nodes) { nodes_ = std::move(nodes); }

    int numberOfSectionsInTableView(platform::TableView& tableView) override;
    std::optional<std::string> titleForHeaderInSection(platform::TableView& tableView,
                                                       int section) override;
    int numberOfRowsInSection(platform::TableView& tableView, int section) override;
    std::shared_ptr<platform::TableViewCell> cellForRowAtIndexPath(
        platform::TableView& tableView, const platform::IndexPath& indexPath) override;

private:
    std::vector<std::shared_ptr<DiagramNode>> nodes_;
};

}  // namespace nodeloom
