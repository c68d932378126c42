// Message kinds and endings. (To be written.)
#include "console/console.h"

void Narrate(const char*, const char*) {}
