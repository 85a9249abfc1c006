#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "Nodeloom/document/ContextMenuEventArgs.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/LinkEventArgs.h"
#include "Nodeloom/document/NodeEventArgs.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/ImageView.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/RadialMenu.h"
#include "Nodeloom/view/RadialMenuController.h"
#include "Nodeloom/view/TouchInputDispatcher.h"

using namespace nodeloom;

namespace {

std::shared_ptr<Image> picture(double w = 32, double h = 32) {
    return std::make_shared<Image>(platform::ImageSurface::create(w, h));
}

Point centre(const MenuItem& item) {
    const Rect f = item.frame();
    return Point(f.x + f.width / 2, f.y + f.height / 2);
}

// The angle in whole degrees at which the layout put the item, undoing the half-icon offset.
int angleOf(const RadialMenu& menu, const MenuItem& item) {
    const double x = item.frame().x + item.imageWidth() / 2 - menu.width() / 2;
    const double y = item.frame().y + item.imageHeight() / 2 - menu.height() / 2;
    const int a = static_cast<int>(std::lround(std::atan2(y, x) * 180 / std::numbers::pi));
    return a >= 180 ? a - 360 : a;
}

// A view of a document in points with one node at (100, 100, 40, 40).
struct Scene {
    std::shared_ptr<DiagramView> view = DiagramView::create(Rect(0, 0, 400, 300));
    std::shared_ptr<Diagram> diagram = view->diagram();
    std::shared_ptr<ShapeNode> node = std::make_shared<ShapeNode>();
    Scene() {
        diagram->setMeasureUnit(MeasureUnit::Point());
        diagram->setBounds(Rect(0, 0, 1000, 1000));
        node->_setBounds(Rect(100, 100, 40, 40));
        diagram->addItem(node);
    }
    std::shared_ptr<RadialMenuController> press(Point p) {
        auto c = std::make_shared<RadialMenuController>(nullptr, view, Point(), nullptr);
        c->startDrag(p);
        return c;
    }
};

}  // namespace

TEST(RadialMenu, ButtonsSitOnTheHalfEllipseOfTheirSide) {
    auto menu = RadialMenu::create(Rect(0, 0, 160, 160));
    menu->layoutItems();  // nothing to place
    auto item = menu->addItem(picture(20, 10), nullptr);
    EXPECT_EQ(item->frame().size(), Size(38, 28));
    EXPECT_EQ(item->strokeWidth(), 2);
    EXPECT_EQ(item->image()->frame(), Rect(9, 9, 20, 10));
    menu->layoutItems();
    EXPECT_EQ(angleOf(*menu, *item), -180);  // one item: the start angle

    for (const auto& [count, expected] :
         std::vector<std::pair<int, std::vector<int>>>{{4, {-180, -120, -60, 0}},
                                                       {8, {-180, -155, -130, -105, -80, -55, -30, -5}}}) {
        auto m = RadialMenu::create(Rect(0, 0, 160, 160));
        for (int i = 0; i < count; ++i) m->addItem(picture(), nullptr);
        m->layoutItems();
        for (int i = 0; i < count; ++i) EXPECT_EQ(angleOf(*m, *m->items()[i]), expected[i]) << i;
    }

    menu->setPosition(VisualizationPosition::bottom);
    menu->addItem(picture(), nullptr);
    menu->layoutItems();
    EXPECT_EQ(angleOf(*menu, *menu->items()[0]), 0);
    EXPECT_EQ(angleOf(*menu, *menu->items()[1]), -180);

    menu->setWidth(0);
    menu->setHeight(-3);
    EXPECT_EQ(menu->frame(), Rect(0, 0, 160, 160));
}

TEST(RadialMenu, ActionsAreKeptByImageAndRemovedWithTheirButton) {
    auto menu = RadialMenu::create(Rect(0, 0, 160, 160));
    auto shared = picture();
    int calls = 0;
    menu->addItem(shared, [&](const std::shared_ptr<DiagramItem>&) { calls += 1; });
    menu->addItem(shared, [&](const std::shared_ptr<DiagramItem>&) { calls += 10; });
    menu->addItem(picture(), nullptr);
    ASSERT_EQ(menu->dict().size(), 2u);
    menu->dict().at(shared)(nullptr);
    EXPECT_EQ(calls, 10);

    menu->removeItem(-1);
    menu->removeItem(3);
    EXPECT_EQ(menu->items().size(), 3u);
    menu->removeItem(1);
    EXPECT_EQ(menu->items().size(), 2u);
    EXPECT_EQ(menu->subviews().size(), 2u);
    EXPECT_EQ(menu->dict().count(shared), 0u);  // lost by the first button too
}

