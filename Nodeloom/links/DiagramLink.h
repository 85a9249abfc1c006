#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/RenderOptions.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramItemState.h"
#include "Nodeloom/items/InplaceEditable.h"
#include "Nodeloom/links/Crossing.h"
#include "Nodeloom/links/DiagramLinkState.h"
#include "Nodeloom/links/LinkShape.h"

namespace nodeloom {

class Canvas;
class ConnectionPoint;
class DiagramNode;
class LinkLabel;
class TextLayoutCache;
class LinkShapeImpl;
class Shape;

// The connector item: a list of control points from an origin node to a destination node, laid
// out by the strategy of its shape. Each end is a connection point; an end that was never
// connected, or whose node is gone, sits on the shared virtual node.
//
// The point list holds at least two points whenever the link is used as intended; every
// operation still copes with a shorter list by doing nothing. Numbers that are not finite are
// refused and leave the link as it was.
class DiagramLink : public DiagramItem, public InplaceEditable {
public:
    // The link's cached crossings, one list per segment (see CrossingsData.h).
    class CrossingsData;
    // The link's text as last laid out for drawing: parallel lists of rectangles, angles and
    // strings.
    struct TextLayout {
        std::vector<Rect> rectangles;
        std::vector<double> angles;
        std::vector<std::string> strings;
    };

    DiagramLink();
    ~DiagramLink() override;

    // Installs a computed route, each point moved by (dx, dy). Without points the link becomes a
    // straight two-point polyline between its ends. With clipEnds the ends are put on the node
    // outlines; unless keepShape, the shape's strategy then adapts the list. A list of fewer than
    // two points, or a number that is not finite, changes nothing.
    virtual void applyPoints(const std::optional<std::vector<Point>>& points, double dx, double dy,
                             bool clipEnds, bool keepShape);
    // Puts both end points on the outlines of their nodes, on the line towards the neighbouring
    // control point; ends on overlapping nodes are aligned to the nodes instead.
    virtual void clipEndsToOutlines();
    // Attaches one end to the node, at its anchor or border point nearest to `point` (without a
    // point, nearest to the centre of the other end's node); with relink the link also moves from
    // the old node's link list to the new one's. A null node means the virtual node.
    virtual void connectEnd(const std::shared_ptr<DiagramNode>& node, bool incoming,
                            std::optional<Point> point, bool relink);
    // Attaches one end to the node under the point, else to the nearest node within 10 units
    // other than the one at the link's other end, else to the virtual node.
    virtual void connectEndAt(Point point, bool incoming, bool relink);

    // Editing the link's text in place.
    std::string getTextToEdit() override;
    void setEditedText(const std::string& text) override;
    // 40 by 20 millimetres centred on the pointer.
    Rect getEditRect(const std::shared_ptr<DiagramItem>& item, Point pointerPosition) override;
    void raiseItemTextEditing(const std::string& oldText, const std::string& newText) override;
    void raiseItemTextEdited(const std::string& oldText, const std::string& newText) override;
    std::shared_ptr<DiagramItem> getEditedItem() override;

    // Spaces the inner points of a polyline of two segments or more evenly between its ends.
    virtual void alignPoints();
    // Moves every point but the ends by (-dx, -dy).
    virtual void translateInnerPoints(double dx, double dy);
    // Puts the ends back where their connections say, after a node moved or changed.
    virtual void updateEndsFromConnections();

    // The two ends; reading one that was never set gives a virtual end, which is kept.
    virtual std::shared_ptr<ConnectionPoint> originConnection();
    virtual void setOriginConnection(std::shared_ptr<ConnectionPoint> connection);
    virtual std::shared_ptr<ConnectionPoint> destinationConnection();
    virtual void setDestinationConnection(std::shared_ptr<ConnectionPoint> connection);
    // The node at each end; the virtual node for a loose end or one whose node is gone.
    virtual std::shared_ptr<DiagramNode> origin();
    // Moves the origin to the node, turning the destination end towards it first.
    virtual void setOrigin(const std::shared_ptr<DiagramNode>& node);
    // Moves the origin to the node's outline point nearest to the current end point; nothing
    // when the node already is the origin.
    virtual void reconnectOrigin(const std::shared_ptr<DiagramNode>& node, bool alignOther);
    virtual std::shared_ptr<DiagramNode> destination();
    virtual void setDestination(const std::shared_ptr<DiagramNode>& node);
    virtual void reconnectDestination(const std::shared_ptr<DiagramNode>& node, bool alignOther);
    // The anchor index of each end. Setting one moves the end onto that anchor point when the
    // node has it; otherwise only the index is kept.
    virtual int originAnchor();
    virtual void setOriginAnchor(int anchor);
    virtual int destinationAnchor();
    virtual void setDestinationAnchor(int anchor);
    // Realigns the ends that sit on table rows or tree items and squares their segments.
    virtual void alignEndsToRows();

