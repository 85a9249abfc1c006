#pragma once

// A document saved once to a file of its own for the run of a benchmark program, removed at the
// end with the copy a save benchmark writes beside it.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "Nodeloom/document/Diagram.h"

namespace nodeloom::bench {

struct SavedDocument {
    SavedDocument(Diagram& diagram, const std::string& name)
        : path(std::filesystem::temp_directory_path() /
               ("nodeloom-bench-" + name + "-" + std::to_string(::getpid()) + ".xml")) {
        ok = diagram.saveToXml(path);
    }
    ~SavedDocument() {
        std::error_code error;
        std::filesystem::remove(path, error);
        std::filesystem::remove(outPath(), error);
    }
    SavedDocument(const SavedDocument&) = delete;
    SavedDocument& operator=(const SavedDocument&) = delete;

    // Where a save benchmark writes the document again.
    std::filesystem::path outPath() const { return path.string() + ".out"; }

    std::filesystem::path path;
    bool ok = false;
};

}  // namespace nodeloom::bench
