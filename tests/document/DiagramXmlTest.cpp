#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/document/RepaintEventArgs.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/composite/TreeViewItem.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/AnchorPoint.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"
#include "Nodeloom/platform/ImageSurface.h"

using namespace nodeloom;
namespace fs = std::filesystem;

namespace {

// A directory of its own for each test, removed afterwards.
class DiagramXml : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("nodeloom-xml-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path write(const std::string& name, const std::string& text) {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    bool load(Diagram& d, const std::string& text) {
        return d.loadFromXml(write("input.xml", text));
    }
    static std::string read(const fs::path& path) {
        std::ostringstream out;
        out << std::ifstream(path, std::ios::binary).rdbuf();
        return out.str();
    }

    fs::path dir;
};

std::shared_ptr<ShapeNode> addNode(Diagram& d, const Rect& bounds, const std::string& text) {
    auto node = std::make_shared<ShapeNode>();
    node->setBounds(bounds);
    node->setText(text);
    d.addItem(node);
    return node;
}

std::vector<std::string> childNames(const std::shared_ptr<XmlElement>& element) {
    std::vector<std::string> names;
    for (const auto& child : element->children())
        names.push_back(child->name());
    return names;
}

std::shared_ptr<XmlElement> parsed(const std::string& text, const fs::path& dir) {
    const fs::path path = dir / "parsed.xml";
    std::ofstream(path, std::ios::binary) << text;
    XmlDomBuilder builder;
    if (!builder.parseFile(path)) return nullptr;
    return builder.root();
}

const char* const newDocumentText = R"(<Diagram Version="16">
    <Nodes/>
    <Links/>
    <Properties>
        <ItemCounter>0</ItemCounter>
        <AllowUnconnectedLinks>false</AllowUnconnectedLinks>
        <AllowSelfLoops>true</AllowSelfLoops>
        <AlignToGrid>true</AlignToGrid>
        <ShowGrid>false</ShowGrid>
        <GridStyle>0</GridStyle>
        <GridColor>#FF8C8C96</GridColor>
        <GridSizeX>4.0</GridSizeX>
        <GridSizeY>4.0</GridSizeY>
        <Bounds>0.0, 0.0, 210.0, 297.0</Bounds>
        <MeasureUnit>6</MeasureUnit>
        <RoundedLinks>false</RoundedLinks>
        <RoundedLinksRadius>0.0</RoundedLinksRadius>
        <ExpandOnIncoming>false</ExpandOnIncoming>
        <AdjustmentHandlesSize>2.0</AdjustmentHandlesSize>
    </Properties>
    <Resources>
        <Brushes/>
        <Images Count="0"/>
    </Resources>
</Diagram>
)";

}  // namespace

TEST_F(DiagramXml, NewDocumentSavesItsSectionsAndPropertiesInOrder) {
    auto d = std::make_shared<Diagram>();
    EXPECT_EQ(d->saveToXmlString(), newDocumentText);
    const fs::path path = dir / "new.xml";
    ASSERT_TRUE(d->saveToXml(path));
    EXPECT_EQ(read(path), newDocumentText);
}

TEST_F(DiagramXml, ItemsAreNumberedByDrawingOrderAndListedByCollection) {
    auto d = std::make_shared<Diagram>();
    auto first = addNode(*d, Rect(0, 0, 10, 10), "first");
    auto second = addNode(*d, Rect(20, 0, 10, 10), "second");
    auto link = std::make_shared<DiagramLink>();
    d->addItem(link);
    first->setZIndex(10);  // drawn on top, still listed first
    d->setGridOffsetY(1.5);

    auto builder = std::make_shared<XmlDomBuilder>();
    d->saveToXml(builder);
    const auto root = builder->root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(childNames(root),
              (std::vector<std::string>{"Nodes", "Links", "Properties", "Resources"}));
    const auto nodes = root->getChild("Nodes")->children();
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]->attributes().at("Id"), "2");
    EXPECT_EQ(nodes[1]->attributes().at("Id"), "0");
    EXPECT_EQ(root->getChild("Links")->children().at(0)->attributes().at("Id"), "1");
    const auto properties = root->getChild("Properties");
    EXPECT_EQ(properties->getChild("GridOffsetX"), nullptr);
    EXPECT_EQ(properties->getChild("GridOffsetY")->text(), "1.5");
    EXPECT_EQ(childNames(root->getChild("Resources")),
              (std::vector<std::string>{"Brushes", "Images"}));
}

