#include "Nodeloom/foundation/XmlElement.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "Nodeloom/foundation/FlatHashMap.h"
#include "Nodeloom/foundation/NumberText.h"

namespace nodeloom {

// Defined with the parser: whether it reads the character (one whole UTF-8 sequence) as part of
// a name, at its start or later.
bool parserTakesInName(std::string_view character, bool first);

namespace {

const std::string& emptyString() {
    static const std::string empty;
    return empty;
}

// The text is written twice over: once to learn its size, once into a string of that size, so
// that a large document is never copied while it grows. `make(size, fill)` takes a piece of
// known size that `fill` writes at the pointer it is given: a tag line, or a whole element of
// plain text, goes in at one step rather than one for each of its parts.
struct MeasuringSink {
    void put(std::string_view text) { size += text.size(); }
    void put(char) { ++size; }
    void pad(std::size_t count) { size += count; }
    template <typename Fill>
    void make(std::size_t count, const Fill&) {
        size += count;
    }
    std::size_t size = 0;
};

struct WritingSink {
    void put(std::string_view text) { out.append(text); }
    void put(char c) { out += c; }
    void pad(std::size_t count) { out.append(count, ' '); }
    template <typename Fill>
    void make(std::size_t count, const Fill& fill) {
        const std::size_t start = out.size();
        out.resize(start + count);
        fill(out.data() + start);
    }
    std::string& out;
};

// Where a text is written: element content, or an attribute value in double quotes.
enum class TextPlace { content, attribute };

// What the writer does with each byte, one table per place: 0 copies it, 1 writes an ASCII
// character otherwise, 2 checks the multi-byte sequence it starts. A text of plain characters
// costs one look-up per byte.
using ByteActions = std::array<unsigned char, 256>;

constexpr ByteActions byteActions(TextPlace place) {
    ByteActions actions{};
    for (int b = 0; b < 0x20; ++b)
        actions[b] = 1;
    for (int b = 0x80; b < 0x100; ++b)
        actions[b] = 2;
    for (const char c : {'&', '<', '>', '"'})
        actions[static_cast<unsigned char>(c)] = 1;
    if (place == TextPlace::content) {
        // Tab and line feed read back as they are in content; the apostrophe is escaped as it
        // always was.
        actions['\t'] = 0;
        actions['\n'] = 0;
        actions['\''] = 1;
    }
    return actions;
}

constexpr ByteActions kContentActions = byteActions(TextPlace::content);
constexpr ByteActions kAttributeActions = byteActions(TextPlace::attribute);

// U+FFFD, written for every character XML cannot carry.
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the UTF-8 sequence at the start of `text` (which starts with a byte of 0x80 or
// more) when it is well-formed and stands for a character XML can carry; else 0, and `bad` is
// the length of the maximal part of a well-formed sequence there (at least one byte), which is
// replaced by one U+FFFD. So lone surrogates, overlong forms and values past U+10FFFF, which no
// well-formed sequence starts like, give one replacement per byte.
std::size_t xmlCharLength(std::string_view text, std::size_t& bad) {
    const auto at = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        bad = 1;
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= text.size() || at(i) < low || at(i) > high) {
            bad = i;
            return 0;
        }
        low = 0x80;
        high = 0xBF;
    }
    // U+FFFE and U+FFFF are well-formed but no XML characters.
    if (lead == 0xEF && at(1) == 0xBF && at(2) >= 0xBE) {
        bad = 3;
        return 0;
    }
    return length;
}

// The length of the start of the text that is written as it is: up to the first byte that
// needs care, or the whole text.
inline std::size_t plainPrefix(std::string_view text, const ByteActions& actions) {
    const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = 0;
    while (i < text.size() && actions[bytes[i]] == 0)
        ++i;
    return i;
}

// putEscaped from the first byte that needs care, `i`; kept out of line, since most texts
// have none.
template <typename Sink>
[[gnu::noinline]] void putEscapedFrom(Sink& out, std::string_view text, std::size_t i,
                                      const ByteActions& actions) {
    const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t runStart = 0;
    for (;;) {
        while (i < size && actions[bytes[i]] == 0)
            ++i;
        if (i == size) break;
        const unsigned char byte = bytes[i];
        const unsigned char action = actions[byte];
        std::string_view replacement = kReplacement;
        std::size_t length = 1;
        if (action == 2) {
            const std::size_t valid = xmlCharLength(text.substr(i), length);
            if (valid != 0) {
                i += valid;
                continue;
            }
        } else {
            switch (byte) {
                case '&':
                    replacement = "&amp;";
                    break;
                case '<':
                    replacement = "&lt;";
                    break;
                case '>':
                    replacement = "&gt;";
                    break;
                case '"':
                    replacement = "&quot;";
                    break;
                case '\'':
                    replacement = "&apos;";
                    break;
                case '\t':
                    replacement = "&#9;";
                    break;
                case '\n':
                    replacement = "&#10;";
                    break;
                case '\r':
                    replacement = "&#13;";
                    break;
                default:
                    break;
            }
        }
        out.put(text.substr(runStart, i - runStart));
        out.put(replacement);
        i += length;
        runStart = i;
    }
    out.put(text.substr(runStart));
}

// Writes the text so that a parse gives it back: markup characters become references, as do
// the characters the parser would change (a carriage return in content; tab, line feed and
// carriage return in an attribute value, which would read as spaces), and each character XML
// cannot carry (control characters, bytes that are no UTF-8) becomes U+FFFD. Every other
// character is copied, each run at once: element text can be long.
template <typename Sink>
void putEscaped(Sink& out, std::string_view text, TextPlace place) {
    const ByteActions& actions =
        place == TextPlace::content ? kContentActions : kAttributeActions;
    const std::size_t plain = plainPrefix(text, actions);
    if (plain == text.size())
        out.put(text);
    else
        putEscapedFrom(out, text, plain, actions);
}

// For each byte: bit 1 when it may start a name, bit 2 when it may stand later in one; none for
// the bytes of characters beyond ASCII, which are asked about one by one.
constexpr std::array<unsigned char, 256> kNameBytes = [] {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 128; ++c) {
        const bool start = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
        const bool later = start || (c >= '0' && c <= '9') || c == '-' || c == '.';
        table[c] = static_cast<unsigned char>((start ? 1 : 0) | (later ? 2 : 0));
    }
    return table;
}();

