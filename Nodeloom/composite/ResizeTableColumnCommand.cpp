#include "Nodeloom/composite/ResizeTableColumnCommand.h"

namespace nodeloom {

ResizeTableColumnCommand::ResizeTableColumnCommand(Diagram* diagram) : Command(diagram) {
    setName("CompositeCommand");
}

void ResizeTableColumnCommand::execute() {}
void ResizeTableColumnCommand::undo() {}
void ResizeTableColumnCommand::redo() {}

}  // namespace nodeloom
