// A tour of Nodeloom through its public interface.
//
// It builds one document that holds every kind of node (shape nodes of several library shapes,
// two containers, one of them folded, a table with spans, a scrolled row and links to rows, a tree
// view with nested, partly collapsed items and links to items) joined by links of all four link
// shapes with arrowheads and labels. It arranges the document with each automatic layout, writing
// a picture after each, and arranges a container's children on their own. It then edits the
// document through a headless view, with injected touches and the manual clock only, undoes and
// redoes part of that, saves the document, reads it into a new one and checks that it saves to
// the same text.
//
// Every file goes into the folder given as the first argument (the current folder by default).
// Each step prints one line; the program exits with 1 when any step failed.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Nodeloom/Nodeloom.h"

using namespace nodeloom;
namespace fs = std::filesystem;

namespace {

// --- Reporting ----------------------------------------------------------------------------------

class Report {
public:
    void check(bool ok, const std::string& what) {
        std::printf("  %-7s %s\n", ok ? "ok" : "FAILED", what.c_str());
        if (!ok) ++failures_;
    }
    void skip(const std::string& what) { std::printf("  %-7s %s\n", "skipped", what.c_str()); }
    void section(const std::string& title) { std::printf("%s\n", title.c_str()); }
    void wrote(const fs::path& file, bool ok) {
        check(ok, (ok ? "wrote " : "could not write ") + file.string());
        if (ok) files_.push_back(file);
    }
    int failures() const { return failures_; }
    const std::vector<fs::path>& files() const { return files_; }

private:
    int failures_ = 0;
    std::vector<fs::path> files_;
};

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// --- Appearance ---------------------------------------------------------------------------------

struct Palette {
    std::shared_ptr<Color> ink = std::make_shared<Color>(0.2, 0.25, 0.35);
    std::shared_ptr<Color> blue = std::make_shared<Color>(0.85, 0.91, 1.0);
    std::shared_ptr<Color> green = std::make_shared<Color>(0.86, 0.96, 0.86);
    std::shared_ptr<Color> yellow = std::make_shared<Color>(1.0, 0.97, 0.8);
    std::shared_ptr<Color> rose = std::make_shared<Color>(1.0, 0.88, 0.88);
    std::shared_ptr<Color> grey = std::make_shared<Color>(0.95, 0.95, 0.97);
    std::shared_ptr<Color> caption = std::make_shared<Color>(0.78, 0.85, 0.95);
};

const Palette& palette() {
    static const Palette colours;
    return colours;
}

std::shared_ptr<Brush> fill(const std::shared_ptr<Color>& colour) {
    return std::make_shared<SolidColorBrush>(colour);
}

void styleNode(DiagramNode& node, const std::string& text, const std::shared_ptr<Color>& colour) {
    node.setText(text);
    node.setBrush(fill(colour));
    node.setStroke(palette().ink);
    node.setStrokeThickness(0.4);
    node.setFontSize(10);
}

// Arrowhead, stroke and, when given, a label at a fraction of the link's length.
std::shared_ptr<DiagramLink> styleLink(const std::shared_ptr<DiagramLink>& link, LinkShape shape,
                                       const std::string& label, double labelAt = 0.5) {
    if (!link) return link;
    link->setShape(shape);
    link->setStrokeThickness(0.35);
    link->setStroke(palette().ink);
    link->setHeadShapeSize(4);
    link->setHeadBrush(fill(palette().ink));
    if (!label.empty()) {
        auto text = std::make_shared<LinkLabel>(link, label);
        text->setFontSize(8);
        text->setLinkLengthPosition(labelAt);
        link->addLabel(text);
    }
    return link;
}

// --- The document -------------------------------------------------------------------------------

// An order-handling process: the items the tour refers to later by name.
struct Tour {
    std::shared_ptr<Diagram> diagram;
    std::shared_ptr<ShapeNode> received, inStock, reorder, stock, shipped, mail;
    std::shared_ptr<ContainerNode> warehouse, billing;
    std::shared_ptr<ShapeNode> pick, pack, label, invoice, payment;
    std::shared_ptr<TableNode> orders;
    std::shared_ptr<TreeViewNode> catalogue;
    std::shared_ptr<TreeViewItem> novels, poetry;
    std::vector<std::shared_ptr<DiagramLink>> links;
};

std::shared_ptr<ShapeNode> shapeNode(Diagram& diagram, const std::string& shapeId,
                                     const Rect& bounds, const std::string& text,
                                     const std::shared_ptr<Color>& colour) {
    auto node = diagram.factory()->createShapeNode(bounds, Shape::fromId(shapeId));
    if (node) styleNode(*node, text, colour);
    return node;
}

std::shared_ptr<TreeViewItem> treeItem(const std::string& text,
                                       std::vector<std::shared_ptr<TreeViewItem>> children = {},
                                       bool expanded = true) {
    auto item = std::make_shared<TreeViewItem>();
    item->setLabel(text);
    item->setChildren(std::move(children));
    item->setExpanded(expanded);
    return item;
}

// The factory joins whole nodes and table rows. An end on a tree item is made for its item,
// starting from the middle of the item's row; the ends are then clipped to the node outlines,
// and an end on an item goes to the side of its row.
std::shared_ptr<ConnectionPoint> end(const std::shared_ptr<DiagramNode>& node,
                                     const std::shared_ptr<TreeViewItem>& item,
                                     const std::shared_ptr<DiagramLink>& link, bool incoming) {
    auto tree = std::dynamic_pointer_cast<TreeViewNode>(node);
    if (tree && item) return std::make_shared<TreeViewConnectionPoint>(tree, link, incoming, item);
    return node->createConnectionPoint(link, incoming ? link->endPoint() : link->startPoint(),
                                       incoming);
}

Point middle(const std::shared_ptr<DiagramNode>& node, const std::shared_ptr<TreeViewItem>& item) {
    auto tree = std::dynamic_pointer_cast<TreeViewNode>(node);
    return tree && item ? tree->getItemRect(*item).center() : node->bounds().center();
}

std::shared_ptr<DiagramLink> itemLink(Diagram& diagram, const std::shared_ptr<DiagramNode>& from,
                                      const std::shared_ptr<TreeViewItem>& fromItem,
                                      const std::shared_ptr<DiagramNode>& to,
                                      const std::shared_ptr<TreeViewItem>& toItem) {
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints({middle(from, fromItem), middle(to, toItem)});
    link->setOriginConnection(end(from, fromItem, link, false));
    link->setDestinationConnection(end(to, toItem, link, true));
    diagram.addItem(link);
    link->clipEndsToOutlines();
    link->alignEndsToRows();
    return link;
}

std::shared_ptr<TableNode> ordersTable(Diagram& diagram, const Rect& bounds) {
    auto table = diagram.factory()->createTableNode(bounds, 3, 6);
    if (!table) return table;
    styleNode(*table, "Orders this week", palette().grey);
    table->setCaptionHeight(7);
    table->setCaptionBackBrush(fill(palette().caption));
    table->setCellFrameStyle(CellFrameStyle::simple);
    table->setScrollable(true);
    const double widths[] = {13, 28, 19};
    for (int c = 0; c < 3; ++c)
        table->columns()[c].width = widths[c];
    const char* rows[][3] = {{"1001", "Ada", "40.00"},     {"1002", "Grace", "12.50"},
                             {"1003", "", "30.00"},        {"1004", "Alan", "8.20"},
                             {"1005", "Barbara", "15.00"}, {"Week total", "", "105.70"}};
    for (int r = 0; r < 6; ++r) {
        table->rows()[r]->setHeight(7);
        for (int c = 0; c < 3; ++c)
            table->cell(c, r)->setText(rows[r][c]);
    }
    // Grace placed both orders 1002 and 1003; the total's caption spans two columns.
    table->cell(1, 1)->setRowSpan(2);
    table->cell(0, 5)->setColumnSpan(2);
    table->cell(0, 5)->setBrush(fill(palette().yellow));
    table->cell(2, 5)->setBrush(fill(palette().yellow));
    // Six rows, room for five: the first one is scrolled out of sight.
    table->setCurrentScrollPos(1);
    return table;
}

std::shared_ptr<TreeViewNode> catalogueTree(Tour& tour, const Rect& bounds) {
    auto tree = tour.diagram->factory()->createTreeViewNode(bounds);
    if (!tree) return tree;
    styleNode(*tree, "Catalogue", palette().grey);
    tree->setCaptionHeight(7);
    tour.novels = treeItem("Novels");
    tour.poetry = treeItem("Poetry");
    auto fiction = treeItem("Fiction", {tour.novels, tour.poetry});
    auto books = treeItem("Books", {fiction, treeItem("Science")});
    auto music = treeItem("Music", {treeItem("Jazz"), treeItem("Rock")}, false);
    auto games = treeItem("Games", {treeItem("Board games")}, false);
    tree->rootItems() = {books, music, games};
    tree->forAllItems([](TreeViewItem& item) { item.setHeight(6); });
    // The rows are laid out when the node is drawn, and the ends of links to items are placed
    // on them: drawn once now, before the links are made.
    const auto picture = tour.diagram->createImage();
    return tree;
}

std::shared_ptr<ContainerNode> container(Diagram& diagram, const Rect& bounds,
                                         const std::string& caption,
                                         const std::vector<std::shared_ptr<ShapeNode>>& children) {
    auto box = diagram.factory()->createContainerNode(bounds);
    if (!box) return box;
    styleNode(*box, caption, palette().grey);
    box->setCaptionHeight(7);
    for (const auto& child : children)
        box->add(child);
    box->resizeToFitChildren(false, std::nullopt);
    return box;
}

Tour buildDocument() {
    Tour t;
    t.diagram = std::make_shared<Diagram>();
    Diagram& d = *t.diagram;
    d.setBounds(Rect(0, 0, 330, 200));
    d.setLinkCrossings(LinkCrossings::arc);
    d.setCrossingRadius(2.5);
    d.setShowGrid(true);
    d.setGridStyle(GridStyle::points);
    d.setGridColor(std::make_shared<Color>(0.8, 0.82, 0.88));
    d.setGridSizeX(5);
    d.setGridSizeY(5);
    const Palette& p = palette();

    t.received = shapeNode(d, "Terminator", Rect(10, 14, 40, 14), "Order received", p.green);
    t.orders = ordersTable(d, Rect(70, 8, 60, 42));
    t.inStock = shapeNode(d, "Decision", Rect(150, 20, 40, 24), "In stock?", p.yellow);
    t.reorder = shapeNode(d, "Hexagon", Rect(150, 85, 40, 16), "Reorder stock", p.rose);
    t.stock = shapeNode(d, "Cylinder", Rect(20, 125, 30, 22), "Stock", p.yellow);
    t.catalogue = catalogueTree(t, Rect(75, 100, 50, 56));

    t.pick = shapeNode(d, "Rectangle", Rect(220, 22, 34, 14), "Pick items", p.blue);
    t.pack = shapeNode(d, "RoundRect", Rect(220, 48, 34, 14), "Pack parcel", p.blue);
    t.label = shapeNode(d, "Card", Rect(220, 74, 34, 14), "Print label", p.blue);
    t.warehouse = container(d, Rect(210, 8, 50, 50), "Warehouse", {t.pick, t.pack, t.label});

    t.invoice = shapeNode(d, "Document", Rect(275, 120, 34, 16), "Invoice", p.blue);
    t.payment = shapeNode(d, "Data", Rect(275, 145, 34, 14), "Payment", p.blue);
    t.billing = container(d, Rect(270, 110, 44, 50), "Billing", {t.invoice, t.payment});

    t.shipped = shapeNode(d, "Terminator", Rect(282, 45, 40, 14), "Shipped", p.green);
    t.mail = shapeNode(d, "Ellipse", Rect(278, 160, 40, 16), "Mail customer", p.rose);

    Factory& f = *d.factory();
    auto& L = t.links;
    // Links that end on table rows and on tree items.
    L.push_back(styleLink(f.createDiagramLink(t.received, t.orders, 1), LinkShape::polyline,
                          "new order", 0.35));
    L.push_back(
        styleLink(f.createDiagramLink(t.orders, 2, t.inStock), LinkShape::cascading, "check"));
    L.push_back(styleLink(itemLink(d, t.reorder, nullptr, t.catalogue, t.novels), LinkShape::spline,
                          "order"));
    L.push_back(styleLink(itemLink(d, t.catalogue, t.poetry, t.stock, nullptr), LinkShape::bezier,
                          "in store"));
    // Links between nodes and containers.
    L.push_back(styleLink(f.createDiagramLink(t.inStock, t.warehouse), LinkShape::polyline, "yes"));
    L.push_back(styleLink(f.createDiagramLink(t.inStock, t.reorder), LinkShape::polyline, "no"));
    L.push_back(
        styleLink(f.createDiagramLink(t.warehouse, t.shipped), LinkShape::polyline, "hand over"));
    L.push_back(styleLink(f.createDiagramLink(t.warehouse, t.billing), LinkShape::bezier, "bill"));
    L.push_back(styleLink(f.createDiagramLink(t.billing, t.mail), LinkShape::cascading, "notify"));
    // Links inside the containers.
    L.push_back(styleLink(f.createDiagramLink(t.pick, t.pack), LinkShape::polyline, ""));
    L.push_back(styleLink(f.createDiagramLink(t.pack, t.label), LinkShape::polyline, ""));
    L.push_back(styleLink(f.createDiagramLink(t.invoice, t.payment), LinkShape::polyline, ""));

    t.billing->setFolded(true);
    return t;
}

// --- Checks -------------------------------------------------------------------------------------

// Names the first two visible top-level nodes whose rectangles overlap; empty when none do.
std::string overlappingNodes(Diagram& diagram) {
    std::vector<std::shared_ptr<DiagramNode>> top;
    for (const auto& node : diagram.nodes()) {
        if (node && !node->container() && node->visible()) top.push_back(node);
    }
    for (std::size_t i = 0; i < top.size(); ++i) {
        for (std::size_t j = i + 1; j < top.size(); ++j) {
            const Rect overlap = top[i]->bounds().intersect(top[j]->bounds());
            if (overlap.width > 1e-6 && overlap.height > 1e-6) {
                return "\"" + top[i]->text() + "\" and \"" + top[j]->text() + "\"";
            }
        }
    }
    return "";
}

bool exportPicture(Diagram& diagram, const fs::path& file, Report& report) {
    const bool ok = diagram.exportImage(file, "public.png");
    report.wrote(file, ok);
    return ok;
}

// --- Layouts ------------------------------------------------------------------------------------

// Where every node and every link point is, as text.
std::string geometry(Diagram& diagram) {
    std::string text;
    char buffer[96];
    const auto add = [&](const Point& p) {
        std::snprintf(buffer, sizeof buffer, "%.6g,%.6g ", p.x, p.y);
        text += buffer;
    };
    for (const auto& node : diagram.nodes()) {
        const Rect r = node->bounds();
        add(Point(r.x, r.y));
        add(Point(r.width, r.height));
        text += '\n';
    }
    for (const auto& link : diagram.links()) {
        for (const Point& p : link->controlPoints())
            add(p);
        text += '\n';
    }
    return text;
}

// Arranges the whole document as one undoable step, fits the page to it and writes its picture;
// then undoes the arrangement and checks that every node and link is back where it was.
void arrangeAndUndo(Tour& tour, const std::shared_ptr<Layout>& layout, const std::string& name,
                    bool mustNotOverlap, const fs::path& file, Report& report) {
    Diagram& d = *tour.diagram;
    const Rect page = d.bounds();
    const std::string before = geometry(d);
    d.arrange(layout);
    d.resizeToFitItems(8);
    report.check(geometry(d) != before, name + " layout moved the nodes");
    if (mustNotOverlap) {
        const std::string clash = overlappingNodes(d);
        report.check(clash.empty(), name + " layout keeps top-level nodes apart" +
                                        (clash.empty() ? "" : " (" + clash + " overlap)"));
    }
    exportPicture(d, file, report);
    d.undo();
    d.setBounds(page);
    report.check(geometry(d) == before, "undo puts the " + name + " arrangement back");
}

void arrangeEverything(Tour& tour, const fs::path& outDir, Report& report) {
    report.section("Layouts");

    auto layered = std::make_shared<LayeredLayout>();
    layered->setDirection(LayoutDirection::leftToRight);
    layered->setNodeDistance(12);
    layered->setLayerDistance(22);
    arrangeAndUndo(tour, layered, "layered", true, outDir / "diagram_example-layered.png", report);

    auto tree = std::make_shared<TreeLayout>();
    tree->setDirection(LayoutDirection::leftToRight);
    tree->setLinkType(TreeLayoutLinkType::cascading);
    tree->setNodeDistance(10);
    tree->setLevelDistance(18);
    arrangeAndUndo(tour, tree, "tree", true, outDir / "diagram_example-tree.png", report);

    // The spring layout separates nodes that fall on one point by random offsets: a seeded
    // source makes every run draw the same picture.
    auto spring = std::make_shared<SpringLayout>();
    std::mt19937 random(2026);
    spring->setRandomSource([random]() mutable { return static_cast<std::uint32_t>(random()); });
    spring->setNodeDistance(45);
    spring->setIterations(400);
    arrangeAndUndo(tour, spring, "spring", false, outDir / "diagram_example-spring.png", report);

    auto fractal = std::make_shared<FractalLayout>();
    fractal->setRoot(tour.inStock);
    arrangeAndUndo(tour, fractal, "fractal", false, outDir / "diagram_example-fractal.png", report);

    // The warehouse's children arranged inside it on their own, left to right, and then the
    // document arranged again around the reshaped container: the state the tour goes on with.
    auto inside = std::make_shared<TreeLayout>();
    inside->setDirection(LayoutDirection::leftToRight);
    inside->setLevelDistance(8);
    inside->setMargins(4);
    const Point pickBefore = tour.pick->bounds().center();
    const Point labelBefore = tour.label->bounds().center();
    tour.warehouse->arrange(inside);
    tour.warehouse->resizeToFitChildren(true, 4.0);
    report.check(tour.pick->bounds().center().y == tour.label->bounds().center().y &&
                     (tour.pick->bounds().center() != pickBefore ||
                      tour.label->bounds().center() != labelBefore),
                 "the warehouse's children arranged in a row inside it");
    const Rect box = tour.warehouse->bounds();
    bool childrenInside = true;
    for (const auto& child : tour.warehouse->children()) {
        const Rect r = child->bounds();
        childrenInside = childrenInside && r.x >= box.x && r.y >= box.y &&
                         r.x + r.width <= box.x + box.width && r.y + r.height <= box.y + box.height;
    }
    report.check(childrenInside, "the warehouse holds its arranged children");
    tour.diagram->arrange(layered);
    tour.diagram->resizeToFitItems(8);
    const std::string clash = overlappingNodes(*tour.diagram);
    report.check(clash.empty(), "layered layout around the reshaped container keeps nodes apart" +
                                    (clash.empty() ? "" : " (" + clash + " overlap)"));
    exportPicture(*tour.diagram, outDir / "diagram_example-arranged.png", report);
}

// --- A touch editing session --------------------------------------------------------------------

// A window on the headless screen holding a view of the document, on a run loop whose clock only
// the tour advances. Fingers are put down, moved and lifted at document points, which the view
// maps to its own points.
class Screen {
public:
    Screen(const std::shared_ptr<Diagram>& diagram, const Rect& frame)
        : loop_(std::make_shared<platform::RunLoop>()) {
        platform::RunLoop::setCurrent(loop_);
        window_ = platform::Window::create(frame);
        view_ = DiagramView::create(Rect(0, 0, frame.width, frame.height));
        window_->addSubview(view_);
        view_->setDiagram(diagram);
        view_->setBehavior(Behavior::linkShapes);
        view_->setAllowInplaceEdit(true);
    }
    ~Screen() {
        view_->removeFromSuperview();
        platform::RunLoop::setCurrent(nullptr);
    }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    DiagramView& view() { return *view_; }

