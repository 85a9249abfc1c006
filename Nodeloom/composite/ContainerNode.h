#pragma once

#include <string>

#include "Nodeloom/items/DiagramNode.h"

namespace nodeloom {

// False until the first container node of the process is made, and never cleared after. While it
// is false no item can lie inside a container, so every item may count as top-level at once.
bool anyContainerCreated();

// A node that holds other nodes.
class ContainerNode : public DiagramNode {
public:
    ContainerNode();

    // True while the container is folded to its caption; its content is then hidden and the
    // link ends of hidden nodes sit on the container.
    virtual bool folded() const { return folded_; }
    virtual void setFolded(bool folded) { folded_ = folded; }

    std::string getClassId() const override;
    Metatype<DiagramItem> getClassType() const override;

private:
    bool folded_ = false;
};

}  // namespace nodeloom
