#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ItemTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/DiagramItem.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// Parses document text the way a file is read, so that values sit in text nodes as they do in
// every loaded document.
std::shared_ptr<XmlElement> parse(const std::string& text) {
    const auto path = std::filesystem::path(::testing::TempDir()) / "nodeloom_item.xml";
    std::ofstream(path) << text;
    XmlDomBuilder builder;
    const bool whole = builder.parseFile(path);
    std::filesystem::remove(path);
    return whole ? builder.root() : nullptr;
}

// Saves the item as a document would (its element, then the brush table) and reads it back
// into a fresh item.
std::shared_ptr<DiagramItem> roundTrip(DiagramItem& item, std::string* written = nullptr) {
    XmlContext save(nullptr, XmlContext::latestVersion());
    auto root = std::make_shared<XmlElement>("Diagram");
    auto node = root->addChild("Node");
    item.saveToXml(node, save);
    save.writeBrushes(root->addChild("Resources"));
    if (written) *written = root->getXmlAsString(0);

    auto parsed = parse(root->getXmlAsString(0));
    XmlContext load;
    load.readBrushes(parsed->getChild("Resources"));
    auto copy = std::make_shared<DiagramItem>();
    copy->loadFromXml(parsed->getChild("Node"), load);
    return copy;
}

// Loads an item element given as text, with no brush table.
std::shared_ptr<DiagramItem> load(const std::string& content,
                                  std::shared_ptr<DiagramItem> item = nullptr) {
    if (!item) item = std::make_shared<DiagramItem>();
    XmlContext context;
    item->loadFromXml(parse("<Node>" + content + "</Node>"), context);
    return item;
}

bool sameColor(const std::shared_ptr<Color>& a, const std::shared_ptr<Color>& b) {
    return a && b && *a == *b;
}

}  // namespace

TEST(DiagramItemXml, WrittenAndReadBackGivesAnEqualItem) {
    DiagramItem item;
    fillWithDistinctValues(item);
    const auto copy = roundTrip(item);
    EXPECT_EQ(copy->locked(), item.locked());
    EXPECT_EQ(copy->visible(), item.visible());
    EXPECT_EQ(copy->text(), item.text());
    EXPECT_TRUE(sameColor(copy->textColor(), item.textColor()));
    EXPECT_EQ(copy->fontName(), item.fontName());
    EXPECT_EQ(copy->fontSize(), item.fontSize());
    EXPECT_EQ(copy->fontUnit(), item.fontUnit());
    EXPECT_TRUE(sameColor(copy->stroke(), item.stroke()));
    EXPECT_EQ(copy->strokeThickness(), item.strokeThickness());
    EXPECT_EQ(copy->strokeDashStyle(), item.strokeDashStyle());
    EXPECT_EQ(copy->horizontalTextAlignment(), item.horizontalTextAlignment());
    EXPECT_EQ(copy->verticalTextAlignment(), item.verticalTextAlignment());
    ASSERT_NE(copy->brush(), nullptr);
    EXPECT_TRUE(copy->brush()->equalsTo(*item.brush()));
    EXPECT_EQ(copy->tag(), item.tag());
    EXPECT_EQ(copy->handlesStyle(), item.handlesStyle());
}

TEST(DiagramItemXml, UnsetValuesStayUnset) {
    DiagramItem item;
    item.setStroke(Colors::Empty());
    item.setStrokeThickness(-1);
    std::string written;
    const auto copy = roundTrip(item, &written);
    EXPECT_NE(written.find("<FontSize>-1.0</FontSize>"), std::string::npos);
    EXPECT_EQ(written.find("FontUnit"), std::string::npos);
    EXPECT_EQ(written.find("<Brush Id"), std::string::npos);  // no fill, only the text brush
    EXPECT_TRUE(copy->textColor()->isEmpty());
    EXPECT_TRUE(copy->stroke()->isEmpty());
    EXPECT_EQ(copy->strokeThickness(), -1.0);
    EXPECT_EQ(copy->fontName(), "");
    EXPECT_EQ(copy->fontSize(), -1.0);
    EXPECT_EQ(copy->fontUnit(), nullptr);
    EXPECT_EQ(copy->brush(), nullptr);
    EXPECT_EQ(copy->getEffectiveFontName(), "ArialMT");
}

TEST(DiagramItemXml, ContentOrderAndForms) {
    DiagramItem item;
    item.setTag("a<b");
    XmlContext save(nullptr, XmlContext::latestVersion());
    auto node = std::make_shared<XmlElement>("Node");
    item.saveToXml(node, save);
    std::string names;
    for (const auto& child : node->children())
        names += child->name() + " ";
    EXPECT_EQ(names,
              "Locked Visible Tag HandlesStyle Text TextBrush FontFamily FontSize TextAlignment "
              "TextVerticalAlignment Stroke StrokeThickness StrokeDashStyle ");
    EXPECT_EQ(node->getChild("Visible")->text(), "true");
    EXPECT_EQ(node->getChild("HandlesStyle")->text(), "1");
    EXPECT_EQ(node->getChild("TextAlignment")->text(), "1");
    EXPECT_EQ(node->getChild("Stroke")->text(), "#FF000000");
    EXPECT_EQ(node->getChild("StrokeThickness")->text(), "1.0");
    EXPECT_EQ(node->getChild("TextBrush")->attributes().at("Id"), "0");
}

