// Saves and loads a document of 10,000 shape nodes, and for comparison lets a bare expat pass,
// whose handlers do nothing, read the same file. Loading the document should stay within five
// times the bare pass.
#include <benchmark/benchmark.h>

#include "bench/BareExpat.h"
#include "bench/SavedDocument.h"

#include <filesystem>
#include <memory>
#include <string>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
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

}  // namespace

BENCHMARK(BM_BareExpat)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SaveDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);
