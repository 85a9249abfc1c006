#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/platform/Coder.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/Label.h"
#include "Nodeloom/platform/PanGestureRecognizer.h"
#include "Nodeloom/platform/TableView.h"
#include "Nodeloom/platform/TableViewCell.h"
#include "Nodeloom/platform/TableViewController.h"
#include "Nodeloom/platform/Window.h"

using nodeloom::Point;
using nodeloom::Rect;
using namespace nodeloom::platform;

namespace {

// Sections of the given sizes, titled "S<n>" where a title is asked for, each row a cell
// dequeued as "row" reading "<section>.<row>".
class Rows : public TableViewDataSource {
public:
    int numberOfSectionsInTableView(TableView&) override {
        return static_cast<int>(sizes.size());
    }
    int numberOfRowsInSection(TableView&, int section) override {
        return sizes[static_cast<std::size_t>(section)];
    }
    std::optional<std::string> titleForHeaderInSection(TableView&, int section) override {
        if (!titled) return std::nullopt;
        return "S" + std::to_string(section);
    }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table,
                                                         const IndexPath& path) override {
        auto cell = table.dequeueReusableCell("row");
        if (cell) cell->textLabel()->setText(std::to_string(path.section) + "." +
                                             std::to_string(path.row));
        return cell;
    }

    std::vector<int> sizes{3, 100};
    bool titled = true;
};

std::vector<std::string> texts(const TableView& table) {
    std::vector<std::string> out;
    for (const auto& cell : table.visibleCells())
        out.push_back(cell->textLabel()->text());
    return out;
}

struct Table {
    Table() {
        table->setDataSource(rows);
        table->registerClass("row", [this](const std::string& id) {
            ++made;
            return TableViewCell::create(TableViewCellStyle::default_, id);
        });
        table->layoutIfNeeded();
    }
    std::shared_ptr<Rows> rows = std::make_shared<Rows>();
    // Room for 28 + 3 * 44 + 28 + 44 = 232 points of content and part of the next row.
    std::shared_ptr<TableView> table = TableView::create(Rect(0, 0, 200, 250), TableViewStyle::plain);
    int made = 0;
};

}  // namespace

TEST(TableView, ShowsCellsOnlyForTheRowsInViewAndReusesThem) {
    Table t;
    EXPECT_EQ(t.table->numberOfSections(), 2);
    EXPECT_EQ(t.table->numberOfRowsInSection(1), 100);
    EXPECT_EQ(t.table->numberOfRowsInSection(7), 0);
    EXPECT_EQ(t.table->headerTitle(1), "S1");
    EXPECT_DOUBLE_EQ(t.table->contentHeight(), 2 * 28 + 103 * 44.0);
    EXPECT_EQ(texts(*t.table), (std::vector<std::string>{"0.0", "0.1", "0.2", "1.0", "1.1"}));
    EXPECT_EQ(t.table->cellForRowAtIndexPath(IndexPath(1, 1))->frame(), Rect(0, 232, 200, 44));
    EXPECT_EQ(t.table->rectForRowAtIndexPath(IndexPath(1, 50)), Rect(0, 56 + 53 * 44.0, 200, 44));
    EXPECT_EQ(t.table->cellForRowAtIndexPath(IndexPath(1, 50)), nullptr);

    // Scrolling through the whole list makes no more cells than fit in view at once.
    for (double y = 0; y < t.table->contentHeight(); y += 30) {
        t.table->setContentOffset(Point(0, y));
        t.table->layoutIfNeeded();
        EXPECT_LE(t.table->visibleCells().size(), 7u);
        for (const auto& cell : t.table->visibleCells())
            ASSERT_EQ(cell->superview(), t.table);
    }
    EXPECT_LE(t.made, 8);
    t.table->setContentOffset(Point(0, 56 + 53 * 44.0));
    t.table->layoutIfNeeded();
    EXPECT_EQ(texts(*t.table).front(), "1.50");

    // Reloading asks again; without titles there are no headers.
    t.rows->titled = false;
    t.rows->sizes = {2};
    t.table->reloadData();
    t.table->setContentOffset(Point());
    t.table->layoutIfNeeded();
    EXPECT_EQ(texts(*t.table), (std::vector<std::string>{"0.0", "0.1"}));
    EXPECT_EQ(t.table->headerTitle(0), std::nullopt);
    EXPECT_EQ(t.table->visibleCells()[0]->frame().y, 0);
}