TEST(RadialMenu, SubstringsAndResourceNamesAreChecked) {
    EXPECT_EQ(RadialMenu::substringFromTo("délete", 1, 3), "éle");
    EXPECT_EQ(RadialMenu::substringFromTo("abc", 2, 2), "c");
    EXPECT_FALSE(RadialMenu::substringFromTo("abc", -1, 1));
    EXPECT_FALSE(RadialMenu::substringFromTo("abc", 2, 1));
    EXPECT_FALSE(RadialMenu::substringFromTo("abc", 0, 3));

    auto menu = RadialMenu::create(Rect(0, 0, 160, 160));
    EXPECT_FALSE(menu->addItem(std::string_view("delete32"), nullptr));
    EXPECT_FALSE(menu->addItem(std::string_view("nothing-here.png"), nullptr));
    EXPECT_FALSE(menu->addItem(std::string_view("shapes.xml"), nullptr));  // not a picture
    EXPECT_FALSE(menu->addItem(std::shared_ptr<Image>(), nullptr));
    EXPECT_TRUE(menu->items().empty());
    EXPECT_TRUE(menu->addItem(std::string_view("delete32.png"), nullptr));
}

TEST(RadialMenuController, OpensOnlyOverAnItemAndFollowsTheFinger) {
    Scene scene;
    int raised = 0;
    bool shownWhenRaised = false;
    scene.diagram->contextMenuCreated().add([&](Object&, ContextMenuEventArgs& args) {
        raised += 1;
        shownWhenRaised = args.menu()->superview() == scene.view;
    });

    auto empty = scene.press(Point(300, 250));
    EXPECT_EQ(raised, 0);
    EXPECT_FALSE(empty->menu()->superview());
    empty->continueDrag(Point(80, 0));
    empty->endDrag(Point(80, 0));
    EXPECT_FALSE(empty->menu());

    auto c = scene.press(Point(120, 120));
    ASSERT_EQ(raised, 1);
    EXPECT_TRUE(shownWhenRaised);
    EXPECT_EQ(c->item(), scene.node);
    const auto menu = c->menu();
    EXPECT_EQ(menu->frame(), Rect(40, 40, 160, 160));
    ASSERT_EQ(menu->items().size(), 2u);  // the default handler's delete and toggle
    menu->layoutItems();
    const auto first = menu->items()[0];
    const auto toggle = menu->items()[1];
    const Point at = centre(*first);
    c->continueDrag(Point(at.x + 41, at.y));
    EXPECT_EQ(menu->selected(), first);
    EXPECT_TRUE(first->hovered());
    EXPECT_FALSE(toggle->hovered());
    c->continueDrag(Point(at.x - 42, at.y));
    EXPECT_EQ(menu->selected(), toggle);
    EXPECT_FALSE(first->hovered());
    EXPECT_TRUE(toggle->hovered());

    // The release runs the default item (toggle) on the pressed node and closes the menu.
    c->endDrag(Point(at.x - 42, at.y));
    EXPECT_TRUE(scene.node->selected());
    EXPECT_FALSE(menu->superview());
    EXPECT_FALSE(c->menu());

    auto cancelled = scene.press(Point(120, 120));
    const auto open = cancelled->menu();
    cancelled->onCancel(Point(), Point());
    EXPECT_FALSE(open->superview());
    EXPECT_TRUE(scene.node->selected());
}

TEST(RadialMenuController, TouchItemHandsItPointsInTheMenu) {
    Scene scene;
    auto c = scene.press(Point(120, 120));
    auto menu = c->menu();
    menu->layoutItems();
    auto touchItem = std::make_shared<TouchInputDispatcher::TouchItem>(scene.view, scene.node);
    touchItem->addTouch(nullptr, Point(120, 120));
    touchItem->setController(c);
    const Point delCentre = centre(*menu->items()[0]);
    const Point client(delCentre.x + 40, delCentre.y + 40);
    touchItem->touchMoved(nullptr, client);
    EXPECT_EQ(menu->selected(), menu->items()[0]);
    touchItem->touchEnded(nullptr, client);
    EXPECT_FALSE(scene.diagram->contains(*scene.node));
    EXPECT_TRUE(touchItem->touches().empty());
}

