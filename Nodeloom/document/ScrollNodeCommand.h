#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/document/Command.h"

namespace nodeloom {

class Scrollable;

// One drag of a node's scroll bar. Made when the drag starts with the position of that moment;
// executing it at the release reads the position the drag ended at.
class ScrollNodeCommand : public Command {
public:
    ScrollNodeCommand(const std::shared_ptr<Diagram>& diagram,
                      const std::shared_ptr<Scrollable>& node, double oldPos);

    void execute() override;
    void undo() override;
    void redo() override;

    // Held weakly: a node that is gone by the time of an undo is simply not scrolled.
    std::shared_ptr<Scrollable> node() const { return node_.lock(); }
    void setNode(const std::shared_ptr<Scrollable>& node) { node_ = node; }
    double newPos() const { return newPos_; }
    void setNewPos(double pos) { newPos_ = pos; }
    double oldPos() const { return oldPos_; }
    void setOldPos(double pos) { oldPos_ = pos; }

private:
    std::weak_ptr<Scrollable> node_;
    double newPos_ = 0.0;
    double oldPos_ = 0.0;
};

}  // namespace nodeloom
