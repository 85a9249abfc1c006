#pragma once

#include <memory>

#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/Label.h"
#include "Nodeloom/view/PaletteSlots.h"

namespace nodeloom {

// The name label of a palette row.
class PannedLabelView : public platform::Label, public PaletteSlots {
public:
    static std::shared_ptr<PannedLabelView> create(const Rect& frame);

    PannedLabelView(Passkey key, const Rect& frame);
    ~PannedLabelView() override;
};

}  // namespace nodeloom
