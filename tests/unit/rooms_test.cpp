// The loose dog in the laboratory: every line but a shot with the shotgun in hand kills.
#include <unistd.h>
#include <cstring>

#include "rooms/rooms.h"
#include "tests/unit/game_fixture.h"

using LooseDog = GameTest;

TEST_F(LooseDog, EveryLineButTheShotKills)
{
    struct Case {
        bool dies;
        const char* line;
        int32_t shotgun;
    } cases[] = {
        {true, "mirar rata", 0},
        {true, "", 0},
        {true, "sur", 0},
        {true, "inventario", 1},
        {true, "usar escopeta en animal", 1},  // "animal" is the rat's first
        {true, "disparar arma al perro", 0},   // no shotgun, no shot
        {false, "disparar arma al perro", 1},
        {false, "disparar arma", 1},
        {false, "usar escopeta", 1},
        {false, "usar arma con doberman", 1},
    };
    for (const Case& c : cases) {
        // The death's ending waits for keys that never come: the seam releases Escape, which
        // ends the game with status 0. A handler that returns has let the player live.
        EXPECT_EXIT(
            {
                DogLoose = 1;
                DogDead = 0;
                ShotgunTaken = c.shotgun;
                CurrentRoom = Laboratory;
                char line[512];
                strcpy(line, c.line);
                Laboratory(line);
                _exit(DogDead && !DogLoose ? 7 : 8);
            },
            testing::ExitedWithCode(c.dies ? 0 : 7), "")
            << "[" << c.line << "] shotgun " << c.shotgun;
    }
}
