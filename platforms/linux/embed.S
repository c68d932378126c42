/* Embedded assets on Linux (ELF): each image file of assets/asset_list.h linked in whole, with
 * a label and a 32-bit length. The build gives the assembler assets/data to find them in. */

#define ASSET(symbol, path, kind, w, h)            \
    .section .rodata.symbol, "a";                  \
    .global symbol;                                \
    .type symbol, @object;                         \
    .balign 16;                                    \
symbol:                                            \
    .incbin path;                                  \
symbol##_end:                                      \
    .size symbol, symbol##_end - symbol;           \
    .global symbol##Size;                          \
    .type symbol##Size, @object;                   \
    .balign 4;                                     \
symbol##Size:                                      \
    .long symbol##_end - symbol;                   \
    .size symbol##Size, 4;

#include "assets/asset_list.h"

/* The program needs no executable stack. */
.section .note.GNU-stack, "", @progbits
