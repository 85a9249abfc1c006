#pragma once

#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

namespace nodeloom {

class Diagram;
class DiagramLink;

// Collects links from several lists, each link once, in the order first met.
class LinkGatherer {
public:
    using LinkList = std::vector<std::shared_ptr<DiagramLink>>;

    void add(const LinkList& list) {
        for (const auto& link : list) {
            if (link && seen_.insert(link.get()).second) links_.push_back(link);
        }
    }
    LinkList take() { return std::move(links_); }

    // Puts a link whose end sits on a row of a table or a tree where its ends now are: the ends
    // from their connections (an end that stays put but for rounding keeps its numbers), a route
    // when the link routes itself and has a document, then its geometry and a repaint. The inner
    // points of a link that does not route itself stay.
    static void replaceRowLink(const std::shared_ptr<DiagramLink>& link,
                               const std::shared_ptr<Diagram>& diagram);

    // The share, in percent of extent from origin, that puts an end on a row at p: guess, moved
    // by the last digit until origin + extent * share / 100 gives p exactly where rounding
    // allows, so that the end stays where the document has it when the rows move, whether its
    // share came from the point at a scroll or from the point read with a file.
    static double exactShare(double p, double origin, double extent, double guess);

private:
    std::unordered_set<const DiagramLink*> seen_;
    LinkList links_;
};

}  // namespace nodeloom
