#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unordered_map>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom::test {

// A fresh document that read a file of the text; null when the read refuses it.
inline std::shared_ptr<Diagram> readDocument(const std::string& text) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("nodeloom-read-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    auto copy = std::make_shared<Diagram>();
    const bool loaded = copy->loadFromXml(path);
    std::filesystem::remove(path);
    return loaded ? copy : nullptr;
}

// The document as another one reads it back from its saved text.
inline std::shared_ptr<Diagram> reloaded(Diagram& d) { return readDocument(d.saveToXmlString()); }

// A handler's work that puts new content in the document: the first call once armed reads back
// the text the document had when this was made, or empties the document; later calls do nothing.
struct Replacement {
    Replacement(Diagram& d, bool reload) : diagram(d), reload(reload) { d.saveToXml(saved); }
    void operator()() {
        if (!armed) return;
        armed = false;
        if (reload)
            EXPECT_TRUE(diagram.loadFromXml(saved->root()));
        else
            diagram.clear();
    }
    Diagram& diagram;
    bool reload;
    bool armed = true;
    std::shared_ptr<XmlDomBuilder> saved = std::make_shared<XmlDomBuilder>();
};

// Where two document texts part: the first line that differs, with its number, or "" when
// they are the same.
inline std::string firstDifference(const std::string& a, const std::string& b) {
    std::istringstream left(a), right(b);
    std::string x, y;
    for (int line = 1;; ++line) {
        const bool moreLeft = static_cast<bool>(std::getline(left, x));
        const bool moreRight = static_cast<bool>(std::getline(right, y));
        if (!moreLeft && !moreRight) return "";
        if (!moreLeft || !moreRight || x != y)
            return "line " + std::to_string(line) + ": " + x + " | " + y;
    }
}

// The document's text without the counter of z-indexes handed out: undoing a creation does not
// hand its index out again.
inline std::string documentText(std::string saved) {
    const std::size_t from = saved.find("<ItemCounter>");
    if (from != std::string::npos) saved.erase(from, saved.find('<', from + 1) - from);
    return saved;
}
inline std::string documentText(Diagram& d) { return documentText(d.saveToXmlString()); }

// Whether two texts are the same but for numbers that differ by at most the tolerance (relative
// to the larger one beyond 1): undo restores numbers a step recomputed by other sums.
inline bool sameText(const std::string& a, const std::string& b, double tolerance = 1e-9) {
    const auto numberAt = [](const std::string& s, std::size_t i) {
        return std::isdigit(static_cast<unsigned char>(s[i])) ||
               ((s[i] == '-' || s[i] == '.') && i + 1 < s.size() &&
                std::isdigit(static_cast<unsigned char>(s[i + 1])));
    };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (numberAt(a, i) && numberAt(b, j)) {
            char* endA = nullptr;
            char* endB = nullptr;
            const double x = std::strtod(a.c_str() + i, &endA);
            const double y = std::strtod(b.c_str() + j, &endB);
            const double scale = std::max({1.0, std::fabs(x), std::fabs(y)});
            if (!(std::fabs(x - y) <= tolerance * scale) && !(x == y)) return false;
            i = static_cast<std::size_t>(endA - a.c_str());
            j = static_cast<std::size_t>(endB - b.c_str());
            continue;
        }
        if (a[i] != b[j]) return false;
        ++i;
        ++j;
    }
    return i == a.size() && j == b.size();
}

// Who holds whom, which the document's text does not say: for every node its container's place
// among the nodes and, for a container, its children's places in its own order; a child that
// names a container that does not list it, or the reverse, shows.
inline std::string membership(Diagram& d) {
    std::unordered_map<const DiagramNode*, std::size_t> place;
    for (std::size_t i = 0; i < d.nodes().size(); ++i)
        place[d.nodes()[i].get()] = i;
    const auto name = [&place](const DiagramNode* node) {
        const auto it = place.find(node);
        return it == place.end() ? std::string("gone") : std::to_string(it->second);
    };
    std::string text;
    for (const auto& node : d.nodes()) {
        text += name(node.get()) + " in " + (node->container() ? name(node->container().get()) : "-");
        if (const auto* c = dynamic_cast<const ContainerNode*>(node.get())) {
            text += " holds";
            for (const auto& child : c->children())
                text += " " + name(child.get());
        }
        text += "\n";
    }
    return text;
}

// The document's text and membership together.
inline std::string snapshot(Diagram& d) {
    return documentText(d) + membership(d);
}
// The same, from the text the document saved just now.
inline std::string snapshot(Diagram& d, const std::string& saved) {
    return documentText(saved) + membership(d);
}

// Whether every link ends on nodes of the document (or loose) that count it among their links,
// and every container's children are in the document. A link its node does not count would stay
// behind when the node moves, and stay in the document when the node leaves it. In the middle of
// a drag an end may lie on the node under the finger before that node counts it: `listed` false
// asks only that the end be in the document.
inline bool whole(Diagram& d, bool listed = true) {
    for (const auto& link : d.links()) {
        for (const auto& end : {link->origin(), link->destination()}) {
            if (!end || !end->isRealNode()) continue;
            if (!d.contains(*end)) return false;
            if (!listed) continue;
            const auto links = end->getAllLinks();
            if (std::find(links.begin(), links.end(), link) == links.end()) return false;
        }
    }
    for (const auto& node : d.nodes()) {
        if (const auto container = std::dynamic_pointer_cast<ContainerNode>(node)) {
            for (const auto& child : container->children())
                if (!child || !d.contains(*child)) return false;
        }
    }
    return true;
}

}  // namespace nodeloom::test
