#pragma once

#include <string>

#include "Nodeloom/items/DiagramNode.h"

namespace nodeloom {

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
