#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace nodeloom {

class Diagram;
class DiagramItem;

// One undoable change of a document. Hosts derive their own commands from it; the base operations
// do nothing. The document owns the undo history that holds its commands, and a host may keep a
// command beyond that, so a command refers to its document weakly: once the document is gone,
// the library's commands do nothing.
class Command {
public:
    explicit Command(const std::shared_ptr<Diagram>& diagram) : diagram_(diagram) {}
    virtual ~Command();

    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    // Performs the change for the first time.
    virtual void execute();
    virtual void undo();
    // Performs the change again after an undo.
    virtual void redo();

    // Null once the document is gone.
    std::shared_ptr<Diagram> diagram() const { return diagram_.lock(); }
    void setDiagram(const std::shared_ptr<Diagram>& diagram) { diagram_ = diagram; }
    // Nothing in the library reads it; the library's commands carry their class name.
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

protected:
    // Puts back an item that an undo or a redo took out of the document, as it was taken out:
    // adding a link would lay a polyline's inner points out afresh. False when the document did
    // not take the item.
    static bool reinsertItem(Diagram& diagram, const std::shared_ptr<DiagramItem>& item,
                             std::optional<std::size_t> position = std::nullopt);

private:
    std::weak_ptr<Diagram> diagram_;
    std::string name_;
};

}  // namespace nodeloom