inline bool isAsciiNameChar(unsigned char c, bool first) {
    return (kNameBytes[c] & (first ? 1 : 2)) != 0;
}

// Whether the name can be written as it is: most names, and all the library's own. Every name
// written is checked, once for its start and end tags, so the check runs without a branch per
// character.
inline bool isPlainName(std::string_view name) {
    const auto* const bytes = reinterpret_cast<const unsigned char*>(name.data());
    const std::size_t size = name.size();
    if (size == 0 || (kNameBytes[bytes[0]] & 1) == 0) return false;
    unsigned char all = 2;
    for (std::size_t i = 1; i < size; ++i)
        all &= kNameBytes[bytes[i]];
    return all != 0;
}

// Names come from the library's own code and from the host's items; a name that could not be
// read back would make the whole document unreadable, so each character that cannot stand in a
// name at its place is written as an underscore, and an empty name as one underscore. Which
// characters beyond ASCII may stand in a name is the parser's to say; it is asked once for each.
std::string writtenName(std::string_view name) {
    if (name.empty()) return "_";
    std::string written;
    std::size_t i = 0;
    while (i < name.size()) {
        const auto byte = static_cast<unsigned char>(name[i]);
        std::size_t length = 1;
        bool keep = false;
        if (byte < 0x80) {
            keep = isAsciiNameChar(byte, i == 0);
        } else if (const std::size_t valid = xmlCharLength(name.substr(i), length); valid != 0) {
            length = valid;
            keep = parserTakesInName(name.substr(i, valid), i == 0);
        }
        if (keep)
            written.append(name.substr(i, length));
        else
            written += '_';
        i += length;
    }
    return written;
}

template <typename Sink>
void putName(Sink& out, std::string_view name, bool plain) {
    if (plain)
        out.put(name);
    else
        out.put(std::string_view(writtenName(name)));
}

