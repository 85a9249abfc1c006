// Builds a small order-handling flowchart with the public interface: shape nodes of several
// library shapes, links in all four link shapes with arrowheads, link labels and a crossing drawn
// as a bridge. Writes the document as XML and its picture as PNG into the folder given as the
// first argument (the current folder by default).
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/Nodeloom.h"

using namespace nodeloom;

namespace {

std::shared_ptr<ShapeNode> addNode(Diagram& diagram, const std::string& shapeId, const Rect& bounds,
                                   const std::string& text, const std::shared_ptr<Color>& fill) {
    auto node = std::make_shared<ShapeNode>();
    if (auto shape = Shape::fromId(shapeId)) node->setShape(shape);
    node->_setBounds(bounds);
    node->setText(text);
    node->setBrush(std::make_shared<SolidColorBrush>(fill));
    node->setStroke(std::make_shared<Color>(0.25, 0.3, 0.4));
    node->setStrokeThickness(0.4);
    node->setFontSize(11);
    diagram.addItem(node);
    return node;
}

// A link from one node to another in the given shape, through the given inner points when there
// are any, its ends clipped to the node outlines.
std::shared_ptr<DiagramLink> addLink(Diagram& diagram, const std::shared_ptr<DiagramNode>& from,
                                     const std::shared_ptr<DiagramNode>& to, LinkShape shape,
                                     const std::vector<Point>& inner = {}) {
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints({from->bounds().center(), to->bounds().center()});
    link->setOriginConnection(from->createConnectionPoint(link, link->startPoint(), false));
    link->setDestinationConnection(to->createConnectionPoint(link, link->endPoint(), true));
    diagram.addItem(link);
    link->setShape(shape);
    if (!inner.empty()) {
        std::vector<Point> points{link->startPoint()};
        points.insert(points.end(), inner.begin(), inner.end());
        points.push_back(link->endPoint());
        link->setControlPoints(points);
    }
    link->clipEndsToOutlines();
    link->setStrokeThickness(0.35);
    link->setStroke(std::make_shared<Color>(0.2, 0.25, 0.35));
    link->setHeadShapeSize(4);
    link->setHeadBrush(std::make_shared<SolidColorBrush>(std::make_shared<Color>(0.2, 0.25, 0.35)));
    return link;
}

std::shared_ptr<LinkLabel> addLabel(const std::shared_ptr<DiagramLink>& link,
                                    const std::string& text) {
    auto label = std::make_shared<LinkLabel>(link, text);
    label->setFontSize(9);
    link->labels().push_back(label);
    return label;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path outDir = argc > 1 ? argv[1] : ".";
    std::printf("Nodeloom example: output folder %s\n", outDir.string().c_str());

    auto diagram = std::make_shared<Diagram>();
    diagram->setBounds(Rect(0, 0, 320, 250));
    diagram->setLinkCrossings(LinkCrossings::arc);
    diagram->setCrossingRadius(3.0);
    diagram->setRoundedLinks(true);
    diagram->setRoundedLinksRadius(3.0);
    diagram->setShowGrid(true);
    diagram->setGridStyle(GridStyle::points);
    diagram->setGridColor(std::make_shared<Color>(0.8, 0.82, 0.88));
    diagram->setGridSizeX(5);
    diagram->setGridSizeY(5);

    const auto blue = std::make_shared<Color>(0.85, 0.91, 1.0);
    const auto green = std::make_shared<Color>(0.86, 0.96, 0.86);
    const auto yellow = std::make_shared<Color>(1.0, 0.97, 0.8);
    const auto rose = std::make_shared<Color>(1.0, 0.88, 0.88);

    auto received = addNode(*diagram, "Terminator", Rect(10, 12, 45, 18), "Order received", green);
    auto inStock = addNode(*diagram, "Decision", Rect(85, 35, 50, 32), "In stock?", yellow);
    auto pick = addNode(*diagram, "Rectangle", Rect(190, 40, 50, 22), "Pick items", blue);
    auto reorder = addNode(*diagram, "Hexagon", Rect(85, 100, 50, 24), "Reorder stock", rose);
    auto pack = addNode(*diagram, "RoundRect", Rect(190, 100, 50, 22), "Pack parcel", blue);
    auto shipped = addNode(*diagram, "Terminator", Rect(262, 102, 50, 18), "Shipped", green);
    auto stock = addNode(*diagram, "Cylinder", Rect(140, 160, 35, 30), "Stock", yellow);
    auto invoice = addNode(*diagram, "Document", Rect(190, 160, 50, 26), "Invoice", blue);
    auto mail = addNode(*diagram, "Ellipse", Rect(190, 212, 50, 26), "Mail customer", rose);

    addLink(*diagram, received, inStock, LinkShape::cascading, {Point(110, 21)});
    addLabel(addLink(*diagram, inStock, pick, LinkShape::polyline), "yes");
    // Labels away from the middle of these two, where they cross.
    addLabel(addLink(*diagram, inStock, reorder, LinkShape::polyline), "no")
        ->setLinkLengthPosition(0.15);
    addLink(*diagram, pick, pack, LinkShape::polyline);
    addLink(*diagram, pack, shipped, LinkShape::polyline);
    addLabel(addLink(*diagram, reorder, stock, LinkShape::spline, {Point(112, 160)}), "order");
    // Added after the "no" link, so it lies above it and bridges it where the two cross.
    addLabel(addLink(*diagram, stock, inStock, LinkShape::cascading,
                     {Point(157.5, 82), Point(60, 82), Point(60, 51)}),
             "restocked")
        ->setLinkLengthPosition(0.15);
    addLabel(
        addLink(*diagram, pack, invoice, LinkShape::bezier, {Point(240, 135), Point(190, 145)}),
        "bill");
    addLabel(addLink(*diagram, invoice, mail, LinkShape::polyline), "notify");
    auto confirm = addLink(*diagram, mail, shipped, LinkShape::spline, {Point(287, 200)});
    confirm->setStrokeDashStyle(DashStyle::dash);
    addLabel(confirm, "confirm");

    const std::filesystem::path xml = outDir / "diagram_example.xml";
    const bool saved = diagram->saveToXml(xml);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", xml.string().c_str());

    const std::filesystem::path png = outDir / "diagram_example.png";
    const bool exported = diagram->exportImage(png, "public.png");
    std::printf("%s %s\n", exported ? "wrote" : "could not write", png.string().c_str());
    return saved && exported ? 0 : 1;
}
