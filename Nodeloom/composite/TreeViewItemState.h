#pragma once

#include <memory>
#include <string>

#include "Nodeloom/composite/TreeViewItem.h"

namespace nodeloom {

// The undo snapshot of one tree item: its values and its own list of children (the same item
// objects), so that restoring brings back the structure below the item too.
class TreeViewItemState {
public:
    std::shared_ptr<platform::ImageSurface> image;
    std::string label;
    double height = 0.0;
    bool expanded = true;
    std::shared_ptr<Brush> labelBrush;
    std::string fontName;
    double fontSize = 0.0;
    std::shared_ptr<MeasureUnit> fontUnit;
    TreeViewItem::ItemList children;
};

}  // namespace nodeloom
