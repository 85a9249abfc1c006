#include "Nodeloom/view/PannedLabelView.h"

namespace nodeloom {

PannedLabelView::PannedLabelView(Passkey key, const Rect& frame) : Label(key, frame) {}

PannedLabelView::~PannedLabelView() = default;

std::shared_ptr<PannedLabelView> PannedLabelView::create(const Rect& frame) {
    return std::make_shared<PannedLabelView>(Passkey(), frame);
}

}  // namespace nodeloom
