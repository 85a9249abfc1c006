#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "LinkTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/EditLinkLabelEventArgs.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

std::shared_ptr<LinkLabel> labelOn(const std::shared_ptr<DiagramLink>& link,
                                   const std::string& text = "label") {
    auto label = std::make_shared<LinkLabel>(link, text);
    link->addLabel(label);
    return label;
}

// Writes the label into an element and reads it into a new label, through the text form.
std::shared_ptr<LinkLabel> roundTrip(LinkLabel& label, std::shared_ptr<XmlElement>* written) {
    XmlContext save(nullptr, XmlContext::latestVersion());
    auto root = std::make_shared<XmlElement>("Diagram");
    auto element = root->addChild("Label");
    label.saveToXml(element, save);
    save.writeBrushes(root->addChild("Resources"));
    if (written) *written = element;
    auto parsed = parseXml(root->getXmlAsString(0));
    XmlContext load;
    load.readBrushes(parsed->getChild("Resources"));
    auto copy = std::make_shared<LinkLabel>(label.link());
    copy->loadFromXml(parsed->getChild("Label"), load);
    return copy;
}

std::shared_ptr<LinkLabel> loadLabel(const std::string& content) {
    auto label = std::make_shared<LinkLabel>();
    XmlContext context;
    label->loadFromXml(parseXml("<Label>" + content + "</Label>"), context);
    return label;
}

}  // namespace

TEST(LinkLabel, DefaultsAndTheArrangementFlag) {
    LinkLabel::setUsingAutoArrange(false);
    auto label = std::make_shared<LinkLabel>(std::make_shared<DiagramLink>(), "text");
    EXPECT_EQ(label->fontName(), "Arial");
    EXPECT_EQ(label->fontSize(), 7.0);
    EXPECT_EQ(label->fontUnit(), MeasureUnit::Point());
    EXPECT_EQ(label->relativeTo(), 2);
    EXPECT_EQ(label->margin(), 2.0);
    EXPECT_TRUE(label->autoArrange());
    auto brush = std::dynamic_pointer_cast<SolidColorBrush>(label->brush());
    ASSERT_TRUE(brush);
    EXPECT_EQ(*brush->color(), *Colors::White());

    // A new label does not mark the process as arranging labels; switching one on does, and
    // switching it off again leaves the mark.
    EXPECT_FALSE(LinkLabel::usingAutoArrange());
    label->setAutoArrange(true);
    label->setAutoArrange(false);
    EXPECT_TRUE(LinkLabel::usingAutoArrange());
    LinkLabel::setUsingAutoArrange(false);
}

TEST(LinkLabel, ReferencePoints) {
    auto link = linkThrough({Point(0, 0), Point(100, 0), Point(100, 40)});
    auto label = labelOn(link);
    // Half of the length 140 lies on the first segment.
    EXPECT_EQ(label->getReferencePoint(), Point(70, 0));
    // A length position keeps index and vertical offset, and ignores the offset.
    label->setSegmentPosition(1, 3, 4);
    label->setLinkLengthPosition(0.25);
    EXPECT_EQ(label->index(), 1);
    EXPECT_EQ(label->verticalOffset(), 4);
    EXPECT_EQ(label->getReferencePoint(), Point(35, 0));
    // At or past the end the label sits on the last point; before the start on the first.
    label->setLinkLengthPosition(1.0);
    EXPECT_EQ(label->getReferencePoint(), Point(100, 40));
    label->setLinkLengthPosition(2.5);
    EXPECT_EQ(label->getReferencePoint(), Point(100, 40));
    label->setLinkLengthPosition(-1);
    EXPECT_EQ(label->getReferencePoint(), Point(0, 0));

    // Segments and control points: indexes past the end are clamped, negative ones count from
    // the end; the offsets are added.
    label->setSegmentPosition(1, 1, 2);
    EXPECT_EQ(label->getReferencePoint(), Point(101, 22));
    label->setSegmentPosition(9, 0, 0);
    EXPECT_EQ(label->getReferencePoint(), Point(100, 20));
    label->setSegmentPosition(-9, 0, 0);
    EXPECT_EQ(label->getReferencePoint(), Point(50, 0));
    label->setControlPointPosition(-1, 0, 0);
    EXPECT_EQ(label->getReferencePoint(), Point(100, 40));
    label->setControlPointPosition(7, 5, -5);
    EXPECT_EQ(label->getReferencePoint(), Point(105, 35));
    // A value that is not finite leaves the position as it was.
    label->setLinkLengthPosition(INFINITY);
    EXPECT_EQ(label->getReferencePoint(), Point(105, 35));
    // No place for an unknown reference or without a link.
    label->setRelativeTo(7);
    EXPECT_FALSE(label->getLayoutRect());
    EXPECT_FALSE(LinkLabel().getReferencePoint());

    // A bezier segment is measured along its curve: a symmetric one has its middle at the apex.
    auto curve =
        linkThrough({Point(0, 0), Point(0, 30), Point(60, 30), Point(60, 0)}, LinkShape::bezier);
    auto bezier = labelOn(curve);
    bezier->setSegmentPosition(0, 0, 0);
    EXPECT_NEAR(bezier->getReferencePoint()->x, 30, 1e-9);
    EXPECT_NEAR(bezier->getReferencePoint()->y, 22.5, 1e-9);
    // Lines of no length, and pieces of none, do not divide by zero.
    EXPECT_EQ(LinkLabel::getPointAtLength({Point(3, 4), Point(3, 4)}, 0.5), Point(3, 4));
    EXPECT_EQ(LinkLabel::getPointAtLength({Point(0, 0), Point(0, 0), Point(10, 0)}, 0.3),
              Point(3, 0));
    EXPECT_EQ(LinkLabel::getPointAtLength({Point(0, 0), Point(10, 0)}, std::nan("")), Point());
}

