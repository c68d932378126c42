// The narration buffer and its paging. (To be written.)
#include "console/console.h"

char NarrationBuffer[NarrationBufferSize];

void AppendNarration(const char*) {}
void ShowNarration(void) {}
void ShowFinalNarration(void) {}
