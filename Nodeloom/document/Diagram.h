#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/ContextMenuEventArgs.h"
#include "Nodeloom/document/DiagramEventArgs.h"
#include "Nodeloom/document/EditCellTextEventArgs.h"
#include "Nodeloom/document/EditLinkLabelEventArgs.h"
#include "Nodeloom/document/EditLinkTextEventArgs.h"
#include "Nodeloom/document/EditNodeTextEventArgs.h"
#include "Nodeloom/document/EditTreeItemTextEventArgs.h"
#include "Nodeloom/document/Event.h"
#include "Nodeloom/document/Layer.h"
#include "Nodeloom/document/LinkEventArgs.h"
#include "Nodeloom/document/Metatype.h"
#include "Nodeloom/document/NodeEventArgs.h"
#include "Nodeloom/document/RepaintEventArgs.h"
#include "Nodeloom/foundation/IDiagramView.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/RenderOptions.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/links/LinkCrossings.h"

namespace nodeloom {

class DiagramItem;
class DiagramLink;
class DiagramNode;

// The diagram document: it owns the items, keeps them in one drawing order, holds the
// document-wide settings the items read (unit, bounds, style, theme, handle size, hit tolerance)
// and raises the events through which the host and the view follow what happens on it.
class Diagram : public Object, public IDiagramExtent, public std::enable_shared_from_this<Diagram> {
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

    const std::vector<std::shared_ptr<DiagramNode>>& nodes() const { return nodes_; }
    const std::vector<std::shared_ptr<DiagramLink>>& links() const { return links_; }
    // Every item in drawing order, bottom first.
    const std::vector<std::shared_ptr<DiagramItem>>& items() const { return zOrder_; }

    // The document's extent in its measure unit. A change of any of the four numbers repaints;
    // a rectangle with a non-finite number is refused.
    Rect bounds() const override { return bounds_; }
    void setBounds(const Rect& bounds);
    // Repaints when the new unit is not equal to the old one; null is refused.
    std::shared_ptr<MeasureUnit> measureUnit() const override { return measureUnit_; }
    void setMeasureUnit(std::shared_ptr<MeasureUnit> unit);
    // Both repaint unless the old and the new value are the same object (or both null).
    const std::shared_ptr<Style>& style() const { return style_; }
    void setStyle(std::shared_ptr<Style> style);
    const std::shared_ptr<Theme>& theme() const { return theme_; }
    void setTheme(std::shared_ptr<Theme> theme);

    LinkCrossings linkCrossings() const { return linkCrossings_; }
    void setLinkCrossings(LinkCrossings mode) { linkCrossings_ = mode; }
    bool expandOnIncoming() const { return expandOnIncoming_; }
    void setExpandOnIncoming(bool expand) { expandOnIncoming_ = expand; }

    // Size of the selection handles, in document units; non-finite values are refused.
    double adjustmentHandlesSize() const { return adjustmentHandlesSize_; }
    void setAdjustmentHandlesSize(double size);
    // The hit tolerance of handle tests in document units, kept by the view at its touch
    // tolerance divided by its zoom factor; non-finite values are refused.
    double threshold() const { return threshold_; }
    void setThreshold(double threshold);

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

    // Open and commit one composite undo step around changes to every item.
    void recordAllItemStates();
    void commitCompositeOperation();

private:
    const Layer* validLayer(int index) const;

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

    std::vector<std::shared_ptr<DiagramNode>> nodes_;
    std::vector<std::shared_ptr<DiagramLink>> links_;
    Rect bounds_{0.0, 0.0, 210.0, 297.0};
    std::shared_ptr<MeasureUnit> measureUnit_;
    std::shared_ptr<Theme> theme_;
    std::shared_ptr<Style> style_;
    unsigned long long itemCounter_ = 0;
    LinkCrossings linkCrossings_ = LinkCrossings::straight;
    bool expandOnIncoming_ = false;
    double adjustmentHandlesSize_ = 2.0;
    double threshold_ = 19.0;
    std::shared_ptr<RenderOptions> renderOptions_;
    std::vector<std::shared_ptr<DiagramItem>> zOrder_;
    bool zOrderInvalid_ = false;
    std::vector<std::shared_ptr<Layer>> layers_;
    int activeLayer_ = -1;
};

}  // namespace nodeloom
