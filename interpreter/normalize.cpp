// Command normalisation and the synonym table. (To be written.)
#include "interpreter/interpreter.h"

const char* const* const SynonymTable[] = {nullptr};

void NormalizeCommand(char*) {}
