// Test program entry: headless video first, then GoogleTest.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>

#include "tests/seam/seam.h"

namespace {

// A wait that outlives its keys ends the game through the seam's idle Escape, with status 0,
// which would pass for success: the program ending inside a test (but in a death test's
// child, where it is the point) fails instead.
void FailAnExitInsideATest()
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    if (test && GTEST_FLAG_GET(internal_run_death_test).empty()) {
        fprintf(stderr, "%s.%s: the program ended inside the test\n", test->test_suite_name(),
                test->name());
        _exit(1);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    seam::UseHeadlessVideo();
    testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    atexit(FailAnExitInsideATest);
    return RUN_ALL_TESTS();
}
