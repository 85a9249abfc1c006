#pragma once

#include <memory>
#include <string>
#include <utility>

namespace nodeloom {

class Diagram;
class DiagramItem;

// One undoable change of a document. Hosts derive their own commands from it; the base operations
// do nothing. A command refers to its document without owning it: the document owns the undo
// history that holds the command.
class Command {
public:
    explicit Command(Diagram* diagram) : diagram_(diagram) {}
    virtual ~Command();

    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    // Performs the change for the first time.
    virtual void execute();
    virtual void undo();
    // Performs the change again after an undo.
    virtual void redo();

    Diagram* diagram() const { return diagram_; }
    void setDiagram(Diagram* diagram) { diagram_ = diagram; }
    // Nothing in the library reads it; the library's commands carry their class name.
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

protected:
    // Puts back an item that an undo or a redo took out of the document, as it was taken out:
    // adding a link would lay a polyline's inner points out afresh. False when the document did
    // not take the item.
    static bool reinsertItem(Diagram& diagram, const std::shared_ptr<DiagramItem>& item);

private:
    Diagram* diagram_;
    std::string name_;
};

}  // namespace nodeloom