// Attribute keys as written, in the order of the map. A key that had to be changed could meet
// another key: it takes underscores at its end until it is one of its own, so that no
// attribute is written twice and none is lost; keys that can be written as they are stay so.
std::vector<std::string> writtenKeys(const XmlElement::Attributes& attributes) {
    std::vector<std::string> keys;
    keys.reserve(attributes.size());
    for (const auto& entry : attributes) {
        if (isPlainName(entry.first)) keys.push_back(entry.first);
    }
    std::vector<std::string> written;
    written.reserve(attributes.size());
    for (const auto& entry : attributes) {
        if (isPlainName(entry.first)) {
            written.push_back(entry.first);
            continue;
        }
        std::string key = writtenName(entry.first);
        while (std::find(keys.begin(), keys.end(), key) != keys.end())
            key += '_';
        keys.push_back(key);
        written.push_back(std::move(key));
    }
    return written;
}

template <typename Sink>
void putPadding(Sink& out, int indent) {
    out.pad(static_cast<std::size_t>(indent) * 4);
}

// Writes the indentation of `indent` levels at `at`; answers where it ends.
inline char* fillPadding(char* at, std::size_t indent) {
    for (std::size_t level = 0; level < indent; ++level, at += 4)
        std::memcpy(at, "    ", 4);
    return at;
}

inline char* fillText(char* at, std::string_view text) {
    if (!text.empty()) std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

// A line that is only a tag: indentation, `before`, the name (written as it is) and `after`.
template <typename Sink>
void putTagLine(Sink& out, int indent, std::string_view before, std::string_view name,
                std::string_view after) {
    const auto levels = static_cast<std::size_t>(indent);
    out.make(levels * 4 + before.size() + name.size() + after.size(),
             [&](char* at) {
                 at = fillPadding(at, levels);
                 at = fillText(at, before);
                 at = fillText(at, name);
                 fillText(at, after);
             });
}

// The end tag of an element whose children were written.
template <typename Sink>
void putEnd(Sink& out, std::string_view name, int indent, bool plainName) {
    if (plainName) {
        putTagLine(out, indent, "</", name, ">\n");
        return;
    }
    putPadding(out, indent);
    out.put(std::string_view("</"));
    putName(out, name, false);
    out.put(std::string_view(">\n"));
}

// The start tag up to its closing bracket.
template <typename Sink>
void putOpening(Sink& out, const XmlElement& element, int indent, bool plainName) {
    putPadding(out, indent);
    out.put('<');
    putName(out, element.name(), plainName);
    const XmlElement::Attributes& attributes = element.attributes();
    const bool plainKeys = std::all_of(attributes.begin(), attributes.end(),
                                       [](const auto& entry) { return isPlainName(entry.first); });
    const std::vector<std::string> keys =
        plainKeys ? std::vector<std::string>() : writtenKeys(attributes);
    std::size_t index = 0;
    for (const auto& [key, value] : attributes) {
        out.put(' ');
        out.put(plainKeys ? std::string_view(key) : std::string_view(keys[index++]));
        out.put(std::string_view("=\""));
        // Attribute values are escaped so that a value chosen by the host (an id, a tag) can
        // never make the written document unreadable.
        putEscaped(out, value, TextPlace::attribute);
        out.put('"');
    }
}

// Writes the start of an element; answers whether its children follow, in which case the
// caller writes them and the end tag.
template <typename Sink>
bool putStart(Sink& out, const XmlElement& element, int indent, bool plainName) {
    // Most elements have a plain name and no attributes, and a text with nothing to escape:
    // each such line is written in one piece.
    if (plainName && element.attributes().empty()) {
        const std::string_view name = element.name();
        if (!element.children().empty()) {
            putTagLine(out, indent, "<", name, ">\n");
            return true;
        }
        const std::string_view text = element.text();
        if (text.empty()) {
            putTagLine(out, indent, "<", name, "/>\n");
            return false;
        }
        if (plainPrefix(text, kContentActions) == text.size()) {
            const auto levels = static_cast<std::size_t>(indent);
            out.make(levels * 4 + 2 * name.size() + text.size() + 6, [&](char* at) {
                at = fillPadding(at, levels);
                *at++ = '<';
                at = fillText(at, name);
                *at++ = '>';
                at = fillText(at, text);
                at = fillText(at, "</");
                at = fillText(at, name);
                fillText(at, ">\n");
            });
            return false;
        }
    }
    putOpening(out, element, indent, plainName);
    if (!element.children().empty()) {
        out.put(std::string_view(">\n"));
        return true;
    }
    if (element.text().empty()) {
        out.put(std::string_view("/>\n"));
        return false;
    }
    out.put('>');
    putEscaped(out, element.text(), TextPlace::content);
    out.put(std::string_view("</"));
    putName(out, element.name(), plainName);
    out.put(std::string_view(">\n"));
    return false;
}

// The magnitude of a run of ASCII digits, or nothing when the text holds anything else or the
// value does not fit.
std::optional<std::uint64_t> parseDigits(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

struct SignedDigits {
    bool negative = false;
    std::uint64_t magnitude = 0;
};

std::optional<SignedDigits> parseSignedDigits(std::string_view text) {
    SignedDigits result;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        result.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const auto magnitude = parseDigits(text);
    if (!magnitude) return std::nullopt;
    result.magnitude = *magnitude;
    return result;
}

}  // namespace

namespace {

// Fewer children than this are searched one by one, which costs less than an index.
constexpr std::size_t kIndexFrom = 12;

// Where the first child of each name stands among a list of children. The names are viewed in
// the children themselves: the table is built again after any rename and any change of the
// list, before it is read, so that no view outlives or misses a change of its name.
class FirstOfName {
public:
    // `nameAt(i)` is the name of the i-th child, or nothing for a child to pass over.
    template <typename NameAt>
    FirstOfName(std::size_t count, NameAt nameAt) {
        table_.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            // The first child of a name keeps its place.
            if (const std::optional<std::string_view> name = nameAt(i))
                table_.insert(*name, static_cast<std::uint32_t>(i));
        }
    }

    std::optional<std::size_t> find(std::string_view name) const {
        const std::uint32_t* position = table_.find(name);
        if (position == nullptr) return std::nullopt;
        return *position;
    }

private:
    FlatHashMap<std::string_view, std::uint32_t> table_;
};

// Every rename anywhere moves this on, so that an index built before it is built again: a
// child does not know the elements that list it. The library is single-threaded.
std::uint64_t renames = 0;

}  // namespace

