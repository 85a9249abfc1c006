#include "Nodeloom/view/LongPressEvent.h"

namespace nodeloom {

LongPressEvent::~LongPressEvent() = default;

}  // namespace nodeloom
