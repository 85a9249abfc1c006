#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/RawValue.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class MeasureUnit;

enum class MeasureUnitType {
    logical = 0,  // physical lengths
    device = 1,   // pixels
    special = 2,  // world and percent
};

// The unit of an anchor point's x or y coordinate.
enum class UnitType {
    percentage = 0,
    fixed = 1,
};

template <>
std::optional<UnitType> fromRaw<UnitType>(int raw);

// The axis argument of conversions: 0 is horizontal, any other value vertical.
class Axis {
public:
    Axis() = delete;
    static constexpr int X = 0;
    static constexpr int Y = 1;
};

// Converts between a unit that is not physical (the one that owns the converter, passed first)
// and other units. `param` is the conversion's context, or null.
class IMeasureUnitConverter {
public:
    virtual ~IMeasureUnitConverter() = default;

    virtual bool canConvertTo(const MeasureUnit& unit, const MeasureUnit& targetUnit) const = 0;
    virtual double convertTo(const MeasureUnit& unit, const MeasureUnit& targetUnit, double value,
                             int axis, const Object* param) const = 0;
    virtual bool canConvertFrom(const MeasureUnit& unit, const MeasureUnit& sourceUnit) const = 0;
    virtual double convertFrom(const MeasureUnit& unit, const MeasureUnit& sourceUnit, double value,
                               int axis, const Object* param) const = 0;
};

// Lengths in the world unit are taken as they are, whatever unit they go to or come from.
class WorldConverter : public IMeasureUnitConverter {
public:
    bool canConvertTo(const MeasureUnit& unit, const MeasureUnit& targetUnit) const override;
    double convertTo(const MeasureUnit& unit, const MeasureUnit& targetUnit, double value, int axis,
                     const Object* param) const override;
    bool canConvertFrom(const MeasureUnit& unit, const MeasureUnit& sourceUnit) const override;
    double convertFrom(const MeasureUnit& unit, const MeasureUnit& sourceUnit, double value,
                       int axis, const Object* param) const override;
};

// A pixel is 1/72 inch times the pixel unit's amount, whatever the screen's scale.
class PixelConverter : public IMeasureUnitConverter {
public:
    bool canConvertTo(const MeasureUnit& unit, const MeasureUnit& targetUnit) const override;
    double convertTo(const MeasureUnit& unit, const MeasureUnit& targetUnit, double value, int axis,
                     const Object* param) const override;
    bool canConvertFrom(const MeasureUnit& unit, const MeasureUnit& sourceUnit) const override;
    double convertFrom(const MeasureUnit& unit, const MeasureUnit& sourceUnit, double value,
                       int axis, const Object* param) const override;
};

// A percentage of the extent (width on axis 0, height otherwise) of the document that the
// context shows; the context must adopt IDiagramView. Without a usable context the value is
// returned unchanged.
class PercentConverter : public IMeasureUnitConverter {
public:
    bool canConvertTo(const MeasureUnit& unit, const MeasureUnit& targetUnit) const override;
    double convertTo(const MeasureUnit& unit, const MeasureUnit& targetUnit, double value, int axis,
                     const Object* param) const override;
    bool canConvertFrom(const MeasureUnit& unit, const MeasureUnit& sourceUnit) const override;
    double convertFrom(const MeasureUnit& unit, const MeasureUnit& sourceUnit, double value,
                       int axis, const Object* param) const override;
};

// The unit of a length. Units are shared by reference (std::shared_ptr). Physical (logical) units
// convert among themselves through their amount, the length of one unit in inches; the other
// units convert through their converter.
class MeasureUnit {
    struct IdKey {
        explicit IdKey() = default;
    };

public:
    // A unit with an id, entered in the process-wide registry under that id (replacing an earlier
    // entry), so that `fromId` finds it; a host unit with the id of a built-in unit shadows it.
    static std::shared_ptr<MeasureUnit> create(
        int id, std::string name, MeasureUnitType type, double unitsPerInch, int standardDivisions,
        std::shared_ptr<IMeasureUnitConverter> converter = nullptr);
    // Only `create` can use this one: every unit with an id is registered.
    MeasureUnit(IdKey, int id, std::string name, MeasureUnitType type, double unitsPerInch,
                int standardDivisions, std::shared_ptr<IMeasureUnitConverter> converter);