// The index of an element's children, valid for as long as the list stays where it was and
// nothing was renamed.
struct XmlElement::NameIndex {
    template <typename NameAt>
    NameIndex(const std::shared_ptr<XmlElement>* d, std::size_t n, NameAt nameAt)
        : data(d), size(n), renamesSeen(renames), table(n, nameAt) {}

    const std::shared_ptr<XmlElement>* data = nullptr;
    std::size_t size = 0;
    std::uint64_t renamesSeen = 0;
    FirstOfName table;
};

// Content a parse kept: the range of its records until the first access, then the children as
// names and texts, with the first of each name found through a table.
struct XmlElement::Lazy {
    struct NameAt {
        std::optional<std::string_view> operator()(std::size_t i) const {
            return (*children)[i].currentName();
        }
        const std::vector<LazyChild>* children;
    };

    Lazy(std::shared_ptr<XmlKeptSource> s, std::size_t b, std::size_t e)
        : source(std::move(s)), begin(b), end(e) {}

    std::optional<std::size_t> find(std::string_view name) {
        const NameAt nameAt{&children};
        if (children.size() < kIndexFrom || children.size() >= UINT32_MAX) {
            for (std::size_t i = 0; i < children.size(); ++i) {
                if (children[i].currentName() == name) return i;
            }
            return std::nullopt;
        }
        if (!table || tableRenames != renames) {
            table.emplace(children.size(), nameAt);
            tableRenames = renames;
        }
        return table->find(name);
    }

    // Holds the text the views point into.
    std::shared_ptr<XmlKeptSource> source;
    std::size_t begin = 0;
    std::size_t end = 0;
    bool kept = true;
    std::vector<LazyChild> children;
    std::optional<FirstOfName> table;
    std::uint64_t tableRenames = 0;
};

