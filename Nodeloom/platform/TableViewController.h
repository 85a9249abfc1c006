#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/platform/TableView.h"
#include "Nodeloom/platform/TableViewDataSource.h"

namespace nodeloom::platform {

class Coder;

// Owns a table view and is its data source. The table is made when first asked for, in the
// controller's style (plain for the nib and archive forms, whose table takes the archived frame);
// the headless platform has no nib files, so a nib name and bundle are only kept.
//
// Shared, since the table refers back to its data source weakly: subclasses are made through
// create functions of their own over the same passkey.
class TableViewController : public Object,
                            public TableViewDataSource,
                            public std::enable_shared_from_this<TableViewController> {
protected:
    struct Passkey {
        explicit Passkey() = default;
    };

public:
    static std::shared_ptr<TableViewController> create(TableViewStyle style);
    static std::shared_ptr<TableViewController> create(std::optional<std::string> nibName,
                                                       std::optional<Bundle> bundle);
    static std::shared_ptr<TableViewController> create(const Coder& coder);

    TableViewController(Passkey, TableViewStyle style);
    TableViewController(Passkey, std::optional<std::string> nibName, std::optional<Bundle> bundle);
    TableViewController(Passkey, const Coder& coder);
    ~TableViewController() override;
    TableViewController(const TableViewController&) = delete;
    TableViewController& operator=(const TableViewController&) = delete;

    const std::shared_ptr<TableView>& tableView();
    TableViewStyle style() const { return style_; }
    const std::optional<std::string>& nibName() const { return nibName_; }
    const std::optional<Bundle>& nibBundle() const { return nibBundle_; }

    // No rows unless a subclass answers.
    int numberOfRowsInSection(TableView& tableView, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& tableView,
                                                         const IndexPath& indexPath) override;

private:
    TableViewStyle style_ = TableViewStyle::plain;
    std::optional<std::string> nibName_;
    std::optional<Bundle> nibBundle_;
    Rect frame_;
    std::shared_ptr<TableView> tableView_;
};

}  // namespace nodeloom::platform
