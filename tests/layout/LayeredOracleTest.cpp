#include <gtest/gtest.h>

#include <random>

#include "LayeredTestSupport.h"
#include "LiteralLayeredLayout.h"

namespace nodeloom::test {
namespace {

class FastCounter : public LiteralLayeredLayout {
public:
    std::int64_t fast(int a, int b) { return LayeredLayout::countCrossings(a, b); }
};

// Two layers with random edges between them (repeated pairs included), then random positions
// with ties on both sides: the fast count must agree with the pairwise one both ways round.
TEST(LayeredOracle, FastCrossingCountEqualsLiteralOnRandomLayerPairs) {
    std::mt19937 rng(31);
    for (int trial = 0; trial < 1000; ++trial) {
        const int top = std::uniform_int_distribution<int>(1, 12)(rng);
        const int bottom = std::uniform_int_distribution<int>(1, 12)(rng);
        GraphRecipe recipe;
        recipe.sizes.assign(static_cast<std::size_t>(top + bottom), {10, 10});
        for (int b = 0; b < bottom; ++b)
            recipe.edges.emplace_back(std::uniform_int_distribution<int>(0, top - 1)(rng), top + b);
        const int extra = std::uniform_int_distribution<int>(0, 2 * (top + bottom))(rng);
        for (int k = 0; k < extra; ++k)
            recipe.edges.emplace_back(std::uniform_int_distribution<int>(0, top - 1)(rng),
                                      top + std::uniform_int_distribution<int>(0, bottom - 1)(rng));
        FastCounter layout;
        ASSERT_TRUE(layout.layer(recipe.build()));
        ASSERT_EQ(layout.layers().size(), 2u);
        const bool ties = trial % 2 == 1;
        for (const auto& layer : layout.layers())
            for (const auto& v : layer)
                layout.nodeData(*v).setGridPosition(
                    std::uniform_int_distribution<int>(0, ties ? 3 : 1000)(rng) * 0.5);
        EXPECT_EQ(layout.fast(0, 1), layout.countCrossings(0, 1)) << "trial " << trial;
        EXPECT_EQ(layout.fast(1, 0), layout.countCrossings(1, 0)) << "trial " << trial;
    }
}

// Splitting reads the places of an edge's ends between insertions and pushes the vertices after
// each insertion along by one: the fast split must leave the same layers and the same grid
// positions, fractional ones included, to the last bit.
TEST(LayeredOracle, SplitEqualsLiteralInsertion) {
    for (unsigned seed = 0; seed < 200; ++seed) {
        const GraphRecipe recipe = randomRecipe(seed, 20 + static_cast<int>(seed), 1.6, false, false);
        LayeredProbe fast;
        LiteralLayeredLayout literal;
        const auto a = recipe.build();
        const auto b = recipe.build();
        ASSERT_TRUE(fast.layer(a));
        ASSERT_TRUE(literal.layer(b));
        ASSERT_EQ(fast.layers().size(), literal.layers().size());
        for (std::size_t l = 0; l < fast.layers().size(); ++l) {
            ASSERT_EQ(fast.layers()[l].size(), literal.layers()[l].size()) << "seed " << seed;
            for (std::size_t j = 0; j < fast.layers()[l].size(); ++j) {
                const Vertex& f = *fast.layers()[l][j];
                const Vertex& g = *literal.layers()[l][j];
                ASSERT_EQ(f.index(), g.index()) << "seed " << seed << " layer " << l;
                ASSERT_EQ(fast.nodeData(f).gridPosition(), literal.nodeData(g).gridPosition())
                    << "seed " << seed << " layer " << l << " place " << j;
            }
        }
    }
}

void expectSameResult(const Graph& fast, const Graph& literal, const std::string& what) {
    ASSERT_EQ(fast.vertices().size(), literal.vertices().size()) << what;
    for (std::size_t i = 0; i < fast.vertices().size(); ++i) {
        ASSERT_EQ(fast.vertices()[i]->x(), literal.vertices()[i]->x()) << what << " vertex " << i;
        ASSERT_EQ(fast.vertices()[i]->y(), literal.vertices()[i]->y()) << what << " vertex " << i;
    }
    ASSERT_EQ(fast.edges().size(), literal.edges().size()) << what;
    for (std::size_t i = 0; i < fast.edges().size(); ++i) {
        const Edge& f = *fast.edges()[i];
        const Edge& l = *literal.edges()[i];
        ASSERT_EQ(f.origin()->index(), l.origin()->index()) << what << " edge " << i;
        ASSERT_EQ(f.destination()->index(), l.destination()->index()) << what << " edge " << i;
        ASSERT_EQ(f.points().has_value(), l.points().has_value()) << what << " edge " << i;
        if (!f.points()) continue;
        ASSERT_EQ(f.points()->size(), l.points()->size()) << what << " edge " << i;
        for (std::size_t k = 0; k < f.points()->size(); ++k) {
            ASSERT_EQ((*f.points())[k].x, (*l.points())[k].x) << what << " edge " << i;
            ASSERT_EQ((*f.points())[k].y, (*l.points())[k].y) << what << " edge " << i;
        }
    }
}

// Random graphs of up to 300 vertices, most of them DAGs, some with cycles, some with sizes whose
// distances are not exact binary fractions, under random options: the fast phases must give the
// literal pipeline's coordinates and points to the last bit.
TEST(LayeredOracle, WholeLayoutEqualsLiteralPipeline) {
    std::mt19937 rng(7);
    for (unsigned seed = 0; seed < 60; ++seed) {
        const int n = seed < 10 ? static_cast<int>(seed) + 1
                                : std::uniform_int_distribution<int>(2, 300)(rng);
        const double density = std::uniform_real_distribution<double>(0.8, 2.0)(rng);
        const GraphRecipe recipe = randomRecipe(seed, n, density, seed % 5 == 4, seed % 3 == 2);
        LayeredLayout fast;
        LiteralLayeredLayout literal;
        const auto direction = static_cast<LayoutDirection>(seed % 4);
        const int rounds = static_cast<int>(seed % 5) - 1;
        for (LayeredLayout* layout : {&fast, static_cast<LayeredLayout*>(&literal)}) {
            layout->setDirection(direction);
            layout->setSiftingRounds(rounds);
            layout->setNodeDistance(seed % 2 ? 20.0 : 13.3);
        }
        const auto a = recipe.build();
        const auto b = recipe.build();
        ASSERT_TRUE(fast.arrangeGraph(a));
        ASSERT_TRUE(literal.arrangeGraph(b));
        expectSameResult(*a, *b, "seed " + std::to_string(seed) + " n " + std::to_string(n));
    }
}

}  // namespace
}  // namespace nodeloom::test
