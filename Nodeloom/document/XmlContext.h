#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "Nodeloom/foundation/XmlValueContext.h"

namespace nodeloom {

class AnchorPattern;
class Diagram;
class DiagramItem;
class Style;
class XmlDomBuilder;
class XmlElement;

// The state of one XML save or one load of a document: the value encodings and resource tables
// of its base, the styles written with their class records, and the table of items read so far
// by their "Id".
class XmlContext : public XmlValueContext {
public:
    // For loading; the loader sets the diagram.
    XmlContext();
    // For saving into the builder's tree.
    XmlContext(std::shared_ptr<XmlDomBuilder> document, int fileVersion);
    ~XmlContext() override;

    // The format version that saving writes.
    static int latestVersion() { return 16; }

    // "Version" of the item element being read.
    int classVersion() const { return classVersion_; }
    void setClassVersion(int version) { classVersion_ = version; }
    const std::shared_ptr<Diagram>& diagram() const { return diagram_; }
    void setDiagram(std::shared_ptr<Diagram> diagram) { diagram_ = std::move(diagram); }

    const std::unordered_map<int, std::shared_ptr<DiagramItem>>& readItems() const { return readItems_; }
    const std::unordered_map<std::shared_ptr<Style>, int>& wroteStyles() const {
        return wroteStyles_;
    }

    // --- Styles ---------------------------------------------------------------------------

    std::shared_ptr<XmlElement> writeStyle(const std::shared_ptr<Style>& style,
                                           const std::string& name,
                                           const std::shared_ptr<XmlElement>& parent);
    // "Class" and "Version" of a registered style class, then the style's own content.
    void writeStyleClassAttributes(const std::shared_ptr<Style>& style,
                                   const std::shared_ptr<XmlElement>& element);
    // --- Items and anchor patterns --------------------------------------------------------

    // An empty element whose "Id" is the item's runtimeIndex.
    std::shared_ptr<XmlElement> writeItemReference(const std::shared_ptr<DiagramItem>& item,
                                                   const std::string& name,
                                                   const std::shared_ptr<XmlElement>& parent);
    // "Class" (under attributeName) and "Version" of the item's class record, from the class
    // registry when the class is registered.
    void writeItemClassAttributes(const std::shared_ptr<DiagramItem>& item,
                                  const std::shared_ptr<XmlElement>& element,
                                  const std::string& attributeName);
    std::shared_ptr<DiagramItem> readItemReference(const std::string& name,
                                                   const std::shared_ptr<XmlElement>& parent);
    std::shared_ptr<DiagramItem> readItemReference(const std::shared_ptr<XmlElement>& element);
    // A new item of a library class id ("std:ShapeNode", ...); null for any other id.
    std::shared_ptr<DiagramItem> instantiateItem(const std::optional<std::string>& classId);
    // The item an item element describes; null when it cannot be created.
    std::shared_ptr<DiagramItem> readItem(const std::shared_ptr<XmlElement>& element);
    std::shared_ptr<XmlElement> writeAnchorPattern(const std::shared_ptr<AnchorPattern>& pattern,
                                                   const std::string& name,
                                                   const std::shared_ptr<XmlElement>& parent);
    std::shared_ptr<AnchorPattern> readAnchorPattern(const std::string& name,
                                                     const std::shared_ptr<XmlElement>& parent,
                                                     bool standalone);

private:
    int classVersion_ = 0;
    std::shared_ptr<Diagram> diagram_;
    std::unordered_map<int, std::shared_ptr<DiagramItem>> readItems_;
    std::unordered_map<std::shared_ptr<Style>, int> wroteStyles_;
};

}  // namespace nodeloom
