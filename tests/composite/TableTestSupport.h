#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom::test {

// A measuring canvas in millimetres that notes where each text is drawn.
class TextRecordingCanvas : public Canvas {
public:
    TextRecordingCanvas() : Canvas(MeasureUnit::Millimeter()) {}

    using Canvas::drawText;

    void drawText(const std::string& text, const Rect& rect, HorizontalAlignment,
                  VerticalAlignment, bool, bool, bool) override {
        texts[text].push_back(rect);
    }

    std::map<std::string, std::vector<Rect>> texts;
};

// A table whose rows have the given heights, in a document or outside one.
inline std::shared_ptr<TableNode> makeTable(const std::vector<double>& heights, int columns,
                                            const Rect& bounds) {
    auto table = std::make_shared<TableNode>();
    table->redimTable(columns, static_cast<int>(heights.size()));
    for (std::size_t i = 0; i < heights.size(); ++i) table->rows()[i]->setHeight(heights[i]);
    table->_setBounds(bounds);
    return table;
}

// The row each end of the link reports on the table, -1 for an end on the table as a whole.
inline int originRow(const std::shared_ptr<DiagramLink>& link) {
    return link->originConnection()->row();
}
inline int destinationRow(const std::shared_ptr<DiagramLink>& link) {
    return link->destinationConnection()->row();
}

template <typename List, typename T>
int countOf(const List& list, const std::shared_ptr<T>& item) {
    int n = 0;
    for (const auto& entry : list) n += entry == item ? 1 : 0;
    return n;
}

}  // namespace nodeloom::test
