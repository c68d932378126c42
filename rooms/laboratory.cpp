// The laboratory: the rat, the syringe, the caged dog, and later the dog loose.
#include "assets/assets.h"
#include "rooms/rooms.h"

namespace {

constexpr auto Description = Latin1(
    "Te encuentras en los sotanos de un laboratorio. En una pequeña sala rodeado de tubos y "
    "probetas. En una pared de la sala hay varias jaulas vacias excepto una, en la que un doberman "
    "te mira atentamente y en silencio tras los barrotes. Estas frente a una mesa y un pequeño "
    "animal yace sobre ella. Tambien puedes observar que hay una jeringuilla con un liquido "
    "verde.");

constexpr auto DogLooseDescription = Latin1(
    "Entras a la sala pero te llevas el mayor susto de tu vida. La rata a debido morder e "
    "infectar el virus al doberman que a enloquecido y a escapado de la jaula. Si no reaccionas "
    "pronto estas muerto.");

constexpr auto Shot = Latin1(
    "Rapidamente apuntas a la bestia y disparas. La sangre salpica toda la sala. La rata esta "
    "escondida en un rincon.");

constexpr auto Death = Latin1(
    "Intentas huir pero la bestia se avalanza sobre ti y muerde tu yugular matandote en pocos "
    "segundos.\nHas muerto\nFIN");

constexpr auto RatTakenText = Latin1("Coges la rata.");

constexpr auto RatText = Latin1(
    "Parece una especie de roedor mediano. Tal vez una cobaya o un conejo enano. Esta inconsciente "
    "o muerto.");

constexpr auto DogText = Latin1(
    "Su aspecto es fiero y su postura tensa. No se mueve, solo te observa en tension, como "
    "dispuesto a reaccionar en cualquier momento.");

constexpr auto TableText = Latin1(
    "Fria y dura. Esta llena de instrumentos punzantes y algunos frascos con misteriosos y "
    "extraños liquidos.");

constexpr auto RoomText = Latin1("Es pequeña, fria y lugubre. No es nada acogedor.");

constexpr auto Injection = Latin1(
    "En el cuerpo del animal inyectas el liquido verde. No parece suceder nada pero a los pocos "
    "segundos el roedor reacciona y se despierta subitamente escapando de la mesa en un salto. "
    "Solo te da tiempo a ver como se cuela por la ranura de la puerta entreabierta al sur de la "
    "sala.");

// The encounter comes first: while the dog is loose and alive every line, even an empty
// one, is either the shot or the player's death.
// clang-format off
const RoomCommand Commands[] = {
    // lines                                          when                                   text         kind        sets                                then               to        action
    {{"USAR ESCOPETA", "USAR ESCOPETA EN PERRO",
      "disparar ESCOPETA EN PERRO", "disparar ESCOPETA"}, {{{&DogLoose, 1}, {&ShotgunTaken, 1}}}, Shot,        "txt",      {{{&DogDead, 1}, {&DogLoose, 0}}}, Then::ConsumeLine, nullptr,  nullptr},
    {{AnyLine},                                       {{{&DogLoose, 1}, {&DogDead, 0}}},      Death,       "gameover", {},                                Then::Answer,      nullptr,  nullptr},
    {{"COGER RATA"},                                  {{{&DogDead, 1}}},                      RatTakenText, "txt",     {{{&RatTaken, 1}}},                Then::ConsumeLine, nullptr,  nullptr},
    {{"EXAMINAR RATA"},                               {},                                     RatText,     "txt",      {},                                Then::Answer,      nullptr,  nullptr},
    {{"EXAMINAR PERRO"},                              {},                                     DogText,     "txt",      {},                                Then::Answer,      nullptr,  nullptr},
    {{"EXAMINAR MESA"},                               {},                                     TableText,   "txt",      {},                                Then::Answer,      nullptr,  nullptr},
    {{"EXAMINAR SALA"},                               {},                                     RoomText,    "txt",      {},                                Then::Answer,      nullptr,  nullptr},
    {{"USAR JERINGUILLA EN RATA",
      "INYECTAR JERINGUILLA EN RATA"},                {},                                     Injection,   "txt",      {{{&RatInCorridor, 1}}},           Then::Answer,      nullptr,  nullptr},
    {{"s", "sur"},                                    {},                                     nullptr,     nullptr,    {},                                Then::Move,        Corridor, nullptr},
};
// clang-format on

}  // namespace

int32_t Laboratory(char* command)
{
    if (!command) {
        if (DogLoose)
            EnterRoom(LaboratoryDogPicture, LaboratoryDogPictureSize, DogLooseDescription);
        else
            EnterRoom(LaboratoryPicture, LaboratoryPictureSize, Description);
        return 0;
    }
    return RunRoomCommands(command, Commands);
}
