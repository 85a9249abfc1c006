// Loads arbitrary bytes as a document file. A load that reports failure must leave the document
// exactly as it was; one that succeeds must give a document whose saved text, once normalised,
// reads back into the same text, so that a bad file can neither corrupt a document nor drift on
// every save.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/platform/TextEngine.h"

namespace {

namespace fs = std::filesystem;

fs::path scratchPath(const char* role) {
    return fs::temp_directory_path() /
           ("nodeloom-fuzz-" + std::to_string(::getpid()) + "-" + role + ".xml");
}

void writeFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

[[noreturn]] void fail(const char* what, const std::string& expected, const std::string& got) {
    std::fprintf(stderr, "%s\n--- expected\n%s\n--- got\n%s\n", what, expected.c_str(),
                 got.c_str());
    std::abort();
}

}  // namespace

// The documents kept between inputs go at exit, and the fonts after them, before the leak check.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::atexit([] { nodeloom::platform::TextEngine::releaseFonts(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path input = scratchPath("input");
    static const fs::path saved = scratchPath("saved");
    writeFile(input, std::string_view(reinterpret_cast<const char*>(data), size));

    // A new document reads the whole shape library, which would cost far more than the load
    // under test; one document is reset instead by loading what a new one saves, which sets
    // everything a load can change.
    static const auto diagram = std::make_shared<nodeloom::Diagram>();
    static const fs::path fresh = scratchPath("fresh");
    static const std::string before = [&] {
        std::string text = diagram->saveToXmlString();
        writeFile(fresh, text);
        return text;
    }();
    if (!diagram->loadFromXml(fresh) || diagram->saveToXmlString() != before) {
        fail("a new document did not come back", before, diagram->saveToXmlString());
    }
    if (!diagram->loadFromXml(input)) {
        const std::string after = diagram->saveToXmlString();
        if (after != before) fail("a failed load changed the document", before, after);
        return 0;
    }

    // The first save may still normalise what the file held (an unknown shape, a trimmed text);
    // from then on a document must come back as it went out.
    std::string previous = diagram->saveToXmlString();
    for (int round = 0; round < 2; ++round) {
        writeFile(saved, previous);
        static const auto reloaded = std::make_shared<nodeloom::Diagram>();
        if (!reloaded->loadFromXml(saved)) fail("a saved document did not load", previous, "");
        std::string next = reloaded->saveToXmlString();
        if (round > 0 && next != previous) {
            fail("a saved document changed on the way back", previous, next);
        }
        previous = std::move(next);
    }
    return 0;
}
