#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/foundation/XmlElement.h"

namespace nodeloom {

// Builds an XmlElement tree from an XML file, and holds the root of a tree that is being
// written. One builder serves one tree.
//
// A parsed element's character content becomes one text node (a child with the empty name)
// holding the text without surrounding white space. All character data between two end tags
// goes to the element whose end tag comes next. Elements join their parent at their own end tag
// and are given no parent reference. A document that is not well-formed keeps what was built
// up to the error; CDATA sections, comments and processing instructions do not reach the tree.
class XmlDomBuilder {
public:
    XmlDomBuilder();
    ~XmlDomBuilder();

    XmlDomBuilder(const XmlDomBuilder&) = delete;
    XmlDomBuilder& operator=(const XmlDomBuilder&) = delete;

    const std::shared_ptr<XmlElement>& root() const { return root_; }
    std::shared_ptr<XmlElement>& root() { return root_; }
    void setRoot(std::shared_ptr<XmlElement> root) { root_ = std::move(root); }

    // Creates an element with no parent for a tree that is being written.
    std::shared_ptr<XmlElement> createElement(std::string name);
    // Makes the element the root, replacing any earlier one.
    void addChild(std::shared_ptr<XmlElement> element);
    void print() const {}
    // The root written from level 0, or the empty string without a root.
    std::string getXmlContent() const;

    // A file that cannot be read leaves the builder as it was. The root is taken from the first
    // document parsed; a later parse builds a tree that only its own elements refer to. A
    // malformed file keeps what was built before the fault; the result says whether the whole
    // file was read and well-formed, so a caller can refuse a partial tree.
    [[nodiscard]] bool parseFile(const std::string& path);
    [[nodiscard]] bool parseFile(const char* path);
    [[nodiscard]] bool parseFile(const std::filesystem::path& url);

    // Parses like parseFile, into the same tree, but the content of the elements two levels
    // below the root whose parent is named in `sections` is kept in a compact form until the
    // element is first read, whoever reads it. A document of many such elements that are read
    // one at a time and let go never holds them all whole.
    [[nodiscard]] bool parseFileKeeping(const std::filesystem::path& url,
                                        std::vector<std::string> sections);
    // Makes the content of an element that parseFileKeeping kept now rather than on its first
    // read; answers whether there was content still kept. Reading needs no such call.
    bool expand(const std::shared_ptr<XmlElement>& element);

private:
    bool parse(const std::filesystem::path& url, const std::vector<std::string>* sections);

    std::vector<std::shared_ptr<XmlElement>> elementStack_;
    std::shared_ptr<XmlElement> root_;
};

}  // namespace nodeloom
