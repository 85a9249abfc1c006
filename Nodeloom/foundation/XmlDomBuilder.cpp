#include "Nodeloom/foundation/XmlDomBuilder.h"

#include <expat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <unordered_map>

#include "Nodeloom/foundation/UnicodeSpace.h"

namespace nodeloom {

// What the parser reaches inside an element.
struct XmlTreeAccess {
    static XmlElement::Attributes& attributes(XmlElement& element) {
        if (!element.attributes_) element.attributes_ = std::make_unique<XmlElement::Attributes>();
        return *element.attributes_;
    }
    // The text becomes the element's text node once its children are asked for.
    static void holdText(XmlElement& element, std::string_view text) {
        element.text_.assign(text);
        element.textInNode_ = true;
    }
    static XmlElement::Children& children(XmlElement& element) { return element.children_; }
    using LazyChild = XmlElement::LazyChild;
    static void keepContent(XmlElement& element, std::shared_ptr<XmlKeptSource> source,
                            std::size_t begin, std::size_t end) {
        element.keepContent(std::move(source), begin, end);
    }
    static bool makeKept(const XmlElement& element) { return element.makeKept(); }
};

namespace {

// The elements of one parse are laid out one after another in large blocks, which spares the
// general allocator one allocation and one release per element, both in building the tree and
// in taking it down. A block counts the elements it holds and is given back when the last of
// them goes and the parse no longer fills it, so that a tree released piece by piece gives its
// memory back as it goes.
constexpr std::size_t kBlockSize = 64 * 1024;

struct BlockHeader {
    std::size_t live = 0;
    bool filling = true;
};

class ElementArena {
public:
    ElementArena() = default;
    ElementArena(const ElementArena&) = delete;
    ElementArena& operator=(const ElementArena&) = delete;
    ~ElementArena() { finish(); }

    void* allocate(std::size_t bytes, std::size_t alignment) {
        std::size_t at = (used_ + alignment - 1) / alignment * alignment;
        if (block_ == nullptr || at + bytes > kBlockSize) {
            if (headerSize() + bytes + alignment > kBlockSize) throw std::bad_alloc();
            void* memory = std::aligned_alloc(kBlockSize, kBlockSize);
            if (memory == nullptr) throw std::bad_alloc();
            finish();
            block_ = static_cast<char*>(memory);
            new (block_) BlockHeader();
            at = (headerSize() + alignment - 1) / alignment * alignment;
        }
        ++header(block_)->live;
        used_ = at + bytes;
        return block_ + at;
    }

    static void release(void* pointer) {
        auto* block = reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(pointer) &
                                              ~static_cast<std::uintptr_t>(kBlockSize - 1));
        BlockHeader* h = header(block);
        if (--h->live == 0 && !h->filling) giveBack(block);
    }

    // Starts filling the current block from its beginning again when nothing in it is alive.
    void recycle() {
        if (block_ != nullptr && header(block_)->live == 0)
            used_ = headerSize();
    }

    // The block being filled is given back once its elements are gone.
    void finish() {
        if (block_ == nullptr) return;
        BlockHeader* h = header(block_);
        h->filling = false;
        if (h->live == 0) giveBack(block_);
        block_ = nullptr;
    }

private:
    static constexpr std::size_t headerSize() { return sizeof(BlockHeader); }
    static BlockHeader* header(char* block) {
        return std::launder(reinterpret_cast<BlockHeader*>(block));
    }
    static void giveBack(char* block) {
        header(block)->~BlockHeader();
        std::free(block);
    }

    char* block_ = nullptr;
    std::size_t used_ = 0;
};

template <typename T>
struct ArenaAllocator {
    using value_type = T;

    explicit ArenaAllocator(ElementArena* a) : arena(a) {}
    template <typename U>
    ArenaAllocator(const ArenaAllocator<U>& other) : arena(other.arena) {}

    T* allocate(std::size_t n) {
        return static_cast<T*>(arena->allocate(n * sizeof(T), alignof(T)));
    }
    void deallocate(T* pointer, std::size_t) { ElementArena::release(pointer); }

    template <typename U>
    bool operator==(const ArenaAllocator<U>& other) const {
        return arena == other.arena;
    }

    // Used only while the parse that owns it runs; releasing needs no arena.
    ElementArena* arena;
};

// Builds elements from start and end events, for a parse and for a subtree kept for later.
struct TreeBuilder {
    explicit TreeBuilder(ElementArena& a) : arena(a) {}

    ElementArena& arena;
    std::vector<std::shared_ptr<XmlElement>> stack;
    // The finished children of the open elements, one run per open element, in order; an
    // element's run becomes its child list at its end tag, so that every list is allocated
    // once at its final size.
    std::vector<std::shared_ptr<XmlElement>> finished;
    std::vector<std::size_t> runStart;