TEST(LinkLabel, LayoutRectangle) {
    auto link = linkThrough({Point(0, 0), Point(100, 0)});
    auto one = labelOn(link, "a wide line");
    auto two = labelOn(link, "a wide line\nshort");
    const Rect r1 = *one->getLayoutRect();
    const double w = r1.width - 2, h = r1.height - 2;
    EXPECT_NEAR(r1.x + r1.width / 2, 50, 1e-9);
    EXPECT_NEAR(r1.y + r1.height / 2, 0, 1e-9);
    // Two lines: as wide as the longest, twice its height.
    EXPECT_NEAR(two->getLayoutRect()->width, r1.width, 1e-9);
    EXPECT_NEAR(two->getLayoutRect()->height - 2, 2 * h, 1e-6);
    // Bold type is wider, and the rectangle makes room for it.
    one->setFontBold(true);
    EXPECT_GT(one->getLayoutRect()->width, r1.width);
    one->setFontBold(false);

    // Near and far put the rectangle beside the point, the margin away.
    one->setHorizontalAlign(Align::near);
    one->setVerticalAlign(Align::far);
    EXPECT_EQ(*one->getLayoutRect(), Rect(50 + 2 - 1, -h - 2 - 1, w + 2, h + 2));
    one->setHorizontalAlign(Align::far);
    one->setVerticalAlign(Align::near);
    EXPECT_EQ(*one->getLayoutRect(), Rect(50 - w - 2 - 1, 2 - 1, w + 2, h + 2));
    // The font size is converted into the document's unit.
    auto diagram = std::make_shared<Diagram>();
    diagram->setMeasureUnit(MeasureUnit::Centimeter());
    link->setDiagram(diagram);
    EXPECT_NEAR(one->getLayoutRect()->height - 2, h / 10, 0.01 * h);
    link->setDiagram(nullptr);

    // Wrapping: a line that fits is measured whole and 5 taller; a long one is held to the width.
    one->setEnableWrap(true);
    EXPECT_NEAR(one->getLayoutRect()->width, r1.width, 1e-9);
    EXPECT_NEAR(one->getLayoutRect()->height, r1.height + 5, 1e-6);
    one->setText("several words that wrap onto more than one line");
    one->setMaxWidth(15);
    EXPECT_LE(one->getLayoutRect()->width - 2, 15);

    // A rectangle fixed by the arrangement wins, unless it has no area.
    one->setCachedLayoutRect(Rect(1, 2, 3, 4));
    EXPECT_EQ(*one->getLayoutRect(), Rect(1, 2, 3, 4));
    one->setCachedLayoutRect(Rect(1, 2, 0, 4));
    EXPECT_NE(*one->getLayoutRect(), Rect(1, 2, 0, 4));
    // Nothing but line feeds gives no rectangle, wrapped or not.
    one->setText("\n\n");
    EXPECT_FALSE(one->getLayoutRect());
    two->setText("");
    EXPECT_FALSE(two->getLayoutRect());
}

