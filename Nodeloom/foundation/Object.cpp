#include "Nodeloom/foundation/Object.h"

namespace nodeloom {

// Defined here so that the vtable and type information of Object live in the library once.
Object::~Object() = default;

}  // namespace nodeloom
