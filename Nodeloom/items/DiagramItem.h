#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Metatype.h"
#include "Nodeloom/items/RuntimeDataKey.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/DashStyle.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/items/HandlesStyle.h"

namespace nodeloom {

class AdjustmentHandle;
class Canvas;
class Diagram;
class DiagramItemState;
class DiagramNode;
class DragState;
class Manipulator;
class RenderOptions;
class Theme;
class XmlContext;
class XmlElement;

// The base of everything that lies on a document. It holds the appearance all item kinds share,
// the z-order and layer position, the interaction flags, a weak reference to its document, and
// answers each appearance value through one fallback chain: the item, its style, the document's
// style, the document's theme, the default theme, a fixed value.
//
// Setters that change the picture repaint the item's area once the value is stored; zIndex and
// layerIndex reorder the whole document instead; the flags only store. No setter compares the
// new value with the old one, so every assignment has its effect.
class DiagramItem : public Object, public std::enable_shared_from_this<DiagramItem> {
public:
    using StylePredicate = std::function<bool(const Style&)>;
    using ItemFilter = std::function<bool(DiagramItem&)>;

    DiagramItem();
    ~DiagramItem() override;

    DiagramItem(const DiagramItem&) = delete;
    DiagramItem& operator=(const DiagramItem&) = delete;

    // Drawing and hit-testing hooks of the item kinds; the base draws nothing and contains
    // nothing.
    virtual void draw(Canvas& canvas, const RenderOptions& options);
    virtual void drawShadow(Canvas& canvas, const RenderOptions& options);
    virtual void drawHandles(Canvas& canvas);
    virtual void drawManipulators(Canvas& canvas);
    virtual std::shared_ptr<Manipulator> hitTestManipulators(Point point);
    virtual void updateFlipOnResize(const Rect& start, const Rect& newBounds,
                                    AdjustmentHandle& handle, DragState& drag);

    // Undo snapshots: createState makes the kind's own (empty) state class, saveState fills the
    // common fields, restoreState assigns them back through the setters.
    virtual std::shared_ptr<DiagramItemState> createState();
    virtual std::shared_ptr<DiagramItemState> saveState();
    virtual void restoreState(const DiagramItemState& state);
    virtual std::shared_ptr<DiagramItemState> saveLocation();
    virtual void restoreLocation(const DiagramItemState& state);
    virtual std::optional<Rect> getAffectedBounds(const Rect& rect);

    // Drops the cached crossings that a change of this item inside rect can affect: its own and
    // those of the links drawn above it (arc mode) or below it (cut mode) whose bounds meet rect.
    virtual void invalidateLinkCrossings(const std::optional<Rect>& rect);

