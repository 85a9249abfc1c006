#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

#include "Nodeloom/foundation/Constants.h"
#include "Nodeloom/foundation/IDiagramView.h"
#include "Nodeloom/foundation/MeasureUnit.h"

using namespace nodeloom;

namespace {

using Unit = std::shared_ptr<MeasureUnit>;

class Document : public IDiagramExtent {
public:
    Document(Rect bounds, Unit unit) : bounds_(bounds), unit_(std::move(unit)) {}
    Rect bounds() const override { return bounds_; }
    Unit measureUnit() const override { return unit_; }

private:
    Rect bounds_;
    Unit unit_;
};

class View : public Object, public IDiagramView {
public:
    explicit View(std::shared_ptr<IDiagramExtent> diagram) : diagram_(std::move(diagram)) {}
    std::shared_ptr<IDiagramExtent> diagram() const override { return diagram_; }

private:
    std::shared_ptr<IDiagramExtent> diagram_;
};

class NotAView : public Object {};

View a4View() {
    return View(std::make_shared<Document>(Rect(0, 0, 210, 297), MeasureUnit::Millimeter()));
}

// Changes to the process-wide registry and the installed pixel unit would leak into every later
// test, so those checks run in a child process.
#define CHILD_CHECK(condition)                                \
    do {                                                      \
        if (!(condition)) {                                   \
            std::fprintf(stderr, "failed: %s\n", #condition); \
            std::exit(1);                                     \
        }                                                     \
    } while (0)

template <typename Checks>
void inChildProcess(Checks checks) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            checks();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace

TEST(MeasureUnit, PhysicalUnitsConvertThroughTheirAmounts) {
    EXPECT_EQ(MeasureUnit::Inch()->convert(1.0, MeasureUnit::Point()), 72.0);
    EXPECT_EQ(MeasureUnit::Point()->convert(72.0, MeasureUnit::Inch()), 1.0);
    EXPECT_DOUBLE_EQ(MeasureUnit::Centimeter()->convert(1.0, MeasureUnit::Millimeter()), 10.0);
    EXPECT_EQ(MeasureUnit::Millimeter()->convert(2.0, MeasureUnit::Millimeter()), 2.0);
    EXPECT_DOUBLE_EQ(MeasureUnit::Inch()->convert(1.0, MeasureUnit::Document()), 300.0);
    EXPECT_DOUBLE_EQ(MeasureUnit::WpfPoint()->convert(96.0, MeasureUnit::Millimeter()), 25.4);
}

TEST(MeasureUnit, PixelIsOneSeventySecondOfAnInch) {
    EXPECT_DOUBLE_EQ(MeasureUnit::Inch()->convert(1.0, MeasureUnit::Pixel()), 72.0);
    EXPECT_DOUBLE_EQ(MeasureUnit::Pixel()->convert(1.0, MeasureUnit::Millimeter()), 25.4 / 72);
    EXPECT_DOUBLE_EQ(MeasureUnit::Pixel()->convert(72.0, MeasureUnit::Point()), 72.0);
    // Relative units cannot be turned into pixels without a document.
    EXPECT_EQ(MeasureUnit::Pixel()->convert(5.0, MeasureUnit::Percent()), 5.0);
}

TEST(MeasureUnit, WorldLengthsPassUnchanged) {
    const auto world = MeasureUnit::fromId(0);
    ASSERT_TRUE(world);
    EXPECT_EQ(world->name(), "World");
    const View view = a4View();
    for (const Unit& other : {MeasureUnit::Millimeter(), MeasureUnit::Inch(), MeasureUnit::Pixel(),
                              MeasureUnit::Percent()}) {
        EXPECT_EQ(world->convert(3.5, other, &view), 3.5) << other->name();
        EXPECT_EQ(other->convert(3.5, world, &view), 3.5) << other->name();
    }
}

TEST(MeasureUnit, PercentTakesTheShownDocumentsExtent) {
    const Unit& percent = MeasureUnit::Percent();
    const Unit& mm = MeasureUnit::Millimeter();
    const View view = a4View();
    EXPECT_DOUBLE_EQ(percent->convert(50.0, mm, &view, Axis::X), 105.0);
    EXPECT_DOUBLE_EQ(mm->convert(105.0, percent, &view, Axis::X), 50.0);
    EXPECT_DOUBLE_EQ(percent->convert(50.0, mm, &view, Axis::Y), 148.5);
    EXPECT_DOUBLE_EQ(percent->convert(50.0, mm, &view, 7), 148.5);
    EXPECT_DOUBLE_EQ(percent->convert(100.0, MeasureUnit::Pixel(), &view), 210 * 72 / 25.4);
    EXPECT_DOUBLE_EQ(MeasureUnit::Pixel()->convert(210 * 72 / 25.4, percent, &view), 100.0);

    const Rect r = percent->convert(Rect(10, 20, 50, 100), mm, &view);
    EXPECT_DOUBLE_EQ(r.x, 21.0);
    EXPECT_DOUBLE_EQ(r.y, 59.4);
    EXPECT_DOUBLE_EQ(r.width, 105.0);
    EXPECT_DOUBLE_EQ(r.height, 297.0);
}

TEST(MeasureUnit, PercentWithoutAUsableContextIsUnchanged) {
    const Unit& percent = MeasureUnit::Percent();
    const Unit& mm = MeasureUnit::Millimeter();
    EXPECT_EQ(percent->convert(50.0, mm), 50.0);
    EXPECT_EQ(mm->convert(50.0, percent), 50.0);
    const NotAView plain;
    EXPECT_EQ(percent->convert(50.0, mm, &plain), 50.0);
    const View empty(nullptr);
    EXPECT_EQ(percent->convert(50.0, mm, &empty), 50.0);
    const View noUnit(std::make_shared<Document>(Rect(0, 0, 210, 297), nullptr));
    EXPECT_EQ(percent->convert(50.0, mm, &noUnit), 50.0);

    // A document without width, and a document measured in percent of itself.
    const View flat(std::make_shared<Document>(Rect(0, 0, 0, 297), mm));
    EXPECT_EQ(mm->convert(30.0, percent, &flat, Axis::X), 30.0);
    EXPECT_DOUBLE_EQ(mm->convert(29.7, percent, &flat, Axis::Y), 10.0);
    const View selfRelative(std::make_shared<Document>(Rect(0, 0, 210, 297), percent));
    EXPECT_EQ(percent->convert(50.0, mm, &selfRelative), 50.0);
    EXPECT_EQ(mm->convert(50.0, percent, &selfRelative), 50.0);
    // The failed request leaves nothing behind.
    EXPECT_DOUBLE_EQ(percent->convert(50.0, mm, &flat, Axis::Y), 148.5);
}

TEST(MeasureUnit, ConversionNeverYieldsInfinity) {
    const auto zero =
        std::make_shared<MeasureUnit>("zero", std::numeric_limits<double>::infinity());
    EXPECT_EQ(MeasureUnit::Millimeter()->convert(4.0, zero), 4.0);
    EXPECT_EQ(MeasureUnit::Pixel()->convert(4.0, zero), 4.0);
    EXPECT_EQ(MeasureUnit::Millimeter()->convert(4.0, Unit()), 4.0);
    EXPECT_EQ(MeasureUnit::Millimeter()->convert(Rect(1, 2, 3, 4), Unit()), Rect(1, 2, 3, 4));
    EXPECT_TRUE(std::isnan(MeasureUnit::Inch()->convert(std::nan(""), MeasureUnit::Point())));
}

TEST(MeasureUnit, BuiltInUnits) {
    struct Expected {
        int id;
        const char* name;
        MeasureUnitType type;
        int divisions;
    };
    for (const Expected& e : {Expected{0, "World", MeasureUnitType::special, 10},
                              Expected{2, "Pixel", MeasureUnitType::device, 10},
                              Expected{3, "Point", MeasureUnitType::logical, 10},
                              Expected{4, "Inch", MeasureUnitType::logical, 8},
                              Expected{5, "Document", MeasureUnitType::logical, 10},
                              Expected{6, "Millimeter", MeasureUnitType::logical, 10},
                              Expected{7, "WpfPoint", MeasureUnitType::logical, 10},
                              Expected{8, "Percent", MeasureUnitType::special, 10},
                              Expected{9, "Centimeter", MeasureUnitType::logical, 10}}) {
        const auto unit = MeasureUnit::fromId(e.id);
        ASSERT_TRUE(unit) << e.id;
        EXPECT_EQ(unit->id(), e.id);
        EXPECT_EQ(unit->name(), e.name);
        EXPECT_EQ(unit->type(), e.type);
        EXPECT_EQ(unit->standardDivisions(), e.divisions);
    }
    EXPECT_EQ(MeasureUnit::fromId(3), MeasureUnit::Point());
    EXPECT_EQ(MeasureUnit::fromId(2), MeasureUnit::Pixel());
    EXPECT_EQ(MeasureUnit::fromId(0), MeasureUnit::World());
    EXPECT_EQ(MeasureUnit::Point()->amount(), 1.0 / 72);
    EXPECT_EQ(MeasureUnit::Percent()->amount(), 1.0);
    EXPECT_FALSE(MeasureUnit::fromId(1));
    EXPECT_FALSE(MeasureUnit::fromId(-1));
    EXPECT_FALSE(MeasureUnit::fromId(1000));
}

TEST(MeasureUnit, UnitsWithoutAnIdAreNotRegistered) {
    const auto unit = std::make_shared<MeasureUnit>("Pica", 6.0);
    EXPECT_EQ(unit->id(), -1);
    EXPECT_EQ(unit->type(), MeasureUnitType::logical);
    EXPECT_EQ(unit->standardDivisions(), 10);
    EXPECT_DOUBLE_EQ(unit->convert(1.0, MeasureUnit::Point()), 12.0);
    EXPECT_FALSE(MeasureUnit::fromId(-1));
}

TEST(MeasureUnit, DerivedUnitsScaleTheirBase) {
    const MeasureUnit half("Half", MeasureUnit::Millimeter(), 0.5);
    EXPECT_EQ(half.id(), -1);
    EXPECT_EQ(half.type(), MeasureUnitType::logical);
    EXPECT_EQ(half.standardDivisions(), 10);
    EXPECT_DOUBLE_EQ(half.convert(4.0, MeasureUnit::Millimeter()), 2.0);

    const MeasureUnit eighths("Eighth", MeasureUnit::Inch(), 0.125, 4);
    EXPECT_EQ(eighths.standardDivisions(), 4);
    const MeasureUnit inchBased("Inches", MeasureUnit::Inch(), 1.0);
    EXPECT_EQ(inchBased.standardDivisions(), 8);

    const MeasureUnit permille("Permille", MeasureUnit::Percent(), 0.1);
    EXPECT_EQ(permille.converter(), MeasureUnit::Percent()->converter());
    const View view = a4View();
    EXPECT_DOUBLE_EQ(permille.convert(500.0, MeasureUnit::Millimeter(), &view), 105.0);
    EXPECT_DOUBLE_EQ(MeasureUnit::Millimeter()->convert(105.0, permille, &view), 500.0);

    const MeasureUnit orphan("Orphan", nullptr, 2.0);
    EXPECT_DOUBLE_EQ(orphan.convert(1.0, MeasureUnit::Inch()), 2.0);
}

TEST(MeasureUnit, Equality) {
    const MeasureUnit a("A", 72.0), b("B", 72.0), c("C", 96.0);
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
    EXPECT_TRUE(a == a);
    EXPECT_FALSE(a == *MeasureUnit::Point());  // one without an id: ids decide
    EXPECT_TRUE(*MeasureUnit::Point() == *MeasureUnit::fromId(3));
    EXPECT_FALSE(*MeasureUnit::Point() == *MeasureUnit::Inch());
}

TEST(MeasureUnit, HostUnitsShadowBuiltInIds) {
    inChildProcess([] {
        const auto before = MeasureUnit::Point();
        const auto host = MeasureUnit::create(3, "HostPoint", MeasureUnitType::logical, 72.0, 10);
        CHILD_CHECK(MeasureUnit::fromId(3) == host);
        CHILD_CHECK(MeasureUnit::Point() == before);

        const auto sixth = MeasureUnit::create(6, "Mine", MeasureUnitType::logical, 6.0, 10);
        CHILD_CHECK(*sixth == *MeasureUnit::Millimeter());
        CHILD_CHECK(Constants::getHalfInch(sixth) == 4.0);
        CHILD_CHECK(Constants::getHalfInch(MeasureUnit::Millimeter()) == 12.0);

        const auto custom = MeasureUnit::create(42, "Custom", MeasureUnitType::logical, 10.0, 5);
        CHILD_CHECK(MeasureUnit::fromId(42) == custom);
        const auto replaced = MeasureUnit::create(42, "Again", MeasureUnitType::logical, 1.0, 5);
        CHILD_CHECK(MeasureUnit::fromId(42) == replaced);

        const auto noId = MeasureUnit::create(-1, "NoId", MeasureUnitType::logical, 1.0, 5);
        CHILD_CHECK(!MeasureUnit::fromId(-1));
    });
}

TEST(MeasureUnit, PixelCanBeReplaced) {
    inChildProcess([] {
        const auto original = MeasureUnit::Pixel();
        const auto retina = std::make_shared<MeasureUnit>("Retina", original, 0.5);
        MeasureUnit::setPixel(retina);
        CHILD_CHECK(MeasureUnit::Pixel() == retina);
        MeasureUnit::setPixel(nullptr);
        CHILD_CHECK(MeasureUnit::Pixel() == retina);
        CHILD_CHECK(std::abs(retina->convert(144.0, MeasureUnit::Inch()) - 1.0) < 1e-12);
        CHILD_CHECK(Constants::getHalfInch(retina) == 40.0);
        CHILD_CHECK(Constants::getHalfInch(original) == 4.0);
        // The registry still has the unit made under id 2.
        CHILD_CHECK(MeasureUnit::fromId(2) == original);
    });
}

TEST(Constants, PerUnitSizes) {
    const Unit& mm = MeasureUnit::Millimeter();
    EXPECT_EQ(Constants::getHalfInch(MeasureUnit::Centimeter()), 4.0);
    EXPECT_DOUBLE_EQ(Constants::getMinArrowheadSize(MeasureUnit::Centimeter()), 0.1);
    EXPECT_EQ(Constants::getReflHth(mm), 15.0);
    EXPECT_DOUBLE_EQ(Constants::getReflWth2(MeasureUnit::Point()), 38.88);
    EXPECT_EQ(Constants::getHalfInch(MeasureUnit::Document()), 150.0);
    EXPECT_EQ(Constants::getMinArrowheadSize(MeasureUnit::Inch()), 0.04);
    EXPECT_EQ(Constants::getMinArrowheadSize(MeasureUnit::Pixel()), 4.0);
    EXPECT_EQ(Constants::getMillimeter(mm), 1.0);
    EXPECT_EQ(Constants::getMarkSize(mm), 2.0);
    EXPECT_DOUBLE_EQ(Constants::getMinItemSize(MeasureUnit::Inch()), 2.0 / 25.4);
    // A copy of a built-in unit is not the built-in unit.
    const auto lookalike = std::make_shared<MeasureUnit>("Millimeter", 25.4);
    EXPECT_EQ(Constants::getHalfInch(lookalike), 4.0);
    EXPECT_DOUBLE_EQ(Constants::getMinArrowheadSize(lookalike), 1.0);
    EXPECT_EQ(Constants::getHalfInch(nullptr), 4.0);
    EXPECT_EQ(Constants::getMinArrowheadSize(nullptr), 1.0);
}

TEST(Constants, ProcessWideValues) {
    EXPECT_EQ(Constants::minValue(), -3.402823e+38);
    EXPECT_EQ(Constants::maxValue(), 3.402823e+38);
    EXPECT_NE(Constants::maxValue(), static_cast<double>(std::numeric_limits<float>::max()));
    EXPECT_EQ(Constants::identityMatrix(), Matrix());
    inChildProcess([] {
        Constants::setMaxValue(5.0);
        Constants::setMinValue(-5.0);
        Matrix m;
        m.translate(1, 2);
        Constants::setIdentityMatrix(m);
        CHILD_CHECK(Constants::maxValue() == 5.0 && Constants::minValue() == -5.0);
        CHILD_CHECK(Constants::identityMatrix() == m);
    });
}

TEST(UnitType, FromRawValue) {
    EXPECT_EQ(fromRaw<UnitType>(0), UnitType::percentage);
    EXPECT_EQ(fromRaw<UnitType>(1), UnitType::fixed);
    EXPECT_FALSE(fromRaw<UnitType>(2));
    EXPECT_FALSE(fromRaw<UnitType>(-1));
}
