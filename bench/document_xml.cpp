// Saves and loads a document of 10,000 shape nodes, and for comparison lets a bare expat pass,
// whose handlers do nothing, read the same file. Loading the document should stay within five
// times the bare pass.
//
// The BM_Large cases do the same on the 10,000-node, 10,000-link document a fixed number of
// times, so that instruction counts compare them (valgrind --tool=callgrind
// --toggle-collect='*BM_Large*'): a save into a string should cost at most half a load, and
// the save into a file is measured apart, its write and flush to disk included. The whole-tree
// save, which the streaming save must match byte for byte, is measured beside them.
#include <benchmark/benchmark.h>

#include "bench/BareExpat.h"
#include "bench/LargeDocument.h"
#include "bench/SavedDocument.h"

#include <filesystem>
#include <memory>
#include <string>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/items/ShapeNode.h"

namespace {

namespace fs = std::filesystem;
using namespace nodeloom;

constexpr int nodeCount = 10000;

std::shared_ptr<Diagram> makeDocument() {
    auto diagram = std::make_shared<Diagram>();
    const auto blue =
        std::make_shared<SolidColorBrush>(std::make_shared<Color>(1.0, 0.1, 0.5, 0.9));
    for (int i = 0; i < nodeCount; ++i) {
        auto node = std::make_shared<ShapeNode>();
        node->setBounds(Rect((i % 100) * 60.0, (i / 100) * 40.0, 50.0, 30.0));
        node->setText("Node number " + std::to_string(i));
        if (i % 3 == 0) node->setBrush(blue);
        diagram->addItem(node);
    }
    return diagram;
}

const std::shared_ptr<Diagram>& document() {
    static const std::shared_ptr<Diagram> diagram = makeDocument();
    return diagram;
}

const bench::SavedDocument& savedDocument() {
    static const bench::SavedDocument saved(*document(), "document");
    return saved;
}

void BM_BareExpat(benchmark::State& state) {
    const bench::SavedDocument& saved = savedDocument();
    for (auto _ : state) {
        if (!saved.ok || !nodeloom::bench::bareParse(saved.path))
            state.SkipWithError("bare parse failed");
    }
    bench::setBytes(state, saved.path);
}

// One document is loaded again and again, as a host reloads the document it shows; the old
// content is released inside the timed loop, since that belongs to the cost of a load.
void BM_LoadDocument(benchmark::State& state) {
    const bench::SavedDocument& saved = savedDocument();
    auto diagram = std::make_shared<Diagram>();
    for (auto _ : state) {
        if (!saved.ok || !diagram->loadFromXml(saved.path)) {
            state.SkipWithError("document not loaded");
            break;
        }
    }
    state.counters["nodes"] = static_cast<double>(diagram->nodes().size());
    bench::setBytes(state, saved.path);
}

void BM_SaveDocument(benchmark::State& state) {
    const auto& diagram = document();
    const fs::path path = savedDocument().outPath();
    for (auto _ : state) {
        if (!diagram->saveToXml(path)) {
            state.SkipWithError("document not saved");
            break;
        }
    }
    bench::setBytes(state, path);
    std::error_code error;
    fs::remove(path, error);
}

const std::shared_ptr<Diagram>& largeDocument() {
    static const std::shared_ptr<Diagram> diagram = bench::gridDocument(10000, 10000);
    return diagram;
}

const bench::SavedDocument& largeSaved() {
    static const bench::SavedDocument saved(*largeDocument(), "large-document");
    return saved;
}

void BM_LargeBareExpat(benchmark::State& state) {
    for (auto _ : state) {
        if (!largeSaved().ok || !bench::bareParse(largeSaved().path))
            state.SkipWithError("bare parse failed");
    }
    bench::setBytes(state, largeSaved().path);
}

void BM_LargeLoad(benchmark::State& state) {
    auto diagram = std::make_shared<Diagram>();
    for (auto _ : state) {
        if (!largeSaved().ok || !diagram->loadFromXml(largeSaved().path)) {
            state.SkipWithError("document not loaded");
            break;
        }
    }
    bench::setBytes(state, largeSaved().path);
}

void BM_LargeSaveToString(benchmark::State& state) {
    const auto& diagram = largeDocument();
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string text = diagram->saveToXmlString();
        size = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// The save as it was before it streamed: the whole element tree, then its text.
void BM_LargeSaveWholeTree(benchmark::State& state) {
    const auto& diagram = largeDocument();
    std::size_t size = 0;
    for (auto _ : state) {
        auto builder = std::make_shared<XmlDomBuilder>();
        diagram->saveToXml(builder);
        const std::string text = builder->getXmlContent();
        size = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void BM_LargeSaveToFile(benchmark::State& state) {
    const auto& diagram = largeDocument();
    const fs::path path = largeSaved().outPath();
    for (auto _ : state) {
        if (!diagram->saveToXml(path)) {
            state.SkipWithError("document not saved");
            break;
        }
    }
    bench::setBytes(state, path);
}

}  // namespace

BENCHMARK(BM_LargeBareExpat)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LargeLoad)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LargeSaveToString)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LargeSaveWholeTree)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LargeSaveToFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BareExpat)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SaveDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);
