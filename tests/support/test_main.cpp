// GoogleTest entry point for every test program. Code under test may end the process on purpose
// (the ticker exits from its window's destruction); an exit before the tests have finished must
// count as a failure, never as a pass with status 0.
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {
bool g_finished = false;

void FailOnEarlyExit() {
  if (!g_finished) {
    std::fprintf(stderr, "test program ended before its tests finished\n");
    std::fflush(stderr);
    std::_Exit(3);
  }
}
}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::atexit(FailOnEarlyExit);
  const int result = RUN_ALL_TESTS();
  g_finished = true;
  return result;
}
