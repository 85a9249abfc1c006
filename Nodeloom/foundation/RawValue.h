#pragma once

#include <optional>

namespace nodeloom {

// Builds an enumeration from its integer raw value, or nothing when no case has that value.
// Each enumeration that is read from raw values specialises this template beside its definition.
template <typename E>
std::optional<E> fromRaw(int raw);

}  // namespace nodeloom
