#include "Nodeloom/composite/FoldContainerCommand.h"

#include "Nodeloom/composite/ContainerNode.h"

namespace nodeloom {

FoldContainerCommand::FoldContainerCommand(const std::shared_ptr<Diagram>& diagram,
                                           const std::shared_ptr<ContainerNode>& container,
                                           bool folded)
    : Command(diagram), container_(container), folded_(folded) {
    setName("FoldContainerCommand");
}

void FoldContainerCommand::execute() {
    if (const std::shared_ptr<ContainerNode> c = container_.lock()) c->setFolded(!c->folded());
}

void FoldContainerCommand::undo() {
    apply(folded_);
}

void FoldContainerCommand::redo() {
    apply(!folded_);
}

void FoldContainerCommand::apply(bool fold) {
    const std::shared_ptr<ContainerNode> c = container_.lock();
    if (!c) return;
    if (fold) {
        c->fold();
    } else {
        c->setFolded(false);
    }
}

}  // namespace nodeloom
