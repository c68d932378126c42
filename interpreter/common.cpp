// The commands every room shares. (To be written.)
#include "interpreter/interpreter.h"

void CommonCommands(const char*) {}
