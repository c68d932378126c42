// The loose dog in the laboratory: every line but a shot with the shotgun in hand kills.
#include <cstring>
#include <unistd.h>

#include "rooms/rooms.h"
#include "tests/unit/game_fixture.h"

using LooseDog = GameTest;

namespace {

// Runs one laboratory turn with the dog loose and alive; a handler that returns has let
// the player live (exit 7). The death's ending waits for keys that never come, so the
// seam releases Escape, which ends the game with status 0.
void Turn(const char* typed, int32_t shotgun)
{
    seam::SetIdleLimit(2000);
    DogLoose = 1;
    DogDead = 0;
    ShotgunTaken = shotgun;
    CurrentRoom = Laboratory;
    char line[512];
    strcpy(line, typed);
    Laboratory(line);
    _exit(7);
}

}  // namespace

TEST_F(LooseDog, EveryLineButTheShotKills)
{
    struct Case {
        const char* line;
        int32_t shotgun;
        bool dies;
    } cases[] = {
        {"mirar rata", 0, true},
        {"", 0, true},
        {"sur", 0, true},
        {"inventario", 1, true},
        {"usar escopeta en animal", 1, true},  // "animal" is the rat's first
        {"disparar arma al perro", 0, true},   // no shotgun, no shot
        {"disparar arma al perro", 1, false},
        {"usar escopeta", 1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT(Turn(c.line, c.shotgun), testing::ExitedWithCode(c.dies ? 0 : 7), "")
            << "[" << c.line << "] shotgun " << c.shotgun;
    }
}
