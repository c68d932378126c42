// The program's entry point: SDL's start-up glue calls main, which hands over to GameMain.
#include "SDL.h"  // on some platforms renames main for SDL's start-up glue
#include "shell/shell.h"

int main(int argc, char** argv)
{
    return GameMain(argc, argv);
}
