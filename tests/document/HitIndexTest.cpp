#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <tuple>
#include <type_traits>
#include <unordered_set>
#include <vector>

#include <unistd.h>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Layer.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"

using namespace nodeloom;

// The point queries find their candidates through an index of hit areas. Each is checked here
// against a plain walk over every item, which is what the queries are meant to answer, on
// random documents that are edited between the checks in every way that moves, hides, reorders,
// adds, removes or reloads items, with new items made at the addresses of removed ones.
namespace {

// A link hands out its points and labels for reading only: every change goes through an
// operation of the link that tells its document.
static_assert(std::is_const_v<
              std::remove_reference_t<decltype(std::declval<DiagramLink&>().controlPoints())>>);
static_assert(
    std::is_const_v<std::remove_reference_t<decltype(std::declval<DiagramLink&>().labels())>>);

// --- The walks ---------------------------------------------------------------------------------

std::shared_ptr<DiagramItem> walkItemAt(Diagram& d, Point point, bool excludeLocked,
                                        double threshold) {
    if (std::isnan(threshold)) threshold = 0.0;
    if (threshold > 0) {
        if (auto exact = walkItemAt(d, point, excludeLocked, 0.0)) return exact;
    }
    d.updateZOrder();
    const auto order = d.items();
    for (std::size_t i = order.size(); i-- > 0;) {
        const auto& item = order[i];
        if (!item || !item->topLevel()) continue;
        if (auto hit = item->hitTest(point, threshold, false, excludeLocked)) return hit;
    }
    return nullptr;
}

std::shared_ptr<DiagramItem> walkItemAt(Diagram& d, Point point) {
    d.updateZOrder();
    const auto order = d.items();
    for (std::size_t i = order.size(); i-- > 0;) {
        const auto& item = order[i];
        if (!item || !item->topLevel()) continue;
        if (auto hit = item->hitTest(point, nullptr)) return hit;
    }
    return nullptr;
}

std::shared_ptr<DiagramNode> walkNodeAt(Diagram& d, Point point, bool excludeLocked) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) return nullptr;
    d.updateZOrder();
    const auto order = d.items();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const auto node = std::dynamic_pointer_cast<DiagramNode>(*it);
        if (!node || !node->topLevel()) continue;
        if (auto hit = std::dynamic_pointer_cast<DiagramNode>(
                node->hitTest(point, 0.0, true, excludeLocked)))
            return hit;
    }
    return nullptr;
}

std::shared_ptr<DiagramLink> walkLinkAt(Diagram& d, Point point) {
    d.updateZOrder();
    for (const auto& item : d.items()) {
        auto link = std::dynamic_pointer_cast<DiagramLink>(item);
        if (link && link->containsPoint(point)) return link;
    }
    return nullptr;
}

std::shared_ptr<DiagramNode> walkNearest(Diagram& d, Point point, double maxDistance,
                                         const std::shared_ptr<DiagramNode>& ignored,
                                         bool onlyInteractive) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y) || std::isnan(maxDistance))
        return nullptr;
    std::shared_ptr<DiagramNode> best;
    double bestDistance = std::numeric_limits<double>::max();
    for (const auto& node : d.nodes()) {
        if (!node || node == ignored) continue;
        if (onlyInteractive && (!node->visible() || node->locked())) continue;
        const Rect r = node->bounds();
        const double x =
            std::clamp(point.x, std::min(r.x, r.x + r.width), std::max(r.x, r.x + r.width));
        const double y =
            std::clamp(point.y, std::min(r.y, r.y + r.height), std::max(r.y, r.y + r.height));
        const double distance = std::hypot(point.x - x, point.y - y);
        if (distance < maxDistance && distance < bestDistance) {
            best = node;
            bestDistance = distance;
        }
    }
    return best;
}

// The drawing order the layers ask for, ties aside: items without a layer by layer index, then
// those on a layer by its rank and index, then those past the end of the layers; by z-index
// within.
std::tuple<int, int, int, int> drawingKey(const Diagram& d, const DiagramItem& item) {
    const int layer = item.layerIndex();
    if (layer < 0) return {0, layer, 0, item.zIndex()};
    const auto& layers = d.layers();
    if (static_cast<std::size_t>(layer) >= layers.size() || !layers[static_cast<std::size_t>(layer)])
        return {2, layer, 0, item.zIndex()};
    return {1, layers[static_cast<std::size_t>(layer)]->zIndex(), layer, item.zIndex()};
}

