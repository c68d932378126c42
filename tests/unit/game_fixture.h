// A fixture that starts the application once per test program, on the seam.
#pragma once

#include <gtest/gtest.h>

#include "frame/frame.h"
#include "shell/shell.h"
#include "tests/seam/seam.h"

class GameTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static bool started = false;
        if (!started) {
            InitApplication();
            started = true;
        }
    }
    void SetUp() override
    {
        seam::Reset();
        // A wait that outlives its keys ends the program through Escape: the test fails
        // at once instead of hanging.
        seam::SetIdleLimit(500);
        PreviousFrameTick = 0;
        LastKey = 0;
    }
};