    // The first and the last control point; (0, 0) and no change for a link without points or
    // for a point that is not finite.
    virtual Point startPoint() const;
    virtual void setStartPoint(Point point);
    virtual Point endPoint() const;
    virtual void setEndPoint(Point point);

    // The first label whose layout rectangle holds the point, edges included.
    virtual std::shared_ptr<LinkLabel> labelFromPoint(Point point);
    // The link's bounds joined with its labels' rectangles.
    std::optional<Rect> getHitArea() override;
    // The points of one segment: its two ends, or a Bézier segment sampled at 31 points. Empty
    // for an index outside the link.
    virtual std::vector<Point> getSegmentPoints(int index);
    // The link as a polyline: the control points, or every Bézier segment sampled at 31 points.
    virtual std::vector<Point> getFlattenedPoints();
    // Where a segment from p1 towards p2 ends under an arrowhead of that shape and size.
    virtual Point getInsetEndPoint(Point p1, Point p2, const std::shared_ptr<Shape>& shape,
                                   double size) const;
    // The rectangle of the link's text around the middle of its ends, in document units.
    virtual Rect measureText(const std::string& text, bool wrap, double maxWidth, double margin);

    // The points are read through this list and written only through the operations of the
    // link, each of which tells the document that the link's hit area may have moved.
    virtual const std::vector<Point>& controlPoints() const { return controlPoints_; }
    // Stores the list as it is; the caller repaints. A list with a point that is not finite
    // changes nothing.
    virtual void setControlPoints(std::vector<Point> points);
    // Stores one point as it is, and an end point as where that end sits on its node; the
    // caller repaints. An index past the list, or a point that is not finite, changes nothing.
    void setControlPoint(std::size_t index, Point point);
    // Records where the ends now sit on their nodes and repaints the document.
    virtual void updateFromPoints();

    virtual LinkShape shape() const { return shape_; }
    // Lays the points out afresh when they do not suit the new shape.
    virtual void setShape(LinkShape shape);

    // Arrowheads and their pens. Null colours and sizes that are not finite are refused.
    virtual const std::shared_ptr<Color>& headStroke() const { return headStroke_; }
    virtual void setHeadStroke(std::shared_ptr<Color> color);
    virtual double headStrokeThickness() const { return headStrokeThickness_; }
    virtual void setHeadStrokeThickness(double thickness);
    virtual const std::shared_ptr<Shape>& headShape() const { return headShape_; }
    virtual void setHeadShape(std::shared_ptr<Shape> shape);
    virtual double headShapeSize() const { return headShapeSize_; }
    virtual void setHeadShapeSize(double size);
    virtual const std::shared_ptr<Brush>& headBrush() const { return headBrush_; }
    virtual void setHeadBrush(std::shared_ptr<Brush> brush);
    virtual const std::shared_ptr<Shape>& baseShape() const { return baseShape_; }
    virtual void setBaseShape(std::shared_ptr<Shape> shape);
    virtual double baseShapeSize() const { return baseShapeSize_; }
    virtual void setBaseShapeSize(double size);
    virtual const std::shared_ptr<Brush>& baseBrush() const { return baseBrush_; }
    virtual void setBaseBrush(std::shared_ptr<Brush> brush);
    virtual const std::shared_ptr<Shape>& intermediateShape() const { return intermediateShape_; }
    virtual void setIntermediateShape(std::shared_ptr<Shape> shape);
    virtual double intermediateShapeSize() const { return intermediateShapeSize_; }
    virtual void setIntermediateShapeSize(double size);
    virtual const std::shared_ptr<Brush>& intermediateBrush() const { return intermediateBrush_; }
    virtual void setIntermediateBrush(std::shared_ptr<Brush> brush);

