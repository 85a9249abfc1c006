#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Nodeloom/platform/IndexPath.h"

namespace nodeloom::platform {

class TableView;
class TableViewCell;

// What a table view shows: its sections, their header titles and rows, and a cell for each row.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;

    // One section unless overridden.
    virtual int numberOfSectionsInTableView(TableView& tableView);
    virtual int numberOfRowsInSection(TableView& tableView, int section) = 0;
    // No header unless overridden.
    virtual std::optional<std::string> titleForHeaderInSection(TableView& tableView, int section);
    // The cell that shows the row, usually one the table gives back through
    // dequeueReusableCell. A null cell leaves the row empty.
    virtual std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& tableView,
                                                                 const IndexPath& indexPath) = 0;

protected:
    TableViewDataSource() = default;
    TableViewDataSource(const TableViewDataSource&) = default;
    TableViewDataSource& operator=(const TableViewDataSource&) = default;
};

}  // namespace nodeloom::platform
