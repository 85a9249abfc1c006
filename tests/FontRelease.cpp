// Joins every test program: once the last test has run, the fonts are let go, so that the leak
// check at exit reports only what the tests and the library really lost.
#include <gtest/gtest.h>

#include "Nodeloom/platform/TextEngine.h"

namespace {

class FontRelease : public testing::Environment {
public:
    void TearDown() override { nodeloom::platform::TextEngine::releaseFonts(); }
};

// gtest owns the environment and tears it down after the last test.
[[maybe_unused]] testing::Environment* const fontRelease =
    testing::AddGlobalTestEnvironment(new FontRelease);

}  // namespace
