#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/EditCellTextEventArgs.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/view/CellEditor.h"

using namespace nodeloom;

TEST(CellEditor, EditsTheCellAndRaisesTheEventsOnlyInADocument) {
    auto free = std::make_shared<TableNode>();
    free->redimTable(2, 2);
    CellEditor outside(free->cell(1, 0), free, 0, 1, Rect(18, 5, 10, 6));
    outside.setEditedText("loose");
    EXPECT_EQ(free->cell(1, 0)->text(), "loose");
    outside.raiseItemTextEditing("", "loose");  // no document: nothing to reach, nothing breaks

    auto d = std::make_shared<Diagram>();
    auto table = d->factory()->createTableNode(0, 0, 40, 30, 2, 2);
    const auto cell = table->cell(0, 1);
    cell->setText("before");
    CellEditor editor(cell, table, 1, 0, Rect(0, 11, 18, 6));
    std::vector<const EditCellTextEventArgs*> editing, edited;
    d->cellTextEditing() += [&](Object&, EditCellTextEventArgs& a) { editing.push_back(&a); };
    d->cellTextEdited() += [&](Object&, EditCellTextEventArgs& a) {
        edited.push_back(&a);
        EXPECT_EQ(a.cell(), cell);
        EXPECT_EQ(a.oldText(), "before");
        EXPECT_EQ(a.newText(), "after");
        EXPECT_EQ(a.cell()->text(), "after");
    };
    d->cellTextEdited() += [&](Object&, EditCellTextEventArgs& a) { edited.push_back(&a); };

    EXPECT_EQ(editor.getTextToEdit(), "before");
    EXPECT_EQ(editor.getEditRect(table, Point()), Rect(0, 11, 18, 6));
    editor.raiseItemTextEditing("before", "after");
    editor.setEditedText("after");
    editor.raiseItemTextEdited("before", "after");
    EXPECT_EQ(editing.size(), 1u);
    ASSERT_EQ(edited.size(), 2u);
    EXPECT_EQ(edited[0], edited[1]);
    EXPECT_EQ(editor.getEditedItem(), table);
}