    // The view lies at the window's origin, so its points are the window's.
    Point at(Point document) const { return view_->docToClient(document); }
    void wait(double seconds) { loop_->advance(seconds); }
    void down(Point p) {
        window_->fingersDown({{1, at(p)}});
        // Past the wait for a second finger, which holds a touch-down back.
        wait(0.05);
    }
    void moveTo(Point p) {
        window_->fingersMove({{1, at(p)}});
        wait(0.02);
    }
    void up(Point p) {
        window_->fingersUp({{1, at(p)}});
        wait(0.02);
    }
    void drag(Point from, Point to) {
        down(from);
        const int steps = 10;
        for (int i = 1; i <= steps; ++i) {
            const double t = static_cast<double>(i) / steps;
            moveTo(Point(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t));
        }
        up(to);
        settle();
    }
    void tap(Point p) {
        down(p);
        up(p);
    }
    // Long enough for every gesture timer to run out, so that the next touch starts afresh.
    void settle() { wait(1.5); }

private:
    std::shared_ptr<platform::RunLoop> loop_;
    std::shared_ptr<platform::Window> window_;
    std::shared_ptr<DiagramView> view_;
};

bool writePicture(const std::shared_ptr<platform::ImageSurface>& image, const fs::path& file) {
    if (!image) return false;
    const std::vector<std::uint8_t> bytes = image->pngData();
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return !bytes.empty() && static_cast<bool>(out);
}

// The document's text, without the counter that hands out drawing-order indexes: it only grows,
// so that undo never hands an index out twice, and a step undone leaves it where it was.
std::string documentText(Diagram& diagram) {
    std::string text = diagram.saveToXmlString();
    const std::size_t start = text.find("<ItemCounter>");
    const std::size_t end = text.find("</ItemCounter>");
    if (start != std::string::npos && end != std::string::npos && end > start)
        text.erase(start, end - start);
    return text;
}

bool near(Point a, Point b, double tolerance) {
    return std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance;
}

std::shared_ptr<DiagramNode> lastNode(Diagram& diagram) {
    const auto nodes = diagram.nodes();
    return nodes.size() == 0 ? nullptr : nodes[nodes.size() - 1];
}

// Draws a node on empty space, moves it by its handle, links it to another node, opens the
// radial menu with a long press and retypes the node's text after a double tap; then undoes the
// last three steps and redoes one, checking the document after each.
void touchSession(Tour& tour, const fs::path& outDir, Report& report) {
    report.section("Touch session");
    Diagram& d = *tour.diagram;
    // Room to draw in: the page grows to the right of and below what the layout arranged.
    const Rect content = d.bounds();
    d.setBounds(Rect(content.x, content.y, content.width + 70, content.height + 30));
    const Rect page = d.bounds();
    Screen screen(tour.diagram, Rect(0, 0, page.width * 3 + 20, page.height * 3 + 20));
    DiagramView& view = screen.view();

    int created = 0, linked = 0, menus = 0, edited = 0;
    std::size_t menuItems = 0;
    d.nodeCreated().add([&](Object&, NodeEventArgs&) { ++created; });
    d.linkCreated().add([&](Object&, LinkEventArgs&) { ++linked; });
    d.contextMenuCreated().add([&](Object&, ContextMenuEventArgs& args) {
        ++menus;
        menuItems = args.menu() ? args.menu()->items().size() : 0;
    });
    d.nodeTextEdited().add([&](Object&, EditNodeTextEventArgs&) { ++edited; });

    // 1. A drag on empty space draws a shape node.
    // Right of "Shipped", so that the link drawn later runs clear of the other nodes.
    const double left = content.x + content.width + 15;
    const double top = tour.shipped->bounds().y;
    const Point from(left, top), to(left + 40, top + 16);
    const std::size_t nodesBefore = d.nodes().size();
    screen.drag(from, to);
    const auto drawn = std::dynamic_pointer_cast<ShapeNode>(lastNode(d));
    const bool made = d.nodes().size() == nodesBefore + 1 && drawn && created == 1;
    report.check(made, "a drag on empty space drew a node");
    if (!made) return;
    const std::string afterDraw = documentText(d);

    // 2. Selected, the node moves by its centre handle.
    if (!drawn->selected()) screen.tap(drawn->bounds().center());
    screen.settle();
    const Point centre = drawn->bounds().center();
    const Point moved(centre.x - 5, centre.y + 25);
    screen.drag(centre, moved);
    report.check(near(drawn->bounds().center(), moved, d.gridSizeX()),
                 "a drag on its handle moved the node");
    const std::string afterMove = documentText(d);

    // 3. Unselected, a drag from the node to another draws a link between them.
    screen.tap(Point(page.x + page.width - 4, page.y + page.height - 4));
    screen.settle();
    const std::size_t linksBefore = d.links().size();
    screen.drag(drawn->bounds().center(), tour.shipped->bounds().center());
    const auto links = d.links();
    const auto link = links.size() > 0 ? links[links.size() - 1] : nullptr;
    report.check(d.links().size() == linksBefore + 1 && link && link->origin() == drawn &&
                     link->destination() == tour.shipped && linked == 1,
                 "a drag from the node to \"Shipped\" linked the two");
    const std::string afterLink = documentText(d);

    // 4. A finger held still opens the radial menu over the node; lifted without choosing, it
    // runs the default action, which only toggles the node's selection.
    const Point press = drawn->bounds().center();
    screen.down(press);
    screen.wait(2.1);
    report.check(menus == 1 && menuItems == 3,
                 "a long press opened the radial menu with delete, edit and toggle");
    report.wrote(outDir / "diagram_example-menu.png",
                 writePicture(view.renderImage(), outDir / "diagram_example-menu.png"));
    screen.up(press);
    screen.settle();
    bool menuGone = true;
    for (const auto& sub : view.subviews())
        menuGone = menuGone && !std::dynamic_pointer_cast<RadialMenu>(sub);
    report.check(menuGone && documentText(d) == afterLink,
                 "the menu closed and left the document as it was");

    // 5. A double tap opens the node's text for editing; typed text and "Done" commit it.
    screen.tap(press);
    screen.wait(0.1);
    screen.tap(press);
    const auto field = view.editTextField();
    report.check(view.editing() && field, "a double tap opened the node's text for editing");
    // Headless, nobody types: the text goes into the text view as the keyboard would put it,
    // and "Done" is the first button of the toolbar shown above the keyboard.
    const auto toolbar =
        field ? std::dynamic_pointer_cast<platform::Toolbar>(field->inputAccessoryView()) : nullptr;
    int done = -1;
    if (toolbar) {
        for (std::size_t i = 0; i < toolbar->items().size(); ++i) {
            const auto& button = toolbar->items()[i];
            if (button && button->title() == "Done" && done < 0) done = static_cast<int>(i);
        }
    }
    if (field) field->setText("Gift wrap");
    if (toolbar) toolbar->pressItem(done);
    report.check(done >= 0 && !view.editing() && drawn->text() == "Gift wrap" && edited == 1,
                 "typing and \"Done\" wrote the new text into the node");
    screen.settle();
    report.wrote(outDir / "diagram_example-touched.png",
                 writePicture(view.renderImage(), outDir / "diagram_example-touched.png"));

    // 6. Undo takes back the edit, the link and the move; redo brings the move back.
    for (int i = 0; i < 3; ++i)
        d.undo();
    report.check(documentText(d) == afterDraw, "undo took back the last steps");
    d.redo();
    report.check(documentText(d) == afterMove, "redo brought the move back");
    screen.settle();
    d.clearSelection();
    d.setBounds(content);
    d.resizeToFitItems(8);
}
}  // namespace

