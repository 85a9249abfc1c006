#pragma once

#include "Nodeloom/items/Attachment.h"

namespace nodeloom {

// Groups a node with a master node or link: the node follows the master's corner, or the link's
// midpoint, when the master moves or is resized, and is never scaled.
class GroupAttachment : public Attachment {
public:
    using Attachment::Attachment;

    // Unhooks the child from its master through the child.
    void detach() override;
    void updateFromMaster() override;
};

}  // namespace nodeloom
