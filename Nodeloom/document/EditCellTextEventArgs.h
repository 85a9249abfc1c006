#pragma once

#include <memory>
#include <string>
#include <utility>

namespace nodeloom {

class Cell;

// The text of a table cell is being, or has been, edited.
// Handlers are told that the edit happens; the arguments carry no data they can read.
class EditCellTextEventArgs {
public:
    EditCellTextEventArgs(std::shared_ptr<Cell> cell, std::string oldText, std::string newText)
        : cell_(std::move(cell)), oldText_(std::move(oldText)), newText_(std::move(newText)) {}
    virtual ~EditCellTextEventArgs() = default;

private:
    std::shared_ptr<Cell> cell_;
    std::string oldText_;
    std::string newText_;
};

}  // namespace nodeloom
