#pragma once

#include <memory>
#include <string>

#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/View.h"

namespace nodeloom::platform {

class Coder;
class Label;

enum class TableViewCellStyle { default_ = 0 };

// One row of a table view. What the row shows goes into its content view, which fills the cell;
// the standard cell also offers a text label there, made on first use. A table reuses cells by
// their reuse identifier (see TableView::dequeueReusableCell).
class TableViewCell : public View {
public:
    static std::shared_ptr<TableViewCell> create(TableViewCellStyle style,
                                                 const std::string& reuseIdentifier);
    // Null when the archive holds no view. An archived cell has no reuse identifier.
    static std::shared_ptr<TableViewCell> create(const Coder& coder);

    TableViewCell(Passkey key, const Rect& frame, TableViewCellStyle style,
                  std::string reuseIdentifier);
    ~TableViewCell() override;

    TableViewCellStyle style() const { return style_; }
    const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    const std::shared_ptr<View>& contentView() const { return contentView_; }
    // The label of the standard cell, made in the content view on first use. Cells that show no
    // text may answer null.
    virtual std::shared_ptr<Label> textLabel();

    bool selected() const { return selected_; }
    virtual void setSelected(bool selected, bool animated);

    // The content view fills the cell; the text label fills it less a margin at each side.
    void layoutSubviews() override;

protected:
    // Puts the content view into the cell; every create() calls it once the cell is shared.
    void setUp();

private:
    TableViewCellStyle style_;
    std::string reuseIdentifier_;
    std::shared_ptr<View> contentView_;
    std::shared_ptr<Label> textLabel_;
    bool selected_ = false;
};

}  // namespace nodeloom::platform