const XmlElement::Attributes& XmlElement::noAttributes() {
    static const Attributes none;
    return none;
}

const std::string& XmlElement::noText() {
    return emptyString();
}

void XmlElement::makeTextNodeNow() const {
    auto node = std::make_shared<XmlElement>();
    node->text_ = std::move(text_);
    text_.clear();
    textInNode_ = false;
    children_.push_back(std::move(node));
}

XmlElement::Children& XmlElement::children() {
    makeTextNode();
    index_.reset();
    childrenHandedOut_ = true;
    return children_;
}

void XmlElement::setName(std::string name) {
    name_ = std::move(name);
    ++renames;
}

void XmlElement::setChildren(Children children) {
    lazy_.reset();
    textInNode_ = false;
    text_.clear();
    index_.reset();
    children_ = std::move(children);
}

// A child kept as text becomes what the parse would have made: its text in a text node.
std::shared_ptr<XmlElement> XmlElement::makeLeaf(std::string_view name, std::string_view text) {
    auto leaf = std::make_shared<XmlElement>(std::string(name));
    if (!text.empty()) {
        leaf->text_.assign(text);
        leaf->textInNode_ = true;
    }
    return leaf;
}

std::string_view XmlElement::LazyChild::currentName() const {
    return made ? std::string_view(made->name_) : name;
}

void XmlElement::keepContent(std::shared_ptr<XmlKeptSource> source, std::size_t begin,
                             std::size_t end) {
    lazy_ = std::make_unique<Lazy>(std::move(source), begin, end);
    index_.reset();
}

bool XmlElement::makeKept() const {
    if (!lazy_ || !lazy_->kept) return false;
    lazy_->kept = false;
    try {
        replayKept(*lazy_->source, lazy_->begin, lazy_->end, lazy_->children);
    } catch (...) {
        // Out of memory: the element is left with what could be made.
    }
    return true;
}

void XmlElement::makeWholeNow() const {
    makeKept();
    Children whole;
    whole.reserve(lazy_->children.size() + children_.size());
    for (LazyChild& child : lazy_->children)
        whole.push_back(child.made ? std::move(child.made) : makeLeaf(child.name, child.text));
    for (auto& child : children_)
        whole.push_back(std::move(child));
    children_ = std::move(whole);
    lazy_.reset();
    index_.reset();
}

const std::shared_ptr<XmlElement>* XmlElement::findLazyChild(std::string_view name) const {
    makeKept();
    const std::optional<std::size_t> position = lazy_->find(name);
    if (!position) return nullptr;
    LazyChild& child = lazy_->children[*position];
    if (!child.made) child.made = makeLeaf(child.name, child.text);
    return &child.made;
}

const std::string& XmlElement::firstChildText() const {
    makeWhole();
    if (children_.empty()) return textInNode_ ? text_ : emptyString();
    const XmlElement* first = children_.front().get();
    if (first == nullptr || first->textInNode_) return emptyString();
    return first->text_;
}

const std::shared_ptr<XmlElement>* XmlElement::findChild(std::string_view name) const {
    if (lazy_) return findLazyChild(name);
    const std::size_t count = children_.size();
    if (count < kIndexFrom || count >= UINT32_MAX || childrenHandedOut_) {
        for (const auto& child : children_) {
            if (child && child->name_ == name) return &child;
        }
        return nullptr;
    }
    const auto nameAt = [this](std::size_t i) {
        const XmlElement* child = children_[i].get();
        return child ? std::optional<std::string_view>(child->name_) : std::nullopt;
    };
    if (!index_ || index_->data != children_.data() || index_->size != count ||
        index_->renamesSeen != renames)
        index_ = std::make_unique<NameIndex>(children_.data(), count, nameAt);
    const std::optional<std::size_t> position = index_->table.find(name);
    return position ? &children_[*position] : nullptr;
}

XmlElement::XmlElement() = default;

XmlElement::XmlElement(std::string name) : name_(std::move(name)) {}

XmlElement::XmlElement(std::string name, const std::shared_ptr<XmlElement>& parent)
    : name_(std::move(name)), parent_(parent) {}

