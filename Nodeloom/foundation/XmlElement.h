#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Nodeloom/foundation/Color.h"

namespace nodeloom {

// One node of the library's in-memory XML tree. Trees written by code keep an element's
// character content in its own `text`; trees read by XmlDomBuilder keep it in a text node, a
// child with the empty name. The typed readers read values stored as child elements, never
// attributes.
class XmlElement : public std::enable_shared_from_this<XmlElement> {
public:
    using Attributes = std::map<std::string, std::string>;
    using Children = std::vector<std::shared_ptr<XmlElement>>;

    XmlElement();
    explicit XmlElement(std::string name);
    // The element is not added to the parent's children.
    XmlElement(std::string name, const std::shared_ptr<XmlElement>& parent);
    ~XmlElement();

    XmlElement(const XmlElement&) = delete;
    XmlElement& operator=(const XmlElement&) = delete;

    // Appends the child as it is; its parent is left unchanged. A null child or the element
    // itself is ignored.
    void addChild(std::shared_ptr<XmlElement> child);
    // Creates a child whose parent is this element and appends it.
    std::shared_ptr<XmlElement> addChild(std::string name, std::string text, Attributes attributes);
    std::shared_ptr<XmlElement> addChild(std::string name, std::string text);
    std::shared_ptr<XmlElement> addChild(std::string name);

    // Four spaces per level, one element per line, a line feed after every line, no declaration.
    std::string getXmlAsString(int indent) const;

    std::shared_ptr<XmlElement> getChild(std::string_view name) const;
    std::vector<std::shared_ptr<XmlElement>> getAllChildren(std::string_view name) const;
    std::string getInnerText() const;

    std::string readString(std::string_view name, const std::string& defaultValue) const;
    std::int64_t readInteger(std::string_view name, std::int64_t defaultValue) const;
    std::uint64_t readUInt(std::string_view name, std::uint64_t defaultValue) const;
    // Numbers are read leniently: the longest leading number counts, no number reads as 0, and
    // a magnitude beyond the range of a double reads as an infinity of its sign.
    double readDouble(std::string_view name, double defaultValue) const;
    // Nothing only when the child is missing.
    std::optional<double> readDoubleOpt(std::string_view name) const;
    // "true", "True" and "1" are true, any other text false; the default serves a missing child.
    bool readBool(std::string_view name, bool defaultValue) const;
    // A missing child gives the very default object; unreadable text gives what Color reads.
    std::shared_ptr<Color> readColor(std::string_view name,
                                     std::shared_ptr<Color> defaultValue) const;

    const std::string& name() const { return name_; }
    std::string& name() { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    const Children& children() const { return children_; }
    Children& children() { return children_; }
    void setChildren(Children children) { children_ = std::move(children); }

    const Attributes& attributes() const { return attributes_; }
    Attributes& attributes() { return attributes_; }
    void setAttributes(Attributes attributes) { attributes_ = std::move(attributes); }

    std::shared_ptr<XmlElement> parent() const { return parent_.lock(); }
    void setParent(const std::shared_ptr<XmlElement>& parent) { parent_ = parent; }

    const std::string& text() const { return text_; }
    std::string& text() { return text_; }
    void setText(std::string text) { text_ = std::move(text); }

private:
    const std::string* innerTextOf(std::string_view name) const;
    std::string xmlText(int indent) const;

    std::string name_;
    Children children_;
    Attributes attributes_;
    std::weak_ptr<XmlElement> parent_;
    std::string text_;
};

}  // namespace nodeloom
