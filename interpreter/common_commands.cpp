// The commands every room shares: inventory, help, and the refusal of everything else.
#include <cstring>

#include "console/console.h"
#include "interpreter/interpreter.h"

namespace {

struct CommonCommand {
    const char* line;    // the whole normalised line, compared byte for byte
    const char* answer;  // narrated with the kind "txt"
};

const CommonCommand Commands[] = {
    {"inventario",
     "En tus bolsillos tienes un boligrafo, una billetera, cinta aislante, un paquete de "
     "ducados y un mechero."},
    {"ayuda", "No hay ayuda que valga."},
};

const char* const Refusal = "No puedes hacer eso.";

}  // namespace

void CommonCommands(const char* line)
{
    // Rooms empty the line after answering it themselves; silence then is what they rely on.
    if (line == nullptr || line[0] == '\0') {
        return;
    }
    for (const CommonCommand& command : Commands) {
        if (strcmp(line, command.line) == 0) {
            Narrate(command.answer, "txt");
            return;
        }
    }
    Narrate(Refusal, "txt");
}