XmlElement::~XmlElement() {
    // Releases the subtree level by level instead of by nested destructor calls, so that a
    // deeply nested document cannot exhaust the stack. Only children that would release a
    // subtree of their own are moved out; the rest (leaves, and elements that someone else
    // still holds) are released in place.
    if (children_.empty()) return;
    Children pending;
    const auto takeSubtrees = [&pending](Children& children) {
        for (auto& child : children) {
            if (child && !child->children_.empty() && child.use_count() == 1)
                pending.push_back(std::move(child));
        }
        children.clear();
    };
    takeSubtrees(children_);
    while (!pending.empty()) {
        std::shared_ptr<XmlElement> element = std::move(pending.back());
        pending.pop_back();
        takeSubtrees(element->children_);
    }
}

void XmlElement::addChild(std::shared_ptr<XmlElement> child) {
    if (!child || child.get() == this) return;
    makeTextNode();
    index_.reset();
    children_.push_back(std::move(child));
}

std::shared_ptr<XmlElement> XmlElement::addChild(std::string name, std::string text,
                                                 Attributes attributes) {
    auto child = std::make_shared<XmlElement>(std::move(name));
    // An element that is not held by a shared_ptr has no handle to give out as parent.
    child->parent_ = weak_from_this();
    if (!attributes.empty())
        child->attributes_ = std::make_unique<Attributes>(std::move(attributes));
    child->text_ = std::move(text);
    addChild(child);
    return child;
}

std::shared_ptr<XmlElement> XmlElement::addChild(std::string name, std::string text) {
    return addChild(std::move(name), std::move(text), Attributes());
}

std::shared_ptr<XmlElement> XmlElement::addChild(std::string name) {
    return addChild(std::move(name), std::string());
}

std::string XmlElement::getXmlAsString(int indent) const {
    if (indent < 0) indent = 0;
    // A text too large to hold (an absurd indentation level, say) is answered with nothing.
    try {
        return xmlText(indent);
    } catch (const std::bad_alloc&) {
        return std::string();
    } catch (const std::length_error&) {
        return std::string();
    }
}

std::string XmlElement::xmlText(int indent) const {
    MeasuringSink measure;
    writeXml(measure, indent);
    std::string out;
    out.reserve(measure.size);
    WritingSink write{out};
    writeXml(write, indent);
    return out;
}

template <typename Sink>
void XmlElement::writeXml(Sink& out, int indent) const {
    const bool plainName = isPlainName(name_);
    if (!putStart(out, *this, indent, plainName)) return;

    // Depth first without recursion: a parsed tree may be nested far deeper than the stack.
    struct Frame {
        const XmlElement* element;
        std::size_t next;
        int indent;
        bool plainName;
    };
    std::vector<Frame> open{{this, 0, indent, plainName}};
    while (!open.empty()) {
        Frame& frame = open.back();
        if (frame.next < frame.element->children_.size()) {
            const XmlElement* child = frame.element->children_[frame.next++].get();
            if (child == nullptr) continue;
            const int childIndent = frame.indent + 1;
            // A parse puts an element's character content in a text node after its elements:
            // written as text there, it reads back as the text node it was. Anywhere else the
            // text would join the next element's, so it is written as an element.
            if (frame.next == frame.element->children_.size() && child->name_.empty() &&
                child->attributes().empty() && child->children().empty()) {
                putPadding(out, childIndent);
                putEscaped(out, child->text(), TextPlace::content);
                out.put('\n');
                continue;
            }
            const bool childPlain = isPlainName(child->name_);
            if (putStart(out, *child, childIndent, childPlain))
                open.push_back({child, 0, childIndent, childPlain});
            continue;
        }
        putEnd(out, frame.element->name_, frame.indent, frame.plainName);
        open.pop_back();
    }
}

std::shared_ptr<XmlElement> XmlElement::getChild(std::string_view name) const {
    // A text node has the empty name; it is found once it is made.
    if (name.empty()) makeTextNode();
    const std::shared_ptr<XmlElement>* child = findChild(name);
    return child ? *child : nullptr;
}

