#include "Nodeloom/composite/ResizeTableRowCommand.h"

namespace nodeloom {

ResizeTableRowCommand::ResizeTableRowCommand(Diagram* diagram) : Command(diagram) {
    setName("CompositeCommand");
}

void ResizeTableRowCommand::execute() {}
void ResizeTableRowCommand::undo() {}
void ResizeTableRowCommand::redo() {}

}  // namespace nodeloom
