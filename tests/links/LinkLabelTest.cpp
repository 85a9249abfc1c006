#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "LinkTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/EditLinkLabelEventArgs.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

constexpr double kPointInMm = 25.4 / 72.0;

std::shared_ptr<LinkLabel> labelOn(const std::shared_ptr<DiagramLink>& link,
                                   const std::string& text = "label") {
    auto label = std::make_shared<LinkLabel>(link, text);
    link->labels().push_back(label);
    return label;
}

Point centreOf(const Rect& r) {
    return Point(r.x + r.width / 2, r.y + r.height / 2);
}

// Writes the label into a "Label" element and reads it into a new label of the same link,
// through the text form of the element.
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

std::shared_ptr<LinkLabel> loadLabel(const std::string& content,
                                     const std::shared_ptr<DiagramLink>& link = nullptr) {
    auto label = std::make_shared<LinkLabel>(link);
    XmlContext context;
    label->loadFromXml(parseXml("<Label>" + content + "</Label>"), context);
    return label;
}

}  // namespace

TEST(LinkLabel, NewLabelDefaults) {
    LinkLabel::setUsingAutoArrange(false);
    auto link = std::make_shared<DiagramLink>();
    auto label = std::make_shared<LinkLabel>(link, "text");
    EXPECT_EQ(label->link(), link);
    EXPECT_EQ(label->text(), "text");
    EXPECT_EQ(label->fontName(), "Arial");
    EXPECT_EQ(label->fontSize(), 7.0);
    EXPECT_EQ(label->fontUnit(), MeasureUnit::Point());
    EXPECT_EQ(label->relativeTo(), LinkLabel::linkLength);
    EXPECT_EQ(label->relativeTo(), 2);
    EXPECT_EQ(label->index(), 0);
    EXPECT_EQ(label->horizontalOffset(), 0.5);
    EXPECT_EQ(label->verticalOffset(), 0.0);
    EXPECT_EQ(label->margin(), 2.0);
    EXPECT_EQ(label->horizontalAlign(), Align::center);
    EXPECT_EQ(label->verticalAlign(), Align::center);
    EXPECT_FALSE(label->enableWrap());
    EXPECT_EQ(label->maxWidth(), 3.402823e38);
    EXPECT_TRUE(label->autoArrange());
    EXPECT_FALSE(label->textColor());
    EXPECT_FALSE(label->cachedLayoutRect());
    auto brush = std::dynamic_pointer_cast<SolidColorBrush>(label->brush());
    ASSERT_TRUE(brush);
    EXPECT_EQ(*brush->color(), *Colors::White());
    EXPECT_FALSE(label->fontBold() || label->fontItalic() || label->fontUnderline());
    EXPECT_FALSE(std::make_shared<LinkLabel>()->link());
    EXPECT_EQ(fromRaw<RelativeToLink>(1), RelativeToLink::controlPoint);
    EXPECT_FALSE(fromRaw<RelativeToLink>(3));

    // Only switching autoArrange on marks the process as using arrangement.
    EXPECT_FALSE(LinkLabel::usingAutoArrange());
    label->setAutoArrange(false);
    EXPECT_FALSE(LinkLabel::usingAutoArrange());
    label->setAutoArrange(true);
    EXPECT_TRUE(LinkLabel::usingAutoArrange());
    label->setAutoArrange(false);
    EXPECT_TRUE(LinkLabel::usingAutoArrange());
    LinkLabel::setUsingAutoArrange(false);
}

