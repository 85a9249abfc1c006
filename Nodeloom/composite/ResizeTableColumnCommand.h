#pragma once

#include "Nodeloom/document/Command.h"

namespace nodeloom {

// Kept for hosts that name it; it records nothing and its operations do nothing.
class ResizeTableColumnCommand : public Command {
public:
    explicit ResizeTableColumnCommand(Diagram* diagram);

    void execute() override;
    void undo() override;
    void redo() override;
};

}  // namespace nodeloom