TEST(LinkLabel, DrawingAndEditing) {
    auto diagram = std::make_shared<Diagram>();
    auto link = linkThrough({Point(0, 0), Point(100, 0)});
    link->setTextColor(Colors::Blue());
    link->setDiagram(diagram);
    auto label = labelOn(link, "drawn");
    const Rect r = *label->getLayoutRect();

    // The background is one millimetre larger on every side; the text is set inside it in the
    // link's colour.
    LabelCanvas canvas;
    label->draw(canvas);
    Rect grown = r;
    grown.inflate(1, 1);
    EXPECT_EQ(canvas.drawn, std::vector<Rect>{grown});
    EXPECT_EQ(canvas.filled, std::vector<Rect>{grown});
    EXPECT_EQ(canvas.brushes.back(), label->brush());
    ASSERT_EQ(canvas.texts.size(), 1u);
    EXPECT_EQ(canvas.texts[0].rect, grown);
    EXPECT_EQ(canvas.textColors.back(), Colors::Blue());
    // Without a brush: no background, the text in the plain rectangle, in its own colour.
    LabelCanvas plain;
    label->setBrush(nullptr);
    label->setTextColor(Colors::Red());
    label->draw(plain);
    EXPECT_TRUE(plain.drawn.empty() && plain.filled.empty());
    ASSERT_EQ(plain.texts.size(), 1u);
    EXPECT_EQ(plain.texts[0].rect, r);
    EXPECT_EQ(plain.textColors.back(), Colors::Red());

    // Editing: the rectangle grown by the font size in document units, else the link's bounds.
    const Rect edit = label->getEditRect(link, Point());
    EXPECT_NEAR(edit.width, r.width + 2 * 7 * 25.4 / 72, 1e-9);
    EXPECT_EQ(label->getEditedItem(), link);
    int editing = 0, edited = 0;
    // Handlers see what is edited: the label, its link and both texts.
    const auto seen = [&](const EditLinkLabelEventArgs& args) {
        EXPECT_EQ(args.label(), label);
        EXPECT_EQ(args.link(), link);
        EXPECT_EQ(args.oldText(), "drawn");
        EXPECT_EQ(args.newText(), "");
    };
    diagram->linkLabelEditing().add([&](Object&, EditLinkLabelEventArgs& args) {
        seen(args);
        ++editing;
    });
    diagram->linkLabelEdited().add([&](Object&, EditLinkLabelEventArgs& args) {
        seen(args);
        ++edited;
    });
    label->raiseItemTextEditing("drawn", "");
    label->setEditedText("");
    label->raiseItemTextEdited("drawn", "");
    EXPECT_EQ(editing + edited, 2);
    EXPECT_EQ(EditLinkLabelEventArgs(nullptr, "a", "b").link(), nullptr);
    EXPECT_EQ(label->getEditRect(link, Point()), link->getBounds());
    LabelCanvas none;
    label->draw(none);
    EXPECT_TRUE(none.texts.empty());
    // The events need a document.
    link->setDiagram(nullptr);
    label->raiseItemTextEdited("", "x");
    EXPECT_EQ(edited, 1);

    // A clone has everything but the arranged rectangle.
    label->setCachedLayoutRect(Rect(1, 1, 5, 5));
    label->setControlPointPosition(-1, 2, 3);
    auto copy = label->clone();
    EXPECT_EQ(copy->link(), link);
    EXPECT_EQ(copy->textColor(), Colors::Red());
    EXPECT_EQ(copy->index(), -1);
    EXPECT_EQ(copy->verticalOffset(), 3);
    EXPECT_FALSE(copy->cachedLayoutRect());
}

TEST(LinkLabel, XmlRoundTrip) {
    LinkLabel::setUsingAutoArrange(false);
    auto link = linkThrough({Point(0, 0), Point(100, 0)});
    auto label = labelOn(link, "two\nlines");
    label->setSegmentPosition(-1, 1.5, -2.25);
    label->setHorizontalAlign(Align::near);
    label->setEnableWrap(true);
    label->setMaxWidth(30);
    label->setAutoArrange(false);
    label->setBrush(std::make_shared<SolidColorBrush>(Colors::Red()));
    label->setFontName("Courier");
    label->setFontSize(3.5);
    label->setFontUnit(MeasureUnit::Millimeter());
    label->setFontBold(true);
    label->setTextColor(Colors::Blue());

    std::shared_ptr<XmlElement> written;
    auto copy = roundTrip(*label, &written);
    EXPECT_EQ(written->attributes().at("Version"), "2");
    EXPECT_EQ(childNames(*written),
              (std::vector<std::string>{"Text", "RelativeTo", "Index", "HorizontalOffset",
                                        "VerticalOffset", "Margin", "HorizontalAlign",
                                        "VerticalAlign", "EnableWrap", "MaxWidth", "AutoArrange",
                                        "Brush", "FontFamily", "FontSize", "FontUnit"}));
    // Everything written reads back: the copy writes the same.
    std::shared_ptr<XmlElement> again;
    roundTrip(*copy, &again);
    EXPECT_EQ(again->getXmlAsString(0), written->getXmlAsString(0));
    EXPECT_EQ(copy->index(), -1);
    // Colour and type style are not written: black and plain after loading.
    EXPECT_EQ(*copy->textColor(), *Colors::Black());
    EXPECT_FALSE(copy->fontBold());
    // No brush reads back as none; a loaded autoArrange marks the process.
    label->setBrush(nullptr);
    label->setAutoArrange(true);
    LinkLabel::setUsingAutoArrange(false);
    copy = roundTrip(*label, nullptr);
    EXPECT_FALSE(copy->brush());
    EXPECT_TRUE(LinkLabel::usingAutoArrange());
    LinkLabel::setUsingAutoArrange(false);
}

