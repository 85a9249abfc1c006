// Parses a generated document of about 20 MB with XmlDomBuilder and, for comparison, with a bare
// expat pass whose handlers do nothing. The builder should stay within three times the bare pass.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <expat.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"

namespace {

namespace fs = std::filesystem;
using nodeloom::XmlDomBuilder;
using nodeloom::XmlElement;

// A document shaped like a saved diagram, written by the library's own writer.
std::string generateDocument(std::size_t targetBytes) {
    XmlElement diagram("Diagram");
    diagram.attributes()["Version"] = "16";
    auto nodes = std::make_shared<XmlElement>("Nodes");
    diagram.addChild(nodes);
    std::size_t approximate = 0;
    for (int i = 0; approximate < targetBytes; ++i) {
        auto node = nodes->addChild(
            "Node", "", {{"Class", "std:ShapeNode"}, {"Version", "1"}, {"Id", std::to_string(i)}});
        node->addChild("Bounds", std::to_string(i % 900) + ".5, " + std::to_string(i % 700) +
                                     ".25, 40.0, 30.0");
        node->addChild("Text", "Node number " + std::to_string(i) + " & friends");
        node->addChild("ZIndex", std::to_string(i));
        node->addChild("Locked", "false");
        auto brush = node->addChild("Brush", "", {{"Type", "Solid"}});
        brush->addChild("Color", "#FF1E90FF");
        node->addChild("Shape", "Rectangle");
        approximate += 420;
    }
    return diagram.getXmlAsString(0);
}

// The generated file lives for the run of the program.
struct TemporaryDocument {
    TemporaryDocument()
        : path(fs::temp_directory_path() /
               ("nodeloom-bench-" + std::to_string(::getpid()) + ".xml")) {
        std::ofstream(path, std::ios::binary) << generateDocument(20u << 20);
    }
    ~TemporaryDocument() {
        std::error_code error;
        fs::remove(path, error);
    }
    fs::path path;
};

const fs::path& documentPath() {
    static const TemporaryDocument document;
    return document.path;
}

// The library links expat privately, so this program is not linked against it directly; the
// functions are taken from the copy that the library brought into the process.
struct Expat {
    template <typename F>
    static F* resolve(const char* name) {
        return reinterpret_cast<F*>(::dlsym(RTLD_DEFAULT, name));
    }
    decltype(&XML_ParserCreate) create = resolve<decltype(XML_ParserCreate)>("XML_ParserCreate");
    decltype(&XML_ParserFree) free = resolve<decltype(XML_ParserFree)>("XML_ParserFree");
    decltype(&XML_SetElementHandler) setElementHandler =
        resolve<decltype(XML_SetElementHandler)>("XML_SetElementHandler");
    decltype(&XML_SetCharacterDataHandler) setCharacterDataHandler =
        resolve<decltype(XML_SetCharacterDataHandler)>("XML_SetCharacterDataHandler");
    decltype(&XML_GetBuffer) getBuffer = resolve<decltype(XML_GetBuffer)>("XML_GetBuffer");
    decltype(&XML_ParseBuffer) parseBuffer = resolve<decltype(XML_ParseBuffer)>("XML_ParseBuffer");
};

void XMLCALL ignoreStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL ignoreEnd(void*, const XML_Char*) {}
void XMLCALL ignoreText(void*, const XML_Char*, int) {}

// Reads the file in the same chunks as the builder and lets expat report every event to
// handlers that do nothing; true when the document was well-formed.
bool bareParse(const Expat& expat, const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    XML_Parser parser = expat.create(nullptr);
    expat.setElementHandler(parser, ignoreStart, ignoreEnd);
    expat.setCharacterDataHandler(parser, ignoreText);
    constexpr int chunkSize = 256 * 1024;
    bool ok = false;
    for (;;) {
        void* buffer = expat.getBuffer(parser, chunkSize);
        const ssize_t count = ::read(fd, buffer, chunkSize);
        if (count < 0) break;
        const bool last = count == 0;
        if (expat.parseBuffer(parser, static_cast<int>(count), last) != XML_STATUS_OK) break;
        if (last) {
            ok = true;
            break;
        }
    }
    expat.free(parser);
    ::close(fd);
    return ok;
}

void BM_BareExpat(benchmark::State& state) {
    const fs::path& path = documentPath();
    const Expat expat;
    if (!expat.create || !expat.parseBuffer) {
        state.SkipWithError("expat functions not found");
        return;
    }
    for (auto _ : state) {
        if (!bareParse(expat, path)) state.SkipWithError("bare parse failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(fs::file_size(path)));
}

// The tree is released inside the timed loop: freeing it belongs to the cost of a parse.
void BM_XmlDomBuilder(benchmark::State& state) {
    const fs::path& path = documentPath();
    std::size_t nodes = 0;
    for (auto _ : state) {
        XmlDomBuilder builder;
        builder.parseFile(path);
        const auto& root = builder.root();
        if (!root || root->children().empty()) {
            state.SkipWithError("document not read");
            break;
        }
        nodes = root->children().front()->children().size();
    }
    state.counters["nodes"] = static_cast<double>(nodes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(fs::file_size(path)));
}

}  // namespace

BENCHMARK(BM_BareExpat)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_XmlDomBuilder)->Unit(benchmark::kMillisecond)->MinTime(2.0);