    // Makes an element, opens it and answers it.
    XmlElement& open(std::string_view name) {
        auto element =
            std::allocate_shared<XmlElement>(ArenaAllocator<XmlElement>(&arena), std::string(name));
        openElement(std::move(element));
        return *stack.back();
    }
    void openElement(std::shared_ptr<XmlElement> element) {
        runStart.push_back(finished.size());
        stack.push_back(std::move(element));
    }

    // Gives the open element at that depth the children finished so far.
    void adoptFinished(std::size_t depth) {
        const std::size_t start = runStart[depth];
        XmlElement::Children& children = XmlTreeAccess::children(*stack[depth]);
        children.reserve(children.size() + (finished.size() - start));
        for (std::size_t i = start; i < finished.size(); ++i)
            children.push_back(std::move(finished[i]));
        finished.resize(start);
    }

    // Ends the innermost element, which takes the trimmed text as its text node; it joins its
    // parent's children when it has one.
    // Answers the element when it was the outermost.
    std::shared_ptr<XmlElement> close(std::string_view text) {
        adoptFinished(stack.size() - 1);
        std::shared_ptr<XmlElement> element = std::move(stack.back());
        stack.pop_back();
        runStart.pop_back();
        if (!text.empty()) XmlTreeAccess::holdText(*element, text);
        if (stack.empty()) return element;
        finished.push_back(std::move(element));
        return nullptr;
    }

    // After a fault the elements still open keep the children they had finished.
    void adoptAll() {
        for (std::size_t depth = stack.size(); depth-- > 0;)
            adoptFinished(depth);
    }
};

// The content of the elements kept for later: a run of start and end records. A start holds
// the name and the attributes, an end the trimmed text its element takes; lengths are written
// in seven-bit groups.
class Tape {
public:
    void start(std::string_view name, const XML_Char** attributes) {
        std::size_t count = 0;
        while (attributes[2 * count] != nullptr)
            ++count;
        char* at = room(1 + kLengthBytes + name.size() + kLengthBytes);
        *at++ = 'S';
        at = putText(at, name);
        size_ = static_cast<std::size_t>(putLength(at, count) - data_.get());
        for (std::size_t i = 0; i < 2 * count; ++i) {
            const std::string_view text(attributes[i]);
            char* to = room(kLengthBytes + text.size());
            size_ = static_cast<std::size_t>(putText(to, text) - data_.get());
        }
    }
    void end(std::string_view text) {
        char* at = room(1 + kLengthBytes + text.size());
        *at++ = 'E';
        size_ = static_cast<std::size_t>(putText(at, text) - data_.get());
    }
    std::size_t size() const { return size_; }

    // Replays the records in [begin, end), the content of one element, into its children: a
    // child that is only a name and a text stays that, any other is made whole.
    void replayChildren(std::size_t begin, std::size_t end, TreeBuilder& tree,
                        std::vector<XmlTreeAccess::LazyChild>& children) const {
        std::size_t at = begin;
        while (at < end) {
            std::size_t after = at + 1;
            const std::string_view name = getText(after);
            if (getLength(after) == 0 && after < end && data_[after] == 'E') {
                ++after;
                const std::string_view text = getText(after);
                children.push_back({name, text, nullptr});
                at = after;
                continue;
            }
            std::shared_ptr<XmlElement> made = replaySubtree(at, tree);
            children.push_back({name, std::string_view(), std::move(made)});
        }
    }

private:
    // Replays one element from its start record to its end record, moving past them.
    std::shared_ptr<XmlElement> replaySubtree(std::size_t& at, TreeBuilder& tree) const {
        for (;;) {
            const char kind = data_[at++];
            const std::string_view text = getText(at);
            if (kind == 'E') {
                if (std::shared_ptr<XmlElement> element = tree.close(text)) return element;
                continue;
            }
            XmlElement& element = tree.open(text);
            const std::size_t count = getLength(at);
            if (count == 0) continue;
            auto& map = XmlTreeAccess::attributes(element);
            for (std::size_t i = 0; i < count; ++i) {
                const std::string_view key = getText(at);
                const std::string_view value = getText(at);
                map.emplace(std::string(key), std::string(value));
            }
        }
    }

    static constexpr std::size_t kLengthBytes = 10;

