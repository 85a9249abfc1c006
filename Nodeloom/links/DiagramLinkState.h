#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/items/DiagramItemState.h"
#include "Nodeloom/links/LinkShape.h"

namespace nodeloom {

class ConnectionPoint;
class LinkLabel;
class Shape;

// The undo snapshot of a link. It holds the link's connection points, arrowhead shapes, brushes
// and labels themselves, not copies; the point list is a copy. The labels go on changing with the
// link, so a copy of each label's values is kept beside it, to be written back into it on
// restore. A location snapshot fills only the ends, the points and the direction of the first
// cascading segment.
class DiagramLinkState : public DiagramItemState {
public:
    DiagramLinkState();
    ~DiagramLinkState() override;

    const std::shared_ptr<ConnectionPoint>& originConnection() const { return originConnection_; }
    void setOriginConnection(std::shared_ptr<ConnectionPoint> c) {
        originConnection_ = std::move(c);
    }
    const std::shared_ptr<ConnectionPoint>& destinationConnection() const {
        return destinationConnection_;
    }
    void setDestinationConnection(std::shared_ptr<ConnectionPoint> c) {
        destinationConnection_ = std::move(c);
    }
    // Where an end sat on its node when the snapshot was taken: its connection point goes on
    // changing with the link, and would else place the end by a later share than the points
    // brought back.
    struct EndPlace {
        Point relativePosition;
        int anchor = -1;
    };
    const std::optional<EndPlace>& originPlace() const { return originPlace_; }
    const std::optional<EndPlace>& destinationPlace() const { return destinationPlace_; }
    void setEndPlaces(std::optional<EndPlace> origin, std::optional<EndPlace> destination) {
        originPlace_ = origin;
        destinationPlace_ = destination;
    }
    const std::vector<Point>& controlPoints() const { return controlPoints_; }
    void setControlPoints(std::vector<Point> points) { controlPoints_ = std::move(points); }
    bool cascadeStartHorizontal() const { return cascadeStartHorizontal_; }
    void setCascadeStartHorizontal(bool value) { cascadeStartHorizontal_ = value; }
    LinkShape shape() const { return shape_; }
    void setShape(LinkShape shape) { shape_ = shape; }

    const std::shared_ptr<Shape>& headShape() const { return headShape_; }
    void setHeadShape(std::shared_ptr<Shape> shape) { headShape_ = std::move(shape); }
    double headShapeSize() const { return headShapeSize_; }
    void setHeadShapeSize(double size) { headShapeSize_ = size; }
    const std::shared_ptr<Brush>& headBrush() const { return headBrush_; }
    void setHeadBrush(std::shared_ptr<Brush> brush) { headBrush_ = std::move(brush); }
    const std::shared_ptr<Shape>& baseShape() const { return baseShape_; }
    void setBaseShape(std::shared_ptr<Shape> shape) { baseShape_ = std::move(shape); }
    double baseShapeSize() const { return baseShapeSize_; }
    void setBaseShapeSize(double size) { baseShapeSize_ = size; }
    const std::shared_ptr<Brush>& baseBrush() const { return baseBrush_; }
    void setBaseBrush(std::shared_ptr<Brush> brush) { baseBrush_ = std::move(brush); }
    const std::shared_ptr<Shape>& intermediateShape() const { return intermediateShape_; }
    void setIntermediateShape(std::shared_ptr<Shape> shape) {
        intermediateShape_ = std::move(shape);
    }
    double intermediateShapeSize() const { return intermediateShapeSize_; }
    void setIntermediateShapeSize(double size) { intermediateShapeSize_ = size; }
    const std::shared_ptr<Brush>& intermediateBrush() const { return intermediateBrush_; }
    void setIntermediateBrush(std::shared_ptr<Brush> brush) {
        intermediateBrush_ = std::move(brush);
    }

    bool autoRoute() const { return autoRoute_; }
    void setAutoRoute(bool autoRoute) { autoRoute_ = autoRoute; }
    const std::vector<std::shared_ptr<LinkLabel>>& labels() const { return labels_; }
    void setLabels(std::vector<std::shared_ptr<LinkLabel>> labels) { labels_ = std::move(labels); }
    // Detached copies of the labels' values, one per entry of labels().
    const std::vector<std::shared_ptr<LinkLabel>>& labelValues() const { return labelValues_; }
    void setLabelValues(std::vector<std::shared_ptr<LinkLabel>> values) {
        labelValues_ = std::move(values);
    }

private:
    std::shared_ptr<ConnectionPoint> originConnection_;
    std::shared_ptr<ConnectionPoint> destinationConnection_;
    std::optional<EndPlace> originPlace_;
    std::optional<EndPlace> destinationPlace_;
    std::vector<Point> controlPoints_;
    bool cascadeStartHorizontal_ = false;
    LinkShape shape_ = LinkShape::polyline;
    std::shared_ptr<Shape> headShape_;
    double headShapeSize_ = 0.0;
    std::shared_ptr<Brush> headBrush_;
    std::shared_ptr<Shape> baseShape_;
    double baseShapeSize_ = 0.0;
    std::shared_ptr<Brush> baseBrush_;
    std::shared_ptr<Shape> intermediateShape_;
    double intermediateShapeSize_ = 0.0;
    std::shared_ptr<Brush> intermediateBrush_;
    bool autoRoute_ = false;
    std::vector<std::shared_ptr<LinkLabel>> labels_;
    std::vector<std::shared_ptr<LinkLabel>> labelValues_;
};

}  // namespace nodeloom
