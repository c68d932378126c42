// The rest room: files, books and the shotgun on the wall.
#include "assets/assets.h"
#include "rooms/rooms.h"

namespace {

constexpr auto Description = Latin1(
    "Estas en una sala de descanso. Hay varios armarios con cientos de archivos y de libros de "
    "quimica y zoologia. No tienes tiempo de leerlos ahora. Tambien puedes observar que hay una "
    "escopeta en la pared. Puedes ir al norte.");

// clang-format off
const RoomCommand Commands[] = {
    // lines              when   text                  kind   sets                   then          to        action
    {{"COGER ESCOPETA"},  {},    "Coges la escopeta.", "txt", {{{&ShotgunTaken, 1}}}, Then::Answer, nullptr,  nullptr},
    {{"n", "norte"},      {},    nullptr,              nullptr, {},                  Then::Move,   Corridor, nullptr},
};
// clang-format on

}  // namespace

int32_t RestRoom(char* command)
{
    if (!command) {
        EnterRoom(RestRoomPicture, RestRoomPictureSize, Description);
        return 0;
    }
    return RunRoomCommands(command, Commands);
}
