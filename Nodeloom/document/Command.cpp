#include "Nodeloom/document/Command.h"

namespace nodeloom {

Command::~Command() = default;

void Command::execute() {}
void Command::undo() {}
void Command::redo() {}

}  // namespace nodeloom