TEST(LinkLabel, ReferencePoints) {
    auto link = linkThrough({Point(0, 0), Point(100, 0), Point(100, 40)});
    auto label = labelOn(link);

    // Half the length of 140 lies 70 along: on the first segment.
    EXPECT_EQ(label->getReferencePoint(), Point(70, 0));
    // A length position ignores the vertical offset and keeps the index.
    label->setSegmentPosition(1, 3, 4);
    label->setLinkLengthPosition(0.25);
    EXPECT_EQ(label->index(), 1);
    EXPECT_EQ(label->verticalOffset(), 4);
    EXPECT_EQ(label->getReferencePoint(), Point(35, 0));
    // At or past the end of the link the label sits on the last point, before it on the first.
    label->setLinkLengthPosition(1.0);
    EXPECT_EQ(label->getReferencePoint(), Point(100, 40));
    label->setLinkLengthPosition(2.5);
    EXPECT_EQ(label->getReferencePoint(), Point(100, 40));
    label->setLinkLengthPosition(-1);
    EXPECT_EQ(label->getReferencePoint(), Point(0, 0));

    // Segments: the middle of the segment plus the offsets; indexes are clamped, negative ones
    // count from the end.
    label->setSegmentPosition(1, 1, 2);
    EXPECT_EQ(label->relativeTo(), LinkLabel::segment);
    EXPECT_EQ(label->getReferencePoint(), Point(101, 22));
    label->setSegmentPosition(9, 0, 0);
    EXPECT_EQ(label->getReferencePoint(), Point(100, 20));
    label->setSegmentPosition(-2, 0, 0);
    EXPECT_EQ(label->getReferencePoint(), Point(50, 0));
    label->setSegmentPosition(-9, 0, 0);
    EXPECT_EQ(label->getReferencePoint(), Point(50, 0));

    // Control points likewise.
    label->setControlPointPosition(-1, 0, 0);
    EXPECT_EQ(label->getReferencePoint(), Point(100, 40));
    label->setControlPointPosition(7, 5, -5);
    EXPECT_EQ(label->getReferencePoint(), Point(105, 35));
    label->setControlPointPosition(1, 0, 0);
    EXPECT_EQ(label->getReferencePoint(), Point(100, 0));

    // A value that is not finite leaves the position as it was.
    label->setControlPointPosition(0, std::nan(""), 0);
    label->setLinkLengthPosition(INFINITY);
    EXPECT_EQ(label->getReferencePoint(), Point(100, 0));

    // No place for an unknown reference, or for a label without a link.
    label->setRelativeTo(7);
    EXPECT_FALSE(label->getReferencePoint());
    EXPECT_FALSE(label->getLayoutRect());
    EXPECT_FALSE(LinkLabel().getReferencePoint());
}

TEST(LinkLabel, PointsAlongCurvesAndDegenerateLines) {
    // A symmetric bezier segment: halfway along the curve is its apex, not the chord's middle.
    auto bezier =
        linkThrough({Point(0, 0), Point(0, 30), Point(60, 30), Point(60, 0)}, LinkShape::bezier);
    auto label = labelOn(bezier);
    label->setSegmentPosition(0, 0, 0);
    const Point apex = *label->getReferencePoint();
    EXPECT_NEAR(apex.x, 30, 1e-9);
    EXPECT_NEAR(apex.y, 22.5, 1e-9);

    // A line of no length has its only place at its start.
    EXPECT_EQ(LinkLabel::getPointAtLength({Point(3, 4), Point(3, 4)}, 0.5), Point(3, 4));
    EXPECT_EQ(LinkLabel::getPointAtLength({Point(3, 4)}, 0.5), Point(3, 4));
    EXPECT_EQ(LinkLabel::getPointAtLength({}, 0.5), Point(0, 0));
    EXPECT_EQ(LinkLabel::getPointAtLength({Point(0, 0), Point(10, 0)}, std::nan("")), Point(0, 0));
    // Pieces of no length are walked over.
    EXPECT_EQ(LinkLabel::getPointAtLength({Point(0, 0), Point(0, 0), Point(10, 0)}, 0.3),
              Point(3, 0));
}

