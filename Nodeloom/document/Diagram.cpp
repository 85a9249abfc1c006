#include "Nodeloom/document/Diagram.h"

#include <memory>

#include "Nodeloom/document/ClassDescriptor.h"

namespace nodeloom {

void Diagram::registerClass(const Metatype<Object>& classType, const std::string& classId,
                            int classVersion) {
    auto descriptor = std::make_shared<ClassDescriptor>(classType, classId, classVersion);
    auto& byType = ClassDescriptor::byType();
    // Erase first so that the stored key is the new record, not the first one registered.
    byType.erase(classType);
    byType.emplace(classType, descriptor);
    ClassDescriptor::byId()[classId] = std::move(descriptor);
}

void Diagram::registerItemClass(const Metatype<Object>& classType, const std::string& classId,
                                int classVersion) {
    registerClass(classType, classId, classVersion);
}

}  // namespace nodeloom
