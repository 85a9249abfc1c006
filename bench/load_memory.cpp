// Reports the peak resident memory of one process that builds the 10,000-node, 10,000-link
// document and saves it (argument "build"), or loads that file (argument "load <file>"). Run
// without arguments, it does both in child processes of its own and prints the two figures.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "Nodeloom/document/Diagram.h"
#include "bench/LargeDocument.h"

namespace {

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
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
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("nodeloom-load-memory-" + std::to_string(::getpid()) + ".xml"))
                                 .string();
    const std::string self = argv[0];
    int failed = run("'" + self + "' build '" + file + "'");
    if (failed == 0) failed = run("'" + self + "' load '" + file + "'");
    std::filesystem::remove(file);
    return failed;
}