TEST(LinkLabel, LayoutRectangle) {
    auto link = linkThrough({Point(0, 0), Point(100, 0)});
    auto one = labelOn(link, "a wide line");
    auto two = labelOn(link, "a wide line\nshort");

    // Centred on the middle of the link, two larger than the text.
    const Rect r1 = *one->getLayoutRect();
    EXPECT_NEAR(centreOf(r1).x, 50, 1e-9);
    EXPECT_NEAR(centreOf(r1).y, 0, 1e-9);
    EXPECT_GT(r1.width, 2);
    // Two lines: as wide as the longest, twice its height.
    const Rect r2 = *two->getLayoutRect();
    EXPECT_NEAR(r2.width, r1.width, 1e-9);
    EXPECT_NEAR(r2.height - 2, 2 * (r1.height - 2), 1e-6);
    // Bold type is wider, and the rectangle makes room for it.
    one->setFontBold(true);
    EXPECT_GT(one->getLayoutRect()->width, r1.width);
    one->setFontBold(false);

    // Near and far put the rectangle beside the point, the margin away.
    const double w = r1.width - 2, h = r1.height - 2;
    one->setHorizontalAlign(Align::near);
    one->setVerticalAlign(Align::far);
    EXPECT_EQ(*one->getLayoutRect(), Rect(50 + 2 - 1, 0 - h - 2 - 1, w + 2, h + 2));
    one->setHorizontalAlign(Align::far);
    one->setVerticalAlign(Align::near);
    one->setMargin(5);
    EXPECT_EQ(*one->getLayoutRect(), Rect(50 - w - 5 - 1, 0 + 5 - 1, w + 2, h + 2));

    // A larger type in another unit grows with it; a document in centimetres shrinks the numbers.
    auto big = labelOn(link, "a wide line");
    big->setFontSize(14);
    EXPECT_NEAR(big->getLayoutRect()->height - 2, 2 * h, 0.01 * h);
    auto diagram = std::make_shared<Diagram>();
    diagram->setMeasureUnit(MeasureUnit::Centimeter());
    link->setDiagram(diagram);
    EXPECT_NEAR(one->getLayoutRect()->height - 2, h / 10, 0.01 * h);
    link->setDiagram(nullptr);

    // Wrapping: a line that fits is measured whole and 5 taller; a long one is held to the width.
    auto wrapped = labelOn(link, "a wide line");
    wrapped->setEnableWrap(true);
    EXPECT_NEAR(wrapped->getLayoutRect()->width, r1.width, 1e-9);
    EXPECT_NEAR(wrapped->getLayoutRect()->height, r1.height + 5, 1e-6);
    wrapped->setText("several words that wrap onto more than one line");
    wrapped->setMaxWidth(15);
    EXPECT_LE(wrapped->getLayoutRect()->width - 2, 15);

    // A rectangle fixed by the document's arrangement wins; one without area counts as none.
    one->setCachedLayoutRect(Rect(1, 2, 3, 4));
    EXPECT_EQ(*one->getLayoutRect(), Rect(1, 2, 3, 4));
    one->setCachedLayoutRect(Rect(1, 2, 0, 4));
    EXPECT_NE(*one->getLayoutRect(), Rect(1, 2, 0, 4));

    // No text, or nothing but line feeds, gives no rectangle, wrapped or not.
    one->setText("");
    EXPECT_FALSE(one->getLayoutRect());
    one->setText("\n\n");
    EXPECT_FALSE(one->getLayoutRect());
    one->setEnableWrap(true);
    EXPECT_FALSE(one->getLayoutRect());
    // The link finds its labels by their rectangles.
    EXPECT_EQ(link->labelFromPoint(Point(50, 0)), two);
}

TEST(LinkLabel, Drawing) {
    auto diagram = std::make_shared<Diagram>();
    auto link = linkThrough({Point(0, 0), Point(100, 0)});
    link->setTextColor(Colors::Blue());
    link->setDiagram(diagram);
    auto label = labelOn(link, "drawn");
    const Rect r = *label->getLayoutRect();

    // The background is one millimetre larger on every side, and the text is set inside it.
    LabelCanvas canvas;
    label->draw(canvas);
    Rect grown = r;
    grown.inflate(1, 1);
    ASSERT_EQ(canvas.drawn.size(), 1u);
    EXPECT_EQ(canvas.drawn[0], grown);
    ASSERT_EQ(canvas.filled.size(), 1u);
    EXPECT_EQ(canvas.filled[0], grown);
    EXPECT_EQ(canvas.brushes.back(), label->brush());
    ASSERT_EQ(canvas.texts.size(), 1u);
    EXPECT_EQ(canvas.texts[0].text, "drawn");
    EXPECT_EQ(canvas.texts[0].rect, grown);
    EXPECT_EQ(canvas.texts[0].ha, HorizontalAlignment::center);
    EXPECT_EQ(canvas.textColors.back(), Colors::Blue());

    // Without a brush: no background, the text in the plain rectangle, in its own colour.
    LabelCanvas plain;
    label->setBrush(nullptr);
    label->setTextColor(Colors::Red());
    label->setHorizontalAlign(Align::far);
    label->setVerticalAlign(Align::near);
    label->draw(plain);
    EXPECT_TRUE(plain.drawn.empty());
    EXPECT_TRUE(plain.filled.empty());
    ASSERT_EQ(plain.texts.size(), 1u);
    EXPECT_EQ(plain.texts[0].rect, *label->getLayoutRect());
    EXPECT_EQ(plain.texts[0].ha, HorizontalAlignment::right);
    EXPECT_EQ(plain.texts[0].va, VerticalAlignment::top);
    EXPECT_EQ(plain.textColors.back(), Colors::Red());

    // Nothing at all without a rectangle.
    LabelCanvas none;
    label->setText("");
    label->draw(none);
    EXPECT_TRUE(none.texts.empty() && none.drawn.empty());
}