    // The content every item writes into its own element: its own values, unset markers
    // included, never effective ones. The reader also accepts the older "Font", "Pen" and
    // "TextFormat" forms; a value it cannot use keeps what the item had.
    virtual void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context);
    virtual void saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context);
    virtual void saveTextProperties(const std::shared_ptr<XmlElement>& element,
                                    XmlContext& context);
    virtual void saveStrokeProperties(const std::shared_ptr<XmlElement>& element,
                                      XmlContext& context);

    virtual std::shared_ptr<Style> resolveEffectiveStyle(const StylePredicate& predicate) const;
    // Item kinds try their own type names first and then call the base, which tries
    // "DiagramItem" and "Diagram".
    virtual std::shared_ptr<Style> resolveInheritedStyle(const StylePredicate& predicate,
                                                         const std::shared_ptr<Theme>& theme) const;

    virtual bool containsPoint(Point point);
    virtual bool containsPoint(Point point, double threshold);
    // The item when it is visible, contains the point and passes the filter (asked only then).
    virtual std::shared_ptr<DiagramItem> hitTest(Point point, const ItemFilter& filter);
    virtual std::shared_ptr<AdjustmentHandle> hitTestHandle(Point point);
    // The threshold is the caller's; the item leaves onlyNodes to the caller, who checks the
    // kind of the result.
    virtual std::shared_ptr<DiagramItem> hitTest(Point point, double threshold, bool onlyNodes,
                                                 bool onlyInteractive);
    // A rectangle outside which the item's hit tests never answer it or anything it holds (for
    // a link, within the reach of its hit distance); nothing when the item cannot tell, as for
    // any class that may test its points its own way: the document then tries the item at every
    // point. Whoever changes what the rectangle depends on calls hitAreaChanged.
    virtual std::optional<Rect> getHitArea();
    // Tells the item's document that the item's hit area may have changed.
    void hitAreaChanged();
    virtual std::string getClassId() const;

    virtual std::shared_ptr<Brush> getEffectiveBrush() const;
    virtual std::shared_ptr<Color> getEffectiveStroke() const;
    virtual double getEffectiveStrokeThickness() const;
    virtual std::shared_ptr<Color> getEffectiveTextColor() const;
    virtual std::string getEffectiveFontName() const;
    virtual double getEffectiveFontSize() const;
    virtual std::shared_ptr<MeasureUnit> getEffectiveFontUnit() const;
    virtual VerticalAlignment getEffectiveVerticalTextAlignment() const;
    virtual HorizontalAlignment getEffectiveHorizontalTextAlignment() const;

    virtual Metatype<DiagramItem> getClassType() const;
    virtual void removeRuntimeData(RuntimeDataKey key);

    virtual int zIndex() const;
    virtual void setZIndex(int zIndex);
    virtual int layerIndex() const;
    virtual void setLayerIndex(int layerIndex);

    virtual Rect getBounds();
    // Called once the item has been read from a document.
    virtual void onLoad();
    virtual bool intersects(const Rect& rect);
    virtual Rect getBoundingRect();
    // The bounding rectangle widened by the effective stroke thickness and, in a document, by the
    // size of the selection handles.
    virtual Rect getRepaintRect();

    virtual const std::string& text() const;
    virtual void setText(const std::string& text);
    virtual const std::shared_ptr<Color>& textColor() const;
    virtual void setTextColor(std::shared_ptr<Color> color);
    virtual const std::string& fontName() const;
    virtual void setFontName(const std::string& name);
    virtual double fontSize() const;
    virtual void setFontSize(double size);
    virtual const std::shared_ptr<MeasureUnit>& fontUnit() const;
    virtual void setFontUnit(std::shared_ptr<MeasureUnit> unit);
    virtual VerticalAlignment verticalTextAlignment() const;
    virtual void setVerticalTextAlignment(VerticalAlignment alignment);
    virtual HorizontalAlignment horizontalTextAlignment() const;
    virtual void setHorizontalTextAlignment(HorizontalAlignment alignment);
    virtual bool visible() const;
    virtual void setVisible(bool visible);
    virtual bool selected() const;
    virtual void setSelected(bool selected);
    virtual HandlesStyle handlesStyle() const;
    virtual void setHandlesStyle(HandlesStyle style);
    virtual bool standalone() const;
    virtual void setStandalone(bool standalone);
    virtual bool locked() const;
    virtual void setLocked(bool locked);

    virtual bool isTopLevel() const;

    virtual const std::shared_ptr<Color>& stroke() const;
    virtual void setStroke(std::shared_ptr<Color> color);
    virtual DashStyle strokeDashStyle() const;
    virtual void setStrokeDashStyle(DashStyle style);
    virtual double strokeThickness() const;
    virtual void setStrokeThickness(double thickness);
    virtual const std::shared_ptr<Brush>& brush() const;
    virtual void setBrush(std::shared_ptr<Brush> brush);

    // Asks the document to redraw the item's area; nothing without a document.
    virtual void repaint();

    virtual const std::shared_ptr<Style>& style() const;
    virtual void setStyle(std::shared_ptr<Style> style);
    virtual const std::string& tag() const;
    virtual void setTag(const std::string& tag);
    virtual std::shared_ptr<Diagram> diagram() const;
    virtual void setDiagram(const std::shared_ptr<Diagram>& diagram);
    // The nodes attached to this item that are still alive, in the order they were attached.
    // The item refers to them weakly: nodes attached to each other in a loop would otherwise
    // keep each other alive once their document and the caller let go of them.
    virtual std::vector<std::shared_ptr<DiagramNode>> attachedNodes() const;
    virtual void setAttachedNodes(const std::vector<std::shared_ptr<DiagramNode>>& nodes);
    // Null is ignored; a node is listed as often as it is added.
    virtual void addAttachedNode(const std::shared_ptr<DiagramNode>& node);
    // Drops the first entry of that node; nothing when it is not listed.
    virtual void removeAttachedNode(const DiagramNode& node);

    virtual bool ignoreLayout() const;
    virtual void setIgnoreLayout(bool ignore);

    // Kept by the document: the item's position in its item list, and whether the item is drawn
    // by the document rather than by a container.
    int runtimeIndex() const { return runtimeIndex_; }
    void setRuntimeIndex(int index) { runtimeIndex_ = index; }
    bool topLevel() const { return topLevel_; }
    void setTopLevel(bool topLevel) { topLevel_ = topLevel; }

    // Per-item caches that are never saved (link crossings, layout data, group marks).
    std::map<RuntimeDataKey, std::shared_ptr<Object>>& runtimeData() { return runtimeData_; }
    const std::map<RuntimeDataKey, std::shared_ptr<Object>>& runtimeData() const {
        return runtimeData_;
    }

    // Items already visited by one walk over dependent items; the walker empties it at the end.
    // Weak, so that a walk that is never finished cannot keep items alive.
    std::vector<std::weak_ptr<DiagramItem>>& cycleGuard() { return cycleGuard_; }

protected:
    // True for the items that keep cached link crossings (links): the crossings around a changed
    // area are dropped only from them.
    virtual bool cachesLinkCrossings() const;

private:
    int zIndex_ = -1;
    int layerIndex_ = -1;
    std::string text_;
    std::shared_ptr<Color> textColor_;
    std::string fontName_;
    double fontSize_ = -1.0;
    std::shared_ptr<MeasureUnit> fontUnit_;
    VerticalAlignment verticalTextAlignment_ = VerticalAlignment::center;
    HorizontalAlignment horizontalTextAlignment_ = HorizontalAlignment::center;
    bool visible_ = true;
    bool selected_ = false;
    HandlesStyle handlesStyle_ = HandlesStyle::squareHandles;
    bool standalone_ = true;
    bool locked_ = false;
    int runtimeIndex_ = -1;
    std::map<RuntimeDataKey, std::shared_ptr<Object>> runtimeData_;
    std::shared_ptr<Color> stroke_;
    DashStyle strokeDashStyle_ = DashStyle::solid;
    double strokeThickness_ = 1.0;
    std::shared_ptr<Brush> brush_;
    std::shared_ptr<Style> style_;
    std::string tag_;
    std::weak_ptr<Diagram> diagram_;
    std::vector<std::weak_ptr<DiagramNode>> attachedNodes_;
    std::vector<std::weak_ptr<DiagramItem>> cycleGuard_;
    bool topLevel_ = true;
    bool ignoreLayout_ = false;
};

}  // namespace nodeloom