    // Derived from another unit: its type and converter, amount = base amount x scale. Without a
    // base unit it stands for `scale` inches. Not registered (id -1).
    MeasureUnit(std::string name, const std::shared_ptr<MeasureUnit>& baseUnit, double scale,
                int standardDivisions);
    MeasureUnit(std::string name, const std::shared_ptr<MeasureUnit>& baseUnit, double scale);
    // A physical unit. Not registered (id -1).
    MeasureUnit(std::string name, double unitsPerInch, int standardDivisions = 10);

    virtual ~MeasureUnit() = default;

    // The built-in units, created once and kept for the process. `Pixel` can be replaced by the
    // host (null is ignored).
    static const std::shared_ptr<MeasureUnit>& Point();
    static const std::shared_ptr<MeasureUnit>& Inch();
    static const std::shared_ptr<MeasureUnit>& Document();
    static const std::shared_ptr<MeasureUnit>& Millimeter();
    static const std::shared_ptr<MeasureUnit>& WpfPoint();
    static const std::shared_ptr<MeasureUnit>& Percent();
    static const std::shared_ptr<MeasureUnit>& Centimeter();
    static std::shared_ptr<MeasureUnit> Pixel();
    static void setPixel(std::shared_ptr<MeasureUnit> unit);
    // For the library's own use (font sizes given in world units are taken as they are); a host
    // reaches it through fromId(0).
    static const std::shared_ptr<MeasureUnit>& World();

    // The unit most recently registered under the id, else the built-in unit with that id, else
    // null.
    static std::shared_ptr<MeasureUnit> fromId(int id);

    // The value, a length in this unit, in the target unit. A conversion that no rule covers, a
    // null target, or one whose arithmetic breaks down (a zero amount or extent) returns the value
    // unchanged.
    double convert(double value, const MeasureUnit& targetUnit, const Object* context = nullptr,
                   int axis = Axis::X) const;
    double convert(double value, const std::shared_ptr<MeasureUnit>& targetUnit,
                   const Object* context = nullptr, int axis = Axis::X) const;
    // x and width along X, y and height along Y.
    Rect convert(const Rect& rect, const MeasureUnit& targetUnit,
                 const Object* context = nullptr) const;
    Rect convert(const Rect& rect, const std::shared_ptr<MeasureUnit>& targetUnit,
                 const Object* context = nullptr) const;

    int id() const { return id_; }
    void setId(int id) { id_ = id; }
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    MeasureUnitType type() const { return type_; }
    void setType(MeasureUnitType type) { type_ = type; }
    // For a logical unit, the length of one unit in inches; else the converter's scale factor.
    double amount() const { return amount_; }
    void setAmount(double amount) { amount_ = amount; }
    const std::shared_ptr<IMeasureUnitConverter>& converter() const { return converter_; }
    void setConverter(std::shared_ptr<IMeasureUnitConverter> converter) {
        converter_ = std::move(converter);
    }
    int standardDivisions() const { return standardDivisions_; }
    void setStandardDivisions(int divisions) { standardDivisions_ = divisions; }

    // The same object; else, for two units without an id, the same type and amount; else the
    // same id.
    friend bool operator==(const MeasureUnit& a, const MeasureUnit& b);

protected:
    MeasureUnit(const MeasureUnit&) = default;
    MeasureUnit& operator=(const MeasureUnit&) = default;

private:
    struct BuiltIns;
    static BuiltIns& builtIns();
    static std::shared_ptr<MeasureUnit> makeRegistered(
        int id, std::string name, MeasureUnitType type, double unitsPerInch, int standardDivisions,
        std::shared_ptr<IMeasureUnitConverter> converter);

    int id_ = -1;
    std::string name_;
    MeasureUnitType type_ = MeasureUnitType::logical;
    double amount_ = 1.0;
    std::shared_ptr<IMeasureUnitConverter> converter_;
    int standardDivisions_ = 10;
};

}  // namespace nodeloom