// --- Random documents and edits ------------------------------------------------------------------

// Gives a freed block to the next item of its size, so that an item made after a removed one
// died takes its address, as a general allocator often does and one under the address sanitizer
// never does. The items are made as with `new`: the count of references lives apart, and a weak
// reference left behind keeps no memory of the item.
struct Recycler {
    ~Recycler() {
        for (auto& [size, blocks] : free)
            for (void* block : blocks)
                ::operator delete(block);
    }
    template <typename T>
    static std::shared_ptr<T> make(const std::shared_ptr<Recycler>& pool) {
        std::vector<void*>& blocks = pool->free[sizeof(T)];
        void* block = blocks.empty() ? ::operator new(sizeof(T)) : blocks.back();
        if (!blocks.empty()) {
            blocks.pop_back();
            ++pool->reused;
        }
        return std::shared_ptr<T>(new (block) T(), [pool](T* item) {
            item->~T();
            pool->free[sizeof(T)].push_back(item);
        });
    }
    std::map<std::size_t, std::vector<void*>> free;
    int reused = 0;
};

// A node kind the library knows nothing about: it may answer anywhere.
class RoundNode : public ShapeNode {
public:
    using ShapeNode::containsPoint;
    bool containsPoint(Point point) override {
        const Rect b = bounds();
        return std::hypot(point.x - b.center().x, point.y - b.center().y) < b.width;
    }
};

struct Fixture {
    explicit Fixture(unsigned seed) : rng(seed) {
        d = std::make_shared<Diagram>();
        d->setUndoEnabled(true);
        d->setLayers({std::make_shared<Layer>(), std::make_shared<Layer>()});
        for (int i = 0; i < 60; ++i)
            addNode();
        for (int i = 0; i < 40; ++i)
            addLink();
    }

    double coord() { return std::uniform_real_distribution<double>(0, 300)(rng); }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    // Points on a coarse lattice often fall on edges, where ties and inclusive tests matter.
    Point point() {
        if (pick(2) == 0)
            return Point(std::round(coord() / 10) * 10, std::round(coord() / 10) * 10);
        return Point(coord(), coord());
    }
    Rect rect() {
        const double w = pick(8) == 0 ? 0.0 : std::round(coord() / 6);
        return Rect(std::round(coord()), std::round(coord()), w, std::round(coord() / 6));
    }

    template <typename T>
    std::shared_ptr<T> make() {
        return Recycler::make<T>(pool);
    }

    void addNode() {
        std::shared_ptr<DiagramNode> node;
        switch (pick(8)) {
            case 0:
                node = make<RoundNode>();
                break;
            case 1:
                node = make<ContainerNode>();
                break;
            default:
                node = make<ShapeNode>();
                break;
        }
        node->setBounds(rect());
        d->addItem(node);
        if (pick(4) == 0) node->setLayerIndex(pick(3) - 1);
        if (pick(6) == 0) node->setLocked(true);
        const auto nodes = d->nodes();
        if (auto container = std::dynamic_pointer_cast<ContainerNode>(
                nodes[pick(static_cast<int>(nodes.size()))]);
            container && container != node && pick(2) == 0) {
            container->add(node);
        }
    }

    void addLink() {
        auto link = make<DiagramLink>();
        std::vector<Point> points;
        const int count = 2 + pick(3);
        for (int i = 0; i < count; ++i)
            points.push_back(point());
        link->setControlPoints(points);
        if (pick(3) == 0) link->setShape(LinkShape::bezier);
        d->addItem(link);
        if (pick(3) == 0) link->addLabel(std::make_shared<LinkLabel>(link, "label"));
    }

    // Removes an item for good, with the undo history that would keep it, then adds new items
    // before anything is asked, so that they take the freed addresses.
    void replaceForGood() {
        {
            const auto items = d->items();
            if (items.empty()) return;
            d->setUndoEnabled(false);
            d->removeItem(items[pick(static_cast<int>(items.size()))]);
        }
        addNode();
        addLink();
        addNode();
        d->setUndoEnabled(true);
    }