TEST(LinkLabel, InPlaceEditing) {
    auto diagram = std::make_shared<Diagram>();
    auto link = linkThrough({Point(0, 0), Point(100, 20)});
    auto label = labelOn(link, "old");

    label->setEditedText("new");
    EXPECT_EQ(label->getTextToEdit(), "new");
    EXPECT_EQ(label->getEditedItem(), link);
    // The label's rectangle grown by the font size in document units; the link's bounds when
    // the label has no rectangle.
    Rect expected = *label->getLayoutRect();
    expected.inflate(7 * kPointInMm, 7 * kPointInMm);
    const Rect edit = label->getEditRect(link, Point());
    EXPECT_NEAR(edit.x, expected.x, 1e-9);
    EXPECT_NEAR(edit.width, expected.width, 1e-9);
    label->setText("");
    EXPECT_EQ(label->getEditRect(link, Point()), link->getBounds());
    EXPECT_EQ(LinkLabel().getEditRect(nullptr, Point(4, 5)), Rect(4, 5, 0, 0));

    // The events reach the document's handlers only when the link is in one.
    int editing = 0, edited = 0;
    diagram->linkLabelEditing().add([&](Object& sender, EditLinkLabelEventArgs&) {
        EXPECT_EQ(&sender, diagram.get());
        ++editing;
    });
    diagram->linkLabelEdited().add([&](Object&, EditLinkLabelEventArgs&) { ++edited; });
    label->raiseItemTextEditing("a", "b");
    EXPECT_EQ(editing, 0);
    link->setDiagram(diagram);
    label->raiseItemTextEditing("a", "b");
    label->raiseItemTextEdited("a", "b");
    EXPECT_EQ(editing, 1);
    EXPECT_EQ(edited, 1);
    LinkLabel().raiseItemTextEdited("a", "b");
    EXPECT_EQ(edited, 1);
}

TEST(LinkLabel, Cloning) {
    auto link = linkThrough({Point(0, 0), Point(100, 0)});
    auto label = labelOn(link, "copied");
    label->setControlPointPosition(-1, 2, 3);
    label->setFontBold(true);
    label->setTextColor(Colors::Red());
    label->setHorizontalAlign(Align::far);
    label->setEnableWrap(true);
    label->setMaxWidth(40);
    label->setAutoArrange(false);
    label->setCachedLayoutRect(Rect(1, 1, 5, 5));

    auto copy = label->clone();
    EXPECT_EQ(copy->link(), link);
    EXPECT_EQ(copy->text(), "copied");
    EXPECT_EQ(copy->relativeTo(), LinkLabel::controlPoint);
    EXPECT_EQ(copy->index(), -1);
    EXPECT_EQ(copy->horizontalOffset(), 2);
    EXPECT_EQ(copy->verticalOffset(), 3);
    EXPECT_TRUE(copy->fontBold());
    EXPECT_EQ(copy->textColor(), Colors::Red());
    EXPECT_EQ(copy->brush(), label->brush());
    EXPECT_EQ(copy->horizontalAlign(), Align::far);
    EXPECT_TRUE(copy->enableWrap());
    EXPECT_EQ(copy->maxWidth(), 40);
    EXPECT_FALSE(copy->autoArrange());
    EXPECT_FALSE(copy->cachedLayoutRect());
}

