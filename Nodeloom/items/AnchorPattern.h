#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/items/AnchorPoint.h"

namespace nodeloom {

// An ordered list of anchor points, shared by every node that uses it: nodes never copy patterns,
// and link ends refer to a point by its index here. A named pattern is entered in a process-wide
// registry, which keeps it for the life of the process and is how documents refer to it.
class AnchorPattern : public std::enable_shared_from_this<AnchorPattern> {
public:
    // Unnamed.
    AnchorPattern() = default;
    explicit AnchorPattern(std::vector<std::shared_ptr<AnchorPoint>> points);
    virtual ~AnchorPattern() = default;

    // Made and then registered under the id; unnamed when the id is already taken.
    static std::shared_ptr<AnchorPattern> create(const std::string& id);
    static std::shared_ptr<AnchorPattern> create(std::vector<std::shared_ptr<AnchorPoint>> points,
                                                 const std::string& id);

    // The first pattern registered under a name keeps it; a later one stays unnamed. A pattern
    // that is not held by a shared pointer cannot be kept by the registry and stays unnamed too.
    void registerPattern(const std::string& name);
    // The registered pattern, or null. The predefined names resolve without being read first.
    static std::shared_ptr<AnchorPattern> fromId(const std::string& name);

    // Each call builds a new pattern and registers it, so only the first one built under a name
    // is the registered one.
    static std::shared_ptr<AnchorPattern> topInBottomOut();
    static std::shared_ptr<AnchorPattern> leftInRightOut();
    static std::shared_ptr<AnchorPattern> decision1In3Out();
    static std::shared_ptr<AnchorPattern> decision2In2Out();

    const std::vector<std::shared_ptr<AnchorPoint>>& points() const { return points_; }
    std::vector<std::shared_ptr<AnchorPoint>>& points() { return points_; }
    void setPoints(std::vector<std::shared_ptr<AnchorPoint>> points) {
        points_ = std::move(points);
    }
    int regIndex() const { return regIndex_; }
    void setRegIndex(int index) { regIndex_ = index; }
    const std::string& patternId() const { return patternId_; }

private:
    std::vector<std::shared_ptr<AnchorPoint>> points_;
    int regIndex_ = -1;
    std::string patternId_;
};

}  // namespace nodeloom