TEST(TableView, RowsWithoutACellStayEmpty) {
    Table t;
    t.table->registerClass("row", nullptr);
    EXPECT_EQ(t.table->dequeueReusableCell("row"), nullptr);
    EXPECT_EQ(t.table->dequeueReusableCell("other"), nullptr);
    // What went back for reuse is still given out.
    t.table->reloadData();
    EXPECT_NE(t.table->dequeueReusableCell("row"), nullptr);

    // A table without a data source shows nothing.
    auto bare = TableView::create(Rect(0, 0, 100, 100), TableViewStyle::grouped);
    bare->layoutIfNeeded();
    EXPECT_EQ(bare->numberOfSections(), 0);
    EXPECT_TRUE(bare->visibleCells().empty());
    EXPECT_EQ(TableView::create(Coder()), nullptr);
    EXPECT_EQ(TableView::create(Coder(Rect(1, 2, 3, 4)))->frame(), Rect(1, 2, 3, 4));
}

TEST(TableView, ScrollsWithItsPanWithinTheContent) {
    Table t;
    auto window = Window::create(Rect(0, 0, 300, 300));
    window->addSubview(t.table);
    t.table->setMultipleTouchEnabled(true);
    t.table->panGestureRecognizer()->setMinimumNumberOfTouches(2);
    t.table->panGestureRecognizer()->setMaximumNumberOfTouches(2);

    // One finger does not scroll.
    window->fingersDown({{1, Point(20, 200)}});
    window->fingersMove({{1, Point(20, 100)}});
    window->fingersUp({{1, Point(20, 100)}});
    EXPECT_EQ(t.table->contentOffset(), Point());

    // The cells take no finger of their own here, so both fingers reach the table.
    for (const auto& cell : t.table->visibleCells())
        cell->setUserInteractionEnabled(false);
    window->fingersDown({{1, Point(20, 200)}, {2, Point(60, 200)}});
    window->fingersMove({{1, Point(20, 100)}, {2, Point(60, 100)}});
    EXPECT_EQ(t.table->contentOffset(), Point(0, 100));
    window->fingersMove({{1, Point(20, 250)}, {2, Point(60, 250)}});
    EXPECT_EQ(t.table->contentOffset(), Point());  // not above the top
    window->fingersUp({{1, Point(20, 250)}, {2, Point(60, 250)}});
}

TEST(TableViewCell, TextLabelIsMadeOnFirstUseAndFollowsTheCell) {
    auto cell = TableViewCell::create(TableViewCellStyle::default_, "id");
    auto label = cell->textLabel();
    EXPECT_EQ(cell->textLabel(), label);
    EXPECT_EQ(label->superview(), cell->contentView());
    cell->setFrame(Rect(0, 0, 300, 50));
    cell->layoutIfNeeded();
    EXPECT_EQ(cell->contentView()->frame(), Rect(0, 0, 300, 50));
    EXPECT_EQ(label->frame(), Rect(15, 0, 270, 50));
    EXPECT_EQ(TableViewCell::create(Coder()), nullptr);
}

TEST(Label, DrawsItsTextAndRefusesUnusableFonts) {
    auto label = Label::create(Rect(0, 0, 120, 30));
    label->setFont(Font("Sans", -3));
    EXPECT_EQ(label->font().size, 17);
    const auto blank = label->renderImage();
    label->setText("Palette");
    const auto drawn = label->renderImage();
    ASSERT_TRUE(blank && drawn);
    EXPECT_NE(blank->pngData(), drawn->pngData());
}

TEST(TableViewController, MakesItsTableOnFirstUseAsItsDataSource) {
    auto plain = TableViewController::create(TableViewStyle::grouped);
    EXPECT_EQ(plain->tableView()->style(), TableViewStyle::grouped);
    EXPECT_EQ(plain->tableView()->dataSource(), plain);
    plain->tableView()->layoutIfNeeded();
    EXPECT_EQ(plain->tableView()->numberOfSections(), 1);
    EXPECT_EQ(plain->tableView()->numberOfRowsInSection(0), 0);

    auto nib = TableViewController::create("Palette", Bundle::main());
    EXPECT_EQ(nib->nibName(), "Palette");
    EXPECT_EQ(nib->nibBundle(), Bundle::main());
    EXPECT_EQ(nib->tableView()->style(), TableViewStyle::plain);

    auto archived = TableViewController::create(Coder(Rect(0, 0, 320, 480)));
    EXPECT_EQ(archived->tableView()->frame(), Rect(0, 0, 320, 480));
    EXPECT_EQ(TableViewController::create(Coder())->tableView()->frame(), Rect());
}
