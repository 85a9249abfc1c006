#include "Nodeloom/foundation/MeasureUnit.h"

#include <cmath>
#include <unordered_map>
#include <utility>

#include "Nodeloom/foundation/IDiagramView.h"

namespace nodeloom {

template <>
std::optional<UnitType> fromRaw<UnitType>(int raw) {
    switch (raw) {
        case 0:
            return UnitType::percentage;
        case 1:
            return UnitType::fixed;
        default:
            return std::nullopt;
    }
}

namespace {

std::unordered_map<int, std::shared_ptr<MeasureUnit>>& registry() {
    static std::unordered_map<int, std::shared_ptr<MeasureUnit>> units;
    return units;
}

// The extent of the context's document in pixels along the axis, or nothing when the context
// cannot give one. A document measured in a unit that itself needs the document's extent (a
// percentage of itself) would ask for it again without end; that nested request fails, and so
// does the outer one.
thread_local int extentDepth = 0;
thread_local bool extentCycle = false;

std::optional<double> extentInPixels(const Object* param, int axis) {
    const auto* view = dynamic_cast<const IDiagramView*>(param);
    if (!view) return std::nullopt;
    const auto diagram = view->diagram();
    if (!diagram) return std::nullopt;
    const auto unit = diagram->measureUnit();
    if (!unit) return std::nullopt;
    if (extentDepth > 0) {
        extentCycle = true;
        return std::nullopt;
    }
    const Rect bounds = diagram->bounds();
    const double extent = axis == Axis::X ? bounds.width : bounds.height;
    ++extentDepth;
    const double pixels = unit->convert(extent, MeasureUnit::Pixel(), param, axis);
    --extentDepth;
    const bool cycle = std::exchange(extentCycle, false);
    if (cycle) return std::nullopt;
    return pixels;
}

}  // namespace

// --- converters ---

bool WorldConverter::canConvertTo(const MeasureUnit&, const MeasureUnit&) const {
    return false;
}

double WorldConverter::convertTo(const MeasureUnit&, const MeasureUnit&, double value, int,
                                 const Object*) const {
    return value;
}

bool WorldConverter::canConvertFrom(const MeasureUnit&, const MeasureUnit&) const {
    return true;
}

double WorldConverter::convertFrom(const MeasureUnit&, const MeasureUnit&, double value, int,
                                   const Object*) const {
    return value;
}

bool PixelConverter::canConvertTo(const MeasureUnit&, const MeasureUnit& targetUnit) const {
    return targetUnit.type() == MeasureUnitType::logical;
}

double PixelConverter::convertTo(const MeasureUnit& unit, const MeasureUnit& targetUnit,
                                 double value, int, const Object*) const {
    return (unit.amount() / 72.0) * value / targetUnit.amount();
}

bool PixelConverter::canConvertFrom(const MeasureUnit&, const MeasureUnit& sourceUnit) const {
    return sourceUnit.type() == MeasureUnitType::logical;
}

double PixelConverter::convertFrom(const MeasureUnit& unit, const MeasureUnit& sourceUnit,
                                   double value, int, const Object*) const {
    return value * 72.0 * sourceUnit.amount() / unit.amount();
}

bool PercentConverter::canConvertTo(const MeasureUnit&, const MeasureUnit& targetUnit) const {
    return targetUnit.type() == MeasureUnitType::logical ||
           targetUnit.type() == MeasureUnitType::device;
}

double PercentConverter::convertTo(const MeasureUnit& unit, const MeasureUnit& targetUnit,
                                   double value, int axis, const Object* param) const {
    const auto extent = extentInPixels(param, axis);
    if (!extent) return value;
    // One unit is `amount` percent, the inverse of convertFrom, so that a unit derived from
    // percent with a scale converts both ways consistently.
    const double pixels = (*extent / 100.0) * unit.amount() * value;
    return MeasureUnit::Pixel()->convert(pixels, targetUnit, param, axis);
}

bool PercentConverter::canConvertFrom(const MeasureUnit&, const MeasureUnit& sourceUnit) const {
    return sourceUnit.type() == MeasureUnitType::logical ||
           sourceUnit.type() == MeasureUnitType::device;
}

double PercentConverter::convertFrom(const MeasureUnit& unit, const MeasureUnit& sourceUnit,
                                     double value, int axis, const Object* param) const {
    const auto extent = extentInPixels(param, axis);
    if (!extent) return value;
    const double pixels = sourceUnit.convert(value, MeasureUnit::Pixel(), param, axis);
    return (pixels / *extent * 100.0) / unit.amount();
}

// --- units ---

// Made together, the first time any unit is asked for or registered, so that a host unit
// registered under a built-in id always comes later and shadows it.
struct MeasureUnit::BuiltIns {
    std::shared_ptr<MeasureUnit> world;
    std::shared_ptr<MeasureUnit> pixel;
    std::shared_ptr<MeasureUnit> point;
    std::shared_ptr<MeasureUnit> inch;
    std::shared_ptr<MeasureUnit> document;
    std::shared_ptr<MeasureUnit> millimeter;
    std::shared_ptr<MeasureUnit> wpfPoint;
    std::shared_ptr<MeasureUnit> percent;
    std::shared_ptr<MeasureUnit> centimeter;
};

MeasureUnit::BuiltIns& MeasureUnit::builtIns() {
    static BuiltIns units = [] {
        using T = MeasureUnitType;
        BuiltIns u;
        u.world =
            makeRegistered(0, "World", T::special, 1.0, 10, std::make_shared<WorldConverter>());
        u.pixel =
            makeRegistered(2, "Pixel", T::device, 1.0, 10, std::make_shared<PixelConverter>());
        u.point = makeRegistered(3, "Point", T::logical, 72.0, 10, nullptr);
        u.inch = makeRegistered(4, "Inch", T::logical, 1.0, 8, nullptr);
        u.document = makeRegistered(5, "Document", T::logical, 300.0, 10, nullptr);
        u.millimeter = makeRegistered(6, "Millimeter", T::logical, 25.4, 10, nullptr);
        u.wpfPoint = makeRegistered(7, "WpfPoint", T::logical, 96.0, 10, nullptr);
        u.percent =
            makeRegistered(8, "Percent", T::special, 1.0, 10, std::make_shared<PercentConverter>());
        u.centimeter = makeRegistered(9, "Centimeter", T::logical, 2.54, 10, nullptr);
        return u;
    }();
    return units;
}

std::shared_ptr<MeasureUnit> MeasureUnit::makeRegistered(
    int id, std::string name, MeasureUnitType type, double unitsPerInch, int standardDivisions,
    std::shared_ptr<IMeasureUnitConverter> converter) {
    auto unit = std::make_shared<MeasureUnit>(IdKey{}, id, std::move(name), type, unitsPerInch,
                                              standardDivisions, std::move(converter));
    // -1 marks a unit without an id; fromId(-1) stays empty.
    if (id != -1) registry()[id] = unit;
    return unit;
}

std::shared_ptr<MeasureUnit> MeasureUnit::create(int id, std::string name, MeasureUnitType type,
                                                 double unitsPerInch, int standardDivisions,
                                                 std::shared_ptr<IMeasureUnitConverter> converter) {
    builtIns();
    return makeRegistered(id, std::move(name), type, unitsPerInch, standardDivisions,
                          std::move(converter));
}

MeasureUnit::MeasureUnit(IdKey, int id, std::string name, MeasureUnitType type, double unitsPerInch,
                         int standardDivisions, std::shared_ptr<IMeasureUnitConverter> converter)
    : id_(id),
      name_(std::move(name)),
      type_(type),
      amount_(1.0 / unitsPerInch),
      converter_(std::move(converter)),
      standardDivisions_(standardDivisions) {}

MeasureUnit::MeasureUnit(std::string name, const std::shared_ptr<MeasureUnit>& baseUnit,
                         double scale, int standardDivisions)
    : name_(std::move(name)), amount_(scale), standardDivisions_(standardDivisions) {
    if (baseUnit) {
        type_ = baseUnit->type_;
        converter_ = baseUnit->converter_;
        amount_ = baseUnit->amount_ * scale;
    }
}

MeasureUnit::MeasureUnit(std::string name, const std::shared_ptr<MeasureUnit>& baseUnit,
                         double scale)
    : MeasureUnit(std::move(name), baseUnit, scale, baseUnit ? baseUnit->standardDivisions_ : 10) {}

MeasureUnit::MeasureUnit(std::string name, double unitsPerInch, int standardDivisions)
    : name_(std::move(name)), amount_(1.0 / unitsPerInch), standardDivisions_(standardDivisions) {}

const std::shared_ptr<MeasureUnit>& MeasureUnit::World() {
    return builtIns().world;
}
const std::shared_ptr<MeasureUnit>& MeasureUnit::Point() {
    return builtIns().point;
}
const std::shared_ptr<MeasureUnit>& MeasureUnit::Inch() {
    return builtIns().inch;
}
const std::shared_ptr<MeasureUnit>& MeasureUnit::Document() {
    return builtIns().document;
}
const std::shared_ptr<MeasureUnit>& MeasureUnit::Millimeter() {
    return builtIns().millimeter;
}
const std::shared_ptr<MeasureUnit>& MeasureUnit::WpfPoint() {
    return builtIns().wpfPoint;
}
const std::shared_ptr<MeasureUnit>& MeasureUnit::Percent() {
    return builtIns().percent;
}
const std::shared_ptr<MeasureUnit>& MeasureUnit::Centimeter() {
    return builtIns().centimeter;
}
std::shared_ptr<MeasureUnit> MeasureUnit::Pixel() {
    return builtIns().pixel;
}

void MeasureUnit::setPixel(std::shared_ptr<MeasureUnit> unit) {
    if (unit) builtIns().pixel = std::move(unit);
}

std::shared_ptr<MeasureUnit> MeasureUnit::fromId(int id) {
    const BuiltIns& b = builtIns();
    const auto& units = registry();
    if (const auto found = units.find(id); found != units.end()) return found->second;
    for (const auto* unit : {&b.world, &b.millimeter, &b.inch, &b.point, &b.pixel, &b.document,
                             &b.wpfPoint, &b.percent, &b.centimeter})
        if ((*unit)->id_ == id) return *unit;
    return nullptr;
}

double MeasureUnit::convert(double value, const MeasureUnit& targetUnit, const Object* context,
                            int axis) const {
    double result = value;
    if (type_ == targetUnit.type_) {
        result = amount_ / targetUnit.amount_ * value;
    } else if (converter_ && converter_->canConvertTo(*this, targetUnit)) {
        result = converter_->convertTo(*this, targetUnit, value, axis, context);
    } else if (targetUnit.converter_ && targetUnit.converter_->canConvertFrom(targetUnit, *this)) {
        result = targetUnit.converter_->convertFrom(targetUnit, *this, value, axis, context);
    }
    // A zero amount or a document without extent would give an infinity or NaN that spreads
    // into every coordinate computed from it.
    if (!std::isfinite(result) && std::isfinite(value)) return value;
    return result;
}

double MeasureUnit::convert(double value, const std::shared_ptr<MeasureUnit>& targetUnit,
                            const Object* context, int axis) const {
    if (!targetUnit) return value;
    return convert(value, *targetUnit, context, axis);
}

Rect MeasureUnit::convert(const Rect& rect, const MeasureUnit& targetUnit,
                          const Object* context) const {
    return Rect(convert(rect.x, targetUnit, context, Axis::X),
                convert(rect.y, targetUnit, context, Axis::Y),
                convert(rect.width, targetUnit, context, Axis::X),
                convert(rect.height, targetUnit, context, Axis::Y));
}

Rect MeasureUnit::convert(const Rect& rect, const std::shared_ptr<MeasureUnit>& targetUnit,
                          const Object* context) const {
    if (!targetUnit) return rect;
    return convert(rect, *targetUnit, context);
}

bool operator==(const MeasureUnit& a, const MeasureUnit& b) {
    if (&a == &b) return true;
    if (a.id_ == -1 && b.id_ == -1) return a.type_ == b.type_ && a.amount_ == b.amount_;
    return a.id_ == b.id_;
}

}  // namespace nodeloom
