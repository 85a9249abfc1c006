#pragma once

#include <memory>

#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class MeasureUnit;

// What a unit conversion needs to know of a document: its extent and the unit that extent is
// measured in. The document class derives from it, so that units (a lower layer) can ask a
// document without depending on it.
class IDiagramExtent {
public:
    virtual ~IDiagramExtent() = default;

    virtual Rect bounds() const = 0;
    virtual std::shared_ptr<MeasureUnit> measureUnit() const = 0;

protected:
    IDiagramExtent() = default;
    IDiagramExtent(const IDiagramExtent&) = default;
    IDiagramExtent& operator=(const IDiagramExtent&) = default;
};

// Adopted by an object that shows a document. Passed as the context of a conversion (alongside
// Object, from which the adopting class derives), it lets percentages be taken of that document.
class IDiagramView {
public:
    virtual ~IDiagramView() = default;

    // The document shown, or null when there is none.
    virtual std::shared_ptr<IDiagramExtent> diagram() const = 0;

protected:
    IDiagramView() = default;
    IDiagramView(const IDiagramView&) = default;
    IDiagramView& operator=(const IDiagramView&) = default;
};

}  // namespace nodeloom
