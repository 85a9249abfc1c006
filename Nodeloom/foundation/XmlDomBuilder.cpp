#include "Nodeloom/foundation/XmlDomBuilder.h"

#include <expat.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string_view>

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
};

namespace {

// The elements of one parse are laid out one after another in large blocks, which spares the
// general allocator one allocation and one release per element, both in building the tree and
// in taking it down. A block counts the elements it holds and is given back when the last of
// them goes and the parse no longer fills it, so that a tree released piece by piece gives its
// memory back as it goes.
constexpr std::size_t kBlockSize = 64 * 1024;

struct BlockHeader {
    std::atomic<std::size_t> live{0};
    std::atomic<bool> filling{true};
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
        header(block_)->live.fetch_add(1, std::memory_order_relaxed);
        used_ = at + bytes;
        return block_ + at;
    }

    static void release(void* pointer) {
        auto* block = reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(pointer) &
                                              ~static_cast<std::uintptr_t>(kBlockSize - 1));
        BlockHeader* h = header(block);
        if (h->live.fetch_sub(1, std::memory_order_acq_rel) == 1 &&
            !h->filling.load(std::memory_order_acquire)) {
            giveBack(block);
        }
    }

    // The block being filled is given back once its elements are gone.
    void finish() {
        if (block_ == nullptr) return;
        BlockHeader* h = header(block_);
        h->filling.store(false, std::memory_order_release);
        if (h->live.load(std::memory_order_acquire) == 0) giveBack(block_);
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

// What one parse builds up. It lives for one parse only, so that a document that stopped at
// an error leaves nothing behind that could take in the elements of a later parse.
struct ParseState {
    ElementArena arena;
    XML_Parser parser = nullptr;
    std::shared_ptr<XmlElement>* root = nullptr;
    std::vector<std::shared_ptr<XmlElement>> stack;
    // The finished children of the open elements, one run per open element, in order; an
    // element's run becomes its child list at its end tag, so that every list is allocated
    // once at its final size.
    std::vector<std::shared_ptr<XmlElement>> finished;
    std::vector<std::size_t> runStart;
    // Character data since the last end tag. It is kept as a plain buffer and becomes text only
    // when something is left after trimming: most runs are the white space between tags.
    std::string pendingText;
    bool inCdata = false;
};

// Callbacks run inside the C parser, which must not be unwound through: a failure (out of
// memory) stops the parse and keeps what was built.
void stopParse(ParseState& state) {
    XML_StopParser(state.parser, XML_FALSE);
}

// Gives the open element at that depth the children finished so far.
void adoptFinished(ParseState& state, std::size_t depth) {
    const std::size_t start = state.runStart[depth];
    XmlElement::Children& children = XmlTreeAccess::children(*state.stack[depth]);
    children.reserve(children.size() + (state.finished.size() - start));
    for (std::size_t i = start; i < state.finished.size(); ++i)
        children.push_back(std::move(state.finished[i]));
    state.finished.resize(start);
}

void XMLCALL onStartElement(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto& state = *static_cast<ParseState*>(data);
    try {
        auto element = std::allocate_shared<XmlElement>(ArenaAllocator<XmlElement>(&state.arena),
                                                        std::string(name));
        if (attributes[0] != nullptr) {
            auto& map = XmlTreeAccess::attributes(*element);
            for (const XML_Char** attribute = attributes; attribute[0] != nullptr; attribute += 2)
                map.emplace_hint(map.end(), attribute[0], attribute[1]);
        }
        if (!*state.root) *state.root = element;
        state.runStart.push_back(state.finished.size());
        state.stack.push_back(std::move(element));
    } catch (...) {
        stopParse(state);
    }
}

void XMLCALL onCharacterData(void* data, const XML_Char* text, int length) {
    auto& state = *static_cast<ParseState*>(data);
    if (state.inCdata || length <= 0) return;
    try {
        state.pendingText.append(text, static_cast<std::size_t>(length));
    } catch (...) {
        stopParse(state);
    }
}

void XMLCALL onEndElement(void* data, const XML_Char*) {
    auto& state = *static_cast<ParseState*>(data);
    if (state.stack.empty()) return;
    try {
        adoptFinished(state, state.stack.size() - 1);
        std::shared_ptr<XmlElement> element = std::move(state.stack.back());
        state.stack.pop_back();
        state.runStart.pop_back();
        const std::string_view trimmed = trimUnicodeSpace(state.pendingText);
        if (!trimmed.empty()) XmlTreeAccess::holdText(*element, trimmed);
        state.pendingText.clear();
        if (!state.stack.empty()) state.finished.push_back(std::move(element));
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
    FileDescriptor file(url.c_str());
    if (file.get() < 0) return false;

    XML_Parser parser = XML_ParserCreate(nullptr);
    if (parser == nullptr) return false;
    ParseState state;
    state.parser = parser;
    state.root = &root_;
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
    // After a fault the elements still open keep the children they had finished.
    try {
        for (std::size_t depth = state.stack.size(); depth-- > 0;)
            adoptFinished(state, depth);
    } catch (...) {
        return false;
    }
    return complete;
}

}  // namespace nodeloom