    void reload() {
        const auto path = std::filesystem::temp_directory_path() /
                          ("hit-index-reload-" + std::to_string(::getpid()) + ".xml");
        ASSERT_TRUE(d->saveToXml(path));
        ASSERT_TRUE(d->loadFromXml(path));
        std::filesystem::remove(path);
    }

    void edit() {
        const auto items = d->items();
        if (items.empty()) {
            addNode();
            return;
        }
        const auto item = items[pick(static_cast<int>(items.size()))];
        auto node = std::dynamic_pointer_cast<DiagramNode>(item);
        auto link = std::dynamic_pointer_cast<DiagramLink>(item);
        switch (pick(15)) {
            case 0:
                if (node) node->setBounds(rect());
                if (link) link->setControlPoints({point(), point()});
                break;
            case 1:
                if (node) node->move(coord(), coord(), true);
                if (link && !link->controlPoints().empty()) {
                    link->setControlPoint(
                        static_cast<std::size_t>(pick(static_cast<int>(link->controlPoints().size()))),
                        point());
                }
                break;
            case 2:
                item->setZIndex(pick(200));
                break;
            case 3:
                item->setVisible(!item->visible());
                break;
            case 4:
                item->setLayerIndex(pick(3) - 1);
                break;
            case 5:
                d->layers()[static_cast<std::size_t>(pick(2))]->setVisible(pick(2) == 0);
                break;
            case 6:
                d->removeItem(item);
                break;
            case 7:
                addNode();
                break;
            case 8:
                addLink();
                break;
            case 9:
                if (d->canUndo()) d->undo();
                break;
            case 10:
                if (d->canRedo()) d->redo();
                break;
            case 11:
                if (link && !link->labels().empty()) {
                    const auto& label = link->labels().front();
                    label->setText(std::string(static_cast<std::size_t>(1 + pick(20)), 'x'));
                    label->setControlPointPosition(0, coord() / 10, coord() / 10);
                }
                if (auto container = std::dynamic_pointer_cast<ContainerNode>(item))
                    container->setFolded(!container->folded());
                break;
            case 12:
                d->layers()[static_cast<std::size_t>(pick(2))]->setZIndex(pick(3));
                break;
            case 13:
                replaceForGood();
                break;
            case 14:
                if (link && pick(3) == 0) {
                    link->setLabels({});
                } else if (const auto links = d->links(); link && pick(3) == 0) {
                    // Taken from another link, which lets it go, by the link or by the label's
                    // own setter; or let go of by the label.
                    const auto& other = links[pick(static_cast<int>(links.size()))];
                    if (other->labels().empty()) break;
                    const auto label = other->labels().back();
                    switch (pick(3)) {
                        case 0:
                            link->addLabel(label);
                            break;
                        case 1:
                            label->setLink(link);
                            break;
                        default:
                            label->setLink(nullptr);
                            break;
                    }
                } else if (link) {
                    // Made for another link, which is moved once the index has taken the label:
                    // the label is placed against the link that holds it.
                    const auto links = d->links();
                    const auto& other = links[pick(static_cast<int>(links.size()))];
                    auto label = std::make_shared<LinkLabel>(other, "more");
                    label->setSegmentPosition(-1, coord() / 10, coord() / 10);
                    link->addLabel(label);
                    d->getLinkAt(point());
                    other->setControlPoints({point(), point()});
                }
                break;
        }
    }

