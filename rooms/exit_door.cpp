// The exit door: with the rat in hand, the three-digit code ends the chapter.
#include <cstring>

#include "assets/assets.h"
#include "console/console.h"
#include "rooms/rooms.h"

namespace {

constexpr auto Description = Latin1(
    "Estas en la puerta de salida. Es una puerta blindada de maxima seguridad. A la derecha puedes "
    "ver una ranura para introducir 3 digitos. Tambien puedes ir al este.");

constexpr auto NoRat = Latin1(
    "\nNo puedes abandonar la estancia sin el roedor. Seria demasiado peligroso para la "
    "corporacion");

constexpr auto Question = Latin1("¿que numeros deseas introducir?");
constexpr auto WrongCode = Latin1("No ha pasado nada.");
const char DoorCode[] = "746";

// The project's own contact address, in a reserved domain until it has one of its own.
constexpr auto Closing = Latin1(
    "La puerta se abre. Sales al exterior del sotano pero solo para comprobar que algun tipo de "
    "accidente mortal a sucedido en el edificio. Hay una especie de gas toxico que no puedes "
    "evitar inhalar. Caes al suelo desmayado y despiertas a las pocas horas. No recuerdas nada "
    "\"¿donde estoy? ¿que es este lugar? ¡debo escapar de aqui!\" El edificio a sido evacuado y "
    "monstruos de toda clase andan sueltos por sus pasillos y habitaciones. Tienes un arma y un "
    "objetivo: sobrevivir.\nEsto es solo el comienzo de una horrible pesadilla que esta a punto "
    "de empezar.\n\nContinuara...\n\nGracias por jugar: sombrial@example.org");

// The question stands above a second command line; that line is taken exactly as typed.
void EnterCode(char* command)
{
    Narrate(Question, "txt");
    ReadCommandLine(command);
    if (strcmp(command, DoorCode) == 0)
        Narrate(Closing, "fin");
    Narrate(WrongCode, "txt");
}

// clang-format off
const RoomCommand Commands[] = {
    // lines                                          when                text     kind     sets  then          to        action
    {{"EXAMINAR ranura", "INTRODUCIR CODIGO",
      "INTRODUCIR CODIGO EN ranura"},                 {{{&RatTaken, 1}}}, nullptr, nullptr, {},   Then::Action, nullptr,  EnterCode},
    {{"e", "este"},                                   {},                 nullptr, nullptr, {},   Then::Move,   Corridor, nullptr},
};
// clang-format on

}  // namespace

int32_t ExitDoor(char* command)
{
    if (!command) {
        EnterRoom(ExitDoorPicture, ExitDoorPictureSize, Description);
        if (!RatTaken)
            Narrate(NoRat, "txt");
        return 0;
    }
    return RunRoomCommands(command, Commands);
}
