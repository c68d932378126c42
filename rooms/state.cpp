// The room slot and the game flags. (To be written.)
#include "rooms/rooms.h"

RoomHandler CurrentRoom = nullptr;
int32_t RatInCorridor = 0;
int32_t CorridorDark = 0;
int32_t LighterLit = 0;
int32_t DogLoose = 0;
int32_t ShotgunTaken = 0;
int32_t DogDead = 0;
int32_t RatTaken = 0;

int32_t Laboratory(char*) { return 0; }
int32_t Corridor(char*) { return 0; }
int32_t ExitDoor(char*) { return 0; }
int32_t RestRoom(char*) { return 0; }