std::vector<std::shared_ptr<XmlElement>> XmlElement::getAllChildren(std::string_view name) const {
    if (name.empty()) makeTextNode();
    makeWhole();
    std::vector<std::shared_ptr<XmlElement>> found;
    for (const auto& child : children_) {
        if (child && child->name_ == name) found.push_back(child);
    }
    return found;
}

std::string XmlElement::getInnerText() const {
    return firstChildText();
}

std::optional<std::string_view> XmlElement::innerTextOf(std::string_view name) const {
    if (name.empty()) makeTextNode();
    if (lazy_) {
        // A child kept as text is read as it is, without making it an element.
        makeKept();
        const std::optional<std::size_t> position = lazy_->find(name);
        if (!position) return std::nullopt;
        const LazyChild& child = lazy_->children[*position];
        if (child.made) return std::string_view(child.made->firstChildText());
        return child.text;
    }
    const std::shared_ptr<XmlElement>* child = findChild(name);
    if (!child) return std::nullopt;
    return std::string_view((*child)->firstChildText());
}

std::string XmlElement::readString(std::string_view name, const std::string& defaultValue) const {
    const std::optional<std::string_view> text = innerTextOf(name);
    return text ? std::string(*text) : defaultValue;
}

std::int64_t XmlElement::readInteger(std::string_view name, std::int64_t defaultValue) const {
    const std::optional<std::string_view> text = innerTextOf(name);
    if (!text) return defaultValue;
    const auto parsed = parseSignedDigits(*text);
    if (!parsed) return defaultValue;
    constexpr auto maxPositive =
        static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (!parsed->negative) {
        return parsed->magnitude <= maxPositive ? static_cast<std::int64_t>(parsed->magnitude)
                                                : defaultValue;
    }
    if (parsed->magnitude > maxPositive + 1) return defaultValue;
    if (parsed->magnitude == maxPositive + 1) return std::numeric_limits<std::int64_t>::min();
    return -static_cast<std::int64_t>(parsed->magnitude);
}

std::uint64_t XmlElement::readUInt(std::string_view name, std::uint64_t defaultValue) const {
    const std::optional<std::string_view> text = innerTextOf(name);
    if (!text) return defaultValue;
    const auto parsed = parseSignedDigits(*text);
    if (!parsed || (parsed->negative && parsed->magnitude != 0)) return defaultValue;
    return parsed->magnitude;
}

double XmlElement::readDouble(std::string_view name, double defaultValue) const {
    const std::optional<std::string_view> text = innerTextOf(name);
    return text ? doubleValue(*text) : defaultValue;
}

std::optional<double> XmlElement::readDoubleOpt(std::string_view name) const {
    const std::optional<std::string_view> text = innerTextOf(name);
    if (!text) return std::nullopt;
    return doubleValue(*text);
}

bool XmlElement::readBool(std::string_view name, bool defaultValue) const {
    const std::optional<std::string_view> text = innerTextOf(name);
    if (!text) return defaultValue;
    return *text == "true" || *text == "True" || *text == "1";
}

std::shared_ptr<Color> XmlElement::readColor(std::string_view name,
                                             std::shared_ptr<Color> defaultValue) const {
    const std::optional<std::string_view> text = innerTextOf(name);
    return text ? Color::fromString(*text) : defaultValue;
}

void XmlStreamWriter::endStartTag() {
    if (!startPending_) return;
    out_.append(">\n");
    startPending_ = false;
}

void XmlStreamWriter::open(const XmlElement& element) {
    endStartTag();
    WritingSink sink{out_};
    putOpening(sink, element, static_cast<int>(open_.size()), isPlainName(element.name()));
    open_.push_back(element.name());
    startPending_ = true;
}

void XmlStreamWriter::write(const XmlElement& element) {
    endStartTag();
    WritingSink sink{out_};
    element.writeXml(sink, static_cast<int>(open_.size()));
}

void XmlStreamWriter::close() {
    if (open_.empty()) return;
    if (startPending_) {
        out_.append("/>\n");
        startPending_ = false;
    } else {
        WritingSink sink{out_};
        putEnd(sink, open_.back(), static_cast<int>(open_.size() - 1), isPlainName(open_.back()));
    }
    open_.pop_back();
}

}  // namespace nodeloom
