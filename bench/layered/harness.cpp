// Lays the same seeded graphs out with Graphviz dot and with the layered layout, measures both
// drawings with one measuring code and writes a Markdown and a CSV report. Run by hand through
// run.sh (which installs dot); never by the tests.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "DotJson.h"
#include "Generators.h"
#include "Measure.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/layout/LayeredLayout.h"
#include "Nodeloom/links/DiagramLink.h"

namespace fs = std::filesystem;
using namespace layered_bench;

namespace {

constexpr double kNodeDistance = 20;
constexpr double kLayerDistance = 25;

struct Options {
    fs::path out = "bench/layered";
    std::vector<int> sizes{300, 1000, 3000};
    std::vector<std::string> kinds{"dag", "tree", "sparse"};
    std::vector<int> rounds{1};
    int runs = 5;
    // dot stops repeating a graph once its runs have taken this long (at least one run is made).
    double dotBudgetSeconds = 120;
    std::string dot = "dot";
    // Where dot's output and times are kept by the hash of its input, so that a later run with the
    // same graphs and the same dot reuses them instead of waiting for dot again.
    fs::path dotCache;
};

std::vector<std::string> split(const std::string& s) {
    std::vector<std::string> parts;
    std::stringstream in(s);
    std::string part;
    while (std::getline(in, part, ','))
        if (!part.empty()) parts.push_back(part);
    return parts;
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--out") {
            o.out = value;
        } else if (name == "--sizes") {
            o.sizes.clear();
            for (const auto& p : split(value))
                o.sizes.push_back(std::atoi(p.c_str()));
        } else if (name == "--kinds") {
            o.kinds = split(value);
        } else if (name == "--rounds") {
            o.rounds.clear();
            for (const auto& p : split(value))
                o.rounds.push_back(std::atoi(p.c_str()));
        } else if (name == "--runs") {
            o.runs = std::max(1, std::atoi(value.c_str()));
        } else if (name == "--dot-budget") {
            o.dotBudgetSeconds = std::atof(value.c_str());
        } else if (name == "--dot-cache") {
            o.dotCache = value;
        } else if (name == "--dot") {
            o.dot = value;
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

GraphSpec generate(const std::string& kind, int n) {
    if (kind == "tree") return tree(n, 2);
    if (kind == "sparse") return sparse(n, 3);
    return dag(n, 1);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::string inches(double points) {
    std::ostringstream s;
    s << std::setprecision(6) << points / 72;
    return s.str();
}

void writeDot(const GraphSpec& g, const fs::path& file) {
    std::ofstream out(file);
    out << "digraph G {\n  graph [nodesep=" << inches(kNodeDistance) << ", ranksep="
        << inches(kLayerDistance) << ", splines=polyline];\n"
        << "  node [shape=box, fixedsize=true, label=\"\"];\n";
    for (std::size_t i = 0; i < g.sizes.size(); ++i)
        out << "  n" << i << " [width=" << inches(g.sizes[i].first)
            << ", height=" << inches(g.sizes[i].second) << "];\n";
    for (const auto& [a, b] : g.edges)
        out << "  n" << a << " -> n" << b << ";\n";
    out << "}\n";
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The layout with the crossings between adjacent layers summed before and after each step of
// crossing reduction, over all components of a run.
class StagedLayout : public nodeloom::LayeredLayout {
public:
    std::int64_t afterSplit = 0, afterBarycenters = 0, afterSifting = 0;

protected:
    void reduceCrossings() override {
        afterSplit += total();
        LayeredLayout::reduceCrossings();
        afterBarycenters += total();
    }
    void siftLayers() override {
        LayeredLayout::siftLayers();
        afterSifting += total();
    }

private:
    std::int64_t total() {
        std::int64_t sum = 0;
        for (int l = 0; l + 1 < static_cast<int>(layers().size()); ++l)
            sum += countCrossings(l, l + 1);
        return sum;
    }
};

std::shared_ptr<nodeloom::Diagram> makeDiagram(const GraphSpec& g,
                                               std::vector<std::shared_ptr<nodeloom::ShapeNode>>& nodes) {
    auto diagram = std::make_shared<nodeloom::Diagram>();
    for (const auto& [w, h] : g.sizes)
        nodes.push_back(diagram->factory()->createShapeNode(0, 0, w, h));
    for (const auto& [a, b] : g.edges) {
        auto link = diagram->factory()->createDiagramLink(nodes[static_cast<std::size_t>(a)],
                                                          nodes[static_cast<std::size_t>(b)]);
        link->setShape(nodeloom::LinkShape::polyline);
    }
    return diagram;
}

Drawing readDiagram(const GraphSpec& g, const nodeloom::Diagram& diagram,
                    const std::vector<std::shared_ptr<nodeloom::ShapeNode>>& nodes) {
    Drawing d;
    for (const auto& n : nodes) {
        const nodeloom::Rect r = n->bounds();
        d.nodes.push_back({r.x, r.y, r.width, r.height});
    }
    const auto& links = diagram.links();
    for (std::size_t i = 0; i < links.size() && i < g.edges.size(); ++i) {
        std::vector<Pt> line;
        for (const auto& p : links[i]->controlPoints())
            line.push_back({p.x, p.y});
        d.edges.push_back(std::move(line));
        d.ends.push_back(g.edges[i]);
    }
    return d;
}

struct Row {
    std::string graph;
    int nodes = 0, edges = 0;
    std::string drawing;
    int rounds = -2;  // none for dot
    Metrics metrics;
    double milliseconds = 0;
    int runs = 0;
    std::int64_t afterSplit = -1, afterBarycenters = -1, afterSifting = -1;
};

std::string fixed(double v, int digits = 0) {
    std::ostringstream s;
    s << std::fixed << std::setprecision(digits) << v;
    return s.str();
}

void writeReports(const Options& o, const std::vector<Row>& rows, const std::string& dotVersion) {
    std::ofstream csv(o.out / "report.csv");
    csv << "graph,nodes,edges,drawing,sifting_rounds,crossings,overlaps,edge_length,width,height,"
           "layers,layer_span,milliseconds,runs,crossings_after_split,crossings_after_barycenters,"
           "crossings_after_sifting\n";
    for (const Row& r : rows)
        csv << r.graph << ',' << r.nodes << ',' << r.edges << ',' << r.drawing << ','
            << (r.rounds == -2 ? std::string() : std::to_string(r.rounds)) << ',' << r.metrics.crossings
            << ',' << r.metrics.overlaps << ',' << fixed(r.metrics.edgeLength) << ','
            << fixed(r.metrics.width) << ',' << fixed(r.metrics.height) << ',' << r.metrics.layers << ','
            << r.metrics.layerSpan << ',' << fixed(r.milliseconds, 2) << ',' << r.runs << ','
            << (r.afterSplit < 0 ? std::string() : std::to_string(r.afterSplit)) << ','
            << (r.afterBarycenters < 0 ? std::string() : std::to_string(r.afterBarycenters)) << ','
            << (r.afterSifting < 0 ? std::string() : std::to_string(r.afterSifting)) << '\n';

    std::ofstream md(o.out / "report.md");
    const std::time_t now = std::time(nullptr);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d", std::gmtime(&now));
    md << "# The layered layout beside Graphviz dot\n\n"
       << "Made by `bench/layered/run.sh` on " << date << " with " << dotVersion << ". "
       << "The same seeded graphs (`bench/layered/Generators.h`) are laid out by `dot -Tjson` and by "
       << "`Diagram::arrange` with a `LayeredLayout`, and both drawings are measured by the same "
       << "code (`bench/layered/Measure.cpp`). Sizes are in points: boxes 30 to 90 wide and 20 to 40 "
       << "high, `nodeDistance` " << kNodeDistance << " (nodesep " << inches(kNodeDistance)
       << " in), `layerDistance` " << kLayerDistance << " (ranksep " << inches(kLayerDistance)
       << " in), `splines=polyline`.\n\n"
       << "- crossings: points where the drawn lines of two edges cross (dot's splines flattened, "
          "arrowheads included; touching inside a shared node does not count);\n"
       << "- overlaps: pairs of node boxes that share area;\n"
       << "- layers and layer span: distinct node centres along the layer axis, and the sum over "
          "edges of the layers each one spans (one more than its virtual vertices);\n"
       << "- time: median of " << o.runs << " runs (fewer for dot where its runs passed "
       << o.dotBudgetSeconds << " s, as marked); dot's is the wall time of the whole `dot` "
          "process (reading, layout, writing JSON), the layout's that of `Diagram::arrange` "
          "(graph building, components, layout and write-back)"
       << (o.dotCache.empty() ? "" : "; dot's output and times are kept and reused for the same "
                                     "input and version of dot")
       << ".\n\n"
       << "| graph | nodes | edges | drawing | crossings | overlaps | edge length | width x height "
          "| layers | layer span | time (ms) | dot / layout |\n"
       << "|---|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const Row& r : rows) {
        double dotTime = 0;
        for (const Row& d : rows)
            if (d.graph == r.graph && d.nodes == r.nodes && d.drawing == "dot") dotTime = d.milliseconds;
        const std::string name =
            r.drawing == "dot" ? "dot" : "layered (siftingRounds " + std::to_string(r.rounds) + ")";
        md << "| " << r.graph << " | " << r.nodes << " | " << r.edges << " | " << name << " | "
           << r.metrics.crossings << " | " << r.metrics.overlaps << " | " << fixed(r.metrics.edgeLength)
           << " | " << fixed(r.metrics.width) << " x " << fixed(r.metrics.height) << " | "
           << r.metrics.layers << " | " << r.metrics.layerSpan << " | " << fixed(r.milliseconds, 1)
           << (r.runs < o.runs ? " (" + std::to_string(r.runs) + " run" + (r.runs > 1 ? "s" : "") + ")" : "")
           << " | " << (r.drawing == "dot" ? std::string() : fixed(dotTime / r.milliseconds, 1) + "x")
           << " |\n";
    }
    md << "\n## Crossings between adjacent layers, step by step\n\n"
       << "The layout's own count (pairs of crossing edges between adjacent layers, virtual "
          "vertices included), summed over the components: after the long edges are split, after "
          "the barycenter sweeps and after sifting.\n\n"
       << "| graph | nodes | siftingRounds | after split | after barycenter sweeps | after sifting | "
          "drawn | dot drawn |\n|---|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const Row& r : rows) {
        if (r.drawing == "dot") continue;
        std::int64_t dotCrossings = 0;
        for (const Row& d : rows)
            if (d.graph == r.graph && d.nodes == r.nodes && d.drawing == "dot") dotCrossings = d.metrics.crossings;
        md << "| " << r.graph << " | " << r.nodes << " | " << r.rounds << " | " << r.afterSplit << " | "
           << r.afterBarycenters << " | " << r.afterSifting << " | " << r.metrics.crossings << " | "
           << dotCrossings << " |\n";
    }
    // Remarks written by hand on the last report are kept beside it and carried over.
    const fs::path notes = o.out / "notes.md";
    if (fs::exists(notes)) md << "\n" << readFile(notes);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::cerr << "usage: layered_harness [--out DIR] [--sizes 300,1000,3000] "
                     "[--kinds dag,tree,sparse] [--rounds 1,3] [--runs 5] [--dot-budget 120] "
                     "[--dot-cache DIR] [--dot PATH]\n";
        return 2;
    }
    fs::create_directories(o.out);
    const fs::path work = fs::temp_directory_path() / ("layered-harness-" + std::to_string(::getpid()));
    fs::create_directories(work);

    std::string dotVersion = "dot";
    {
        const fs::path versionFile = work / "version.txt";
        if (std::system((o.dot + " -V 2> " + versionFile.string()).c_str()) != 0) {
            std::cerr << "dot is not installed (run bench/layered/run.sh)\n";
            return 1;
        }
        dotVersion = readFile(versionFile);
        while (!dotVersion.empty() && std::isspace(static_cast<unsigned char>(dotVersion.back())))
            dotVersion.pop_back();
    }

    std::vector<Row> rows;
    for (const std::string& kind : o.kinds)
        for (int n : o.sizes) {
            const GraphSpec g = generate(kind, n);
            const int edgeCount = static_cast<int>(g.edges.size());
            const fs::path dotFile = work / (kind + "-" + std::to_string(n) + ".dot");
            const fs::path jsonFile = work / (kind + "-" + std::to_string(n) + ".json");
            writeDot(g, dotFile);

            Row dotRow{kind, n, edgeCount, "dot", -2, {}, 0};
            std::vector<double> times;
            const std::string command =
                o.dot + " -Tjson -o " + jsonFile.string() + " " + dotFile.string();
            const std::string key = std::to_string(std::hash<std::string>()(readFile(dotFile) + dotVersion));
            const fs::path cachedJson = o.dotCache / (key + ".json"), cachedTimes = o.dotCache / (key + ".times");
            if (!o.dotCache.empty() && fs::exists(cachedJson) && fs::exists(cachedTimes)) {
                fs::copy_file(cachedJson, jsonFile, fs::copy_options::overwrite_existing);
                std::ifstream in(cachedTimes);
                for (double t; in >> t;)
                    times.push_back(t);
            }
            double spent = 0;
            for (int r = 0; times.empty() || (r < o.runs && spent < o.dotBudgetSeconds * 1000 &&
                                              static_cast<int>(times.size()) < o.runs);
                 ++r) {
                const auto start = std::chrono::steady_clock::now();
                if (std::system(command.c_str()) != 0) {
                    std::cerr << "dot failed on " << dotFile << "\n";
                    return 1;
                }
                times.push_back(millisecondsSince(start));
                spent += times.back();
            }
            if (!o.dotCache.empty()) {
                fs::create_directories(o.dotCache);
                fs::copy_file(jsonFile, cachedJson, fs::copy_options::overwrite_existing);
                std::ofstream out(cachedTimes);
                for (double t : times)
                    out << t << "\n";
            }
            dotRow.milliseconds = median(times);
            dotRow.runs = static_cast<int>(times.size());
            const auto dotDrawing = readDotJson(readFile(jsonFile), g.sizes.size());
            if (!dotDrawing) {
                std::cerr << "unreadable dot output " << jsonFile << "\n";
                return 1;
            }
            dotRow.metrics = measure(*dotDrawing);
            rows.push_back(dotRow);
            std::cerr << kind << " " << n << ": dot " << fixed(dotRow.milliseconds) << " ms, "
                      << dotRow.metrics.crossings << " crossings\n";

            for (int rounds : o.rounds) {
                std::vector<std::shared_ptr<nodeloom::ShapeNode>> nodes;
                const auto diagram = makeDiagram(g, nodes);
                const auto layout = std::make_shared<nodeloom::LayeredLayout>();
                layout->setSiftingRounds(rounds);
                std::vector<double> times;
                for (int r = 0; r < o.runs; ++r) {
                    const auto start = std::chrono::steady_clock::now();
                    diagram->arrange(layout);
                    times.push_back(millisecondsSince(start));
                }
                Row row{kind, n, edgeCount, "layered", rounds, measure(readDiagram(g, *diagram, nodes)),
                        median(times), o.runs};
                // The steps of crossing reduction, from one more run of a counting layout.
                const auto staged = std::make_shared<StagedLayout>();
                staged->setSiftingRounds(rounds);
                diagram->arrange(staged);
                row.afterSplit = staged->afterSplit;
                row.afterBarycenters = staged->afterBarycenters;
                row.afterSifting = staged->afterSifting;
                rows.push_back(row);
                std::cerr << kind << " " << n << ": layered (" << rounds << ") "
                          << fixed(row.milliseconds, 1) << " ms, " << row.metrics.crossings
                          << " crossings, " << row.metrics.overlaps << " overlaps\n";
            }
        }
    writeReports(o, rows, dotVersion);
    fs::remove_all(work);
    return 0;
}
