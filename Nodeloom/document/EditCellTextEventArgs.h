#pragma once

#include <memory>
#include <string>
#include <utility>

namespace nodeloom {

class Cell;

// The text of a table cell is being, or has been, edited.
// The arguments are set once, when the event is raised; handlers can read but not change them.
class EditCellTextEventArgs {
public:
    EditCellTextEventArgs(std::shared_ptr<Cell> cell, std::string oldText, std::string newText)
        : cell_(std::move(cell)), oldText_(std::move(oldText)), newText_(std::move(newText)) {}
    virtual ~EditCellTextEventArgs() = default;

    const std::shared_ptr<Cell>& cell() const { return cell_; }
    const std::string& oldText() const { return oldText_; }
    const std::string& newText() const { return newText_; }

private:
    std::shared_ptr<Cell> cell_;
    std::string oldText_;
    std::string newText_;
};

}  // namespace nodeloom