    void expectSameAsWalk(int points) {
        d->updateZOrder();
        const auto order = d->items();
        for (std::size_t i = 1; i < order.size(); ++i)
            ASSERT_LE(drawingKey(*d, *order[i - 1]), drawingKey(*d, *order[i])) << "at " << i;
        const auto nodes = d->nodes();
        for (int i = 0; i < points; ++i) {
            const Point p = point();
            const bool locked = pick(2) == 0;
            const double threshold = pick(3) == 0 ? 0.0 : pick(20) / 2.0;
            ASSERT_EQ(d->getItemAt(p, locked, threshold), walkItemAt(*d, p, locked, threshold))
                << p.x << "," << p.y << " threshold " << threshold;
            ASSERT_EQ(d->getItemAt(p, nullptr), walkItemAt(*d, p)) << p.x << "," << p.y;
            ASSERT_EQ(d->getNodeAt(p, locked), walkNodeAt(*d, p, locked)) << p.x << "," << p.y;
            ASSERT_EQ(d->getLinkAt(p), walkLinkAt(*d, p)) << p.x << "," << p.y;
            const auto ignored =
                nodes.empty() ? nullptr : nodes[pick(static_cast<int>(nodes.size()))];
            const double reach = pick(20);
            ASSERT_EQ(d->getNearestNode(p, reach, ignored, locked),
                      walkNearest(*d, p, reach, ignored, locked))
                << p.x << "," << p.y << " reach " << reach;
        }
        // Labels are small targets, seldom met by chance: each is asked at its middle. Each
        // is held by one link, the one it names.
        std::unordered_set<const LinkLabel*> held;
        for (const auto& link : d->links()) {
            for (const auto& label : link->labels()) {
                ASSERT_EQ(label->link(), link);
                ASSERT_TRUE(held.insert(label.get()).second);
                const auto rect = label->getLayoutRect();
                if (!rect) continue;
                const Point p = rect->center();
                ASSERT_EQ(d->getLinkAt(p), walkLinkAt(*d, p)) << "label " << p.x << "," << p.y;
                ASSERT_EQ(d->getItemAt(p, nullptr), walkItemAt(*d, p)) << p.x << "," << p.y;
            }
        }
    }

    std::shared_ptr<Recycler> pool = std::make_shared<Recycler>();
    std::mt19937 rng;
    std::shared_ptr<Diagram> d;
};

}  // namespace

TEST(HitIndex, AnswersAsTheWalkThroughEveryKindOfEdit) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        Fixture f(seed);
        f.expectSameAsWalk(300);
        for (int round = 0; round < 40; ++round) {
            for (int i = 0; i < 5; ++i)
                f.edit();
            if (round % 13 == 12) f.reload();
            f.expectSameAsWalk(40);
            if (testing::Test::HasFatalFailure()) return;
        }
        // The edits did make items at the addresses of removed ones.
        EXPECT_GT(f.pool->reused, 0);
    }
}

TEST(HitIndex, FollowsLoadsUnitsAndClearing) {
    Fixture f(11);
    const auto path = std::filesystem::temp_directory_path() /
                      ("hit-index-" + std::to_string(::getpid()) + ".xml");
    ASSERT_TRUE(f.d->saveToXml(path));
    // Asked before the load, so that the load must replace what the index held.
    Fixture g(12);
    g.expectSameAsWalk(20);
    ASSERT_TRUE(g.d->loadFromXml(path));
    std::filesystem::remove(path);
    g.expectSameAsWalk(200);

    // Labels are measured in the document's unit, and the link reach is 5 mm in it.
    f.d->setMeasureUnit(MeasureUnit::Inch());
    f.expectSameAsWalk(200);
    f.d->setLinkHitDistance(3.0);
    f.expectSameAsWalk(200);

    f.d->clear();
    EXPECT_EQ(f.d->getItemAt(Point(10, 10), false, 50.0), nullptr);
    f.addNode();
    f.addLink();
    f.expectSameAsWalk(100);
}

TEST(HitIndex, EdgesAndDegenerateItems) {
    auto d = std::make_shared<Diagram>();
    auto flat = std::make_shared<ShapeNode>();
    flat->setBounds(Rect(10, 10, 0, 20));
    d->addItem(flat);
    auto far = std::make_shared<ShapeNode>();
    far->setBounds(Rect(1e12, 1e12, 5, 5));
    d->addItem(far);
    auto empty = std::make_shared<DiagramLink>();
    empty->setControlPoints({});
    d->addItem(empty);

    // A node of no width is hit on its line, edges included; others nowhere near.
    EXPECT_EQ(d->getNodeAt(Point(10, 30), false), flat);
    EXPECT_EQ(d->getNodeAt(Point(10.001, 30), false), nullptr);
    EXPECT_EQ(d->getNodeAt(Point(1e12 + 5, 1e12), false), far);
    EXPECT_EQ(d->getNearestNode(Point(1e12 - 3, 1e12), 4, nullptr, false), far);
    EXPECT_EQ(d->getItemAt(Point(std::nan(""), 0), false, 0.0), nullptr);
    EXPECT_EQ(d->getLinkAt(Point(0, 0)), nullptr);
    EXPECT_EQ(
        d->getNearestNode(Point(0, 0), std::numeric_limits<double>::infinity(), nullptr, false),
        flat);
}
