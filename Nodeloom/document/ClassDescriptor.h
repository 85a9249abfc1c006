#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "Nodeloom/foundation/Metatype.h"
#include "Nodeloom/foundation/Object.h"

namespace nodeloom {

// One entry of the process-wide class registry: the record a host registered, with the class id
// and version that saved files carry for that class.
class ClassDescriptor {
public:
    ClassDescriptor(Metatype<Object> classType, std::string classId, int classVersion);

    const Metatype<Object>& _classType() const { return classType_; }
    const std::string& _classId() const { return classId_; }
    int _classVersion() const { return classVersion_; }

    // The two registry maps; registration goes through Diagram::registerClass. They are created
    // on first use and live for the process.
    static const std::unordered_map<Metatype<Object>, std::shared_ptr<ClassDescriptor>>&
    classesByType();
    static const std::unordered_map<std::string, std::shared_ptr<ClassDescriptor>>& classesById();

    // The entry registered under a record equal to `type` (by name), or null.
    static std::shared_ptr<ClassDescriptor> find(const Metatype<Object>& type);

private:
    friend class Diagram;
    static std::unordered_map<Metatype<Object>, std::shared_ptr<ClassDescriptor>>& byType();
    static std::unordered_map<std::string, std::shared_ptr<ClassDescriptor>>& byId();

    Metatype<Object> classType_;
    std::string classId_;
    int classVersion_;
};

}  // namespace nodeloom
