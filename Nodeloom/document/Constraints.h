#pragma once

#include <optional>

namespace nodeloom {

// Limits a node asks to keep while it is moved or resized by touch. The node only stores them;
// the document's constraint rules read them.
class Constraints {
public:
    Constraints() = default;
    virtual ~Constraints() = default;

    const std::optional<double>& minWidth() const { return minWidth_; }
    void setMinWidth(std::optional<double> width) { minWidth_ = width; }
    bool keepInsideParent() const { return keepInsideParent_; }
    void setKeepInsideParent(bool keep) { keepInsideParent_ = keep; }

private:
    std::optional<double> minWidth_;
    bool keepInsideParent_ = false;
};

}  // namespace nodeloom