TEST(LinkLabel, XmlReadingOlderIncompleteAndBadForms) {
    // Missing elements take the reader's defaults, not a new label's.
    auto empty = loadLabel("");
    EXPECT_EQ(empty->horizontalAlign(), Align::near);
    EXPECT_EQ(empty->maxWidth(), 0.0);
    EXPECT_EQ(empty->fontSize(), -1.0);
    EXPECT_EQ(empty->fontUnit(), MeasureUnit::fromId(0));
    EXPECT_FALSE(empty->brush());
    EXPECT_FALSE(empty->autoArrange());

    // The "Font" form: the child's name and size, the label's styles, and the label's own
    // "Unit" deciding the unit (none meaning points).
    auto font = loadLabel(
        "<Font><Name>Times</Name><Size>9</Size><Unit>6</Unit></Font><Bold>true</Bold>"
        "<Italic>1</Italic><Underline>True</Underline>");
    EXPECT_EQ(font->fontName(), "Times");
    EXPECT_EQ(font->fontSize(), 9);
    EXPECT_EQ(font->fontUnit(), MeasureUnit::Point());
    EXPECT_TRUE(font->fontBold() && font->fontItalic() && font->fontUnderline());
    auto inches = loadLabel("<Font><Unit>3</Unit></Font><Unit>" +
                            std::to_string(MeasureUnit::Inch()->id()) + "</Unit>");
    EXPECT_EQ(inches->fontUnit(), MeasureUnit::Inch());

    // Values it cannot use keep what the label had.
    auto bad = loadLabel(
        "<RelativeTo>x</RelativeTo><Index>99999999999</Index><HorizontalAlign>7</HorizontalAlign>"
        "<FontUnit>4242</FontUnit>");
    EXPECT_EQ(bad->relativeTo(), LinkLabel::linkLength);
    EXPECT_EQ(bad->index(), 0);
    EXPECT_EQ(bad->horizontalAlign(), Align::center);
    EXPECT_EQ(bad->fontUnit(), MeasureUnit::Point());
}

TEST(LinkLabel, BlanksMeasureAsTheLinkTextDoes) {
    // Blanks have no width for the wrapping rule to scale by: wrapped or not, the label of
    // blanks is as large as its text, like link text of blanks.
    auto link = linkThrough({Point(0, 0), Point(100, 0)});
    auto blanks = labelOn(link, "  \t ");
    const Rect whole = *blanks->getLayoutRect();
    blanks->setEnableWrap(true);
    blanks->setMaxWidth(1);
    EXPECT_EQ(*blanks->getLayoutRect(), whole);
}

