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

struct XmlTreeAccess;
struct XmlKeptSource;

// One node of the library's in-memory XML tree. Trees written by code keep an element's
// character content in its own `text`; trees read by XmlDomBuilder keep it in a text node, a
// child with the empty name. The typed readers read values stored as child elements, never
// attributes.
//
// A parsed element holds the text of its text node itself until the children are first asked
// for, and an element without attributes holds no attribute map, so that a parsed tree costs one
// allocation per element. An element whose content a parse kept in compact form makes that
// content on its first access, whoever asks; until then nothing shows that it was kept. The
// readers find a child by name through an index built on the first search among many children;
// a rename, or children handed out for change, is never answered from a stale index.
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
    // The one way to rename: the lookups by name of every parent see it.
    void setName(std::string name);

    const Children& children() const {
        makeTextNode();
        return children_;
    }
    // The list may be changed at any later time through the reference, so from then on this
    // element's children are searched in order instead of through an index.
    Children& children();
    void setChildren(Children children);

    const Attributes& attributes() const { return attributes_ ? *attributes_ : noAttributes(); }
    Attributes& attributes() {
        if (!attributes_) attributes_ = std::make_unique<Attributes>();
        return *attributes_;
    }
    void setAttributes(Attributes attributes) {
        attributes_ = std::make_unique<Attributes>(std::move(attributes));
    }

    std::shared_ptr<XmlElement> parent() const { return parent_.lock(); }
    void setParent(const std::shared_ptr<XmlElement>& parent) { parent_ = parent; }

    const std::string& text() const { return textInNode_ ? noText() : text_; }
    std::string& text() {
        makeTextNode();
        return text_;
    }
    void setText(std::string text) {
        makeTextNode();
        text_ = std::move(text);
    }

private:
    friend struct XmlTreeAccess;
    friend class XmlStreamWriter;
    struct NameIndex;
    struct Lazy;
    // A child kept by a parse as its name and text only, until it is wanted as an element; or
    // a child made whole.
    struct LazyChild {
        // The made element's name once there is one: a holder may have renamed it.
        std::string_view currentName() const;

        std::string_view name;
        std::string_view text;
        std::shared_ptr<XmlElement> made;
    };

    static std::shared_ptr<XmlElement> makeLeaf(std::string_view name, std::string_view text);
    // Keeps the content [begin, end) of the source, to be made on first access.
    void keepContent(std::shared_ptr<XmlKeptSource> source, std::size_t begin, std::size_t end);
    // Makes kept content into children (kept as names and texts where they are only that);
    // answers whether there was content still kept.
    bool makeKept() const;
    // Defined with the parser that wrote the content: the children of [begin, end) in order.
    static void replayKept(XmlKeptSource& source, std::size_t begin, std::size_t end,
                           std::vector<LazyChild>& children);
    void makeWhole() const {
        if (lazy_) makeWholeNow();
    }
    void makeWholeNow() const;
    // The child of that name, made if it was kept as text only; null without one.
    const std::shared_ptr<XmlElement>* findLazyChild(std::string_view name) const;

    static const Attributes& noAttributes();
    static const std::string& noText();
    // Puts the text held for a text node into a text node of its own, appended to the children.
    void makeTextNode() const {
        makeWhole();
        if (textInNode_) makeTextNodeNow();
    }
    void makeTextNodeNow() const;
    // The text of the element's text node, made or not; empty without one.
    const std::string& firstChildText() const;
    const std::shared_ptr<XmlElement>* findChild(std::string_view name) const;
    std::optional<std::string_view> innerTextOf(std::string_view name) const;
    std::string xmlText(int indent) const;
    template <typename Sink>
    void writeXml(Sink& out, int indent) const;

    std::string name_;
    mutable Children children_;
    std::unique_ptr<Attributes> attributes_;
    std::weak_ptr<XmlElement> parent_;
    mutable std::string text_;
    // Built on the first search among many children, and rebuilt after any rename or change of
    // the list before it is read: it views the children's names.
    mutable std::unique_ptr<NameIndex> index_;
    // Content a parse kept: first in compact form, then as children kept as names and texts,
    // made into elements when the children are asked for while the typed readers read them as
    // they are.
    mutable std::unique_ptr<Lazy> lazy_;
    // text_ holds the text of a text node that is not made yet.
    mutable bool textInNode_ = false;
    // The children were handed out for change: no index can be trusted for them.
    bool childrenHandedOut_ = false;
};

// Writes a document in the text form of getXmlAsString(0) while it is being made: the outer
// elements are opened and closed around whole elements written in turn, so that the document is
// never held whole. The text is appended to `out`, which the owner may empty at any time.
class XmlStreamWriter {
public:
    explicit XmlStreamWriter(std::string& out) : out_(out) {}
    XmlStreamWriter(const XmlStreamWriter&) = delete;
    XmlStreamWriter& operator=(const XmlStreamWriter&) = delete;

    // Starts an element with the name and attributes of `element`; what it holds is not written.
    void open(const XmlElement& element);
    // The whole element, inside the innermost open one.
    void write(const XmlElement& element);
    // Ends the innermost open element; nothing when none is open.
    void close();

private:
    // The start tag waits for its end until a child or the close says which it is.
    void endStartTag();

    std::string& out_;
    std::vector<std::string> open_;
    bool startPending_ = false;
};

}  // namespace nodeloom
