// The figures the library is held to on large documents, each with its yardstick in the same run:
// - loading a document of 10,000 nodes and 10,000 links against a bare expat pass over the same
//   file (at most twice), into a document holding an earlier load or into an empty one, and
//   saving it (at most the load);
// - drawing the whole 10,000-node document onto a bitmap that shows all of it: the first draw, a
//   second draw of the unchanged document (with the number of texts laid out: none) against a
//   bare Cairo and Pango program drawing the same picture (at most 1.25 times), and the second
//   draw onto a bitmap that shows a corner only, where Cairo culls nearly everything;
// - point hit tests (item, node, link, nearest node) on grids of 10,000 and 100,000 linked nodes
//   (at most three times for the larger);
// - routing 1,000 and 10,000 links (at most twelve times for the larger).
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/Router.h"
#include "Nodeloom/platform/TextEngine.h"
#include "bench/BareExpat.h"
#include "bench/LargeDocument.h"
#include "bench/BareDrawing.h"
#include "bench/DrawDocument.h"
#include "bench/SavedDocument.h"

namespace {

namespace fs = std::filesystem;
using namespace nodeloom;

// --- Loading and saving -------------------------------------------------------------------------

const bench::SavedDocument& saved() {
    static const bench::SavedDocument document(*bench::gridDocument(10000, 10000), "large");
    return document;
}

void BM_BareExpat(benchmark::State& state) {
    for (auto _ : state) {
        if (!saved().ok || !bench::bareParse(saved().path)) state.SkipWithError("parse failed");
    }
    bench::setBytes(state, saved().path);
}
BENCHMARK(BM_BareExpat)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_Load(benchmark::State& state) {
    auto d = std::make_shared<Diagram>();
    for (auto _ : state) {
        if (!saved().ok || !d->loadFromXml(saved().path)) {
            state.SkipWithError("not loaded");
            break;
        }
    }
    state.counters["nodes"] = static_cast<double>(d->nodes().size());
    state.counters["links"] = static_cast<double>(d->links().size());
    bench::setBytes(state, saved().path);
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same load into an empty document, without taking down what an earlier load made.
void BM_LoadIntoEmpty(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto d = std::make_shared<Diagram>();
        state.ResumeTiming();
        if (!saved().ok || !d->loadFromXml(saved().path)) {
            state.SkipWithError("not loaded");
            break;
        }
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
    bench::setBytes(state, saved().path);
}
BENCHMARK(BM_LoadIntoEmpty)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_Save(benchmark::State& state) {
    auto d = std::make_shared<Diagram>();
    if (!saved().ok || !d->loadFromXml(saved().path)) state.SkipWithError("not loaded");
    const fs::path out = saved().outPath();
    for (auto _ : state) {
        if (!d->saveToXml(out)) {
            state.SkipWithError("not saved");
            break;
        }
    }
    bench::setBytes(state, out);
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// --- Drawing ------------------------------------------------------------------------------------

// Onto a bitmap that shows the whole document, so that every item is rasterised; the bare
// program draws the same picture with Cairo and Pango alone onto the same kind of bitmap.

void BM_FirstDraw(benchmark::State& state) {
    auto& engine = platform::TextEngine::shared();
    std::uint64_t layouts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto d = bench::gridDocument(static_cast<int>(state.range(0)), 10000);
        bench::DrawingSurface surface(*d);
        const std::uint64_t before = engine.layoutCount();
        state.ResumeTiming();
        surface.draw(*d);
        state.PauseTiming();
        layouts = engine.layoutCount() - before;
        d.reset();
        state.ResumeTiming();
    }
    state.counters["layouts"] = static_cast<double>(layouts);
}
BENCHMARK(BM_FirstDraw)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DrawAgain(benchmark::State& state) {
    auto& engine = platform::TextEngine::shared();
    auto d = bench::gridDocument(static_cast<int>(state.range(0)), 10000);
    bench::DrawingSurface surface(*d);
    surface.draw(*d);
    const std::uint64_t before = engine.layoutCount();
    for (auto _ : state)
        surface.draw(*d);
    state.counters["layouts per draw"] = static_cast<double>(engine.layoutCount() - before) /
                                         static_cast<double>(state.iterations());
}
BENCHMARK(BM_DrawAgain)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same rectangles, lines, arrowheads and texts by Cairo and Pango alone, every text laid out
// once before the first draw.
void BM_DrawBare(benchmark::State& state) {
    auto d = bench::gridDocument(static_cast<int>(state.range(0)), 10000);
    bench::DrawingSurface surface(*d);
    bench::BareDrawing bare(*d);
    bare.draw(surface);
    for (auto _ : state)
        bare.draw(surface);
}
BENCHMARK(BM_DrawBare)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A second draw of the whole document onto a bitmap that shows its top left corner only (some
// nine nodes): Cairo culls nearly everything, so this is the library's own work for each item.
void BM_DrawAgainCulled(benchmark::State& state) {
    auto d = bench::gridDocument(static_cast<int>(state.range(0)), 10000);
    bench::DrawingSurface surface(256, 256);
    surface.draw(*d);
    for (auto _ : state)
        surface.draw(*d);
}
BENCHMARK(BM_DrawAgainCulled)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// --- Hit tests ----------------------------------------------------------------------------------

// Random points over the whole grid, most between the nodes; the same points for each query.
class HitTest {
public:
    explicit HitTest(int nodes)
        : d_(bench::gridDocument(nodes, 2 * nodes)),
          x_(d_->bounds().x, d_->bounds().right()),
          y_(d_->bounds().y, d_->bounds().bottom()) {
        // The first query builds the hit index.
        (void)d_->getItemAt(Point(0, 0), false, 0.0);
    }
    Diagram& diagram() { return *d_; }
    Point next() { return Point(x_(random_), y_(random_)); }

private:
    std::shared_ptr<Diagram> d_;
    std::mt19937 random_{5};
    std::uniform_real_distribution<double> x_, y_;
};

template <typename Query>
void hitBenchmark(benchmark::State& state, Query query) {
    HitTest test(static_cast<int>(state.range(0)));
    int hits = 0;
    for (auto _ : state)
        hits += query(test.diagram(), test.next());
    state.counters["hits"] = hits;
}

void BM_ItemAt(benchmark::State& state) {
    hitBenchmark(state,
                 [](Diagram& d, Point p) { return d.getItemAt(p, false, 0.0) != nullptr; });
}
BENCHMARK(BM_ItemAt)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_NodeAt(benchmark::State& state) {
    hitBenchmark(state, [](Diagram& d, Point p) { return d.getNodeAt(p, false) != nullptr; });
}
BENCHMARK(BM_NodeAt)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_LinkAt(benchmark::State& state) {
    hitBenchmark(state, [](Diagram& d, Point p) { return d.getLinkAt(p) != nullptr; });
}
BENCHMARK(BM_LinkAt)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_NearestNode(benchmark::State& state) {
    hitBenchmark(state, [](Diagram& d, Point p) {
        return d.getNearestNode(p, 10.0, nullptr, true) != nullptr;
    });
}
BENCHMARK(BM_NearestNode)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// --- Routing
// --------------------------------------------------------------------------------------

// The fewest nodes whose grid has the given number of links, so that each case routes as many
// links as it is named for: half as many nodes falls short by the nodes of the last column and
// row, a larger share of the smaller grid.
int nodesForLinks(int links) {
    for (int n = links / 2 + 1;; ++n) {
        const int columns = static_cast<int>(std::ceil(std::sqrt(n)));
        const int right = (n - 1) - (n - 1) / columns;
        const int lower = std::max(0, n - columns);
        if (right + lower >= links) return n;
    }
}

void BM_Route(benchmark::State& state) {
    const int links = static_cast<int>(state.range(0));
    auto d = bench::gridDocument(nodesForLinks(links), links);
    // A list of the links' own, made once: handing the document's snapshot over would copy it
    // into a new list, taking a share of every link, in each iteration.
    const std::vector<std::shared_ptr<DiagramLink>> all = d->links();
    for (const auto& link : all)
        link->setAutoRoute(true);
    const auto router = d->linkRouter();
    for (auto _ : state) {
        router->routeLinkSet(all);
        benchmark::ClobberMemory();
    }
    state.counters["links"] = static_cast<double>(all.size());
}
BENCHMARK(BM_Route)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
