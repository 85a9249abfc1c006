#pragma once

#include <memory>
#include <string>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class DiagramItem;

// An item whose text the view edits in place. The editor calls, in this order: getTextToEdit,
// getEditRect, raiseItemTextEditing, setEditedText, raiseItemTextEdited, getEditedItem.
class InplaceEditable {
public:
    virtual ~InplaceEditable() = default;

    virtual std::string getTextToEdit() = 0;
    virtual void setEditedText(const std::string& text) = 0;
    // Where the editor is placed, in document units.
    virtual Rect getEditRect(const std::shared_ptr<DiagramItem>& item, Point pointerPosition) = 0;
    virtual void raiseItemTextEditing(const std::string& oldText, const std::string& newText) = 0;
    virtual void raiseItemTextEdited(const std::string& oldText, const std::string& newText) = 0;
    virtual std::shared_ptr<DiagramItem> getEditedItem() = 0;

protected:
    InplaceEditable() = default;
    InplaceEditable(const InplaceEditable&) = default;
    InplaceEditable& operator=(const InplaceEditable&) = default;
};

}  // namespace nodeloom