    // Where `bytes` more can be written, at the end.
    char* room(std::size_t bytes) {
        if (size_ + bytes > capacity_) {
            std::size_t capacity = capacity_ == 0 ? 64 * 1024 : capacity_;
            while (capacity < size_ + bytes)
                capacity *= 2;
            auto grown = std::make_unique<char[]>(capacity);
            if (size_ != 0) std::memcpy(grown.get(), data_.get(), size_);
            data_ = std::move(grown);
            capacity_ = capacity;
        }
        return data_.get() + size_;
    }
    static char* putLength(char* at, std::size_t length) {
        while (length >= 0x80) {
            *at++ = static_cast<char>((length & 0x7f) | 0x80);
            length >>= 7;
        }
        *at++ = static_cast<char>(length);
        return at;
    }
    static char* putText(char* at, std::string_view text) {
        at = putLength(at, text.size());
        if (!text.empty()) std::memcpy(at, text.data(), text.size());
        return at + text.size();
    }
    std::size_t getLength(std::size_t& at) const {
        std::size_t length = 0;
        for (int shift = 0;; shift += 7) {
            const auto byte = static_cast<unsigned char>(data_[at++]);
            length |= static_cast<std::size_t>(byte & 0x7f) << shift;
            if ((byte & 0x80) == 0) return length;
        }
    }
    std::string_view getText(std::size_t& at) const {
        const std::size_t length = getLength(at);
        const std::string_view text(data_.get() + at, length);
        at += length;
        return text;
    }

    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace

// The content of the elements one parse kept for later, and the blocks their subtrees are made
// in; each kept element holds it until its content is made and let go.
struct XmlKeptSource {
    Tape tape;
    ElementArena arena;
    // Builds every replay, so that its lists are allocated once.
    TreeBuilder tree{arena};
};

void XmlElement::replayKept(XmlKeptSource& source, std::size_t begin, std::size_t end,
                            std::vector<LazyChild>& children) {
    // A reader that lets each element go before the next is made finds the block the last
    // subtree filled free again.
    source.arena.recycle();
    TreeBuilder& tree = source.tree;
    struct Clear {
        ~Clear() {
            tree.stack.clear();
            tree.finished.clear();
            tree.runStart.clear();
        }
        TreeBuilder& tree;
    } clear{tree};
    source.tape.replayChildren(begin, end, tree, children);
}

bool parserTakesInName(std::string_view character, bool first) {
    // Asked for characters beyond ASCII only, which few names hold; the answers are kept.
    static std::unordered_map<std::string, std::pair<bool, bool>> answers;
    const auto asked = [](const std::string& document) {
        XML_Parser parser = XML_ParserCreate("UTF-8");
        if (parser == nullptr) return false;
        const bool read = XML_Parse(parser, document.data(), static_cast<int>(document.size()),
                                    XML_TRUE) == XML_STATUS_OK;
        XML_ParserFree(parser);
        return read;
    };
    if (character.size() > 4) return false;
    const std::string key(character);
    auto found = answers.find(key);
    if (found == answers.end()) {
        const std::pair<bool, bool> answer{asked("<" + key + "/>"), asked("<a" + key + "/>")};
        found = answers.emplace(key, answer).first;
    }
    return first ? found->second.first : found->second.second;
}

namespace {

// What one parse builds up. It lives for one parse only, so that a document that stopped at
// an error leaves nothing behind that could take in the elements of a later parse.
struct ParseState {
    explicit ParseState(ElementArena& arena) : tree(arena) {}

    TreeBuilder tree;
    XML_Parser parser = nullptr;
    std::shared_ptr<XmlElement>* root = nullptr;
    // Character data since the last end tag. It is kept as a plain buffer and becomes text only
    // when something is left after trimming: most runs are the white space between tags.
    std::string pendingText;
    bool inCdata = false;

    // Keeping content for later: the names of the root's children whose children are kept
    // without content, where their records go, and how deep the parse is inside one of them.
    const std::vector<std::string>* sections = nullptr;
    std::shared_ptr<XmlKeptSource> kept;
    std::shared_ptr<XmlElement> keeping;
    std::size_t keptFrom = 0;
    std::size_t keptDepth = 0;

