// Replays the malformed and unusual documents under tests/data/documents (written by hand, or
// found by the fuzz target under tests/fuzz) through the same checks as the fuzz target, so that
// the ordinary test run guards what the fuzzer once found.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"

using namespace nodeloom;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> corpus() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(NODELOOM_TEST_DATA_DIR "/documents")) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(DocumentCorpus, EveryDocumentLoadsWhollyOrNotAtAll) {
    const std::vector<fs::path> files = corpus();
    ASSERT_GE(files.size(), 10u);
    const fs::path scratch =
        fs::temp_directory_path() / ("nodeloom-corpus-" + std::to_string(::getpid()) + ".xml");
    const std::set<std::string> unreadable = {"empty.xml",      "not-xml.xml",
                                              "truncated.xml",  "mismatched-tags.xml",
                                              "other-root.xml", "no-root.xml"};
    std::size_t loaded = 0;

    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        auto d = std::make_shared<Diagram>();
        auto node = std::make_shared<ShapeNode>();
        node->setBounds(Rect(1, 2, 3, 4));
        d->addItem(node);
        const std::string before = d->saveToXmlString();

        if (!d->loadFromXml(file)) {
            EXPECT_EQ(d->saveToXmlString(), before);
            EXPECT_EQ(d->items().size(), 1u);
            continue;
        }
        ++loaded;
        EXPECT_EQ(unreadable.count(file.filename().string()), 0u);

        // What was read is usable: finite geometry, snapping and hit tests that give numbers.
        d->setAlignToGrid(true);
        for (const auto& n : d->nodes()) {
            EXPECT_TRUE(isFinite(n->bounds()));
            EXPECT_TRUE(isFinite(d->alignRectToGrid(n->bounds())));
            const Rect b = n->bounds();
            d->getItemAt(Point(b.x + b.width / 2, b.y + b.height / 2), false, 2.0);
        }
        EXPECT_TRUE(isFinite(d->getContentBounds(false)));
        EXPECT_EQ(d->items().size(), d->nodes().size() + d->links().size());
        std::set<const DiagramItem*> distinct;
        for (const auto& item : d->items())
            distinct.insert(item.get());
        EXPECT_EQ(distinct.size(), d->items().size());

        // Once saved, the document comes back as it went out, from the first reading on, and
        // every path of saving writes the same text.
        std::string previous = d->saveToXmlString();
        ASSERT_TRUE(d->saveToXml(scratch));
        EXPECT_EQ(readAll(scratch), previous);
        auto builder = std::make_shared<XmlDomBuilder>();
        d->saveToXml(builder);
        EXPECT_EQ(builder->getXmlContent(), previous);
        for (int round = 0; round < 2; ++round) {
            std::ofstream(scratch, std::ios::binary | std::ios::trunc) << previous;
            auto reloaded = std::make_shared<Diagram>();
            ASSERT_TRUE(reloaded->loadFromXml(scratch));
            const std::string next = reloaded->saveToXmlString();
            EXPECT_EQ(next, previous) << "round " << round;
            previous = next;
        }
    }
    std::error_code error;
    fs::remove(scratch, error);
    EXPECT_GT(loaded, 0u);
}
