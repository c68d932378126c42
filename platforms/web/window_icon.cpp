// A browser tab shows the page's own icon (icon.ico beside it): the game's window icon is not
// set, nor decoded.
#include "shell/shell.h"

void SetWindowIcon(void) {}