    virtual bool cascadeStartHorizontal() const { return cascadeStartHorizontal_; }
    virtual void setCascadeStartHorizontal(bool value) { cascadeStartHorizontal_ = value; }
    virtual bool drawCrossings() const { return drawCrossings_; }
    virtual void setDrawCrossings(bool draw);
    virtual double crossingRadius() const { return crossingRadius_; }
    virtual void setCrossingRadius(double radius);
    // The labels are read through this list and changed only through the two operations below
    // and the label's setLink (or their own setters, which tell the link). A label belongs to
    // the link that holds it, as it is placed against that link: taking one in makes this link
    // the label's link and takes it from the link that held it. The list holds each label once;
    // a label the list no longer holds has no link.
    virtual const std::vector<std::shared_ptr<LinkLabel>>& labels() const { return labels_; }
    virtual void setLabels(std::vector<std::shared_ptr<LinkLabel>> labels);
    // Appends the label, unless the link holds it already; null is refused.
    void addLabel(std::shared_ptr<LinkLabel> label);
    // The midpoint of the first and the last control point.
    virtual Point center() const;
    // The first point, walking inwards from either end, that differs from that end by 1e-5 or
    // more in x or y; the end itself when all points coincide.
    virtual Point getFirstDistinctPoint() const;
    virtual Point getLastDistinctPoint() const;

    // Bézier links have 3n + 1 points for n segments, the others n + 1.
    virtual int segmentCount() const;
    // Respaces the points evenly on the line between the ends for that many segments; cascading
    // links are then made orthogonal. A count below 1 is refused, and so is one that would need
    // more than a million points.
    virtual void setSegmentCount(int count);

    // Moves the end to the point and straightens the link, keeping its point count; a cascading
    // link only moves its end.
    virtual void stretchToPoint(Point point);
    // Bézier segments flattened with that many steps each (at least one); the control points of
    // any other shape.
    virtual std::vector<Point> getFlattenedPointsWithSteps(int steps);
    // Lets the shape adapt points that were just set; with update, also records the ends.
    virtual void onPointsApplied(bool update);
    virtual bool autoRoute() const { return autoRoute_; }
    // A change tells the link's document, which counts its links that route themselves.
    virtual void setAutoRoute(bool autoRoute);

    // Kept for callers that set them; nothing in the library reads them.
    Point pivot() const { return pivot_; }
    const std::optional<Point>& closerDistanceTo() const { return closerDistanceTo_; }
    void setCloserDistanceTo(std::optional<Point> point) { closerDistanceTo_ = point; }
    const Rect& invalidRect() const { return invalidRect_; }
    void setInvalidRect(const Rect& rect) { invalidRect_ = rect; }
    CustomDraw customDraw() const { return customDraw_; }
    void setCustomDraw(CustomDraw customDraw) { customDraw_ = customDraw; }

    // Drawing: the pen and fill, the body through the shape's strategy (with crossings), the base,
    // intermediate and head shapes, the labels and the text. The one-argument form draws with
    // default options.
    void draw(Canvas& canvas);
    void draw(Canvas& canvas, const RenderOptions& options) override;
    // A handle at every control point, in the link's handles style.
    void drawHandles(Canvas& canvas) override;
    // Lays the link's text out against its ends and draws it.
    virtual void updateTextLayout(Canvas& canvas);
    const std::shared_ptr<TextLayout>& textLayout() const { return textLayout_; }
    // Draws the shape with its tip at `position`, turned along the segment from `segmentStart`
    // (pointing right when the two coincide), in a square of side `size` hanging behind the tip.
    // The pivot plays no part.
    static void drawArrowhead(Canvas& canvas, const std::shared_ptr<Shape>& shape, Point pivot,
                              Point position, Point segmentStart, double size);
    static void drawShapeAlongSegment(Canvas& canvas, const std::shared_ptr<Shape>& shape,
                                      Point position, Point segmentStart, double size);
    // The link's crossings with the links below it (bridges) or above it (gaps), as the
    // document's linkCrossings says; cached in the link's run-time data while the link, the
    // document's mode and its crossing radius stay as they were. Empty lists for a link in no
    // document.
    virtual std::shared_ptr<CrossingsData> computeCrossings();
    // Control point `index`, the first and the last pulled in under the base and head shapes;
    // (0, 0) for an index outside the link.
    virtual Point getTrimmedPoint(int index) const;

    // The strategy of the link's current shape.
    std::shared_ptr<LinkShapeImpl> shapeImpl() const;

