#pragma once

#include <string>

#include "Nodeloom/document/Metatype.h"
#include "Nodeloom/foundation/Object.h"

namespace nodeloom {

// The diagram document. For now it holds only the process-wide class registry that the XML
// context consults when it writes class attributes; the document itself grows here.
class Diagram : public Object {
public:
    // Registers a host class under a class id and version; saved files then carry that id and
    // version for every object whose class record is equal (by name) to `classType`. A later
    // registration with an equal record or the same id replaces the earlier entry.
    static void registerClass(const Metatype<Object>& classType, const std::string& classId,
                              int classVersion);
    static void registerItemClass(const Metatype<Object>& classType, const std::string& classId,
                                  int classVersion);
};

}  // namespace nodeloom