TEST(DiagramItemXml, MissingValuesTakeTheReadersDefaults) {
    auto item = load("");
    EXPECT_FALSE(item->visible());  // unlike a new item
    EXPECT_EQ(item->horizontalTextAlignment(), HorizontalAlignment::left);
    EXPECT_EQ(item->verticalTextAlignment(), VerticalAlignment::top);
    EXPECT_EQ(item->stroke(), Colors::Black());
    EXPECT_EQ(item->strokeThickness(), -1.0);
    EXPECT_EQ(item->handlesStyle(), HandlesStyle::squareHandles);
    EXPECT_TRUE(item->textColor()->isEmpty());
}

TEST(DiagramItemXml, OlderFontPenAndTextFormatForms) {
    auto item = load(
        "<Font><Name>Serif</Name><Size>9</Size><Unit>4</Unit></Font>"
        "<Pen><Color>#FF00FF00</Color><Width>2.5</Width></Pen>"
        "<StrokeDashStyle>2</StrokeDashStyle>"
        "<TextFormat><Alignment>2</Alignment><LineAlignment>2</LineAlignment></TextFormat>"
        "<TextColor>#FF0000FF</TextColor>");
    EXPECT_EQ(item->fontName(), "Serif");
    EXPECT_EQ(item->fontSize(), 9.0);
    EXPECT_EQ(item->fontUnit(), MeasureUnit::Inch());
    EXPECT_EQ(*item->stroke(), Color(0.0, 1.0, 0.0));
    EXPECT_EQ(item->strokeThickness(), 2.5);
    EXPECT_EQ(item->strokeDashStyle(), DashStyle::solid);  // the pen form carries no dash
    EXPECT_EQ(item->horizontalTextAlignment(), HorizontalAlignment::right);
    EXPECT_EQ(item->verticalTextAlignment(), VerticalAlignment::bottom);
    EXPECT_EQ(*item->textColor(), Color(0.0, 0.0, 1.0));
}

TEST(DiagramItemXml, UnusableValuesKeepTheCurrentOrASafeValue) {
    auto item = std::make_shared<DiagramItem>();
    item->setHorizontalTextAlignment(HorizontalAlignment::right);
    item->setVerticalTextAlignment(VerticalAlignment::bottom);
    item->setFontUnit(MeasureUnit::Centimeter());
    load(
        "<TextAlignment>7</TextAlignment><TextVerticalAlignment>-1</TextVerticalAlignment>"
        "<StrokeDashStyle>9</StrokeDashStyle><HandlesStyle>2</HandlesStyle>"
        "<Brush Id=\"4\"/>",
        item);
    EXPECT_EQ(item->horizontalTextAlignment(), HorizontalAlignment::right);
    EXPECT_EQ(item->verticalTextAlignment(), VerticalAlignment::bottom);
    EXPECT_EQ(item->fontUnit(), MeasureUnit::Centimeter());  // no unit in the file
    EXPECT_EQ(item->strokeDashStyle(), DashStyle::solid);
    EXPECT_EQ(item->handlesStyle(), HandlesStyle::squareHandles);
    EXPECT_EQ(item->brush(), nullptr);

    load("<TextFormat><Alignment>5</Alignment></TextFormat><HandlesStyle>0</HandlesStyle>", item);
    EXPECT_EQ(item->horizontalTextAlignment(), HorizontalAlignment::right);
    EXPECT_EQ(item->verticalTextAlignment(), VerticalAlignment::bottom);
    EXPECT_EQ(item->handlesStyle(), HandlesStyle::invisible);

    XmlContext context;
    item->loadFromXml(nullptr, context);
    item->saveToXml(nullptr, context);
    EXPECT_EQ(item->handlesStyle(), HandlesStyle::invisible);
}

TEST(DiagramItemXml, ItemReferencesAndClassAttributes) {
    class Registered : public DiagramItem {
    public:
        Metatype<DiagramItem> getClassType() const override {
            return Metatype<DiagramItem>([] { return std::make_shared<Registered>(); },
                                         "test:Registered");
        }
    };
    XmlContext save(nullptr, XmlContext::latestVersion());
    auto parent = std::make_shared<XmlElement>("Links");
    auto item = std::make_shared<DiagramItem>();
    item->setRuntimeIndex(3);
    EXPECT_EQ(save.writeItemReference(item, "Origin", parent)->attributes().at("Id"), "3");
    EXPECT_EQ(save.writeItemReference(nullptr, "Origin", parent), nullptr);

    auto element = std::make_shared<XmlElement>("Node");
    save.writeItemClassAttributes(item, element, "Class");
    EXPECT_EQ(element->attributes().at("Class"), "std:DiagramItem");
    EXPECT_EQ(element->attributes().at("Version"), "1");

    Diagram::registerItemClass(Metatype<Object>(Registered().getClassType()), "host:Thing", 3);
    save.writeItemClassAttributes(std::make_shared<Registered>(), element, "Class");
    EXPECT_EQ(element->attributes().at("Class"), "host:Thing");
    EXPECT_EQ(element->attributes().at("Version"), "3");
}
