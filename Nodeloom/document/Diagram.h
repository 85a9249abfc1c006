#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "Nodeloom/document/ContextMenuEventArgs.h"
#include "Nodeloom/document/DiagramEventArgs.h"
#include "Nodeloom/document/EditCellTextEventArgs.h"
#include "Nodeloom/document/EditLinkLabelEventArgs.h"
#include "Nodeloom/document/EditLinkTextEventArgs.h"
#include "Nodeloom/document/EditNodeTextEventArgs.h"
#include "Nodeloom/document/EditTreeItemTextEventArgs.h"
#include "Nodeloom/document/Event.h"
#include "Nodeloom/document/ItemList.h"
#include "Nodeloom/document/Layer.h"
#include "Nodeloom/document/LayoutContainer.h"
#include "Nodeloom/document/LinkEventArgs.h"
#include "Nodeloom/foundation/Metatype.h"
#include "Nodeloom/document/NodeEventArgs.h"
#include "Nodeloom/document/RepaintEventArgs.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/IDiagramView.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/RenderOptions.h"
#include "Nodeloom/foundation/Size.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/items/AnchorPoint.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/document/LinkCrossings.h"

namespace nodeloom {

class Canvas;
class Command;
class DiagramLink;
class DiagramNode;
class Factory;
class Layout;
class Manipulator;
class Router;
class Selection;
class ShapeLibrary;
class UndoManager;
class XmlContext;
class XmlDomBuilder;
class XmlElement;

namespace platform {
class ImageSurface;
}

// The diagram document: it owns the items, keeps them in one drawing order, holds the
// document-wide settings the items read (unit, bounds, style, theme, handle size, hit tolerance)
// and raises the events through which the host and the view follow what happens on it. It also
// owns the optional undo history through which every undoable change passes.
//
// Settings that change the picture repaint the document when the new value differs from the old
// one; the others only store. Numbers that are not finite are refused.
//
// The item lists find and take out an item in constant time, so that removing items one by one
// costs no more than the items removed; the drawing order is sorted lazily, when next needed.
class Diagram : public Object,
                public IDiagramExtent,
                public LayoutContainer,
                public std::enable_shared_from_this<Diagram> {
public:
    Diagram();
    ~Diagram() override;

    Diagram(const Diagram&) = delete;
    Diagram& operator=(const Diagram&) = delete;

    // Registers a host class under a class id and version; saved files then carry that id and
    // version for every object whose class record is equal (by name) to `classType`. A later
    // registration with an equal record or the same id replaces the earlier entry.
    static void registerClass(const Metatype<Object>& classType, const std::string& classId,
                              int classVersion);
    static void registerItemClass(const Metatype<Object>& classType, const std::string& classId,
                                  int classVersion);

    // The shape library that documents and nodes share, reloaded from the bundled "shapes"
    // resource by each new document. When the host has removed it, a new library holding the
    // built-in shape is installed, so that a node always finds its default shape.
    static std::shared_ptr<ShapeLibrary> defaultShapes();
    static void setDefaultShapes(std::shared_ptr<ShapeLibrary> library);

    // The public events. Each answers the event itself, so a host can subscribe to it or replace
    // it as a whole.
    Event<RepaintEventArgs>& repaint() { return repaint_; }
    Event<DiagramEventArgs>& clicked() { return clicked_; }
    Event<DiagramEventArgs>& doubleClicked() { return doubleClicked_; }
    Event<NodeEventArgs>& nodeCreated() { return nodeCreated_; }
    Event<LinkEventArgs>& linkCreated() { return linkCreated_; }
    Event<NodeValidationEventArgs>& nodeCreating() { return nodeCreating_; }
    Event<LinkValidationEventArgs>& linkCreating() { return linkCreating_; }
    Event<NodeEventArgs>& nodeModified() { return nodeModified_; }
    Event<LinkEventArgs>& linkModified() { return linkModified_; }
    Event<NodeValidationEventArgs>& nodeModifying() { return nodeModifying_; }
    Event<LinkValidationEventArgs>& linkModifying() { return linkModifying_; }
    Event<NodeEventArgs>& nodeClicked() { return nodeClicked_; }
    Event<NodeEventArgs>& nodeDoubleClicked() { return nodeDoubleClicked_; }
    Event<LinkEventArgs>& linkClicked() { return linkClicked_; }
    Event<LinkEventArgs>& linkDoubleClicked() { return linkDoubleClicked_; }
    Event<ContextMenuEventArgs>& contextMenuCreated() { return contextMenuCreated_; }
    Event<NodeEventArgs>& nodeDeleted() { return nodeDeleted_; }
    Event<NodeValidationEventArgs>& nodeDeleting() { return nodeDeleting_; }
    Event<LinkEventArgs>& linkDeleted() { return linkDeleted_; }
    Event<LinkValidationEventArgs>& linkDeleting() { return linkDeleting_; }
    Event<EditNodeTextEventArgs>& nodeTextEdited() { return nodeTextEdited_; }
    Event<EditNodeTextEventArgs>& nodeTextEditing() { return nodeTextEditing_; }
    Event<EditLinkTextEventArgs>& linkTextEdited() { return linkTextEdited_; }
    Event<EditLinkTextEventArgs>& linkTextEditing() { return linkTextEditing_; }
    Event<EditLinkLabelEventArgs>& linkLabelEdited() { return linkLabelEdited_; }
    Event<EditLinkLabelEventArgs>& linkLabelEditing() { return linkLabelEditing_; }
    Event<EditCellTextEventArgs>& cellTextEdited() { return cellTextEdited_; }
    Event<EditCellTextEventArgs>& cellTextEditing() { return cellTextEditing_; }
    Event<EditTreeItemTextEventArgs>& treeItemEdited() { return treeItemEdited_; }
    Event<EditTreeItemTextEventArgs>& treeItemEditing() { return treeItemEditing_; }
    Event<NodeValidationEventArgs>& nodeCollapsed() { return nodeCollapsed_; }
    Event<NodeValidationEventArgs>& nodeExpanded() { return nodeExpanded_; }

    // Removes every handler from every event except nodeModified and linkModified, whose
    // handlers stay. The default context-menu handler goes with the others.
    void unsubFromAllEvents();

    // The lists answer snapshots: the items present when asked, in order, which stay as they
    // are while items are added or removed, so that a walk may change the document. Taking one
    // copies nothing.
    // In the order they were added.
    ItemList<DiagramNode>::Snapshot nodes() const { return nodes_.snapshot(); }
    ItemList<DiagramLink>::Snapshot links() const { return links_.snapshot(); }
    // Every item in drawing order, bottom first, as last sorted (see updateZOrder).
    ItemList<DiagramItem>::Snapshot items() const { return zOrder_.snapshot(); }
    // Whether the item is in this document's drawing order.
    bool contains(const DiagramItem& item) const { return zOrder_.contains(&item); }
    // Whether each end of a link lies on a node of this document, or on no real node (a loose
    // end), and whether each member of a container is a node of this document; true for any
    // other item. An item is added or put back only where this holds.
    bool holdsEndsOf(DiagramItem& item) const;
    // Counts the loads and clears that replaced the whole content; a view compares it when the
    // document repaints, to end what it was doing with the items that went.
    std::uint64_t contentGeneration() const { return contentGeneration_; }

    // Adds a node or a link; with undo on, as one undoable step (or as part of the open
    // composite). Other item kinds, null and an item that is in the document already are
    // ignored. Raises no event: the code that creates an item raises its own.
    void addItem(const std::shared_ptr<DiagramItem>& item);
    // Removes a node, with all its links, or a link; with undo on, as one undoable step in which
    // each link removal is a command of its own.
    void removeItem(const std::shared_ptr<DiagramItem>& item);
    // Empties the document and starts a fresh undo history (which turns undo on).
    void clear();

    // Adds without undo: a node to nodes, a link through addLinkInternal. False, and nothing
    // changed, for null, other kinds and an item that is in the document already.
    // With a position, the item goes there in nodes or links instead of at the end: an undone
    // removal puts the item back where it was, so the document reads as before.
    bool addItemInternal(const std::shared_ptr<DiagramItem>& item,
                         std::optional<std::size_t> position = std::nullopt);
    // Adds a link without undo: appended to links (or put at the position) and the drawing
    // order, its inner points spread, and entered in its end nodes' link lists. A link with an
    // end on a node this document does not hold is refused (false): it would dangle, and be
    // saved with the number of an item that is not there.
    bool addLinkInternal(const std::shared_ptr<DiagramLink>& link, bool assignIndexes,
                         std::optional<std::size_t> position = std::nullopt);
    // The item's place in nodes or links; none for an item not in the document.
    std::optional<std::size_t> listPosition(const DiagramItem& item) const;
    // Removes without undo or event. A node first has each of its links removed through its own
    // document's removeItem, leaves its master and its container, and the links around it are
    // routed again. The item keeps its diagram reference.
    void removeItemInternal(const std::shared_ptr<DiagramItem>& item);

    // The document's extent in its measure unit. A change of any of the four numbers repaints;
    // a rectangle with a non-finite number is refused.
    Rect bounds() const override { return bounds_; }

    std::vector<std::shared_ptr<DiagramLink>> layoutLinks() const override {
        return links_.vector();
    }
    Rect layoutBounds() const override { return bounds_; }
    void setBounds(const Rect& bounds);
    // Repaints when the new unit is not equal to the old one; null is refused.
    std::shared_ptr<MeasureUnit> measureUnit() const override { return measureUnit_; }
    void setMeasureUnit(std::shared_ptr<MeasureUnit> unit);
    // Both repaint unless the old and the new value are the same object (or both null).
    const std::shared_ptr<Style>& style() const { return style_; }
    void setStyle(std::shared_ptr<Style> style);
    const std::shared_ptr<Theme>& theme() const { return theme_; }
    void setTheme(std::shared_ptr<Theme> theme);

    // Repaints unless both are null or the same object.
    const std::shared_ptr<Brush>& brush() const { return brush_; }
    void setBrush(std::shared_ptr<Brush> brush);
    // The brush that fills the background: the document's own, else the back brush of its
    // style, of its theme's "Diagram" style, of the default theme's, else a new white brush.
    std::shared_ptr<Brush> getEffectiveBackBrush() const;
    // The default theme's "ShapeNode" style; null when a host theme lacks one.
    std::shared_ptr<Style> shapeNodeStyle() const;
    // A theme stored under the element's child of that name; null when there is none.
    std::shared_ptr<Theme> loadTheme(const std::shared_ptr<XmlElement>& element,
                                     const std::string& name, XmlContext& context) const;

    // The alignment grid. Every setting repaints on change except alignToGrid.
    bool showGrid() const { return showGrid_; }
    void setShowGrid(bool show);
    bool alignToGrid() const { return alignToGrid_; }
    void setAlignToGrid(bool align) { alignToGrid_ = align; }
    GridStyle gridStyle() const { return gridStyle_; }
    void setGridStyle(GridStyle style);
    // Never null: a null colour is refused. Compared by value.
    const std::shared_ptr<Color>& gridColor() const { return gridColor_; }
    void setGridColor(std::shared_ptr<Color> color);
    double gridSizeX() const { return gridSizeX_; }
    void setGridSizeX(double size);
    double gridSizeY() const { return gridSizeY_; }
    void setGridSizeY(double size);
    // Nothing means half a grid cell.
    std::optional<double> gridOffsetX() const { return gridOffsetX_; }
    void setGridOffsetX(std::optional<double> offset);
    std::optional<double> gridOffsetY() const { return gridOffsetY_; }
    void setGridOffsetY(std::optional<double> offset);

    // The next z-index to hand out; written back when a document is loaded.
    unsigned long long itemCounter() const { return itemCounter_; }
    void setItemCounter(unsigned long long counter) { itemCounter_ = counter; }

    // Link drawing and creation.
    bool roundedLinks() const { return roundedLinks_; }
    void setRoundedLinks(bool rounded);
    double roundedLinksRadius() const { return roundedLinksRadius_; }
    void setRoundedLinksRadius(double radius);
    LinkCrossings linkCrossings() const { return linkCrossings_; }
    void setLinkCrossings(LinkCrossings mode) { linkCrossings_ = mode; }
    int linkSegments() const { return linkSegments_; }
    void setLinkSegments(int segments) { linkSegments_ = segments; }
    bool routeLinks() const { return routeLinks_; }
    void setRouteLinks(bool route) { routeLinks_ = route; }
    double crossingRadius() const { return crossingRadius_; }
    void setCrossingRadius(double radius);
    double linkHitDistance() const { return linkHitDistance_; }
    void setLinkHitDistance(double distance);
    bool expandOnIncoming() const { return expandOnIncoming_; }
    void setExpandOnIncoming(bool expand) { expandOnIncoming_ = expand; }
    bool allowUnconnectedLinks() const { return allowUnconnectedLinks_; }
    void setAllowUnconnectedLinks(bool allow) { allowUnconnectedLinks_ = allow; }
    bool allowSelfLoops() const { return allowSelfLoops_; }
    void setAllowSelfLoops(bool allow) { allowSelfLoops_ = allow; }
    bool allowMultipleResize() const { return allowMultipleResize_; }
    void setAllowMultipleResize(bool allow) { allowMultipleResize_ = allow; }
    // The area whose link labels must be placed again, and whether any must.
    const Rect& linkLabelsInvalidRect() const { return linkLabelsInvalidRect_; }
    void setLinkLabelsInvalidRect(const Rect& rect);
    bool labelLayoutInvalid() const { return labelLayoutInvalid_; }
    void setLabelLayoutInvalid(bool invalid) { labelLayoutInvalid_ = invalid; }
    // The margin kept around nodes when links are routed again.
    double routeMargin() const { return routeMargin_; }
    void setRouteMargin(double margin);
    ShowAnchors showAnchors() const { return showAnchors_; }
    void setShowAnchors(ShowAnchors show) { showAnchors_ = show; }

    // Size of the selection handles, in document units; non-finite values are refused.
    double adjustmentHandlesSize() const { return adjustmentHandlesSize_; }
    void setAdjustmentHandlesSize(double size);
    // The hit tolerance of handle tests in document units, kept by the view at its touch
    // tolerance divided by its zoom factor; non-finite values are refused.
    double threshold() const { return threshold_; }
    void setThreshold(double threshold);
    // The touch tolerance in view points, from which the view derives threshold.
    double touchThreshold() const { return touchThreshold_; }
    void setTouchThreshold(double threshold);

    const std::shared_ptr<RenderOptions>& renderOptions() const { return renderOptions_; }
    void setRenderOptions(std::shared_ptr<RenderOptions> options);

    std::vector<std::shared_ptr<Layer>>& layers() { return layers_; }
    const std::vector<std::shared_ptr<Layer>>& layers() const { return layers_; }
    void setLayers(std::vector<std::shared_ptr<Layer>> layers) { layers_ = std::move(layers); }
    // The layer given to items added without one; -1 for none.
    int activeLayer() const { return activeLayer_; }
    void setActiveLayer(int layer) { activeLayer_ = layer; }

    // Set when an item's z-index or layer changes; the order is rebuilt when next needed.
    bool zOrderInvalid() const { return zOrderInvalid_; }
    void setZOrderInvalid(bool invalid) { zOrderInvalid_ = invalid; }
    // Sorts the drawing order if it is marked invalid, or if a layer's zIndex, or the layers
    // themselves, changed since it was last sorted: items without a layer first (by layer
    // index), then items on valid layers by the layers' z-index, then items whose layer index
    // lies past the end of the list; within a layer by z-index, then by the previous position.
    void updateZOrder();
    // Whether a is drawn before (below) b.
    bool zOrderPrecedes(const DiagramItem& a, const DiagramItem& b) const;

    // Puts an item at the top of the drawing order and ties it to this document; with
    // assignIndexes it also receives the active layer (when it has none) and, when it has none,
    // the next z-index.
    void attachItem(const std::shared_ptr<DiagramItem>& item, bool assignIndexes);
    // Writes every item's position in the drawing order into its runtimeIndex.
    void updateRuntimeIndices();

    // An item is visible when its own flag is set and its layer, if it has a valid one, is
    // visible.
    bool isItemVisible(const DiagramItem& item) const;
    // Visible, not locked, and on no layer or on a visible layer that is not locked.
    bool isItemInteractive(const DiagramItem& item) const;
    bool isItemLocked(const DiagramItem& item) const;

    // Ask the view to redraw the whole document, or one area of it. A non-finite area asks for
    // the whole document, so a bad number never leaves a stale picture.
    void invalidate();
    void invalidate(const Rect& rect);
    // While one lives, repaints asked of the document wait, and the last one to go raises a
    // single repaint of the whole document if any was asked. A change that adds, removes or puts
    // back items holds one, so that a repaint handler (which may edit the document) never finds
    // a link not yet entered on its ends or a container missing a member it is taking back.
    class HeldRepaints {
    public:
        // Only the outermost hold ends with a repaint, and it keeps the document for those
        // within it.
        explicit HeldRepaints(Diagram& diagram) : diagram_(diagram) {
            if (diagram_.repaintsHeld_++ == 0) keep_ = diagram_.weak_from_this().lock();
        }
        ~HeldRepaints() {
            if (--diagram_.repaintsHeld_ == 0 && diagram_.repaintWaiting_) release();
        }
        HeldRepaints(const HeldRepaints&) = delete;
        HeldRepaints& operator=(const HeldRepaints&) = delete;

    private:
        void release();

        Diagram& diagram_;
        std::shared_ptr<Diagram> keep_;
    };

    // True while a load reads the items of a file. Their changes are neither repainted nor
    // indexed one by one: the load repaints and indexes the whole document once it ends.
    bool isLoading() const { return loading_; }

    // Routes the links with automatic routing near the rectangles again.
    void rerouteLinks(const std::vector<Rect>& rects);
    // Called by a link of this document whose autoRoute changed.
    void linkAutoRouteChanged() { autoRoutedCountValid_ = false; }
    // The router of this document's links, made on first use.
    const std::shared_ptr<Router>& linkRouter();
    // Runs an automatic layout on the whole document as one undoable step; a null layout does
    // nothing. False, with no step and the document as it was, for a null layout or an
    // arrangement the layout driver refused (one that would write numbers that are not finite).
    bool arrange(const std::shared_ptr<Layout>& layout);

    // The selection frame, made on first use; its diagram is this document.
    const std::shared_ptr<Selection>& selection();
    // Creates items in this document; made on first use. The host may put in its own; after a
    // null one the next read makes a new factory.
    const std::shared_ptr<Factory>& factory();
    void setFactory(std::shared_ptr<Factory> factory) { factory_ = std::move(factory); }
    // The selected items in drawing order, nodes and links in the order they were added.
    std::vector<std::shared_ptr<DiagramItem>> selectedItems() const;
    std::vector<std::shared_ptr<DiagramNode>> selectedNodes() const;
    std::vector<std::shared_ptr<DiagramLink>> selectedLinks() const;
    void clearSelection();
    // Selects only the given item (nothing for null).
    void changeSelection(const std::shared_ptr<DiagramItem>& item);

    // Paints the document: the labels in `rect` placed anew, the background over the whole
    // bounds, the grid over `rect`, the visible top-level items bottom first (each with its
    // shadow when the render options ask for shadows) and the handles of the selected items.
    // `rect` is the area to refresh, in document units: items whose painting cannot reach it are
    // passed over, which leaves the pixels inside it as drawing everything would.
    void draw(Canvas& canvas, const Rect& rect);
    // The grid lines or points over the rectangle, at most one per device pixel; none for a grid
    // size that is not a positive finite number.
    void drawGrid(Canvas& canvas, const Rect& rect);
    void drawItems(Canvas& canvas);
    // Only the items whose painting can reach the rectangle (document units), so that a small
    // area of a large document is drawn at the cost of what lies there; the same pixels inside
    // the rectangle as drawing all. Nothing for the rectangle draws every item.
    void drawItems(Canvas& canvas, const std::optional<Rect>& rect);
    // The whole document as a picture of its bounds in pixels; null when the bounds are empty,
    // not finite or more than 32,767 pixels on a side.
    [[nodiscard]] std::shared_ptr<platform::ImageSurface> createImage();
    // Writes that picture to the file as "public.png" or "public.jpeg" and answers whether it
    // did. Any other type, or a failure, writes nothing and answers false.
    [[nodiscard]] bool exportImage(const std::filesystem::path& filePath,
                                   const std::string& imageType);
    // The size that the text takes laid out in the rectangle in that font; (0, 0) for no text.
    Size measureString(const std::string& text, const std::string& fontName, double fontSize,
                       const std::shared_ptr<MeasureUnit>& fontUnit, const Rect& layoutRect,
                       HorizontalAlignment alignment, bool bold, bool italic, bool underline);
    // The links among the items below position `index` of the drawing order (below) or above
    // it, nearest first; an index past the end counts as the number of items, the place of a
    // link outside the item list.
    std::vector<std::shared_ptr<DiagramLink>> getLinksInZOrder(bool below, int index) const;
    // The same links, only those whose bounds meet `bounds` (edges included). Found through a
    // spatial index, so that finding the crossings of every link costs no more than the links
    // near each.
    std::vector<std::shared_ptr<DiagramLink>> getLinksInZOrder(bool below, int index,
                                                               const Rect& bounds);

    // Places the auto-arranged link labels in the rectangle (widened by the pending
    // linkLabelsInvalidRect) beside their links, clear of nodes and of each other; only while
    // labelLayoutInvalid is set, which it then clears.
    void layoutLinkLabels(const Rect& rect);
    void arrangeLinkLabels(const Rect& rect);

    // The handler every new document subscribes to contextMenuCreated. The radial menu it fills
    // is shown only in a view, so without one it adds nothing.
    static void fillDefaultContextMenu(Object& sender, ContextMenuEventArgs& args);
    // The menu's delete action: asks nodeDeleting or linkDeleting of the item's document, which
    // may cancel, removes the item (undoable with undo on) and raises nodeDeleted or linkDeleted.
    // Nothing for an item without a document or no longer among its items.
    static void deleteItemWithEvents(const std::shared_ptr<DiagramItem>& item);

    // Undo is on while an undo manager is installed. Turning it on installs a manager with an
    // empty history, turning it off drops the manager with its history; setting the value it
    // already has keeps the history.
    bool undoEnabled() const { return undoManager_ != nullptr; }
    void setUndoEnabled(bool enabled);
    const std::shared_ptr<UndoManager>& undoManager() const { return undoManager_; }
    void setUndoManager(std::shared_ptr<UndoManager> manager);
    // Follow the history of the installed manager; both false without one.
    bool canUndo() const { return canUndo_; }
    void setCanUndo(bool can) { canUndo_ = can; }
    bool canRedo() const { return canRedo_; }
    void setCanRedo(bool can) { canRedo_ = can; }
    void updateUndoState();
    // Each repaints the whole document; nothing without undo.
    void undo();
    void redo();
    // Group the changes made until the matching commit into one undo step; nested operations
    // count. Cancel drops the group without undoing it. All do nothing without undo.
    void startCompositeOperation();
    void commitCompositeOperation();
    void cancelCompositeOperation();
    // Executes and records a command; without undo the command is not executed.
    void executeCommand(const std::shared_ptr<Command>& command);
    // Records each item's state from before a change the caller is about to make; an item that
    // is not in the document is skipped.
    void recordItemStates(const std::vector<std::shared_ptr<DiagramItem>>& items);
    // Opens a composite operation and records the state of every item; the caller commits.
    void recordAllItemStates();

    // --- Hit testing, content bounds and the grid ----------------------------------------------
    // Points are in document units. The queries walk the drawing order from the top down unless
    // said otherwise, and each item answers for its own geometry.

    // The topmost answer of a top-level item's hit test with the filter (a missing filter lets
    // everything through).
    std::shared_ptr<DiagramItem> getItemAt(Point point,
                                           const std::function<bool(DiagramItem&)>& filter);
    // With a positive threshold an exact hit anywhere wins over a near hit of an item above it;
    // excludeLocked leaves out items that are not interactive. A threshold that is not a number
    // counts as 0.
    std::shared_ptr<DiagramItem> getItemAt(Point point, bool excludeLocked, double threshold);
    // The topmost top-level node under the point; answers of other kinds do not end the search.
    std::shared_ptr<DiagramNode> getNodeAt(Point point, bool excludeLocked);
    // The lowest link under the point, top level or not.
    std::shared_ptr<DiagramLink> getLinkAt(Point point);
    // The node whose (unrotated) bounds lie nearest to the point, closer than maxDistance; the
    // first in `nodes` on a tie. With onlyInteractive, nodes that are hidden or locked by their
    // own flags are passed over.
    std::shared_ptr<DiagramNode> getNearestNode(Point point, double maxDistance,
                                                const std::shared_ptr<DiagramNode>& ignored,
                                                bool onlyInteractive);
    // The widget of a visible, interactive item under the point, top level or not.
    std::shared_ptr<Manipulator> hitTestManipulator(Point point);

    // The union of every item's bounding rectangle, widened by its stroke and the handle size;
    // (0, 0, 0, 0) without items.
    Rect getContentBounds(bool onlyVisible);
    // Sets bounds to the content bounds plus the margin on every side; nothing without items.
    void resizeToFitItems(double margin);
    void resizeToFitItems(double margin, bool onlyVisible);

    // The nearest grid point when alignToGrid is on, else the point itself. An axis whose grid
    // size is not a positive finite number is not snapped.
    Point alignPointToGrid(Point point) const;
    // Snaps the rectangle's position; its size stays.
    Rect alignRectToGrid(const Rect& rect) const;

    // The two tests a container uses to find its children in a rectangle: whether the item
    // meets the rectangle, and whether its bounding rectangle lies strictly inside.
    bool isItemTouchingRect(DiagramItem& item, const Rect& rect);
    bool isItemInsideRect(DiagramItem& item, const Rect& rect);

    // --- Documents -------------------------------------------------------------------------------
    // A load replaces the whole content, or nothing: a file that is missing, unreadable or not
    // well-formed XML, and a root that is not a "Diagram", leave the document exactly as it was
    // and answer false. Inside a readable document, a value that cannot be used keeps its
    // default and an item that cannot be read is skipped. Undo stays on or off as it was, with an
    // empty history; no event other than repaints is raised.

    // A file among the bundled resources, named with its type ("sample.xml"): the name is split
    // at its last "."; a name without one, or with a "/", names no resource and answers false.
    [[nodiscard]] bool loadFromXml(const std::string& resourceName);
    [[nodiscard]] bool loadFromXml(const char* resourceName);
    [[nodiscard]] bool loadFromXml(const std::filesystem::path& url);
    // A tree as XmlDomBuilder reads it from a file, element text in text nodes.
    [[nodiscard]] bool loadFromXml(const std::shared_ptr<XmlElement>& root);

    // Writes the document's text to the file through a temporary file renamed into place, so
    // that a failed save leaves any earlier file whole; false when the file was not written.
    [[nodiscard]] bool saveToXml(const std::filesystem::path& url);
    // Builds the document's element tree as the builder's root.
    void saveToXml(const std::shared_ptr<XmlDomBuilder>& builder);
    // The document's text, as a file holds it.
    [[nodiscard]] std::string saveToXmlString();
    // The sections of the document under the root, and its properties under an element of the
    // given name. A save calls these of this class, whatever a subclass overrides.
    virtual void writeDiagramContent(const std::shared_ptr<XmlDomBuilder>& builder,
                                     const std::shared_ptr<XmlElement>& root);
    virtual void writeDiagramProperties(const std::string& name,
                                        const std::shared_ptr<XmlElement>& parent,
                                        XmlContext& context);

private:
    // What a link looked like to the crossings of the links around it when it was last drawn.
    struct LinkGeometry {
        std::vector<Point> points;
        Rect bounds;
        bool visible = true;
        bool bezier = false;
        int zIndex = -1;
        int layerIndex = -1;
        std::uint64_t sweep = 0;
    };
    struct LinkIndex;
    struct HitIndex;

    // Drops the cached crossings of every link near a link that has changed, appeared or gone
    // since the last draw, whatever changed it.
    void dropStaleLinkCrossings();
    // The spatial index of the links in the drawing order, built when first needed; kept while a
    // draw runs, which changes no link.
    const LinkIndex& linkIndex();
    // The index of hit areas, brought up to date with every change reported since it was last
    // asked.
    HitIndex& hitIndex();
    // Makes the index take every item anew when next asked.
    void dropHitIndex();
    // Reported by an item of this document whose hit area (see DiagramItem::getHitArea) may have
    // changed, and by the document for an item it adds; the index takes the item anew when next
    // asked. Items report through DiagramItem::hitAreaChanged alone.
    friend void DiagramItem::hitAreaChanged();
    void itemHitAreaChanged(DiagramItem& item);
    // Takes an item that has left the drawing order out of the index at once, so that an item
    // made later at its address is not taken for it.
    void itemLeftHitIndex(const DiagramItem& item);
    // The drawing-order positions of the items whose hit test may answer inside the rectangle:
    // nodes only, links only, or both; ascending.
    std::vector<long> hitCandidates(const Rect& area, bool nodes, bool links);
    // The tolerance within which a link's containsPoint(point) answers it.
    double linkHitReach() const;

    const Layer* validLayer(int index) const;
    bool addNodeOrLink(const std::shared_ptr<DiagramItem>& item,
                       std::optional<std::size_t> position = std::nullopt);
    // The checks of holdsEndsOf for an item whose kind is known.
    bool holdsMembersOf(const DiagramNode& node) const;
    bool holdsLinkEnds(DiagramLink& link) const;
    // Add an item that has passed those checks.
    bool insertNode(const std::shared_ptr<DiagramNode>& node, std::optional<std::size_t> position);
    bool insertLink(const std::shared_ptr<DiagramLink>& link, bool assignIndexes,
                    std::optional<std::size_t> position);
    void loadShapeLibrary();
    // Gives each container its own drawing order of its children and inner links.
    void updateContainerZOrders();
    // The document properties of a saved file, each read back where the file holds a usable
    // value.
    void readDiagramProperties(const std::shared_ptr<XmlElement>& properties, XmlContext& context);
    // Loads the tree. With the builder that parsed it for this load alone, each item's element
    // is taken out of the tree once it is read.
    bool loadTree(const std::shared_ptr<XmlElement>& root, XmlDomBuilder* keeping);
    // Writes the text that saveToXml(builder) gives, each item's element made, written and let
    // go in turn. `drain` is handed the text whenever it has grown large, and at the end; it
    // answers false to stop the save, and so does this.
    bool streamXml(std::string& out, const std::function<bool(std::string&)>& drain);

    Event<RepaintEventArgs> repaint_;
    Event<DiagramEventArgs> clicked_;
    Event<DiagramEventArgs> doubleClicked_;
    Event<NodeEventArgs> nodeCreated_;
    Event<LinkEventArgs> linkCreated_;
    Event<NodeValidationEventArgs> nodeCreating_;
    Event<LinkValidationEventArgs> linkCreating_;
    Event<NodeEventArgs> nodeModified_;
    Event<LinkEventArgs> linkModified_;
    Event<NodeValidationEventArgs> nodeModifying_;
    Event<LinkValidationEventArgs> linkModifying_;
    Event<NodeEventArgs> nodeClicked_;
    Event<NodeEventArgs> nodeDoubleClicked_;
    Event<LinkEventArgs> linkClicked_;
    Event<LinkEventArgs> linkDoubleClicked_;
    Event<ContextMenuEventArgs> contextMenuCreated_;
    Event<NodeEventArgs> nodeDeleted_;
    Event<NodeValidationEventArgs> nodeDeleting_;
    Event<LinkEventArgs> linkDeleted_;
    Event<LinkValidationEventArgs> linkDeleting_;
    Event<EditNodeTextEventArgs> nodeTextEdited_;
    Event<EditNodeTextEventArgs> nodeTextEditing_;
    Event<EditLinkTextEventArgs> linkTextEdited_;
    Event<EditLinkTextEventArgs> linkTextEditing_;
    Event<EditLinkLabelEventArgs> linkLabelEdited_;
    Event<EditLinkLabelEventArgs> linkLabelEditing_;
    Event<EditCellTextEventArgs> cellTextEdited_;
    Event<EditCellTextEventArgs> cellTextEditing_;
    Event<EditTreeItemTextEventArgs> treeItemEdited_;
    Event<EditTreeItemTextEventArgs> treeItemEditing_;
    Event<NodeValidationEventArgs> nodeCollapsed_;
    Event<NodeValidationEventArgs> nodeExpanded_;

    ItemList<DiagramNode> nodes_;
    ItemList<DiagramLink> links_;
    Rect bounds_{0.0, 0.0, 210.0, 297.0};
    std::shared_ptr<MeasureUnit> measureUnit_;
    std::shared_ptr<Brush> brush_;
    bool showGrid_ = false;
    bool alignToGrid_ = true;
    GridStyle gridStyle_ = GridStyle::points;
    std::shared_ptr<Color> gridColor_;
    double gridSizeX_ = 4.0;
    double gridSizeY_ = 4.0;
    std::optional<double> gridOffsetX_;
    std::optional<double> gridOffsetY_;
    std::shared_ptr<Theme> theme_;
    std::shared_ptr<Style> style_;
    unsigned long long itemCounter_ = 0;
    bool roundedLinks_ = false;
    double roundedLinksRadius_ = 0.0;
    LinkCrossings linkCrossings_ = LinkCrossings::straight;
    int linkSegments_ = 1;
    bool routeLinks_ = false;
    double crossingRadius_ = 0.0;
    double linkHitDistance_ = 0.0;
    bool expandOnIncoming_ = false;
    bool allowUnconnectedLinks_ = false;
    bool allowSelfLoops_ = true;
    bool allowMultipleResize_ = true;
    Rect linkLabelsInvalidRect_;
    bool labelLayoutInvalid_ = true;
    std::shared_ptr<Selection> selection_;
    std::shared_ptr<Factory> factory_;
    double adjustmentHandlesSize_ = 2.0;
    double touchThreshold_ = 19.0;
    double threshold_ = 19.0;
    ShowAnchors showAnchors_ = ShowAnchors::never;
    std::shared_ptr<RenderOptions> renderOptions_;
    ItemList<DiagramItem> zOrder_;
    bool zOrderInvalid_ = false;
    // The layers' ranks the drawing order was last sorted by (nothing for a missing layer): a
    // layer tells the document nothing, so the ranks are compared when the order is needed.
    std::vector<std::optional<int>> sortedLayerRanks_;
    bool loading_ = false;
    // How many HeldRepaints live, and whether a repaint was asked meanwhile.
    int repaintsHeld_ = 0;
    bool repaintWaiting_ = false;
    std::uint64_t contentGeneration_ = 0;
    std::vector<std::shared_ptr<Layer>> layers_;
    int activeLayer_ = -1;
    double routeMargin_ = 8.0;
    std::shared_ptr<Router> linkRouter_;
    // How many links of the document route themselves, valid while autoRoutedCountValid_ is
    // set; it lets edits that reroute skip the link scan when no link routes itself.
    std::size_t autoRoutedLinks_ = 0;
    bool autoRoutedCountValid_ = false;
    bool canUndo_ = false;
    bool canRedo_ = false;
    std::shared_ptr<UndoManager> undoManager_;
    std::unordered_map<const DiagramLink*, LinkGeometry> linkGeometry_;
    std::uint64_t geometrySweep_ = 0;
    // Shared rather than unique, so that the document can be destroyed where the index type is
    // not yet complete.
    std::shared_ptr<LinkIndex> linkIndex_;
    std::shared_ptr<HitIndex> hitIndex_;
    bool drawing_ = false;
};

}  // namespace nodeloom
