// Test program entry: headless video first, then GoogleTest.
#include <gtest/gtest.h>

#include "tests/seam/seam.h"

int main(int argc, char** argv)
{
    seam::UseHeadlessVideo();
    testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
