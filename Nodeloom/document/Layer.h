#pragma once

namespace nodeloom {

// One layer of the document. Items refer to a layer by its index in the document's list; the
// layer's zIndex orders whole layers, and hiding or locking a layer hides or locks its items.
class Layer {
public:
    Layer() = default;

    int zIndex() const { return zIndex_; }
    void setZIndex(int zIndex) { zIndex_ = zIndex; }
    bool visible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }
    bool locked() const { return locked_; }
    void setLocked(bool locked) { locked_ = locked; }

private:
    int zIndex_ = 0;
    bool visible_ = true;
    bool locked_ = false;
};

}  // namespace nodeloom
