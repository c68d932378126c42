// The listener of a program that binds none: the game tells, and nobody hears. Alone in its
// file, so that the linker takes it from the core's library only where no program object
// defines shown::Tell.
#include "shown/shown.h"

void shown::Tell(const Event&) {}
