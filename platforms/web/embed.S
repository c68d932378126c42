/* Embedded assets for WebAssembly: each image file of assets/asset_list.h linked in whole,
 * packed (pack_asset.py), with a label and the 32-bit length of what is linked (wasm sections
 * take no ELF flags or types). The build gives the assembler the folder of the packed files;
 * the memory stream (memory_stream.cpp) inflates a file when it is read. */

#define ASSET(symbol, path, kind, w, h)            \
    .section .rodata.symbol, "", @;                \
    .globl symbol;                                 \
    .p2align 4;                                    \
symbol:                                            \
    .incbin path;                                  \
.L##symbol##_end:                                  \
    .size symbol, .L##symbol##_end - symbol;       \
    .section .rodata.symbol##Size, "", @;          \
    .globl symbol##Size;                           \
    .p2align 2;                                    \
symbol##Size:                                      \
    .int32 .L##symbol##_end - symbol;              \
    .size symbol##Size, 4;

#include "assets/asset_list.h"