    std::shared_ptr<DiagramItemState> createState() override;
    std::shared_ptr<DiagramItemState> saveState() override;
    // Brings back the ends, points, shape, arrowheads, routing switch and labels of a link state.
    // An end brought back on another node also moves the link between the two nodes' lists.
    void restoreState(const DiagramItemState& state) override;
    // Brings back the ends, points and first cascading direction only, moving the link between
    // node lists as restoreState does.
    void restoreLocation(const DiagramItemState& state) override;
    // The link's content inside its own element. Loading keeps a value it cannot use, and makes
    // a whole link of one whose "Points" are missing or short.
    void saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) override;
    void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) override;
    // A theme style for "DiagramLink" first, then the item's own lookup.
    std::shared_ptr<Style> resolveInheritedStyle(
        const StylePredicate& predicate, const std::shared_ptr<Theme>& theme) const override;
    // Within the document's link hit distance or, when that is 0, within 5 millimetres.
    bool containsPoint(Point point) override;
    // On a label, or nearer to the path than the threshold.
    bool containsPoint(Point point, double threshold) override;
    std::shared_ptr<AdjustmentHandle> hitTestHandle(Point point) override;
    std::string getClassId() const override;
    Metatype<DiagramItem> getClassType() const override;
    // The box of the control points, grown by the link's own stroke thickness when that is
    // positive.
    Rect getBounds() override;
    // Whether the link's path meets the rectangle, edges included.
    bool intersects(const Rect& rect) override;
    Rect getBoundingRect() override;
    // Every link while no container exists; afterwards a link to a top-level node, or one
    // marked top-level itself.
    bool isTopLevel() const override;

protected:
    bool cachesLinkCrossings() const override;

private:
    // A label's setLink takes it from the link that holds it.
    friend class LinkLabel;

    std::shared_ptr<DiagramLink> self();
    // The node of a connection, or the virtual node when it has none any more.
    static std::shared_ptr<DiagramNode> nodeOf(const std::shared_ptr<ConnectionPoint>& connection);
    void reconnect(const std::shared_ptr<DiagramNode>& node, bool alignOther, bool incoming);
    void setAnchor(int anchor, bool incoming);
    // Makes the link the label's link, taking the label from the link that held it.
    static void takeLabel(LinkLabel& label, const std::shared_ptr<DiagramLink>& link);
    // Takes the label out of the list, telling the document where it was drawn.
    void dropLabel(const LinkLabel& label);
    // Puts the state's ends on the link, moving the link out of the lists of a node it leaves
    // and into those of the node it comes back to.
    void restoreEnds(const DiagramLinkState& state);
    // The end read from a link element: on the referenced node, or on the virtual node.
    std::shared_ptr<ConnectionPoint> loadEnd(const std::shared_ptr<XmlElement>& element,
                                             XmlContext& context, bool incoming);
    // 1.0 converted from millimetres into the document's unit; 1 without a document.
    double millimetre() const;

    // The text rectangle last measured and what it was measured for, so that a link whose text,
    // font and ends stay as they were is not measured again on every draw.
    struct TextMeasure {
        std::string text;
        std::string fontName;
        double fontSize = 0;
        const MeasureUnit* fontUnit = nullptr;
        const MeasureUnit* unit = nullptr;
        HorizontalAlignment horizontal{};
        VerticalAlignment vertical{};
        Point start;
        Point end;
        Rect rect;
    };
    Rect measureLinkText();

    std::shared_ptr<ConnectionPoint> originConnection_;
    std::shared_ptr<ConnectionPoint> destinationConnection_;
    std::vector<Point> controlPoints_{Point(0, 0), Point(50, 50)};
    LinkShape shape_ = LinkShape::polyline;
    std::shared_ptr<Color> headStroke_;
    double headStrokeThickness_ = 1.0;
    std::shared_ptr<Shape> headShape_;
    double headShapeSize_ = 5.0;
    std::shared_ptr<Brush> headBrush_;
    std::shared_ptr<Shape> baseShape_;
    double baseShapeSize_ = 5.0;
    std::shared_ptr<Brush> baseBrush_;
    std::shared_ptr<Shape> intermediateShape_;
    double intermediateShapeSize_ = 5.0;
    std::shared_ptr<Brush> intermediateBrush_;
    Point pivot_{50.0, 0.0};
    std::optional<Point> closerDistanceTo_;
    CustomDraw customDraw_ = CustomDraw::none;
    bool cascadeStartHorizontal_ = false;
    bool drawCrossings_ = true;
    double crossingRadius_ = 0.0;
    std::vector<std::shared_ptr<LinkLabel>> labels_;
    bool autoRoute_ = false;
    Rect invalidRect_;
    std::shared_ptr<TextLayout> textLayout_;
    std::optional<TextMeasure> textMeasure_;
    // The link text as last measured or laid out for drawing; made on first use.
    std::unique_ptr<TextLayoutCache> textCache_;
};

}  // namespace nodeloom

// The cached crossings need the complete link class.
#include "Nodeloom/links/CrossingsData.h"