TEST(DefaultContextMenu, FillsAShownMenuWithItsActions) {
    Scene scene;
    auto other = std::make_shared<ShapeNode>();
    other->_setBounds(Rect(300, 100, 40, 40));
    scene.diagram->addItem(other);
    auto link = std::make_shared<DiagramLink>();
    link->setOrigin(scene.node);
    link->setDestination(other);
    scene.diagram->addItem(link);

    // Not in a view: nothing.
    auto loose = RadialMenu::create(Rect(0, 0, 160, 160));
    ContextMenuEventArgs looseArgs(loose, scene.node, Point());
    Diagram::fillDefaultContextMenu(*scene.diagram, looseArgs);
    EXPECT_TRUE(loose->items().empty());

    auto c = scene.press(Point(120, 120));
    auto menu = c->menu();
    ASSERT_EQ(menu->items().size(), 2u);
    const auto toggle = menu->items()[1];
    EXPECT_EQ(menu->defaultItem(), toggle);
    EXPECT_EQ(menu->selected(), toggle);
    EXPECT_TRUE(toggle->hovered());
    for (const auto& item : menu->items()) {
        const Color& hover = *item->onHoverStrokeColor();
        EXPECT_EQ(hover.red(), 1.0);
        EXPECT_DOUBLE_EQ(hover.green(), 100.0 / 255);
        EXPECT_DOUBLE_EQ(hover.blue(), 10.0 / 255);
        EXPECT_EQ(hover.alpha(), 1.0);
    }
    scene.node->setSelected(true);
    menu->dict().at(toggle->image()->image())(scene.node);
    EXPECT_FALSE(scene.node->selected());

    scene.view->setAllowInplaceEdit(true);
    auto editing = scene.press(Point(120, 120));
    EXPECT_EQ(editing->menu()->items().size(), 3u);

    // Delete: a veto keeps the node; without one its link goes silently with it, and a second
    // delete of the removed node does nothing.
    const auto del = menu->dict().at(menu->items()[0]->image()->image());
    bool veto = true;
    int nodeDeleted = 0, linkEvents = 0;
    scene.diagram->nodeDeleting().add([&](Object&, NodeValidationEventArgs& a) { a.setCancel(veto); });
    scene.diagram->nodeDeleted().add([&](Object&, NodeEventArgs&) { nodeDeleted += 1; });
    scene.diagram->linkDeleting().add([&](Object&, LinkValidationEventArgs&) { linkEvents += 1; });
    scene.diagram->linkDeleted().add([&](Object&, LinkEventArgs&) { linkEvents += 1; });
    del(scene.node);
    EXPECT_TRUE(scene.diagram->contains(*scene.node));
    EXPECT_EQ(nodeDeleted, 0);
    veto = false;
    scene.diagram->setUndoEnabled(true);
    del(scene.node);
    EXPECT_FALSE(scene.diagram->contains(*scene.node));
    EXPECT_FALSE(scene.diagram->contains(*link));
    EXPECT_EQ(nodeDeleted, 1);
    EXPECT_EQ(linkEvents, 0);
    const auto history = scene.diagram->undoManager()->undoHistory().size();
    del(scene.node);
    EXPECT_EQ(nodeDeleted, 1);
    EXPECT_EQ(scene.diagram->undoManager()->undoHistory().size(), history);
}

TEST(MenuIcons, AreOurOwnPicturesAndDrawAsButtons) {
    std::vector<std::vector<std::uint8_t>> seen;
    for (const char* name : {"delete32", "edit32", "toggle32"}) {
        auto image = platform::ImageView::imageFromFile(
            platform::Bundle::library().pathForResource(name, "png"));
        ASSERT_TRUE(image) << name;
        auto surface = image->image()->surface();
        ASSERT_EQ(image->getWidth(), 32);
        ASSERT_EQ(image->getHeight(), 32);
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        auto alpha = [&](int x, int y) { return data[y * stride + x * 4 + 3]; };
        EXPECT_EQ(alpha(0, 0), 0) << name;
        EXPECT_EQ(alpha(31, 31), 0) << name;
        int opaque = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) opaque += alpha(x, y) == 255;
        EXPECT_GT(opaque, 40) << name;
        seen.push_back(image->image()->pngData());
    }
    EXPECT_NE(seen[0], seen[1]);
    EXPECT_NE(seen[1], seen[2]);
    EXPECT_NE(seen[0], seen[2]);

    Scene scene;
    scene.view->setAllowInplaceEdit(true);
    auto c = scene.press(Point(120, 120));
    auto picture = c->menu()->renderImage();
    ASSERT_TRUE(picture);
    const auto png = picture->pngData();
    const auto path = std::filesystem::temp_directory_path() / "nodeloom-radial-menu.png";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    auto back = platform::ImageView::imageFromFile(path.string());
    ASSERT_TRUE(back);
    // Three buttons along the upper half: each centre is drawn on, the menu's centre is not.
    auto surface = back->image()->surface();
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const double scale = back->image()->scale();
    auto alphaAt = [&](Point p) {
        return data[static_cast<int>(p.y * scale) * stride + static_cast<int>(p.x * scale) * 4 + 3];
    };
    ASSERT_EQ(c->menu()->items().size(), 3u);
    for (const auto& item : c->menu()->items()) EXPECT_GT(alphaAt(centre(*item)), 0);
    EXPECT_EQ(alphaAt(Point(80, 150)), 0);
    std::filesystem::remove(path);
}

TEST(Bundles, ResourceDocumentsComeFromTheApplication) {
    const auto dir = std::filesystem::temp_directory_path() / "nodeloom-main-bundle";
    std::filesystem::create_directories(dir);
    {
        Diagram source;
        source.setMeasureUnit(MeasureUnit::Point());
        auto node = std::make_shared<ShapeNode>();
        node->_setBounds(Rect(1, 2, 30, 40));
        source.addItem(node);
        ASSERT_TRUE(source.saveToXml(dir / "sample.xml"));
    }
    Diagram d;
    EXPECT_FALSE(d.loadFromXml(std::string("sample.xml")));
    platform::Bundle::setMainDirectory(dir.string());
    EXPECT_TRUE(d.loadFromXml(std::string("sample.xml")));
    EXPECT_EQ(d.nodes().size(), 1u);
    EXPECT_FALSE(d.loadFromXml(std::string("shapes.xml")));  // the library's, not the app's
    platform::Bundle::setMainDirectory("");
    std::filesystem::remove_all(dir);
}