    // Whether the element just opened is one whose content is kept for later.
    bool keepsContent() const {
        if (sections == nullptr || tree.stack.size() != 3) return false;
        const std::string& section = tree.stack[1]->name();
        for (const auto& name : *sections) {
            if (name == section) return true;
        }
        return false;
    }
};

// Callbacks run inside the C parser, which must not be unwound through: a failure (out of
// memory) stops the parse and keeps what was built.
void stopParse(ParseState& state) {
    XML_StopParser(state.parser, XML_FALSE);
}

void XMLCALL onStartElement(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto& state = *static_cast<ParseState*>(data);
    try {
        if (state.keeping) {
            state.kept->tape.start(name, attributes);
            ++state.keptDepth;
            return;
        }
        XmlElement& element = state.tree.open(name);
        if (attributes[0] != nullptr) {
            auto& map = XmlTreeAccess::attributes(element);
            for (const XML_Char** attribute = attributes; attribute[0] != nullptr; attribute += 2)
                map.emplace_hint(map.end(), attribute[0], attribute[1]);
        }
        if (!*state.root) *state.root = state.tree.stack.back();
        if (state.keepsContent()) {
            state.keeping = state.tree.stack.back();
            state.keptFrom = state.kept->tape.size();
            state.keptDepth = 0;
        }
    } catch (...) {
        stopParse(state);
    }
}

void XMLCALL onCharacterData(void* data, const XML_Char* text, int length) {
    auto& state = *static_cast<ParseState*>(data);
    if (state.inCdata || length <= 0) return;
    // Most character data is the indentation between tags. White space at the start of a run
    // would be trimmed anyway, so it is never stored.
    std::size_t from = 0;
    if (state.pendingText.empty()) {
        const auto count = static_cast<std::size_t>(length);
        while (from < count && (text[from] == ' ' || (text[from] >= '\t' && text[from] <= '\r')))
            ++from;
        if (from == count) return;
    }
    try {
        state.pendingText.append(text + from, static_cast<std::size_t>(length) - from);
    } catch (...) {
        stopParse(state);
    }
}

void XMLCALL onEndElement(void* data, const XML_Char*) {
    auto& state = *static_cast<ParseState*>(data);
    if (state.tree.stack.empty()) return;
    try {
        const std::string_view trimmed = trimUnicodeSpace(state.pendingText);
        if (state.keeping) {
            if (state.keptDepth > 0) {
                state.kept->tape.end(trimmed);
                --state.keptDepth;
                state.pendingText.clear();
                return;
            }
            if (state.kept->tape.size() != state.keptFrom) {
                XmlTreeAccess::keepContent(*state.keeping, state.kept, state.keptFrom,
                                           state.kept->tape.size());
            }
            state.keeping.reset();
        }
        state.tree.close(trimmed);
        state.pendingText.clear();
    } catch (...) {
        stopParse(state);
    }
}

void XMLCALL onStartCdata(void* data) {
    static_cast<ParseState*>(data)->inCdata = true;
}

void XMLCALL onEndCdata(void* data) {
    static_cast<ParseState*>(data)->inCdata = false;
}

class FileDescriptor {
public:
    explicit FileDescriptor(const char* path) : fd_(::open(path, O_RDONLY | O_CLOEXEC)) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

ssize_t readSome(int fd, void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t count = ::read(fd, buffer, size);
        if (count >= 0 || errno != EINTR) return count;
    }
}

}  // namespace

XmlDomBuilder::XmlDomBuilder() = default;

XmlDomBuilder::~XmlDomBuilder() = default;

std::shared_ptr<XmlElement> XmlDomBuilder::createElement(std::string name) {
    auto element = std::make_shared<XmlElement>(std::move(name));
    elementStack_.push_back(element);
    return element;
}

void XmlDomBuilder::addChild(std::shared_ptr<XmlElement> element) {
    root_ = std::move(element);
}

std::string XmlDomBuilder::getXmlContent() const {
    return root_ ? root_->getXmlAsString(0) : std::string();
}

bool XmlDomBuilder::parseFile(const std::string& path) {
    return parseFile(std::filesystem::path(path));
}

bool XmlDomBuilder::parseFile(const char* path) {
    return path != nullptr && parseFile(std::filesystem::path(path));
}

bool XmlDomBuilder::parseFile(const std::filesystem::path& url) {
    return parse(url, nullptr);
}

bool XmlDomBuilder::parseFileKeeping(const std::filesystem::path& url,
                                     std::vector<std::string> sections) {
    return parse(url, &sections);
}

bool XmlDomBuilder::parse(const std::filesystem::path& url,
                          const std::vector<std::string>* sections) {
    FileDescriptor file(url.c_str());
    if (file.get() < 0) return false;

    XML_Parser parser = XML_ParserCreate(nullptr);
    if (parser == nullptr) return false;
    ElementArena arena;
    ParseState state(arena);
    state.parser = parser;
    state.root = &root_;
    if (sections != nullptr) {
        state.kept = std::make_shared<XmlKeptSource>();
        state.sections = sections;
    }
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, onStartElement, onEndElement);
    XML_SetCharacterDataHandler(parser, onCharacterData);
    XML_SetCdataSectionHandler(parser, onStartCdata, onEndCdata);

    constexpr int chunkSize = 256 * 1024;
    bool complete = false;
    for (;;) {
        void* buffer = XML_GetBuffer(parser, chunkSize);
        if (buffer == nullptr) break;
        const ssize_t count = readSome(file.get(), buffer, chunkSize);
        if (count < 0) break;
        const bool last = count == 0;
        if (XML_ParseBuffer(parser, static_cast<int>(count), last) != XML_STATUS_OK) break;
        if (last) {
            complete = true;
            break;
        }
    }
    XML_ParserFree(parser);
    try {
        state.tree.adoptAll();
    } catch (...) {
        return false;
    }
    return complete;
}

bool XmlDomBuilder::expand(const std::shared_ptr<XmlElement>& element) {
    return element && XmlTreeAccess::makeKept(*element);
}

}  // namespace nodeloom
