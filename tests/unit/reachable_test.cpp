// The font and its list node live until the process ends, by design: LeakSanitizer must
// see them as reachable through the FontList global, and as leaked once that is cut.
#include <unistd.h>

#include "font/font.h"
#include "tests/unit/game_fixture.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

using Reachable = GameTest;

TEST_F(Reachable, FontAndNodeAreReachableThroughFontList)
{
#ifndef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "needs LeakSanitizer";
#else
    ASSERT_NE(FontList, nullptr);
    ASSERT_NE(FontList->font, nullptr);
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "the start-up allocations leak";
    // The check itself sees a leak when the only way to them is cut (in a child process,
    // which leaves without the check at exit).
    EXPECT_EXIT(
        {
            FontList = nullptr;
            _exit(__lsan_do_recoverable_leak_check() ? 3 : 4);
        },
        testing::ExitedWithCode(3), "LeakSanitizer: detected memory leaks");
#endif
}
