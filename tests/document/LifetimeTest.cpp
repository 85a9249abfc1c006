#include <gtest/gtest.h>

#include <memory>

#include "Nodeloom/document/CompositeCommand.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/Router.h"

namespace nodeloom {
namespace {

// Everything a document hands out that may be kept beyond it: kept past the document's end, each
// answers nothing and changes nothing, and the sanitizers see no access to the freed document.
TEST(Lifetime, HelpersKeptPastTheDocumentDoNothing) {
    auto d = std::make_shared<Diagram>();
    d->setUndoEnabled(true);
    const std::shared_ptr<Factory> factory = d->factory();
    const std::shared_ptr<UndoManager> manager = d->undoManager();
    const std::shared_ptr<Router> router = d->linkRouter();

    auto a = factory->createShapeNode(0, 0, 20, 20);
    auto b = factory->createShapeNode(100, 0, 20, 20);
    auto link = factory->createDiagramLink(a, b);
    ASSERT_TRUE(a && b && link);
    ASSERT_EQ(manager->undoHistory().size(), 2u);
    const std::shared_ptr<Command> command = manager->undoHistory().front();
    const std::weak_ptr<Diagram> watch = d;
    d.reset();
    ASSERT_TRUE(watch.expired());

    EXPECT_EQ(factory->diagram(), nullptr);
    EXPECT_EQ(factory->createShapeNode(0, 0, 10, 10), nullptr);
    EXPECT_EQ(factory->createDiagramLink(a, b), nullptr);
    EXPECT_EQ(factory->createDiagramLink(Point(0, 0), Point(5, 5)), nullptr);

    EXPECT_EQ(command->diagram(), nullptr);
    command->undo();
    command->redo();
    command->execute();

    EXPECT_EQ(manager->diagram(), nullptr);
    manager->undo();
    manager->redo();
    EXPECT_EQ(manager->undoIndex(), 1);
    EXPECT_EQ(manager->startComposite(), nullptr);
    manager->commitComposite();
    bool ran = false;
    struct Probe : Command {
        explicit Probe(bool& ran) : Command(nullptr), ran_(ran) {}
        void execute() override { ran_ = true; }
        bool& ran_;
    };
    manager->executeCommand(std::make_shared<Probe>(ran));
    EXPECT_FALSE(ran);
    EXPECT_EQ(manager->undoHistory().size(), 2u);

    EXPECT_EQ(router->diagram(), nullptr);
    const std::vector<Point> before = link->controlPoints();
    EXPECT_TRUE(router->routeLink(link).empty());
    router->routeLinkSet({link});
    EXPECT_EQ(link->controlPoints(), before);
    EXPECT_TRUE(router->findObstacles(link, before).empty());
}

}  // namespace
}  // namespace nodeloom