// A label belongs to one link: whichever way another link takes it in, the first lets it go, so
// that it is drawn, hit, saved and restored with one link only.
TEST(LinkLabel, ALabelBelongsToOneLink) {
    auto d = std::make_shared<Diagram>();
    d->setMeasureUnit(MeasureUnit::Millimeter());
    d->setUndoEnabled(true);
    auto& factory = *d->factory();
    const auto linkBetween = [&](double y) {
        return factory.createDiagramLink(
            std::static_pointer_cast<DiagramNode>(factory.createShapeNode(0, y, 20, 20)),
            std::static_pointer_cast<DiagramNode>(factory.createShapeNode(100, y, 20, 20)));
    };
    auto first = linkBetween(0);
    auto second = linkBetween(100);
    auto label = labelOn(first, "moving");
    auto other = std::make_shared<LinkLabel>(second, "other");
    const auto texts = [](DiagramLink& link) {
        LabelCanvas canvas;
        link.draw(canvas);
        std::string drawn;
        for (const auto& text : canvas.texts) drawn += text.text + ";";
        return drawn;
    };
    // Each link's labels, and whether each label names the link that holds it.
    const auto holders = [&] {
        std::string held;
        for (const auto& link : {first, second}) {
            for (const auto& l : link->labels()) held += l->text() + (l->link() == link ? "" : "?");
            held += "|";
        }
        return held;
    };

    second->addLabel(label);
    second->addLabel(label);
    EXPECT_EQ(holders(), "|moving|");
    EXPECT_EQ(texts(*first), "");
    EXPECT_EQ(texts(*second), "moving;");
    const Point center = label->getLayoutRect()->center();
    EXPECT_FALSE(first->labelFromPoint(center));
    EXPECT_EQ(second->labelFromPoint(center), label);
    EXPECT_EQ(d->getLinkAt(center), second);
    const std::string text = d->saveToXmlString();
    auto copy = std::make_shared<Diagram>();
    ASSERT_TRUE(copy->loadFromXml(parseXml(text)));
    ASSERT_EQ(copy->links().size(), 2u);
    EXPECT_TRUE(copy->links()[0]->labels().empty());
    EXPECT_EQ(copy->links()[1]->labels().size(), 1u);

    // The same through setLabels: a label listed twice is held once, one taken from another
    // link leaves it, and one left out no longer names the link.
    first->setLabels({label, other, label});
    EXPECT_EQ(holders(), "movingother||");
    first->setLabels({other});
    EXPECT_EQ(holders(), "other||");
    EXPECT_EQ(label->link(), nullptr);
    EXPECT_FALSE(first->labelFromPoint(center));
    first->addLabel(label);
    EXPECT_EQ(holders(), "othermoving||");

    // The same through the label's own setter: it moves into the link it is given, where a
    // later addLabel finds it, and null takes it from its link.
    label->setLink(second);
    EXPECT_EQ(holders(), "other|moving|");
    second->addLabel(label);
    label->setLink(second);
    EXPECT_EQ(holders(), "other|moving|");
    EXPECT_EQ(texts(*first), "other;");
    EXPECT_EQ(texts(*second), "moving;");
    const Point moved = label->getLayoutRect()->center();
    EXPECT_FALSE(first->labelFromPoint(moved));
    EXPECT_EQ(d->getLinkAt(moved), second);
    ASSERT_TRUE(copy->loadFromXml(parseXml(d->saveToXmlString())));
    EXPECT_EQ(copy->links()[0]->labels().size(), 1u);
    EXPECT_EQ(copy->links()[1]->labels().size(), 1u);
    label->setLink(nullptr);
    EXPECT_EQ(holders(), "other||");
    EXPECT_EQ(label->link(), nullptr);
    EXPECT_FALSE(second->labelFromPoint(moved));
    // A label made for a link names it before the link takes it in, and is then held once.
    auto made = std::make_shared<LinkLabel>(second, "made");
    EXPECT_EQ(holders(), "other||");
    second->addLabel(made);
    EXPECT_EQ(holders(), "other|made|");
    made->setLink(nullptr);
    // A label whose link has left every holder goes into the link it is given.
    {
        auto gone = linkBetween(200);
        auto orphan = labelOn(gone, "orphan");
        d->setUndoEnabled(false);
        d->removeItem(gone);
        d->setUndoEnabled(true);
        gone.reset();
        orphan->setLink(second);
        EXPECT_EQ(holders(), "other|orphan|");
        orphan->setLink(nullptr);
    }
    label->setLink(first);
    EXPECT_EQ(holders(), "othermoving||");

    // Undo and redo of a move bring back both lists, in whichever order the links were noted,
    // whether the label moved through the links' operations or its own setter.
    const auto um = d->undoManager();
    for (const int way : {0, 1, 2}) {
        for (const bool firstNotedFirst : {true, false}) {
            um->startComposite();
            using Items = std::vector<std::shared_ptr<DiagramItem>>;
            d->recordItemStates(firstNotedFirst ? Items{first, second} : Items{second, first});
            if (way == 0) second->setLabels({label, other});
            if (way == 1) label->setLink(second);
            if (way == 2) label->setLink(nullptr);
            um->commitComposite();
            const std::string after = way == 0 ? "|movingother|"
                                      : way == 1 ? "other|moving|"
                                                 : "other||";
            EXPECT_EQ(holders(), after);
            um->undo();
            EXPECT_EQ(holders(), "othermoving||");
            um->redo();
            EXPECT_EQ(holders(), after);
            um->undo();
        }
    }
}
