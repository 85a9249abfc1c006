#include "Nodeloom/foundation/XmlElement.h"

#include <charconv>
#include <limits>
#include <new>
#include <stdexcept>

#include "Nodeloom/foundation/FlatHashMap.h"
#include "Nodeloom/foundation/NumberText.h"

namespace nodeloom {

namespace {

const std::string& emptyString() {
    static const std::string empty;
    return empty;
}

// The text is written twice over: once to learn its size, once into a string of that size, so
// that a large document is never copied while it grows.
struct MeasuringSink {
    void put(std::string_view text) { size += text.size(); }
    void put(char) { ++size; }
    void pad(std::size_t count) { size += count; }
    std::size_t size = 0;
};

struct WritingSink {
    void put(std::string_view text) { out.append(text); }
    void put(char c) { out += c; }
    void pad(std::size_t count) { out.append(count, ' '); }
    std::string& out;
};

// Copies each run that needs no escaping at once; element text can be long.
template <typename Sink>
void putEscaped(Sink& out, std::string_view text, bool escapeApostrophe) {
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* replacement = nullptr;
        switch (text[i]) {
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
                if (escapeApostrophe) replacement = "&apos;";
                break;
            default:
                break;
        }
        if (replacement == nullptr) continue;
        out.put(text.substr(runStart, i - runStart));
        out.put(std::string_view(replacement));
        runStart = i + 1;
    }
    out.put(text.substr(runStart));
}

template <typename Sink>
void putPadding(Sink& out, int indent) {
    out.pad(static_cast<std::size_t>(indent) * 4);
}

// The start tag up to its closing bracket.
template <typename Sink>
void putOpening(Sink& out, const XmlElement& element, int indent) {
    putPadding(out, indent);
    out.put('<');
    out.put(std::string_view(element.name()));
    for (const auto& [key, value] : element.attributes()) {
        out.put(' ');
        out.put(std::string_view(key));
        out.put(std::string_view("=\""));
        // Attribute values are escaped so that a value chosen by the host (an id, a tag) can
        // never make the written document unreadable.
        putEscaped(out, value, false);
        out.put('"');
    }
}

// Writes the start of an element; answers whether its children follow, in which case the
// caller writes them and the end tag.
template <typename Sink>
bool putStart(Sink& out, const XmlElement& element, int indent) {
    putOpening(out, element, indent);
    if (!element.children().empty()) {
        out.put(std::string_view(">\n"));
        return true;
    }
    if (element.text().empty()) {
        out.put(std::string_view("/>\n"));
        return false;
    }
    out.put('>');
    putEscaped(out, element.text(), true);
    out.put(std::string_view("</"));
    out.put(std::string_view(element.name()));
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
    if (!putStart(out, *this, indent)) return;

    // Depth first without recursion: a parsed tree may be nested far deeper than the stack.
    struct Frame {
        const XmlElement* element;
        std::size_t next;
        int indent;
    };
    std::vector<Frame> open{{this, 0, indent}};
    while (!open.empty()) {
        Frame& frame = open.back();
        if (frame.next < frame.element->children_.size()) {
            const XmlElement* child = frame.element->children_[frame.next++].get();
            if (child == nullptr) continue;
            const int childIndent = frame.indent + 1;
            if (putStart(out, *child, childIndent)) open.push_back({child, 0, childIndent});
            continue;
        }
        putPadding(out, frame.indent);
        out.put(std::string_view("</"));
        out.put(std::string_view(frame.element->name_));
        out.put(std::string_view(">\n"));
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
    putOpening(sink, element, static_cast<int>(open_.size()));
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
        out_.append((open_.size() - 1) * 4, ' ');
        out_.append("</");
        out_.append(open_.back());
        out_.append(">\n");
    }
    open_.pop_back();
}

}  // namespace nodeloom
