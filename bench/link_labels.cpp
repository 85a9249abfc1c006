// Finding the label under a point among 1,000 links with two labels each, the way a document hit
// test asks every link: once with labels already measured, and once with every label laid out
// afresh (as after each of them changed its text). Then the same labels in a document, each
// changing its text, arranged and drawn: the cost of a change, and the text layouts it takes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DrawDocument.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"
#include "Nodeloom/platform/TextEngine.h"

namespace {

using namespace nodeloom;

constexpr int kLinks = 1000;

std::vector<std::shared_ptr<DiagramLink>> makeLinks() {
    std::vector<std::shared_ptr<DiagramLink>> links;
    for (int i = 0; i < kLinks; ++i) {
        auto link = std::make_shared<DiagramLink>();
        const double y = i * 10.0;
        link->setControlPoints({Point(0, y), Point(60, y), Point(60, y + 8)});
        auto first = std::make_shared<LinkLabel>(link, "Label " + std::to_string(i));
        auto second = std::make_shared<LinkLabel>(link, "second\nlabel");
        second->setControlPointPosition(-1, 0, 0);
        link->setLabels({first, second});
        links.push_back(link);
    }
    return links;
}

int hitAll(const std::vector<std::shared_ptr<DiagramLink>>& links, Point p) {
    int hits = 0;
    for (const auto& link : links) {
        if (link->labelFromPoint(p)) ++hits;
    }
    return hits;
}

void BM_LabelHitMeasured(benchmark::State& state) {
    const auto links = makeLinks();
    hitAll(links, Point(-100, -100));
    for (auto _ : state) {
        benchmark::DoNotOptimize(hitAll(links, Point(-100, -100)));
    }
}
BENCHMARK(BM_LabelHitMeasured)->Unit(benchmark::kMicrosecond);

void BM_LabelHitRemeasured(benchmark::State& state) {
    const auto links = makeLinks();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        for (const auto& link : links) {
            for (const auto& label : link->labels())
                label->setText("Label " + std::to_string(round));
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(hitAll(links, Point(-100, -100)));
    }
}
BENCHMARK(BM_LabelHitRemeasured)->Unit(benchmark::kMicrosecond);

void BM_LabelChangeArrangedAndDrawn(benchmark::State& state) {
    auto d = std::make_shared<Diagram>();
    d->setBounds(Rect(0, 0, 100, kLinks * 10.0));
    const auto links = makeLinks();
    for (const auto& link : links) {
        d->addItem(link);
        for (const auto& label : link->labels()) label->setAutoArrange(state.range(0) != 0);
    }
    bench::drawDocument(*d);
    auto& engine = platform::TextEngine::shared();
    std::uint64_t layouts = 0;
    std::uint64_t changes = 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        for (const auto& link : links) {
            for (const auto& label : link->labels()) {
                label->setText("Changed " + std::to_string(round));
                ++changes;
            }
        }
        const std::uint64_t before = engine.layoutCount();
        state.ResumeTiming();
        bench::drawDocument(*d);
        layouts += engine.layoutCount() - before;
    }
    state.counters["layouts per label change"] =
        static_cast<double>(layouts) / static_cast<double>(changes);
}
// Labels placed at their offsets (0) and arranged beside their links (1).
BENCHMARK(BM_LabelChangeArrangedAndDrawn)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
