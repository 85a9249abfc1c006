#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/Font.h"
#include "Nodeloom/platform/TableView.h"
#include "Nodeloom/platform/TableViewDataSource.h"

namespace nodeloom {

class DiagramView;
class Shape;
class ShapeNode;

namespace platform {
class Coder;
class GestureRecognizer;
class TapGestureRecognizer;
}  // namespace platform

// The node palette: a table beside a diagram view with one row per node shape, each row a small
// drawing of the shape and, unless names are hidden, its name. A finger drags a shape out of its
// row and drops it on the diagram view as a new node (see CellView); the list itself scrolls
// with two fingers.
//
// The rows list the templates in items, or, while items is empty, every shape of the shared
// shape library in the library's own order (by identifier). The list is its own data source.
// Its properties only store: a change shows once the table is reloaded.
class NodeListView : public platform::TableView, public platform::TableViewDataSource {
public:
    static std::shared_ptr<NodeListView> create(const Rect& rect);
    // Scrolls with one or two fingers; null when the archive holds no table.
    static std::shared_ptr<NodeListView> create(const platform::Coder& coder);

    NodeListView(Passkey key, const Rect& frame);
    ~NodeListView() override;

    const std::vector<std::shared_ptr<ShapeNode>>& items() const { return items_; }
    void setItems(std::vector<std::shared_ptr<ShapeNode>> items) { items_ = std::move(items); }
    bool areNamesVisible() const { return areNamesVisible_; }
    void setAreNamesVisible(bool visible) { areNamesVisible_ = visible; }
    const platform::Font& font() const { return font_; }
    void setFont(const platform::Font& font) { font_ = font; }
    const std::shared_ptr<Color>& fontColor() const { return fontColor_; }
    // Null is ignored.
    void setFontColor(std::shared_ptr<Color> color);
    // The section header; none for null.
    const std::optional<std::string>& title() const { return title_; }
    void setTitle(std::optional<std::string> title) { title_ = std::move(title); }
    // The view whose document receives dropped shapes; held strongly.
    const std::shared_ptr<DiagramView>& diagramView() const { return diagramView_; }
    void setDiagramView(std::shared_ptr<DiagramView> view) { diagramView_ = std::move(view); }
    const std::shared_ptr<platform::TapGestureRecognizer>& tapRec() const { return tapRec_; }

    // As data source: one section under the title, a row per template or library shape.
    int numberOfSectionsInTableView(platform::TableView& tableView) override;
    int numberOfRowsInSection(platform::TableView& tableView, int section) override;
    std::optional<std::string> titleForHeaderInSection(platform::TableView& tableView,
                                                       int section) override;
    std::shared_ptr<platform::TableViewCell> cellForRowAtIndexPath(
        platform::TableView& tableView, const platform::IndexPath& indexPath) override;
    // Asked of the list itself, it answers as its data source does: a new row of the palette,
    // not the one in view; null for a row that does not exist.
    int numberOfRowsInSection(int section) override;
    std::shared_ptr<platform::TableViewCell> cellForRowAtIndexPath(
        const platform::IndexPath& indexPath) override;

    // The actions of the scrolling and tap recognisers; they do nothing.
    virtual void onPan(platform::GestureRecognizer& recognizer);
    virtual void onTap(platform::GestureRecognizer& recognizer);

private:
    // The shape and the name of a row; nothing for a row that does not exist.
    struct Entry {
        std::shared_ptr<Shape> shape;
        std::string name;
    };
    std::optional<Entry> entry(int row) const;
    int rowCount() const;
    std::shared_ptr<platform::TableViewCell> makeCell(const platform::IndexPath& indexPath);
    // Becomes its own data source and wires the tap recogniser.
    void setUpList();

    std::vector<std::shared_ptr<ShapeNode>> items_;
    bool areNamesVisible_ = true;
    platform::Font font_{"Arial", 10};
    std::shared_ptr<Color> fontColor_;
    std::optional<std::string> title_;
    std::shared_ptr<DiagramView> diagramView_;
    std::shared_ptr<platform::TapGestureRecognizer> tapRec_;
};

}  // namespace nodeloom
