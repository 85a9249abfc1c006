#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "Nodeloom/composite/ContainerNode.h"

using namespace nodeloom;

TEST(ContainerNode, TheProcessWideFlagIsSetByTheFirstContainer) {
    // Run in a fresh copy of the test binary, where no container has been made yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool before = anyContainerCreated();
            DiagramNode node;
            const bool afterNode = anyContainerCreated();
            { ContainerNode container; }
            std::exit(!before && !afterNode && anyContainerCreated() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ContainerNode, ANewContainerIsUnfolded) {
    auto container = std::make_shared<ContainerNode>();
    EXPECT_FALSE(container->folded());
    EXPECT_EQ(container->getClassId(), "std:ContainerNode");
    EXPECT_NE(std::dynamic_pointer_cast<ContainerNode>(container->getClassType().getInstance()),
              nullptr);
    EXPECT_TRUE(anyContainerCreated());
}