TEST_F(DiagramXml, PropertiesComeBackExceptThoseThatAreNotRead) {
    auto d = std::make_shared<Diagram>();
    d->setItemCounter(42);
    d->setAllowUnconnectedLinks(true);
    d->setAllowSelfLoops(false);
    d->setAlignToGrid(false);
    d->setShowGrid(true);
    d->setGridStyle(GridStyle::lines);
    d->setGridColor(std::make_shared<Color>(1.0, 0.2, 0.4, 0.6));
    d->setGridSizeX(5.0);
    d->setGridSizeY(2.5);
    d->setGridOffsetX(-1.0);
    d->setBounds(Rect(-10, -20, 300, 400.5));
    d->setBrush(std::make_shared<LinearGradientBrush>(std::make_shared<Color>(1.0, 1.0, 0.0, 0.0),
                                                      std::make_shared<Color>(1.0, 0.0, 0.0, 1.0),
                                                      30.0));
    d->setMeasureUnit(MeasureUnit::Inch());
    d->setExpandOnIncoming(true);
    d->setRoundedLinks(true);
    d->setRoundedLinksRadius(3.0);
    d->setAdjustmentHandlesSize(3.0);
    const fs::path path = dir / "properties.xml";
    ASSERT_TRUE(d->saveToXml(path));

    auto e = std::make_shared<Diagram>();
    e->setAdjustmentHandlesSize(5.0);
    e->setCrossingRadius(2.0);
    ASSERT_TRUE(e->loadFromXml(path));
    // Written but not read back, or reset by every load.
    EXPECT_FALSE(e->roundedLinks());
    EXPECT_EQ(e->roundedLinksRadius(), 0.0);
    EXPECT_EQ(e->crossingRadius(), 0.0);
    EXPECT_EQ(e->adjustmentHandlesSize(), 5.0);
    EXPECT_EQ(e->gridOffsetY(), std::nullopt);
    // Everything else came back: with those three as the load left them, both save alike.
    d->setRoundedLinks(false);
    d->setRoundedLinksRadius(0.0);
    d->setAdjustmentHandlesSize(5.0);
    EXPECT_EQ(e->saveToXmlString(), d->saveToXmlString());
}

TEST_F(DiagramXml, ADocumentSavedLoadedAndSavedAgainGivesTheSameText) {
    auto d = std::make_shared<Diagram>();
    auto a = addNode(*d, Rect(10, 20, 30, 40), "a & <b>");
    a->setBrush(std::make_shared<SolidColorBrush>(std::make_shared<Color>(1.0, 1.0, 0.0, 0.0)));
    a->setRotationAngle(30);
    auto b = addNode(*d, Rect(60, 20, 30, 40), "second");
    b->setBrush(a->brush());
    b->setShape(Diagram::defaultShapes()->shapeFromId("Ellipse"));
    b->setLocked(true);
    b->setZIndex(-5);
    d->addItem(std::make_shared<DiagramLink>());
    d->setGridOffsetY(0.5);
    const std::string text = d->saveToXmlString();
    // Both nodes share one brush entry.
    EXPECT_EQ(parsed(text, dir)->getChild("Resources")->getChild("Brushes")->children().size(),
              2u);  // the node brush and the text brush

    auto e = std::make_shared<Diagram>();
    ASSERT_TRUE(load(*e, text));
    EXPECT_EQ(e->saveToXmlString(), text);
    ASSERT_EQ(e->nodes().size(), 2u);
    ASSERT_EQ(e->links().size(), 1u);
    EXPECT_EQ(e->nodes()[0]->text(), "a & <b>");
    EXPECT_EQ(e->nodes()[0]->bounds(), Rect(10, 20, 30, 40));
    EXPECT_TRUE(e->nodes()[1]->locked());
    for (const auto& item : e->items()) {
        EXPECT_EQ(item->diagram(), e);
        EXPECT_FALSE(item->standalone());
    }
    // The drawing order is the saved one: b lies below a and the link.
    EXPECT_EQ(e->items().front(), e->nodes()[1]);

    // The element form reads the same tree.
    auto f = std::make_shared<Diagram>();
    ASSERT_TRUE(f->loadFromXml(parsed(text, dir)));
    EXPECT_EQ(f->saveToXmlString(), text);
    // So does a tree whose items' content was kept compact by the parse: nothing has to be
    // asked for before the document reads it.
    XmlDomBuilder keeping;
    ASSERT_TRUE(keeping.parseFileKeeping(write("kept.xml", text), {"Nodes", "Links"}));
    EXPECT_EQ(keeping.getXmlContent(), parsed(text, dir)->getXmlAsString(0));
    auto g = std::make_shared<Diagram>();
    ASSERT_TRUE(g->loadFromXml(keeping.root()));
    EXPECT_EQ(g->saveToXmlString(), text);
}

