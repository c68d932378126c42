/* Embedded assets on Windows (PE): each image file of assets/asset_list.h linked in whole, with
 * a label and a 32-bit length. PE knows no symbol types or sizes; .rdata$name sorts into
 * read-only .rdata. The build gives the assembler assets/data to find them in. */

#define ASSET(symbol, path, kind, w, h)            \
    .section .rdata$symbol, "dr";                  \
    .global symbol;                                \
    .balign 16;                                    \
symbol:                                            \
    .incbin path;                                  \
symbol##_end:                                      \
    .global symbol##Size;                          \
    .balign 4;                                     \
symbol##Size:                                      \
    .long symbol##_end - symbol;

#include "assets/asset_list.h"
