#pragma once

#include <memory>

#include "Nodeloom/items/Attachment.h"

namespace nodeloom {

class ContainerNode;

// Binds a child node to the container that holds it: the child keeps its offset from the
// container's top-left corner.
class ContainerAttachment : public Attachment {
public:
    ContainerAttachment(const std::shared_ptr<ContainerNode>& container,
                        const std::shared_ptr<DiagramNode>& childNode);

    // Takes the child out of its container.
    void detach() override;
    void updateFromMaster() override;
};

}  // namespace nodeloom
