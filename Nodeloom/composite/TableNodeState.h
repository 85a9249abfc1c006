#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "Nodeloom/composite/Cell.h"
#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/items/DiagramNodeState.h"

namespace nodeloom {

// The undo snapshot of a table. It shares the table's row objects, caption brush and cell
// objects, and keeps its own lists of them, its own copy of the columns and a copy of every
// cell's values: restoring brings back which rows, columns and cells the table has and what the
// cells said, and which links each row carried, while a row's height or header flag changed in
// place keeps the change.
class TableNodeState : public DiagramNodeState {
public:
    TableNodeState() = default;

private:
    friend class TableNode;

    double captionHeight_ = 5.0;
    std::shared_ptr<Brush> captionBackBrush_;
    bool scrollable_ = false;
    CellFrameStyle cellFrameStyle_ = CellFrameStyle::simple;
    bool hasHeaderRows_ = false;
    int currentScrollRow_ = 0;
    TableNode::RowList rows_;
    TableNode::ColumnList columns_;
    TableNode::CellGrid cells_;
    std::vector<std::pair<std::shared_ptr<Cell>, Cell>> cellValues_;
    // Which links each row listed, by the rows' order: a row deletion takes links off the rows
    // while a link put back against another row list lands on the wrong row.
    std::vector<std::pair<Row::LinkList, Row::LinkList>> rowLinks_;
};

}  // namespace nodeloom