TEST_F(DiagramXml, ItemCounterAndUndoAfterALoad) {
    const std::string twoNodes = R"(<Diagram Version="16"><Nodes>
        <Node Class="std:ShapeNode" Id="0" Version="1"/>
        <Node Class="std:ShapeNode" Id="1" Version="1"/>
        </Nodes><Links/>%s</Diagram>)";
    const auto withProperties = [&](const std::string& properties) {
        std::string text = twoNodes;
        text.replace(text.find("%s"), 2, properties);
        return text;
    };

    auto d = std::make_shared<Diagram>();
    ASSERT_TRUE(load(*d, withProperties("<Properties><ItemCounter>0</ItemCounter></Properties>")));
    EXPECT_EQ(d->itemCounter(), 2u);
    d->setItemCounter(7);
    ASSERT_TRUE(load(*d, withProperties("")));
    EXPECT_EQ(d->itemCounter(), 7u);

    d->setUndoEnabled(true);
    addNode(*d, Rect(0, 0, 1, 1), "undoable");
    EXPECT_TRUE(d->canUndo());
    ASSERT_TRUE(load(*d, withProperties("")));
    EXPECT_TRUE(d->undoEnabled());
    EXPECT_FALSE(d->canUndo());
    EXPECT_TRUE(d->undoManager()->undoHistory().empty());
    EXPECT_EQ(d->nodes().size(), 2u);

    d->setUndoEnabled(false);
    ASSERT_TRUE(load(*d, withProperties("")));
    EXPECT_FALSE(d->undoEnabled());
}

