#pragma once

#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/platform/Touch.h"
#include "Nodeloom/view/TouchInputController.h"
#include "tests/UndoTestSupport.h"
#include "view/ViewTestSupport.h"

namespace nodeloom::test {

// A screen whose document counts in points at zoom 100, so that view points and document units
// agree, with undo on and no grid.
struct Road : Screen {
    Road() {
        diagram = view->diagram();
        diagram->setMeasureUnit(MeasureUnit::Point());
        diagram->setUndoEnabled(true);
        diagram->setAlignToGrid(false);
        view->setZoomLevel(100);
    }

    TouchInputDispatcher& dispatcher() { return *view->touchInputDispatcher(); }
    std::size_t history() const { return diagram->undoManager()->undoHistory().size(); }
    int nesting() const { return diagram->undoManager()->startCompositeCounter(); }
    // A finger of the view that the window does not know, for driving the dispatcher directly.
    std::shared_ptr<platform::Touch> touch(int id, Point p) const {
        return std::make_shared<platform::Touch>(id, p, view, window);
    }
    // The running controller of the first interaction, or null.
    std::shared_ptr<TouchInputController> controller() {
        const auto& list = dispatcher().manipulators();
        return list.empty() || !list[0] ? nullptr : list[0]->controller();
    }
    // Through the window: a finger goes down, is delivered, moves in steps and is lifted.
    void drag(int id, Point from, Point to, int steps = 4) {
        down(id, from);
        advance(0.1);
        for (int i = 1; i <= steps; ++i) {
            const double t = static_cast<double>(i) / steps;
            move(id, Point(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t));
        }
        up(id, to);
        // Past the double-tap window, so that the next gesture starts afresh.
        advance(1.1);
    }

    std::shared_ptr<Diagram> diagram;
};

// The document's text without the counter of z-indexes handed out: undoing a creation does not
// hand its index out again.
inline std::string docText(Diagram& d) {
    std::string t = d.saveToXmlString();
    const std::size_t from = t.find("<ItemCounter>");
    if (from != std::string::npos) t.erase(from, t.find('<', from + 1) - from);
    return t;
}

// Writes the document to a file of this process and reads that file into the target.
inline bool copyInto(Diagram& from, Diagram& to) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("nodeloom-road-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path) << from.saveToXmlString();
    const bool read = to.loadFromXml(path);
    std::filesystem::remove(path);
    return read;
}

// A host that refills the trees of the document by hand with undo off, as it fills a tree from
// its own data: from each tree an item (or every item, by clearing the root list) leaves through
// rootItems() and children(), new items come in, some with a link, and nothing holds the items
// that left, not even a history, which switching undo off drops. A document without a tree gets
// one. The caller keeps its handlers still meanwhile.
inline void refillTrees(Diagram& d, std::mt19937& random) {
    const auto chance = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    std::vector<std::shared_ptr<TreeViewNode>> trees;
    for (const auto& node : d.nodes())
        if (auto tree = std::dynamic_pointer_cast<TreeViewNode>(node)) trees.push_back(tree);
    if (trees.empty()) {
        const auto tree = d.factory()->createTreeViewNode(Rect(40.0 + chance(200), 30, 60, 40));
        if (!tree) return;
        trees.push_back(tree);
    }
    d.setUndoEnabled(false);
    for (const auto& tree : trees) {
        std::vector<std::shared_ptr<TreeViewItem>> items;
        tree->forAllItems([&items](TreeViewItem& i) { items.push_back(i.shared_from_this()); });
        if (!items.empty() && chance(4) == 0) {
            tree->rootItems().clear();
        } else if (!items.empty()) {
            const auto item = items[chance(items.size())];
            std::erase(tree->rootItems(), item);
            for (const auto& other : items) std::erase(other->children(), item);
        }
        items.clear();
        tree->forAllItems([&items](TreeViewItem& i) { items.push_back(i.shared_from_this()); });
        for (std::size_t k = 1 + chance(3); k > 0; --k) {
            auto item = std::make_shared<TreeViewItem>();
            item->setLabel("i" + std::to_string(chance(100)));
            if (items.empty() || chance(2) == 0)
                tree->rootItems().push_back(item);
            else
                items[chance(items.size())]->children().push_back(item);
            items.push_back(item);
            if (chance(2) == 0) {
                const auto& to = trees[chance(trees.size())];
                std::vector<std::shared_ptr<TreeViewItem>> targets{nullptr};
                to->forAllItems([&targets](TreeViewItem& i) { targets.push_back(i.shared_from_this()); });
                d.factory()->createDiagramLink(tree, item, to, targets[chance(targets.size())]);
            }
        }
    }
    d.setUndoEnabled(true);
}

// The text of a fresh document that read a file of the text.
inline std::string readText(const std::string& text) {
    const std::shared_ptr<Diagram> copy = readDocument(text);
    return copy ? copy->saveToXmlString() : std::string("<unread>");
}

// The text of a fresh document that read the document's saved file.
inline std::string readBack(Diagram& d) { return readText(d.saveToXmlString()); }

}  // namespace nodeloom::test
