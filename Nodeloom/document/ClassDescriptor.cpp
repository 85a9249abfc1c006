#include "Nodeloom/document/ClassDescriptor.h"

#include <utility>

namespace nodeloom {

ClassDescriptor::ClassDescriptor(Metatype<Object> classType, std::string classId, int classVersion)
    : classType_(std::move(classType)), classId_(std::move(classId)), classVersion_(classVersion) {}

std::unordered_map<Metatype<Object>, std::shared_ptr<ClassDescriptor>>& ClassDescriptor::byType() {
    static std::unordered_map<Metatype<Object>, std::shared_ptr<ClassDescriptor>> map;
    return map;
}

std::unordered_map<std::string, std::shared_ptr<ClassDescriptor>>& ClassDescriptor::byId() {
    static std::unordered_map<std::string, std::shared_ptr<ClassDescriptor>> map;
    return map;
}

const std::unordered_map<Metatype<Object>, std::shared_ptr<ClassDescriptor>>&
ClassDescriptor::classesByType() {
    return byType();
}

const std::unordered_map<std::string, std::shared_ptr<ClassDescriptor>>&
ClassDescriptor::classesById() {
    return byId();
}

std::shared_ptr<ClassDescriptor> ClassDescriptor::find(const Metatype<Object>& type) {
    const auto& map = byType();
    const auto it = map.find(type);
    return it == map.end() ? nullptr : it->second;
}

}  // namespace nodeloom
