// ctest hands every test the whole test environment of tests/CMakeLists.txt, not
// only its first variable; the programs' texts are checked in English.
#include <gtest/gtest.h>

#include <cstdlib>

TEST(TestEnvironment, EveryVariableReachesTheTest) {
  if (!std::getenv("TSAN_OPTIONS")) GTEST_SKIP() << "run without ctest's environment";
  const char* language = std::getenv("LANGUAGE");
  ASSERT_NE(language, nullptr) << "LANGUAGE did not reach the test";
  EXPECT_STREQ(language, "en");
}