int main(int argc, char** argv) {
    // Once everything here is gone, the fonts go too, so that a leak checker run at exit sees
    // nothing of them.
    std::atexit([] { platform::TextEngine::releaseFonts(); });
    const fs::path outDir = argc > 1 ? fs::path(argv[1]) : fs::path(".");
    std::error_code error;
    fs::create_directories(outDir, error);
    std::printf("Nodeloom tour: writing into %s\n", outDir.string().c_str());
    Report report;

    report.section("Document");
    Tour tour = buildDocument();
    Diagram& d = *tour.diagram;
    report.check(d.nodes().size() == 15 && d.links().size() == 12,
                 "built " + std::to_string(d.nodes().size()) + " nodes and " +
                     std::to_string(d.links().size()) + " links");
    report.check(tour.billing->folded() && !tour.warehouse->folded(),
                 "one container folded, one open");
    report.check(tour.orders->incomingLinks().empty() && tour.orders->getAllLinks().size() == 2,
                 "two links end on table rows");
    report.check(
        tour.novels->incomingLinks().size() == 1 && tour.poetry->outgoingLinks().size() == 1,
        "two links end on tree items");
    exportPicture(d, outDir / "diagram_example-built.png", report);

    // From here on every change can be undone.
    d.setUndoEnabled(true);
    arrangeEverything(tour, outDir, report);

    touchSession(tour, outDir, report);

    report.section("Saving and loading");
    // A document keeps no scroll position: a table is read back showing its first row, so it is
    // scrolled there before saving, which puts the links on its rows where a reader expects them.
    tour.orders->setCurrentScrollPos(0);
    const fs::path xml = outDir / "diagram_example.xml";
    const bool saved = d.saveToXml(xml);
    report.wrote(xml, saved);
    auto copy = std::make_shared<Diagram>();
    report.check(saved && copy->loadFromXml(xml), "read the saved document into a new one");
    const fs::path again = outDir / "diagram_example-reloaded.xml";
    const bool savedAgain = copy->saveToXml(again);
    report.wrote(again, savedAgain);
    report.check(saved && savedAgain && readFile(xml) == readFile(again),
                 "the document read back saves to the same text");
    exportPicture(d, outDir / "diagram_example.png", report);

    std::printf("\nFiles written:\n");
    for (const auto& file : report.files())
        std::printf("  %s\n", file.string().c_str());
    if (report.failures() > 0) {
        std::printf("\n%d step(s) failed\n", report.failures());
        return 1;
    }
    std::printf("\nEvery step passed\n");
    return 0;
}
