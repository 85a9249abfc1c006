// Loads arbitrary bytes as a document file. A load that reports failure must leave the document
// exactly as it was; one that succeeds must give a document whose saved text reads back into the
// same text, and whose saves to a string, to a file and to an element tree agree byte for byte,
// so that a bad file can neither corrupt a document nor drift on any save.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/platform/TextEngine.h"

namespace {

namespace fs = std::filesystem;

fs::path scratchPath(const char* role) {
    return fs::temp_directory_path() /
           ("nodeloom-fuzz-" + std::to_string(::getpid()) + "-" + role + ".xml");
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

    // What the input loses on its first load (an unknown shape, blanks at the ends of a text) is
    // lost by the first save; that save is the library's own text, with nothing left to
    // normalise, so every path of saving gives it and reading it back gives it again.
    const std::string first = diagram->saveToXmlString();
    if (!diagram->saveToXml(saved)) fail("a save to a file failed", first, "");
    if (const std::string inFile = readFile(saved); inFile != first) {
        fail("a save to a file differs from the save to a string", first, inFile);
    }
    const auto builder = std::make_shared<nodeloom::XmlDomBuilder>();
    diagram->saveToXml(builder);
    if (const std::string tree = builder->getXmlContent(); tree != first) {
        fail("a save to an element tree differs from the save to a string", first, tree);
    }

    static const auto reloaded = std::make_shared<nodeloom::Diagram>();
    if (!reloaded->loadFromXml(saved)) fail("a saved document did not load", first, "");
    if (const std::string second = reloaded->saveToXmlString(); second != first) {
        fail("a saved document changed on the way back", first, second);
    }
    return 0;
}
