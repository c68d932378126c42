// The command line. (To be written.)
#include "console/console.h"
#include "shell/shell.h"

void ReadCommandLine(char* line)
{
    line[0] = '\0';
    PresentFrame();
    while (LastKey != 13)
        PresentFrame();
}
