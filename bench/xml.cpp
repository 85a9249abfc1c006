// Parses a generated document of about 20 MB with XmlDomBuilder and, for comparison, with a bare
// expat pass whose handlers do nothing. The builder should stay within three times the bare pass.
#include <benchmark/benchmark.h>

#include <expat.h>
#include <fcntl.h>
#include <unistd.h>
#include "bench/BareExpat.h"

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

void BM_BareExpat(benchmark::State& state) {
    const fs::path& path = documentPath();
    for (auto _ : state) {
        if (!nodeloom::bench::bareParse(path)) state.SkipWithError("bare parse failed");
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
        const bool whole = builder.parseFile(path);
        const auto& root = builder.root();
        if (!whole || !root || root->children().empty()) {
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
