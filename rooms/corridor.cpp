// The corridor: the escaped rat, the dark, the lighter and the cable; the hub of the map.
#include "assets/assets.h"
#include "console/console.h"
#include "rooms/rooms.h"

namespace {

constexpr auto Description = Latin1(
    "Estas en un pasillo. Cientos de tuberias y cables recorren las paredes, puedes ir al sur, "
    "norte y oeste. Tambien puedes observar que hay un cuadro con un extraño dibujo.");

constexpr auto RatChewing = Latin1("En el suelo ves al roedor mordiendo unos cables.");

constexpr auto Blackout = Latin1(
    "Al intentar cogerlo tiras de el pero se engancha a los cables. Derepente se oye un chispazo y "
    "se apaga la luz, quedando la estancia completamente a oscuras. No puedes moverte a tientas en "
    "la oscuridad. La puerta de salida funciona con electricidad, necesitas restablecer la "
    "energia.");

constexpr auto LighterText = Latin1(
    "A tientas sacas el mechero en la oscuridad y lo enciendes, puedes ver a duras penas la "
    "estancia. Unos cables rotos echan chispas.");

constexpr auto Repair = Latin1(
    "Con mucho cuidado coges el cable y lo arreglas con la cinta. Derepente vuelve la luz, no "
    "puedes dejar al animal, es importante para la investigacion pero no hay rastro de el. Puedes "
    "ir al norte, sur y oeste.");

constexpr auto Drawing = Latin1("Representa un patito.");

// Each event empties the line it answered, so the next event never acts on the same line.
// In the dark, and while only the lighter burns, the exits are not taken: the player
// has just been told that he cannot move about blindly.
// clang-format off
const RoomCommand Commands[] = {
    // lines                                               when                                   text         kind   sets                                      then               to          action
    {{"COGER RATA"},                                       {{{&RatInCorridor, 1}}},               Blackout,    "txt", {{{&CorridorDark, 1}, {&RatInCorridor, 0}}}, Then::ConsumeLine, nullptr,    nullptr},
    {{"USAR mechero"},                                     {{{&CorridorDark, 1}}},                LighterText, "txt", {{{&LighterLit, 1}, {&CorridorDark, 0}}},    Then::ConsumeLine, nullptr,    nullptr},
    {{"USAR cinta EN CABLE", "USAR cinta aislante EN CABLE"}, {{{&LighterLit, 1}}},               Repair,      "txt", {{{&LighterLit, 0}, {&DogLoose, 1}}},        Then::ConsumeLine, nullptr,    nullptr},
    {{"EXAMINAR dibujo"},                                  {},                                    Drawing,     "txt", {},                                       Then::Answer,      nullptr,    nullptr},
    {{"o", "oeste"},                                       {{{&CorridorDark, 0}, {&LighterLit, 0}}}, nullptr,  nullptr, {},                                     Then::Move,        ExitDoor,   nullptr},
    {{"s", "sur"},                                         {{{&CorridorDark, 0}, {&LighterLit, 0}}}, nullptr,  nullptr, {},                                     Then::Move,        RestRoom,   nullptr},
    {{"n", "norte"},                                       {{{&CorridorDark, 0}, {&LighterLit, 0}}}, nullptr,  nullptr, {},                                     Then::Move,        Laboratory, nullptr},
};
// clang-format on

}  // namespace

int32_t Corridor(char* command)
{
    if (!command) {
        EnterRoom(CorridorPicture, CorridorPictureSize, Description);
        if (RatInCorridor)
            Narrate(RatChewing, "txt");
        return 0;
    }
    return RunRoomCommands(command, Commands);
}
