// Reports the peak resident memory of one process that builds the 10,000-node, 10,000-link
// document and saves it (argument "build"), or loads that file (argument "load <file>"), and
// what a save adds to the built document at 10,000 and 100,000 nodes (argument
// "save <nodes> <file>"). Run without arguments, it does all in child processes of its own and
// prints the figures.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "Nodeloom/document/Diagram.h"
#include "bench/LargeDocument.h"

namespace {

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A figure of /proc/self/status in kilobytes ("VmRSS", "VmHWM"), or -1.
long statusKilobytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, field.size() + 1, field + ":") == 0)
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    }
    return -1;
}

// Starts the peak over from what the process holds now.
bool resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace nodeloom;
    if (argc >= 3 && std::strcmp(argv[1], "build") == 0) {
        auto d = bench::gridDocument(10000, 10000);
        const long peak = peakKilobytes();
        if (!d->saveToXml(argv[2])) return 1;
        std::printf("built through the factory: peak %.1f MB (%zu nodes, %zu links)\n",
                    static_cast<double>(peak) / 1024, d->nodes().size(), d->links().size());
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "load") == 0) {
        auto d = std::make_shared<Diagram>();
        if (!d->loadFromXml(std::filesystem::path(argv[2]))) return 1;
        std::printf("loaded from %ld kB of XML: peak %.1f MB (%zu nodes, %zu links)\n",
                    static_cast<long>(std::filesystem::file_size(argv[2]) / 1024),
                    static_cast<double>(peakKilobytes()) / 1024, d->nodes().size(),
                    d->links().size());
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "save") == 0) {
        const int nodes = std::atoi(argv[2]);
        auto d = bench::gridDocument(nodes, nodes);
        const long before = statusKilobytes("VmRSS");
        if (!resetPeak() || before < 0) return 1;
        if (!d->saveToXml(argv[3])) return 1;
        const long peak = statusKilobytes("VmHWM");
        std::printf("save peak: %.1f MB over the document, file %.1f MB (%d nodes)\n",
                    static_cast<double>(peak - before) / 1024,
                    static_cast<double>(std::filesystem::file_size(argv[3])) / (1024 * 1024),
                    nodes);
        return 0;
    }
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("nodeloom-load-memory-" + std::to_string(::getpid()) + ".xml"))
                                 .string();
    const std::string self = argv[0];
    int failed = run("'" + self + "' build '" + file + "'");
    if (failed == 0) failed = run("'" + self + "' load '" + file + "'");
    for (const char* nodes : {"10000", "100000"}) {
        if (failed == 0) failed = run("'" + self + "' save " + nodes + " '" + file + "'");
    }
    std::filesystem::remove(file);
    return failed;
}
