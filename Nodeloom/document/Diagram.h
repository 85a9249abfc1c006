#pragma once

#include <memory>
#include <string>

#include "Nodeloom/document/Metatype.h"
#include "Nodeloom/foundation/Object.h"

namespace nodeloom {

class ShapeLibrary;

// The diagram document. For now it holds only the process-wide state that the XML context
// consults (the class registry and the shared shape library); the document itself grows here.
class Diagram : public Object {
public:
    // Registers a host class under a class id and version; saved files then carry that id and
    // version for every object whose class record is equal (by name) to `classType`. A later
    // registration with an equal record or the same id replaces the earlier entry.
    static void registerClass(const Metatype<Object>& classType, const std::string& classId,
                              int classVersion);
    static void registerItemClass(const Metatype<Object>& classType, const std::string& classId,
                                  int classVersion);

    // The shape library that documents and nodes share. When the host has removed it, a new
    // library holding the built-in shape is installed, so that a node always finds its default
    // shape.
    static std::shared_ptr<ShapeLibrary> defaultShapes();
    static void setDefaultShapes(std::shared_ptr<ShapeLibrary> library);
};

}  // namespace nodeloom