TEST_F(DiagramXml, UnusableValuesKeepTheirDefaults) {
    auto d = std::make_shared<Diagram>();
    d->setGridStyle(GridStyle::lines);
    d->setMeasureUnit(MeasureUnit::Inch());
    ASSERT_TRUE(d->loadFromXml(fs::path(NODELOOM_TEST_DATA_DIR "/documents/bad-numbers.xml")));
    EXPECT_EQ(d->itemCounter(), 1u);  // -5 is no counter: the number of items read
    EXPECT_EQ(d->gridStyle(), GridStyle::lines);
    EXPECT_EQ(*d->gridColor(), Color(1.0, 0.0, 0.0, 0.0));
    EXPECT_EQ(d->gridSizeX(), 0.0);
    EXPECT_EQ(d->gridSizeY(), -4.0);
    EXPECT_EQ(d->gridOffsetX(), std::optional<double>(0.0));
    EXPECT_EQ(d->bounds(), Rect(0, 0, 0, 0));
    EXPECT_EQ(d->measureUnit(), MeasureUnit::Inch());
    EXPECT_EQ(d->brush(), nullptr);
    // A grid without a usable size snaps nothing and makes no NaN.
    EXPECT_EQ(d->alignRectToGrid(Rect(3.3, 3.3, 10, 10)), Rect(3.3, 3.3, 10, 10));

    ASSERT_TRUE(load(*d, R"(<Diagram Version="16"><Properties><Bounds>5, 6</Bounds>
        </Properties></Diagram>)"));
    EXPECT_EQ(d->bounds(), Rect(5, 6, 0, 0));
}

TEST_F(DiagramXml, ItemsThatCannotBeReadAreSkipped) {
    // Unknown, missing or repeated ids and classes, and items in the other kind's section.
    auto d = std::make_shared<Diagram>();
    ASSERT_TRUE(d->loadFromXml(fs::path(NODELOOM_TEST_DATA_DIR "/documents/bad-items.xml")));
    ASSERT_EQ(d->nodes().size(), 2u);
    EXPECT_EQ(d->nodes()[0]->bounds(), Rect(1, 1, 10, 10));
    EXPECT_EQ(d->nodes()[1]->runtimeIndex(), -8);
    ASSERT_EQ(d->links().size(), 2u);
    EXPECT_EQ(d->items().size(), 4u);
}

TEST_F(DiagramXml, ADocumentWithoutVersionOrSectionsStillLoads) {
    auto d = std::make_shared<Diagram>();
    ASSERT_TRUE(load(*d, R"(<Diagram><Nodes><Node Class="std:ShapeNode" Id="0" Version="1"/>
        </Nodes></Diagram>)"));
    EXPECT_EQ(d->nodes().size(), 1u);
    ASSERT_TRUE(load(*d, R"(<Diagram Version="16"/>)"));
    EXPECT_TRUE(d->items().empty());
    EXPECT_EQ(d->bounds(), Rect(0, 0, 0, 0));
}

TEST_F(DiagramXml, AFailedLoadLeavesTheDocumentAsItWas) {
    auto d = std::make_shared<Diagram>();
    auto node = addNode(*d, Rect(1, 2, 3, 4), "mine");
    d->setUndoEnabled(true);
    addNode(*d, Rect(5, 6, 7, 8), "undoable");
    const std::string before = d->saveToXmlString();
    const auto items = d->items();

    const std::string good = newDocumentText;
    const std::vector<std::string> bad = {
        "",
        "not xml",
        good.substr(0, good.size() / 2),
        R"(<Diagram Version="16"><Nodes></Links></Diagram>)",
        R"(<Shapes Version="16"><Nodes/><Links/></Shapes>)",
        R"(<?xml version="1.0"?><!-- nothing -->)",
    };
    for (const auto& text : bad) {
        EXPECT_FALSE(load(*d, text)) << text;
        EXPECT_EQ(d->saveToXmlString(), before) << text;
        EXPECT_EQ(d->items(), items) << text;
        EXPECT_TRUE(d->canUndo()) << text;
    }
    EXPECT_FALSE(d->loadFromXml(dir / "missing.xml"));
    EXPECT_FALSE(d->loadFromXml(dir));
    EXPECT_FALSE(d->loadFromXml(std::shared_ptr<XmlElement>()));
    EXPECT_FALSE(d->loadFromXml(nullptr));
    EXPECT_FALSE(d->loadFromXml(std::make_shared<XmlElement>("Node")));
    EXPECT_EQ(d->saveToXmlString(), before);
    EXPECT_EQ(node->diagram(), d);
}

TEST_F(DiagramXml, BundledDocumentsAreFoundByNameAndType) {
    // Documents are the application's resources, not the library's.
    auto d = std::make_shared<Diagram>();
    platform::Bundle::setMainDirectory(NODELOOM_TEST_DATA_DIR "/documents");
    const bool found = d->loadFromXml("sample.xml");
    const bool withoutType = d->loadFromXml("sample");
    const bool missing = d->loadFromXml("missing.xml");
    platform::Bundle::setMainDirectory("");
    EXPECT_TRUE(found);
    EXPECT_FALSE(withoutType);
    EXPECT_FALSE(missing);
    EXPECT_EQ(d->nodes().size(), 3u);
}

TEST_F(DiagramXml, SavingReplacesAFileWholeOrNotAtAll) {
    auto d = std::make_shared<Diagram>();
    addNode(*d, Rect(0, 0, 10, 10), "saved");
    const fs::path path = write("document.xml", "an older and much longer content than before");
    ASSERT_TRUE(d->saveToXml(path));
    EXPECT_EQ(read(path), d->saveToXmlString());
    // Only the document is left in the directory: no temporary file.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    EXPECT_FALSE(d->saveToXml(dir / "no-such-directory" / "document.xml"));
    EXPECT_FALSE(d->saveToXml(dir));
    EXPECT_FALSE(d->saveToXml(fs::path()));
    const std::string earlier = read(path);
    addNode(*d, Rect(20, 0, 10, 10), "not saved");
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    const bool written = d->saveToXml(path);
    fs::permissions(dir, fs::perms::owner_all);
    // A privileged user may write anyway; when the save fails, the old file is whole.
    EXPECT_EQ(read(path), written ? d->saveToXmlString() : earlier);
}

// A save replaces the content only: the file keeps its mode, and a link to it stays a link.
TEST_F(DiagramXml, SavingKeepsTheFilesModeAndTheLinkToIt) {
    auto d = std::make_shared<Diagram>();
    addNode(*d, Rect(0, 0, 10, 10), "saved");
    fs::create_directories(dir / "real");
    const fs::path file = write("real/document.xml", "old");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real/document.xml", dir / "link.xml");

    ASSERT_TRUE(d->saveToXml(dir / "link.xml"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.xml"));
    EXPECT_EQ(read(file), d->saveToXmlString());
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    auto e = std::make_shared<Diagram>();
    ASSERT_TRUE(e->loadFromXml(dir / "link.xml"));
    EXPECT_EQ(e->nodes().size(), 1u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "real"), fs::directory_iterator()), 1);

    // Neither a save nor a picture replaces a pipe, a directory or a device, by name or
    // through a link: each answers false and leaves it as it was.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    fs::create_symlink("pipe", dir / "to-pipe");
    fs::create_symlink("real", dir / "to-real");
    for (const char* name : {"pipe", "to-pipe", "real", "to-real"}) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(d->saveToXml(dir / name));
        ASSERT_FALSE(d->exportImage(dir / name, "public.png"));
    }
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
    EXPECT_TRUE(fs::is_directory(dir / "real"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "real"), fs::directory_iterator()), 1);
    EXPECT_FALSE(d->saveToXml("/dev/null"));
    EXPECT_FALSE(d->exportImage("/dev/null", "public.png"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 5);
}

TEST_F(DiagramXml, ALoadAsksForOneWholeRepaintAndLeavesItemsReportingAgain) {
    auto source = std::make_shared<Diagram>();
    const auto a = addNode(*source, Rect(10, 10, 20, 10), "a");
    const auto b = addNode(*source, Rect(60, 10, 20, 10), "b");
    source->factory()->createDiagramLink(a, b);
    const fs::path file = dir / "two.xml";
    ASSERT_TRUE(source->saveToXml(file));

    auto d = std::make_shared<Diagram>();
    std::vector<std::optional<Rect>> rects;
    d->repaint() += [&rects](Object&, RepaintEventArgs& args) {
        rects.push_back(args.invalidRect());
    };
    ASSERT_TRUE(d->loadFromXml(file));
    EXPECT_FALSE(d->isLoading());
    // The items' own reads, some twenty properties each, are not reported one by one; the
    // view is told to redraw everything at the end.
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects.back(), std::nullopt);
    EXPECT_LT(rects.size(), 10u);
    EXPECT_EQ(d->saveToXmlString(), source->saveToXmlString());

    // Once loaded, an item reports its changes and is found where it went.
    rects.clear();
    const auto node = d->nodes().front();
    ASSERT_EQ(d->getNodeAt(Point(15, 15), false), node);
    node->setBounds(Rect(110, 60, 20, 10));
    EXPECT_FALSE(rects.empty());
    EXPECT_EQ(d->getNodeAt(Point(115, 65), false), node);
    EXPECT_EQ(d->getNodeAt(Point(15, 15), false), nullptr);
}