TEST(LinkLabel, XmlRoundTrip) {
    LinkLabel::setUsingAutoArrange(false);
    auto link = linkThrough({Point(0, 0), Point(100, 0)});
    auto label = labelOn(link, "two\nlines");
    label->setSegmentPosition(-1, 1.5, -2.25);
    label->setMargin(3);
    label->setHorizontalAlign(Align::near);
    label->setVerticalAlign(Align::far);
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
    EXPECT_EQ(written->getChild("RelativeTo")->text(), "0");
    EXPECT_EQ(written->getChild("FontUnit")->text(),
              std::to_string(MeasureUnit::Millimeter()->id()));

    EXPECT_EQ(copy->text(), "two\nlines");
    EXPECT_EQ(copy->relativeTo(), LinkLabel::segment);
    EXPECT_EQ(copy->index(), -1);
    EXPECT_EQ(copy->horizontalOffset(), 1.5);
    EXPECT_EQ(copy->verticalOffset(), -2.25);
    EXPECT_EQ(copy->margin(), 3);
    EXPECT_EQ(copy->horizontalAlign(), Align::near);
    EXPECT_EQ(copy->verticalAlign(), Align::far);
    EXPECT_TRUE(copy->enableWrap());
    EXPECT_EQ(copy->maxWidth(), 30);
    EXPECT_FALSE(copy->autoArrange());
    auto brush = std::dynamic_pointer_cast<SolidColorBrush>(copy->brush());
    ASSERT_TRUE(brush);
    EXPECT_EQ(*brush->color(), *Colors::Red());
    EXPECT_EQ(copy->fontName(), "Courier");
    EXPECT_EQ(copy->fontSize(), 3.5);
    EXPECT_EQ(copy->fontUnit(), MeasureUnit::Millimeter());
    // Colour and type styles are not written: black and plain after loading.
    EXPECT_EQ(*copy->textColor(), *Colors::Black());
    EXPECT_FALSE(copy->fontBold());
    EXPECT_FALSE(LinkLabel::usingAutoArrange());

    // A label without a brush reads back without one; a loaded autoArrange sets the flag.
    label->setBrush(nullptr);
    label->setAutoArrange(true);
    LinkLabel::setUsingAutoArrange(false);
    copy = roundTrip(*label, nullptr);
    EXPECT_FALSE(copy->brush());
    EXPECT_TRUE(copy->autoArrange());
    EXPECT_TRUE(LinkLabel::usingAutoArrange());
    LinkLabel::setUsingAutoArrange(false);
}

TEST(LinkLabel, XmlReadingOlderAndIncompleteForms) {
    // Missing elements take the reader's defaults, not a new label's.
    auto empty = loadLabel("");
    EXPECT_EQ(empty->text(), "");
    EXPECT_EQ(empty->relativeTo(), LinkLabel::segment);
    EXPECT_EQ(empty->horizontalAlign(), Align::near);
    EXPECT_EQ(empty->margin(), 0.0);
    EXPECT_EQ(empty->maxWidth(), 0.0);
    EXPECT_EQ(empty->fontName(), "");
    EXPECT_EQ(empty->fontSize(), -1.0);
    EXPECT_EQ(empty->fontUnit(), MeasureUnit::fromId(0));
    EXPECT_FALSE(empty->brush());
    EXPECT_EQ(*empty->textColor(), *Colors::Black());
    EXPECT_FALSE(empty->autoArrange());

    // The "Font" form: name, size and unit from the child, styles from the label, and the
    // label's own "Unit" deciding the unit (none meaning points).
    auto font = loadLabel(
        "<Font><Name>Times</Name><Size>9</Size><Unit>6</Unit></Font><Bold>true</Bold>"
        "<Italic>1</Italic><Underline>True</Underline><TextColor>#FF00FF00</TextColor>");
    EXPECT_EQ(font->fontName(), "Times");
    EXPECT_EQ(font->fontSize(), 9);
    EXPECT_EQ(font->fontUnit(), MeasureUnit::Point());
    EXPECT_TRUE(font->fontBold() && font->fontItalic() && font->fontUnderline());
    EXPECT_EQ(*font->textColor(), Color(1, 0, 1, 0));
    auto inches = loadLabel("<Font><Name>Times</Name><Unit>3</Unit></Font><Unit>" +
                            std::to_string(MeasureUnit::Inch()->id()) + "</Unit>");
    EXPECT_EQ(inches->fontUnit(), MeasureUnit::Inch());

    // Values it cannot use keep what the label had.
    auto bad = loadLabel(
        "<RelativeTo>x</RelativeTo><Index>99999999999</Index><HorizontalAlign>7</HorizontalAlign>"
        "<VerticalAlign>-1</VerticalAlign><FontUnit>4242</FontUnit>");
    EXPECT_EQ(bad->relativeTo(), LinkLabel::linkLength);
    EXPECT_EQ(bad->index(), 0);
    EXPECT_EQ(bad->horizontalAlign(), Align::center);
    EXPECT_EQ(bad->verticalAlign(), Align::center);
    EXPECT_EQ(bad->fontUnit(), MeasureUnit::Point());

    // A null element changes nothing.
    LinkLabel label;
    XmlContext context;
    label.loadFromXml(nullptr, context);
    label.saveToXml(nullptr, context);
    EXPECT_EQ(label.fontName(), "Arial");
}
