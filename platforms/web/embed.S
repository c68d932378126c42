/* Embedded assets for WebAssembly: each image file linked in whole, packed (pack_asset.py),
 * with a label and the 32-bit length of what is linked, as assets/embed.S does for ELF (wasm
 * sections take no ELF flags or types). The memory stream (memory_stream.cpp) inflates a file
 * when it is read. */

#define ASSET(name, file)                  \
    .section .rodata.name, "", @;          \
    .globl name;                           \
    .p2align 4;                            \
name:                                      \
    .incbin file;                          \
.L##name##_end:                            \
    .size name, .L##name##_end - name;     \
    .section .rodata.name##Size, "", @;    \
    .globl name##Size;                     \
    .p2align 2;                            \
name##Size:                                \
    .int32 .L##name##_end - name;          \
    .size name##Size, 4

ASSET(TitlePicture, "title.bmp.gz")
ASSET(LaboratoryPicture, "laboratory.bmp.gz")
ASSET(LaboratoryDogPicture, "laboratory-dog.bmp.gz")
ASSET(CorridorPicture, "corridor.bmp.gz")
ASSET(ExitDoorPicture, "exit-door.bmp.gz")
ASSET(RestRoomPicture, "rest-room.bmp.gz")
ASSET(ChapterEndPicture, "chapter-end.bmp.gz")
ASSET(GameOverPicture, "game-over.bmp.gz")
ASSET(FontSheet, "font.tga.gz")
ASSET(IconImage, "icon.bmp.gz")