namespace {

// A document with every kind of node, links of every shape between nodes, table rows and tree
// items or loose, shared and own brushes, images and styles.
std::shared_ptr<Diagram> randomDocument(unsigned seed) {
    std::mt19937 random(seed);
    const auto number = [&random](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    const auto index = [&random](std::size_t size) {
        return std::uniform_int_distribution<std::size_t>(0, size - 1)(random);
    };
    const auto rect = [&number] {
        return Rect(number(-50, 400), number(-50, 300), number(5, 60), number(5, 60));
    };
    const auto color = [&number] {
        return std::make_shared<Color>(number(0, 1), number(0, 1), number(0, 1), number(0, 1));
    };
    // Now and then a text of arbitrary bytes (NULs, controls, ill-formed UTF-8, lone
    // surrogates, four-byte characters), marked at both ends so that a load trims nothing.
    const auto text = [&random, &index](std::string plain) {
        if (index(3) != 0) return plain;
        static const std::vector<std::string> pieces{
            std::string(1, '\0'), "\x01", "\x1F", "\t", "\r", "\n", "&", "<", "\x80", "\xFF",
            "\xC0\x80", "\xED\xA0\x80", "\xF0\x9D\x84\x9E", "\xF4\x90\x80\x80",
            "\xEF\xBF\xBF", "\xE2\x82", "\xC3\xA9"};
        std::string bytes = "~";
        for (std::size_t n = index(10); n > 0; --n) {
            if (index(3) == 0)
                bytes += static_cast<char>(random() % 256);
            else
                bytes += pieces[index(pieces.size())];
        }
        return bytes + "~";
    };
    auto d = std::make_shared<Diagram>();
    Factory& factory = *d->factory();
    const std::vector<std::shared_ptr<Brush>> brushes{
        std::make_shared<SolidColorBrush>(color()),
        std::make_shared<LinearGradientBrush>(color(), color(), number(0, 360)), nullptr};
    const auto image = platform::ImageSurface::create(3 + index(4), 2 + index(3));
    const auto style = std::make_shared<Style>();
    style->setBrush(brushes[index(2)]);
    style->setStrokeThickness(number(0, 3));

    std::vector<std::shared_ptr<DiagramNode>> nodes;
    std::vector<std::shared_ptr<TableNode>> tables;
    std::vector<std::shared_ptr<TreeViewNode>> trees;
    const std::size_t count = 2 + index(10);
    for (std::size_t i = 0; i < count; ++i) {
        switch (index(4)) {
            case 0: {
                auto table = factory.createTableNode(rect(), 1 + static_cast<int>(index(3)),
                                                     static_cast<int>(index(5)));
                if (table->cell(0, 0)) table->cell(0, 0)->setText(text("cell & " + std::to_string(i)));
                tables.push_back(table);
                nodes.push_back(table);
                break;
            }
            case 1: {
                auto tree = factory.createTreeViewNode(rect());
                for (std::size_t k = index(4); k > 0; --k) {
                    auto item = std::make_shared<TreeViewItem>();
                    item->setLabel(text("item <" + std::to_string(k) + ">"));
                    tree->rootItems().push_back(item);
                }
                trees.push_back(tree);
                nodes.push_back(tree);
                break;
            }
            case 2: {
                auto container = factory.createContainerNode(rect(), index(2) == 0);
                if (!nodes.empty() && index(2) == 0) container->add(nodes[index(nodes.size())]);
                nodes.push_back(container);
                break;
            }
            default: {
                auto node = factory.createShapeNode(rect());
                node->setText(index(2) == 0 ? ""
                                            : text("node \"" + std::to_string(i) +
                                                   "\"\r\n\t\xC3\xA9\xF0\x9D\x84\x9E"));
                node->setBrush(brushes[index(brushes.size())]);
                if (index(3) == 0) node->setImage(image);
                if (index(3) == 0) node->setStyle(style);
                node->setRotationAngle(index(2) == 0 ? 0.0 : number(-180, 180));
                nodes.push_back(node);
            }
        }
    }
    const std::size_t links = index(12);
    for (std::size_t i = 0; i < links; ++i) {
        std::shared_ptr<DiagramLink> link;
        const std::size_t kind = index(4);
        if (kind == 0 && !tables.empty()) {
            auto table = tables[index(tables.size())];
            link = factory.createDiagramLink(table, static_cast<int>(index(6)) - 1,
                                             nodes[index(nodes.size())]);
        } else if (kind == 1 && !trees.empty()) {
            auto tree = trees[index(trees.size())];
            const auto& roots = tree->rootItems();
            auto item = roots.empty() ? nullptr : roots[index(roots.size())];
            link = factory.createDiagramLink(tree, item, tree, nullptr);
        } else if (kind == 2) {
            d->setAllowUnconnectedLinks(true);
            link = factory.createDiagramLink(nodes[index(nodes.size())],
                                             Point(number(0, 300), number(0, 300)));
        } else {
            link = factory.createDiagramLink(nodes[index(nodes.size())], nodes[index(nodes.size())]);
        }
        if (!link) continue;
        link->setShape(static_cast<LinkShape>(index(4)));
        link->setSegmentCount(1 + static_cast<int>(index(4)));
        if (index(3) == 0) link->setLabels({std::make_shared<LinkLabel>(link, text("label & more"))});
        link->setText(index(2) == 0 ? "" : text("link\r" + std::to_string(i)));
        if (index(4) == 0) link->setStyle(style);
    }
    d->setBrush(brushes[index(brushes.size())]);
    if (index(2) == 0) d->setStyle(style);

    // Then numbers that are not finite through every setter of a saved value, drawn from a
    // generator of their own so that the documents stay as they were: each is refused, and the
    // document reads back as it is saved.
    std::mt19937 other(seed);
    const auto bad = [&other] {
        static const double values[] = {std::numeric_limits<double>::quiet_NaN(),
                                        std::numeric_limits<double>::infinity(),
                                        -std::numeric_limits<double>::infinity()};
        return values[other() % 3];
    };
    if (other() % 2 == 0) return d;
    d->setBounds(Rect(0, 0, bad(), 100));
    d->setGridSizeX(bad());
    style->setStrokeThickness(bad());
    style->setFontSize(bad());
    style->setHeadStrokeThickness(bad());
    if (auto gradient = std::dynamic_pointer_cast<LinearGradientBrush>(brushes[1])) {
        gradient->setAngle(bad());
        gradient->setPositions({0.0, bad()});
    }
    for (const auto& node : d->nodes()) {
        node->setBounds(Rect(bad(), 0, 10, 10));
        node->setRotationAngle(bad());
        node->setFontSize(bad());
        node->setStrokeThickness(bad());
        if (other() % 3 == 0) {
            auto pattern = std::make_shared<AnchorPattern>();
            pattern->points().push_back(std::make_shared<AnchorPoint>(bad(), 50));
            pattern->points().push_back(std::make_shared<AnchorPoint>(50, 50));
            pattern->points().back()->setX(bad());
            pattern->points().back()->setY(bad());
            node->setAnchorPattern(pattern);
        }
        if (auto container = std::dynamic_pointer_cast<ContainerNode>(node)) {
            container->setCaptionHeight(bad());
            container->setMargin(bad());
            container->setUnfoldedSize(Size(bad(), 10));
        }
    }
    for (const auto& table : tables) {
        table->setCaptionHeight(bad());
        if (!table->rows().empty()) table->rows().front()->setHeight(bad());
        if (table->cell(0, 0)) table->cell(0, 0)->setFontSize(bad());
        auto columns = table->columns();
        if (!columns.empty()) columns.back().width = bad();
        table->setColumns(columns);
    }
    for (const auto& tree : trees) {
        tree->setCaptionHeight(bad());
        tree->setScrollPosition(bad());
        for (const auto& item : tree->rootItems()) {
            item->setHeight(bad());
            item->setFontSize(bad());
        }
    }
    for (const auto& link : d->links()) {
        std::vector<Point> points = link->controlPoints();
        if (!points.empty()) points.back() = Point(bad(), 0);
        link->setControlPoints(points);
        link->setStartPoint(Point(0, bad()));
        link->setEndPoint(Point(bad(), bad()));
        link->setHeadShapeSize(bad());
        link->setHeadStrokeThickness(bad());
        for (const auto& label : link->labels()) {
            label->setMaxWidth(bad());
            label->setHorizontalOffset(bad());
            label->setVerticalOffset(bad());
            label->setMargin(bad());
            label->setFontSize(bad());
            label->setSegmentPosition(0, bad(), 1);
        }
    }
    return d;
}

// The texts of the nodes and links that are not of arbitrary bytes, in order.
std::vector<std::string> plainTexts(Diagram& d) {
    std::vector<std::string> texts;
    for (const auto& node : d.nodes())
        if (node->text().empty() || node->text().front() != '~') texts.push_back(node->text());
    for (const auto& link : d.links())
        if (link->text().empty() || link->text().front() != '~') texts.push_back(link->text());
    std::sort(texts.begin(), texts.end());
    return texts;
}

// The text of the whole element tree that the document builds.
std::string treeText(Diagram& d) {
    auto builder = std::make_shared<XmlDomBuilder>();
    d.saveToXml(builder);
    return builder->getXmlContent();
}

}  // namespace

// A save walks the document, writing each item's element in turn; what it writes is the text of
// the whole tree, byte for byte, into a string and into a file alike.
TEST_F(DiagramXml, ASaveWritesTheTextOfTheWholeTree) {
    // What the random documents must have held between them for the comparison to mean much.
    std::map<std::string, int> seen{
        {"std:TableNode", 0}, {"std:TreeViewNode", 0}, {"std:ContainerNode", 0},
        {"<Shape>0</Shape>", 0}, {"<Shape>2</Shape>", 0}, {"<Shape>3</Shape>", 0},
        {"<Images Count=\"1\">", 0}, {"Type=\"Gradient\"", 0}, {"<Labels>", 0},
        {"\xEF\xBF\xBD", 0}, {"&#13;", 0}};
    for (unsigned seed = 0; seed < 200; ++seed) {
        SCOPED_TRACE(seed);
        auto d = randomDocument(seed);
        const std::string expected = treeText(*d);
        for (auto& [text, count] : seen)
            count += expected.find(text) != std::string::npos ? 1 : 0;
        ASSERT_EQ(d->saveToXmlString(), expected);
        const fs::path file = dir / "saved.xml";
        ASSERT_TRUE(d->saveToXml(file));
        ASSERT_EQ(read(file), expected);
        // Whatever bytes its texts hold, a saved document loads and reads back as the text
        // saved, the first time and every time after; a text XML can carry comes back unchanged.
        auto e = std::make_shared<Diagram>();
        ASSERT_TRUE(e->loadFromXml(file));
        EXPECT_EQ(e->saveToXmlString(), treeText(*e));
        EXPECT_EQ(plainTexts(*e), plainTexts(*d));
        ASSERT_TRUE(e->saveToXml(file));
        auto f = std::make_shared<Diagram>();
        ASSERT_TRUE(f->loadFromXml(file));
        EXPECT_EQ(e->saveToXmlString(), expected);
        EXPECT_EQ(f->saveToXmlString(), expected);
    }
    for (const auto& [text, count] : seen)
        EXPECT_GT(count, 0) << text;
    std::size_t loaded = 0;
    for (const auto& entry : fs::directory_iterator(NODELOOM_TEST_DATA_DIR "/documents")) {
        SCOPED_TRACE(entry.path().filename().string());
        auto d = std::make_shared<Diagram>();
        if (!d->loadFromXml(entry.path())) continue;
        ++loaded;
        const std::string expected = treeText(*d);
        EXPECT_EQ(d->saveToXmlString(), expected);
        ASSERT_TRUE(d->saveToXml(dir / "corpus.xml"));
        EXPECT_EQ(read(dir / "corpus.xml"), expected);
    }
    EXPECT_GE(loaded, 10u);
}
