#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/IndexPath.h"
#include "Nodeloom/platform/TableViewCell.h"
#include "Nodeloom/platform/TableViewDataSource.h"
#include "Nodeloom/platform/View.h"

namespace nodeloom::platform {

class Coder;
class GestureRecognizer;
class PanGestureRecognizer;

enum class TableViewStyle { plain = 0, grouped = 1 };

// A vertical list of rows in sections, each section under an optional header, the rows shown by
// cells that its data source supplies. Only the rows in view have cells: a row that scrolls out
// gives its cell back for reuse under the cell's reuse identifier, and the data source takes it
// again through dequeueReusableCell.
//
// Rows are 44 points high, headers 28 (none for a section without a title). The table scrolls
// with its pan recogniser, whose finger limits the owner may narrow. Counts and titles are asked
// of the data source when the table is first laid out and at each reloadData; cells as rows come
// into view.
class TableView : public View {
public:
    using CellFactory = std::function<std::shared_ptr<TableViewCell>(const std::string&)>;

    static std::shared_ptr<TableView> create(const Rect& frame, TableViewStyle style);
    // Null when the archive holds no view; an archived table is plain.
    static std::shared_ptr<TableView> create(const Coder& coder);

    TableView(Passkey key, const Rect& frame, TableViewStyle style);
    ~TableView() override;

    static constexpr double kRowHeight = 44.0;
    static constexpr double kHeaderHeight = 28.0;

    TableViewStyle style() const { return style_; }

    // Held weakly; a new one is asked at the next layout.
    std::shared_ptr<TableViewDataSource> dataSource() const { return dataSource_.lock(); }
    void setDataSource(std::weak_ptr<TableViewDataSource> dataSource);

    // Cells for an identifier are then made by the factory when no cell waits for reuse. A later
    // registration for the same identifier replaces the earlier one; a null factory removes it.
    void registerClass(const std::string& identifier, CellFactory factory);
    template <class Cell>
    void registerClass(const std::string& identifier) {
        registerClass(identifier, [](const std::string& id) {
            return std::shared_ptr<TableViewCell>(Cell::create(TableViewCellStyle::default_, id));
        });
    }
    // A cell given back under the identifier, else a new one from its registration; null when
    // neither exists.
    std::shared_ptr<TableViewCell> dequeueReusableCell(const std::string& identifier);

    // Asks the data source again for everything; the cells in view go back for reuse.
    void reloadData();

    // What the table shows (asked of the data source at the first call when never loaded).
    int numberOfSections();
    virtual int numberOfRowsInSection(int section);
    std::optional<std::string> headerTitle(int section);
    // The cell that shows the row, when the row is in view; otherwise null.
    virtual std::shared_ptr<TableViewCell> cellForRowAtIndexPath(const IndexPath& indexPath);
    // In row order.
    std::vector<std::shared_ptr<TableViewCell>> visibleCells() const;
    // The row's rectangle in the table's content; empty for a row that does not exist.
    Rect rectForRowAtIndexPath(const IndexPath& indexPath);
    double contentHeight();

    // The top of the content shown at the top of the table.
    Point contentOffset() const { return bounds().getLocation(); }
    // A point that is not finite is ignored.
    void setContentOffset(const Point& offset);

    // The recogniser that scrolls the table.
    const std::shared_ptr<PanGestureRecognizer>& panGestureRecognizer() const {
        return panGestureRecognizer_;
    }
    // Kept for the owner: the headless table hands touches on to its rows at once.
    bool delaysContentTouches() const { return delaysContentTouches_; }
    void setDelaysContentTouches(bool delays) { delaysContentTouches_ = delays; }

    // Puts the cells of the rows in view in place.
    void layoutSubviews() override;
    // The section headers.
    void draw(const Rect& rect) override;

protected:
    // Attaches the scrolling recogniser; every create() calls it once the table is shared.
    void setUp();

private:
    struct Section {
        int rows = 0;
        std::optional<std::string> title;
        double top = 0;  // of the header
        double header = 0;
    };

    void ensureLoaded();
    void load();
    // Gives every cell in view back for reuse.
    void recycleAll();
    void recycle(const std::shared_ptr<TableViewCell>& cell);
    void scroll(GestureRecognizer& recognizer);

    TableViewStyle style_;
    std::weak_ptr<TableViewDataSource> dataSource_;
    std::map<std::string, CellFactory> factories_;
    std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> reusable_;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> visible_;
    std::vector<Section> sections_;
    double contentHeight_ = 0;
    bool loaded_ = false;
    std::shared_ptr<PanGestureRecognizer> panGestureRecognizer_;
    double panStart_ = 0;
    bool delaysContentTouches_ = true;
};

}  // namespace nodeloom::platform
